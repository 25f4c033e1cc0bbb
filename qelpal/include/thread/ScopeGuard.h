#pragma once
// Calls a member function of its target when it goes out of scope, unless
// the owner already did so through release().
#include "Exception.h"

namespace qel::thread {

// Writes a failure of the guarded call to standard error; destructors never throw.
void reportGuardFailure(const Exception& e) noexcept;

template <class T>
class ScopeGuard {
public:
    using Action = void (T::*)() const;

    ScopeGuard(const T* target, Action action) : m_target(target), m_action(action) {}
    // A guard with nothing to do, for paths that hold nothing.
    ScopeGuard() : m_done(true), m_target(nullptr), m_action(nullptr) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

    ~ScopeGuard() {
        if (m_done)
            return;
        try {
            (m_target->*m_action)();
        } catch (const Exception& e) {
            reportGuardFailure(e);
        }
    }

    // Runs the action now; the destructor then does nothing.
    void release() {
        if (m_done)
            return;
        m_done = true;
        (m_target->*m_action)();
    }

private:
    bool m_done = false;
    const T* m_target;
    Action m_action;
};

} // namespace qel::thread
