#pragma once
// A non-recursive mutex that throws qel::OsError on failure.
#include "NoCopy.h"
#include "thread/ScopeGuard.h"

#include <pthread.h>

namespace qel::thread {

class LockBase : public NoCopy {
public:
    static constexpr int DEFAULT = 1;
    static constexpr int RECURSIVE = 2;

    // Kind DEFAULT makes a plain mutex, any other kind a recursive one.
    explicit LockBase(int kind = DEFAULT);
    ~LockBase();

    // Locks and returns a guard that unlocks at scope exit.
    [[nodiscard]] ScopeGuard<LockBase> lock();
    void unlock() const;

    pthread_mutex_t* native() const { return &m_mutex; }

private:
    mutable pthread_mutex_t m_mutex;
};

class Lock : public LockBase {
public:
    using LockBase::LockBase;
};

using LockGuard = ScopeGuard<LockBase>;

} // namespace qel::thread
