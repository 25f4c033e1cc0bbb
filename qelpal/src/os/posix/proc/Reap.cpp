#include "os/posix/signal/Retry.h"
#include "proc/Shepherd.h"

#include <sys/wait.h>

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

} // namespace qel::proc
