#include "os/posix/signal/Set.h"

#include "os/posix/OsCall.h"

namespace qel::signal {

namespace {
sigset_t startMask() {
    sigset_t mask;
    QEL_CHECK_CALL(sigemptyset(&mask));
    QEL_CHECK_CALL(pthread_sigmask(SIG_SETMASK, nullptr, &mask));
    return mask;
}
} // namespace

sigset_t Set::m_original = startMask();

Set::Set() { QEL_CHECK_CALL(sigemptyset(&m_set)); }

void Set::add(int sig) { QEL_CHECK_CALL(sigaddset(&m_set, sig)); }

void Set::remove(int sig) { QEL_CHECK_CALL(sigdelset(&m_set, sig)); }

bool Set::contains(int sig) const {
    const int rc = sigismember(&m_set, sig);
    if (rc == -1)
        QEL_RAISE_OS(errno);
    return rc == 1;
}

void Set::getMask() { QEL_CHECK_CALL(pthread_sigmask(SIG_SETMASK, nullptr, &m_set)); }

void Set::block() const { QEL_CHECK_CALL(pthread_sigmask(SIG_BLOCK, &m_set, nullptr)); }

} // namespace qel::signal
