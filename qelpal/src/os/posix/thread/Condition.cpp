#include "thread/Condition.h"

#include "gettext/Tr.h"
#include "os/posix/OsCall.h"

#include <cerrno>
#include <iostream>
#include <memory>

namespace qel::thread {

namespace {
void initMonotonic(pthread_cond_t& cond) {
    pthread_condattr_t attributes;
    QEL_CHECK_CALL(pthread_condattr_init(&attributes));
    int rc = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    if (rc == 0)
        rc = pthread_cond_init(&cond, &attributes);
    pthread_condattr_destroy(&attributes);
    QEL_CHECK_CALL(rc);
}
} // namespace

Condition::Condition() : m_borrowed(0) {
    auto own = std::make_unique<Lock>();
    initMonotonic(m_cond);
    m_lock = own.release();
}

Condition::Condition(LockBase& lock) : m_lock(&lock), m_borrowed(1) { initMonotonic(m_cond); }

Condition::~Condition() {
    try {
        QEL_CHECK_CALL(pthread_cond_destroy(&m_cond));
    } catch (const Exception& e) {
        std::cerr << QEL_TR_PAL("WARNING: Destroying condition failed:\n") << e.what() << '\n'
                  << std::flush;
    }
    if (m_borrowed == 0)
        delete m_lock;
}

ScopeGuard<Condition> Condition::lock() {
    QEL_CHECK_CALL(pthread_mutex_lock(m_lock->native()));
    return ScopeGuard<Condition>(this, &Condition::unlock);
}

void Condition::unlock() const { m_lock->unlock(); }

void Condition::wait() { QEL_CHECK_CALL(pthread_cond_wait(&m_cond, m_lock->native())); }

bool Condition::waitTimed(const timespec& deadline) {
    const int rc = pthread_cond_timedwait(&m_cond, m_lock->native(), &deadline);
    if (rc == ETIMEDOUT)
        return false;
    QEL_CHECK_CALL(rc);
    return true;
}

void Condition::signal() { QEL_CHECK_CALL(pthread_cond_signal(&m_cond)); }

void Condition::signalAll() { QEL_CHECK_CALL(pthread_cond_broadcast(&m_cond)); }

} // namespace qel::thread
