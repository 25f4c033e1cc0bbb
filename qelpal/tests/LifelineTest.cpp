#include "proc/Lifeline.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <time.h>

namespace {

using qel::proc::Lifeline;
using qel::proc::LifelineWatch;

// The signal that the watch sends, taken synchronously by this thread.
class LifelineTest : public testing::Test {
protected:
    void SetUp() override {
        sigemptyset(&m_usr2);
        sigaddset(&m_usr2, SIGUSR2);
        pthread_sigmask(SIG_BLOCK, &m_usr2, &m_before);
    }
    void TearDown() override { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }

    bool signalled(long ms) {
        const timespec wait{ms / 1000, (ms % 1000) * 1000000};
        return sigtimedwait(&m_usr2, nullptr, &wait) == SIGUSR2;
    }

    sigset_t m_usr2;
    sigset_t m_before;
};

TEST_F(LifelineTest, CutLineSignalsTheWatchingProcess) {
    Lifeline line;
    LifelineWatch watch;
    // The holder may be this process itself or one of its ancestors.
    ASSERT_TRUE(watch.attach(line.token()));
    watch.start(SIGUSR2);
    EXPECT_FALSE(signalled(100));
    line.cut();
    EXPECT_TRUE(signalled(20000));
    // Only cut: the holder lives on.
    EXPECT_FALSE(watch.holderEnded());
    EXPECT_EQ(watch.holderUid(), getuid());
}

TEST_F(LifelineTest, StoppedWatchSendsNothing) {
    Lifeline line;
    LifelineWatch watch;
    ASSERT_TRUE(watch.attach(line.token()));
    watch.start(SIGUSR2);
    watch.stop();
    line.cut();
    EXPECT_FALSE(signalled(200));
}

TEST_F(LifelineTest, LinesOfOtherProcessesAndBadTokensAreRefused) {
    Lifeline line;
    const std::string token = line.token();
    const std::string fd = token.substr(token.find(':'));
    for (const std::string& bad : {std::string("1") + fd, std::string("x:1"), std::string(""),
                                   std::string("12"), token.substr(0, token.find(':')) + ":999"}) {
        LifelineWatch watch;
        EXPECT_FALSE(watch.attach(bad)) << bad;
        // Nothing to watch: starting does nothing.
        watch.start(SIGUSR2);
    }
    EXPECT_FALSE(signalled(100));
}

} // namespace
