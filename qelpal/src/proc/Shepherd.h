#pragma once
// The process collector: the only place where children are reaped. Its lock
// (the condition's mutex) guards the three containers; it is held from
// before fork() until the new child is registered, so a status is filed
// only for a registered child.
#include "proc/Child.h"
#include "thread/Condition.h"
#include "thread/Thread.h"

#include <map>
#include <set>

namespace qel::proc {

class Shepherd : public thread::CoopThread::ICoopThread {
public:
    Shepherd();
    ~Shepherd() override;

    void start();
    // Returns once the collector thread has ended. Children still running
    // are waited for first.
    void stop();

    thread::Condition& condition() { return m_condition; }

    // Both with the lock held.
    void registerChild(pid_t pid, Child* notifyChild);
    bool isRegistered(pid_t pid) const { return m_registered.count(pid) != 0; }

    // Moves the status of pid into result and answers true once it is
    // known; false when timeoutMs (if given) passed first.
    bool waitFor(pid_t pid, WaitResult& result, const int64_t* timeoutMs);

private:
    void run(thread::CoopThread& thread) override;
    void file(pid_t pid, int status);

    thread::CoopThread m_thread;
    thread::Condition m_condition;
    std::set<pid_t> m_registered;
    std::map<pid_t, int> m_statuses;
    std::map<pid_t, Child*> m_notify;
};

// The system side of the collector (os/posix/proc).
// Blocks until some child has ended and returns its id without reaping it,
// so that its id cannot be reused before the collector holds its lock.
pid_t waitForAnyChild();
// Reaps the ended child pid and returns its raw wait status.
int reapChild(pid_t pid);
// In a new process: asks for sig when parent, the process that started it,
// ends. False when parent has ended already.
bool endWithParent(int sig, pid_t parent) noexcept;
// Makes this process the parent of orphaned descendants.
void becomeSubreaper();

} // namespace qel::proc
