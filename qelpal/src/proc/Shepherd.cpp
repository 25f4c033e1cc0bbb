#include "proc/Shepherd.h"

#include "Assert.h"
#include "gettext/Tr.h"
#include "time/Clock.h"

#include <iostream>

namespace qel::proc {

Shepherd::Shepherd() : m_thread(this, "process collector") {}

Shepherd::~Shepherd() = default;

void Shepherd::start() { m_thread.run(); }

void Shepherd::stop() {
    m_thread.requestStop();
    {
        // Under the lock: the body checks the request under it before it waits.
        auto guard = m_condition.lock();
        m_condition.signalAll();
    }
    m_thread.join();
}

void Shepherd::registerChild(pid_t pid, Child* notifyChild) {
    m_registered.insert(pid);
    if (notifyChild)
        m_notify[pid] = notifyChild;
    m_condition.signalAll();
}

bool Shepherd::waitFor(pid_t pid, WaitResult& result, const int64_t* timeoutMs) {
    // A notifier runs on the collector thread with the lock already held;
    // its own child's status is filed, and the collector cannot wait for others.
    const bool onCollector = m_thread.isCurrent();
    QEL_ASSERT(!onCollector || m_statuses.count(pid) != 0);
    thread::ConditionGuard guard = onCollector ? thread::ConditionGuard() : m_condition.lock();
    timespec deadline{};
    if (timeoutMs)
        deadline = time::deadlineAfter(*timeoutMs);
    for (;;) {
        const auto found = m_statuses.find(pid);
        if (found != m_statuses.end()) {
            result.status = found->second;
            result.done = true;
            m_statuses.erase(found);
            return true;
        }
        if (!timeoutMs)
            m_condition.wait();
        else if (!m_condition.waitTimed(deadline))
            return false;
    }
}

void Shepherd::run(thread::CoopThread& thread) {
    for (;;) {
        {
            auto guard = m_condition.lock();
            if (thread.request() != thread::CoopThread::NO_REQUEST)
                return;
            if (m_registered.empty()) {
                m_condition.wait();
                continue;
            }
        }
        const pid_t pid = waitForAnyChild();
        if (pid == -1) {
            std::cerr << thread.name() << QEL_TR_PAL(": Error waiting for childs ...\n")
                      << std::flush;
            continue;
        }
        {
            auto guard = m_condition.lock();
            file(pid, reapChild(pid));
        }
        m_condition.signalAll();
    }
}

void Shepherd::file(pid_t pid, int status) {
    if (m_registered.erase(pid) == 0) {
        if (!Child::m_adopting)
            std::cerr << m_thread.name() << QEL_TR_PAL(": Got info for not registered child: ")
                      << pid << '\n' << std::flush;
        return;
    }
    m_statuses[pid] = status;
    const auto notify = m_notify.find(pid);
    if (notify != m_notify.end()) {
        Child* child = notify->second;
        m_notify.erase(notify);
        try {
            child->notifyEnded();
        } catch (const Exception& e) {
            std::cerr << m_thread.name() << ": " << describe(e) << '\n' << std::flush;
        }
    }
}

} // namespace qel::proc
