#include "proc/Child.h"

#include "Assert.h"
#include "gettext/Tr.h"
#include "os/posix/signal/Signal.h"
#include "proc/Shepherd.h"

#include <memory>

namespace qel::proc {

thread::Lock Child::m_init_lock;
std::atomic<Shepherd*> Child::m_shepherd{nullptr};
std::atomic<bool> Child::m_adopting{false};

Child::Child() : m_arguments(1) {}

Child::~Child() { QEL_ASSERT(m_child == INVAL_PROC_ID); }

void Child::setNotify(INotify* notify) {
    if (m_child != INVAL_PROC_ID)
        QEL_THROW(RuntimeError, QEL_TR_PAL("Can't set notify callback if child is already running"));
    m_notify = notify;
}

Shepherd& Child::shepherd() {
    auto guard = m_init_lock.lock();
    if (!m_shepherd) {
        auto shepherd = std::make_unique<Shepherd>();
        shepherd->start();
        m_shepherd = shepherd.release();
    }
    return *m_shepherd;
}

Shepherd& Child::runningShepherd() {
    Shepherd* collector = m_shepherd;
    if (!collector)
        QEL_THROW(UsageError, QEL_TR_PAL("tried to wait on non-existent child"));
    return *collector;
}

void Child::shutdown() {
    auto guard = m_init_lock.lock();
    Shepherd* collector = m_shepherd;
    if (!collector)
        return;
    collector->stop();
    m_shepherd = nullptr;
    delete collector;
}

WaitResult Child::wait(bool timed, const int64_t* timeoutMs) {
    if (m_child == INVAL_PROC_ID)
        QEL_THROW(UsageError, QEL_TR_PAL("tried to wait on non-existent child"));
    WaitResult result;
    if (runningShepherd().waitFor(m_child, result, timed ? timeoutMs : nullptr))
        m_child = INVAL_PROC_ID;
    return result;
}

void Child::kill(int sig) {
    // Under the collector's lock a registered child is not reaped yet, so
    // its id still names it and not a process that reused the id.
    Shepherd* collector = m_shepherd;
    auto guard = collector ? collector->condition().lock() : thread::ConditionGuard();
    const pid_t pid = m_child;
    if (pid == INVAL_PROC_ID || !collector || !collector->isRegistered(pid)) {
        NoSuchProcessError e(ESRCH);
        QEL_LOCATE(e);
        e.raise();
    }
    signal::signalProc(sig, pid);
}

void Child::adoptOrphans() {
    becomeSubreaper();
    m_adopting = true;
}

} // namespace qel::proc
