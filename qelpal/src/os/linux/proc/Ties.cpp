// How processes are tied to their parents on Linux: a parent-death signal
// tells a process when the thread that started it ends, however it ended;
// a child subreaper receives the orphans among its descendants.
#include "os/posix/OsCall.h"
#include "proc/Shepherd.h"

#include <cerrno>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace qel::proc {

bool endWithParent(int sig, pid_t parent) noexcept {
    if (prctl(PR_SET_PDEATHSIG, static_cast<unsigned long>(sig)) != 0)
        return true;
    // A parent that ended before the request was in place sends nothing.
    return getppid() == parent;
}

void becomeSubreaper() {
    // qemu's user-mode emulation does not offer it (EINVAL): orphans then go
    // to init as usual, and only that safety net is missing.
    if (prctl(PR_SET_CHILD_SUBREAPER, 1UL) != 0 && errno != EINVAL)
        QEL_RAISE_OS(errno);
}

} // namespace qel::proc
