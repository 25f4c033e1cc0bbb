#include "term/Input.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using qel::term::Input;

// A pipe whose write end the test feeds.
class Feed {
public:
    Feed() { EXPECT_EQ(::pipe(m_fds), 0); }
    ~Feed() {
        ::close(m_fds[0]);
        closeWrite();
    }
    int readEnd() const { return m_fds[0]; }
    void write(const std::string& text) {
        ASSERT_EQ(::write(m_fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void closeWrite() {
        if (m_fds[1] >= 0)
            ::close(m_fds[1]);
        m_fds[1] = -1;
    }

private:
    int m_fds[2];
};

TEST(Input, ReadsLineByLineWithoutTakingMore) {
    Input::setup();
    Feed feed;
    feed.write("yes\nno\nrest");
    std::string line;
    ASSERT_TRUE(Input::readLine(feed.readEnd(), line));
    EXPECT_EQ(line, "yes");
    ASSERT_TRUE(Input::readLine(feed.readEnd(), line));
    EXPECT_EQ(line, "no");
    // What follows the second line is still in the pipe for the next reader.
    char buf[8] = {};
    EXPECT_EQ(::read(feed.readEnd(), buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "rest");
}

TEST(Input, EndOfInputKeepsThePartialLine) {
    Input::setup();
    Feed feed;
    feed.write("y");
    feed.closeWrite();
    std::string line;
    EXPECT_FALSE(Input::readLine(feed.readEnd(), line));
    EXPECT_EQ(line, "y");
    EXPECT_FALSE(Input::readLine(feed.readEnd(), line));
    EXPECT_EQ(line, "");
}

TEST(Input, BadDescriptorEndsTheRead) {
    Input::setup();
    std::string line;
    EXPECT_FALSE(Input::readLine(-5, line));
}

// interrupt() is for good, so it is tested in a child process.
TEST(InputDeathTest, InterruptEndsAWaitingAndEveryLaterRead) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Input::setup();
            Feed feed; // never written: the read would wait for ever
            std::thread waker([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                Input::interrupt();
            });
            std::string line;
            const bool first = Input::readLine(feed.readEnd(), line);
            waker.join();
            feed.write("y\n");
            const bool later = Input::readLine(feed.readEnd(), line);
            std::exit(!first && !later ? 7 : 1);
        },
        ::testing::ExitedWithCode(7), "");
}

} // namespace
