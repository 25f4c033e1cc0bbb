#include "os/posix/signal/Retry.h"
#include "proc/Shepherd.h"

#include <sys/wait.h>
#include <time.h>

namespace qel::proc {

pid_t waitForAnyChild() {
    siginfo_t info{};
    const int rc = signal::retryOnEintr(
        [&info] { return waitid(P_ALL, 0, &info, WEXITED | WNOWAIT); });
    return rc == -1 ? -1 : info.si_pid;
}

int reapChild(pid_t pid) {
    int status = 0;
    signal::retryOnEintr([&] { return waitpid(pid, &status, 0); });
    return status;
}

bool Child::awaitAdopted(int64_t timeoutMs) {
    // Orphans end in their own time and tell nobody; we look every 50 ms.
    const int64_t step = 50;
    for (int64_t waited = 0;; waited += step) {
        int status = 0;
        const pid_t reaped = signal::retryOnEintr([&] { return waitpid(-1, &status, WNOHANG); });
        if (reaped == -1)
            return true;
        if (reaped != 0)
            continue;
        if (waited >= timeoutMs)
            return false;
        const timespec pause{0, step * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

} // namespace qel::proc
