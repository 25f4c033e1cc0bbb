#include "thread/ScopeGuard.h"

#include "gettext/Tr.h"

#include <iostream>

namespace qel::thread {

void reportGuardFailure(const Exception& e) noexcept {
    try {
        std::cerr << QEL_TR_PAL("Exception caught while destroying scope guard:\n")
                  << describe(e) << std::flush;
    } catch (...) {
    }
}

} // namespace qel::thread
