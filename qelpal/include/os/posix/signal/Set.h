#pragma once
// A signal set, and the signal mask the process started with.
#include <signal.h>

namespace qel::signal {

class Set {
public:
    // The mask of the process during static initialisation, before the
    // platform layer blocked anything. Children get it back before exec.
    static sigset_t m_original;

    // An empty set.
    Set();

    void add(int sig);
    void remove(int sig);
    bool contains(int sig) const;

    // Replaces the set by the calling thread's current mask.
    void getMask();
    // Adds the set to the calling thread's mask.
    void block() const;

    const sigset_t& native() const { return m_set; }

private:
    sigset_t m_set;
};

} // namespace qel::signal
