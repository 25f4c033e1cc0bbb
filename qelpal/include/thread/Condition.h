#pragma once
// A condition variable on the monotonic clock, with its own mutex or one it
// shares with a Lock.
#include "NoCopy.h"
#include "thread/Lock.h"

#include <pthread.h>
#include <time.h>

namespace qel::thread {

class Condition : public NoCopy {
public:
    // Creates and owns its mutex.
    Condition();
    // Waits with the given lock, which must outlive the condition.
    explicit Condition(LockBase& lock);
    ~Condition();

    [[nodiscard]] ScopeGuard<Condition> lock();
    void unlock() const;

    // Both require the mutex to be held by the caller.
    void wait();
    // Waits until the absolute CLOCK_MONOTONIC time; false when it passed.
    bool waitTimed(const timespec& deadline);

    void signal();
    void signalAll();

private:
    pthread_cond_t m_cond;
    LockBase* m_lock;
    int m_borrowed; // 0: m_lock is owned, 1: it belongs to the caller
};

using ConditionGuard = ScopeGuard<Condition>;

} // namespace qel::thread
