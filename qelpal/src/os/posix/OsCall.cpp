#include "os/posix/OsCall.h"

namespace qel::posix {

void raiseOsError(int err, const char* file, int line, const char* function) {
    OsError e(err);
    e.setLocation(file, line, function);
    e.raise();
}

} // namespace qel::posix
