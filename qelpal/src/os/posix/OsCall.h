#pragma once
// The one rule for checking POSIX calls: a non-zero result is a failure whose
// error number is the result itself, or errno when the result is -1.
#include "Exception.h"

#include <cerrno>

namespace qel::posix {

[[noreturn]] void raiseOsError(int err, const char* file, int line, const char* function);

inline int errorOf(int result) { return result == -1 ? errno : result; }

} // namespace qel::posix

// Throws qel::OsError located at the caller when the call does not return 0.
#define QEL_CHECK_CALL(call)                                                      \
    do {                                                                          \
        const int qel_rc_ = (call);                                               \
        if (qel_rc_ != 0)                                                         \
            ::qel::posix::raiseOsError(::qel::posix::errorOf(qel_rc_), __FILE__,  \
                                       __LINE__, __func__);                       \
    } while (0)

#define QEL_RAISE_OS(err) ::qel::posix::raiseOsError((err), __FILE__, __LINE__, __func__)
