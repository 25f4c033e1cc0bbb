#include "os/posix/signal/Signal.h"

#include "os/posix/OsCall.h"

#include <cstring>
#include <signal.h>

namespace qel::signal {

void signalProc(int sig, pid_t pid) {
    if (sigqueue(pid, sig, sigval{}) == 0)
        return;
    if (errno == ESRCH) {
        NoSuchProcessError e(ESRCH);
        QEL_LOCATE(e);
        e.raise();
    }
    QEL_RAISE_OS(errno);
}

std::string signalName(int sig) {
    const char* name = strsignal(sig);
    return name ? name : "";
}

} // namespace qel::signal
