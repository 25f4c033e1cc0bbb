#include "QelPal.h"
#include "fs/File.h"
#include "time/Clock.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <thread>

namespace {

// The mask that QelPal construction leaves in a thread that blocked nothing.
sigset_t maskAfterStartUp(bool handleQuit, bool noHandlerThread) {
    sigset_t mask;
    std::thread([&] {
        sigset_t none;
        sigemptyset(&none);
        pthread_sigmask(SIG_SETMASK, &none, nullptr);
        qel::QelPal pal(handleQuit, noHandlerThread, 2);
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    }).join();
    return mask;
}

TEST(QelPal, BlocksTheSignalsItHandles) {
    const sigset_t mask = maskAfterStartUp(true, false);
    for (int sig : {SIGPIPE, SIGUSR1, SIGUSR2, SIGINT, SIGTERM, SIGHUP})
        EXPECT_EQ(sigismember(&mask, sig), 1) << sig;
    EXPECT_EQ(sigismember(&mask, SIGCHLD), 0);
}

TEST(QelPal, WithoutQuitHandlingInterruptKeepsItsEffect) {
    const sigset_t mask = maskAfterStartUp(false, false);
    EXPECT_EQ(sigismember(&mask, SIGPIPE), 1);
    EXPECT_EQ(sigismember(&mask, SIGINT), 0);
    EXPECT_EQ(sigismember(&mask, SIGTERM), 0);
    EXPECT_EQ(sigismember(&mask, SIGHUP), 0);
}

TEST(QelPal, InitialisesAndReleasesPlatformModules) {
    {
        qel::QelPal pal(true, false, 2);
        ASSERT_NE(qel::fs::File::m_null_in, nullptr);
        ASSERT_NE(qel::fs::File::m_null_out, nullptr);
        EXPECT_TRUE(qel::fs::File::m_null_in->isOpen());
        const timespec& start = qel::time::InitClock::m_init_time;
        EXPECT_TRUE(start.tv_sec != 0 || start.tv_nsec != 0);
        qel::time::InitClock since;
        since.update();
        EXPECT_GE(since.time().tv_sec, 0);
    }
    EXPECT_EQ(qel::fs::File::m_null_in, nullptr);
    EXPECT_EQ(qel::fs::File::m_null_out, nullptr);
}

} // namespace
