#include "thread/Lock.h"

#include "gettext/Tr.h"
#include "os/posix/OsCall.h"

#include <iostream>

namespace qel::thread {

LockBase::LockBase(int kind) {
    if (kind == DEFAULT) {
        QEL_CHECK_CALL(pthread_mutex_init(&m_mutex, nullptr));
        return;
    }
    pthread_mutexattr_t attributes;
    QEL_CHECK_CALL(pthread_mutexattr_init(&attributes));
    int rc = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    if (rc == 0)
        rc = pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    QEL_CHECK_CALL(rc);
}

LockBase::~LockBase() {
    try {
        QEL_CHECK_CALL(pthread_mutex_destroy(&m_mutex));
    } catch (const Exception& e) {
        std::cerr << QEL_TR_PAL("WARNING: Destroying mutex failed:\n") << e.what() << '\n'
                  << std::flush;
    }
}

ScopeGuard<LockBase> LockBase::lock() {
    QEL_CHECK_CALL(pthread_mutex_lock(&m_mutex));
    return ScopeGuard<LockBase>(this, &LockBase::unlock);
}

void LockBase::unlock() const { QEL_CHECK_CALL(pthread_mutex_unlock(&m_mutex)); }

} // namespace qel::thread
