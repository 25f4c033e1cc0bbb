#include "os/posix/thread/SignalBlock.h"

#include "os/posix/OsCall.h"

namespace qel::thread {

SignalBlock::SignalBlock() {
    sigset_t all;
    sigfillset(&all);
    QEL_CHECK_CALL(pthread_sigmask(SIG_BLOCK, &all, &m_previous));
}

SignalBlock::~SignalBlock() {
    // Restoring a mask that was valid before cannot fail.
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

} // namespace qel::thread
