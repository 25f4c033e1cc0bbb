#pragma once
// The one place that retries system calls interrupted by a signal.
#include <cerrno>

namespace qel::signal {

// Calls call() until it does not fail with EINTR; returns its last result.
// Failure is a result of -1 with errno set, as most system calls report.
template <class Call>
auto retryOnEintr(Call call) -> decltype(call()) {
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

} // namespace qel::signal
