#pragma once
// SIGPIPE blocked in the calling thread for the life of the object, as the
// platform layer blocks it, so that writing to a pipe without reader fails
// with EPIPE. A SIGPIPE raised meanwhile is consumed before the old mask
// returns.
#include <csignal>
#include <pthread.h>

class BlockedSigpipe {
public:
    BlockedSigpipe() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
    }
    ~BlockedSigpipe() {
        const timespec none{0, 0};
        ::sigtimedwait(&m_set, nullptr, &none);
        ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    BlockedSigpipe(const BlockedSigpipe&) = delete;
    BlockedSigpipe& operator=(const BlockedSigpipe&) = delete;

private:
    sigset_t m_set;
    sigset_t m_old;
};
