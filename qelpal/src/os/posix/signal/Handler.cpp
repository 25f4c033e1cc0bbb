#include "os/posix/signal/Handler.h"

#include "Assert.h"
#include "gettext/Tr.h"
#include "os/posix/OsCall.h"

#include <cstring>
#include <iostream>

namespace qel::signal {

Handler::Handler() : m_thread(this, "signal handler") {}

Handler::~Handler() { QEL_ASSERT(!m_run); }

void Handler::add(int sig, INotify* n) {
    auto guard = m_lock.lock();
    if (!m_signals.contains(sig)) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_flags = SA_SIGINFO;
        QEL_CHECK_CALL(sigaction(sig, &action, nullptr));
        m_signals.add(sig);
    }
    m_notifiers[sig].insert(n);
    if (m_run)
        sendMgmSig();
}

void Handler::remove(int sig, INotify* n) {
    auto guard = m_lock.lock();
    const auto entry = m_notifiers.find(sig);
    if (entry == m_notifiers.end())
        QEL_THROW(UsageError, QEL_TR_PAL("tried to remove non-registered signal"));
    entry->second.erase(n);
    if (entry->second.empty()) {
        m_notifiers.erase(entry);
        m_signals.remove(sig);
    }
    if (m_run)
        sendMgmSig();
}

void Handler::start(int managementSignal) {
    auto guard = m_lock.lock();
    // The body waits for the lock, so it sees the complete state.
    m_thread.run();
    m_mgm_signal = managementSignal;
    m_signals.add(managementSignal);
    m_run = true;
}

void Handler::stop() {
    {
        auto guard = m_lock.lock();
        if (!m_run)
            return;
        m_run = false;
        // Sent under the lock: the thread cannot be joined before it got it.
        sendMgmSig();
    }
    m_thread.join();
}

bool Handler::isRunning() const {
    auto guard = m_lock.lock();
    return m_run;
}

void Handler::sendMgmSig() { QEL_CHECK_CALL(pthread_kill(m_thread.nativeId(), m_mgm_signal)); }

void Handler::run(thread::CppThread&) {
    for (;;) {
        sigset_t waitFor;
        {
            auto guard = m_lock.lock();
            if (!m_run)
                return;
            waitFor = m_signals.native();
        }
        siginfo_t info;
        const int sig = sigwaitinfo(&waitFor, &info);
        if (sig == -1) {
            if (errno == EINTR)
                continue;
            QEL_RAISE_OS(errno);
        }
        auto guard = m_lock.lock();
        dispatch(sig, info);
    }
}

void Handler::dispatch(int sig, const siginfo_t& info) {
    if (sig == m_mgm_signal)
        return;
    const auto entry = m_notifiers.find(sig);
    if (entry == m_notifiers.end())
        return;
    for (INotify* n : entry->second) {
        try {
            n->notify(sig, info);
        } catch (const Exception& e) {
            std::cerr << "handle" << QEL_TR_PAL(": Got an exception:\n") << describe(e) << '\n'
                      << std::flush;
        } catch (...) {
            std::cerr << "handle" << QEL_TR_PAL(": Got an unknown exception") << '\n'
                      << std::flush;
        }
    }
}

} // namespace qel::signal
