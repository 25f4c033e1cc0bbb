#include "ProcTestSupport.h"
#include "os/posix/signal/Handler.h"
#include "os/posix/signal/Signal.h"
#include "thread/Condition.h"
#include "time/Clock.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using qeltest::PalTest;
using qeltest::runShell;

// Records each call with the name of the thread it ran on.
class RecordingQuitHandler : public qel::IQuitHandler {
public:
    void quitRequested() override {
        char name[16] = "";
        pthread_getname_np(pthread_self(), name, sizeof name);
        auto guard = m_changed.lock();
        m_threads.push_back(name);
        m_changed.signalAll();
    }

    // The calls so far, once there are n of them or after ms milliseconds.
    std::vector<std::string> awaitCalls(size_t n, int64_t ms = 5000) {
        const timespec deadline = qel::time::deadlineAfter(ms);
        auto guard = m_changed.lock();
        while (m_threads.size() < n && m_changed.waitTimed(deadline)) {
        }
        return m_threads;
    }

private:
    qel::thread::Condition m_changed;
    std::vector<std::string> m_threads;
};

class QuitSignals : public PalTest, public testing::WithParamInterface<const char*> {};

TEST_P(QuitSignals, ReachEveryQuitHandlerOnceOnTheSignalThread) {
    RecordingQuitHandler first, second;
    m_pal->addQuitHandler(&first);
    m_pal->addQuitHandler(&second);
    m_pal->addQuitHandler(&first);
    const qel::proc::WaitResult r =
        runShell(std::string("kill -") + GetParam() + " $PPID; sleep 1");
    EXPECT_EQ(r.exitCode(), 0);
    EXPECT_EQ(first.awaitCalls(1), std::vector<std::string>{"signal handler"});
    EXPECT_EQ(second.awaitCalls(1), std::vector<std::string>{"signal handler"});
    // Still only one call each, a while after the signal.
    EXPECT_EQ(first.awaitCalls(2, 100).size(), 1u);
    m_pal->removeQuitHandler(&first);
    m_pal->removeQuitHandler(&second);
}

INSTANTIATE_TEST_SUITE_P(Signal, QuitSignals, testing::Values("INT", "TERM", "HUP"));

TEST_F(PalTest, RemovedQuitHandlerIsNotCalled) {
    RecordingQuitHandler kept, removed;
    m_pal->addQuitHandler(&kept);
    m_pal->addQuitHandler(&removed);
    m_pal->removeQuitHandler(&removed);
    ASSERT_EQ(kill(getpid(), SIGTERM), 0);
    EXPECT_EQ(kept.awaitCalls(1).size(), 1u);
    EXPECT_TRUE(removed.awaitCalls(1, 100).empty());
    m_pal->removeQuitHandler(&kept);
}

TEST_F(PalTest, FailingQuitHandlerIsReported) {
    struct Failing : RecordingQuitHandler {
        void quitRequested() override {
            RecordingQuitHandler::quitRequested();
            QEL_THROW(qel::RuntimeError, "cannot quit");
        }
    } failing;
    m_pal->addQuitHandler(&failing);
    testing::internal::CaptureStderr();
    ASSERT_EQ(kill(getpid(), SIGINT), 0);
    ASSERT_EQ(failing.awaitCalls(1).size(), 1u);
    // Stopping joins the handler thread, which finishes the event first.
    m_pal.reset();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Error processing quit event:\n\n\n#1)\n", 0), 0u) << err;
    EXPECT_NE(err.find("cannot quit"), std::string::npos) << err;
}

TEST_F(PalTest, WriteIntoPipeWithoutReaderFailsWithEpipe) {
    qeltest::TestPipe pipe;
    qel::proc::Child reader;
    reader.arguments() = {"/bin/sh", "-c", "exit 0"};
    reader.setStdin(pipe.readFd());
    reader.create();
    EXPECT_EQ(reader.wait().exitCode(), 0);
    pipe.closeRead();
    errno = 0;
    EXPECT_EQ(::write(pipe.writeFd(), "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
}

// A notifier that counts its calls and tells the test about them.
class CountingNotify : public qel::signal::Handler::INotify {
public:
    void notify(int sig, const siginfo_t&) override {
        auto guard = m_changed.lock();
        m_signals.push_back(sig);
        m_changed.signalAll();
    }
    std::vector<int> awaitSignals(size_t n) {
        const timespec deadline = qel::time::deadlineAfter(5000);
        auto guard = m_changed.lock();
        while (m_signals.size() < n && m_changed.waitTimed(deadline)) {
        }
        return m_signals;
    }

private:
    qel::thread::Condition m_changed;
    std::vector<int> m_signals;
};

// A handler of its own, with no platform layer taking the signals instead.
class HandlerTest : public testing::Test {
protected:
    void SetUp() override {
        qel::signal::Set blocked;
        blocked.add(SIGUSR1);
        blocked.add(SIGUSR2);
        blocked.add(SIGHUP);
        blocked.block();
    }
    void TearDown() override {
        m_handler.stop();
        qel::proc::Child::shutdown();
    }

    qel::signal::Handler m_handler;
};

TEST_F(HandlerTest, ManagementSignalFromOutsideIsNotDispatched) {
    CountingNotify wake, marker;
    m_handler.add(SIGUSR1, &wake);
    m_handler.add(SIGUSR2, &marker);
    m_handler.start(SIGUSR1);
    // Pending standard signals are taken lowest number first: once the
    // marker SIGUSR2 was dispatched, SIGUSR1 was taken already.
    ASSERT_EQ(runShell("kill -USR1 $PPID; kill -USR2 $PPID").exitCode(), 0);
    EXPECT_EQ(marker.awaitSignals(1), std::vector<int>{SIGUSR2});
    EXPECT_TRUE(wake.awaitSignals(0).empty());
}

TEST_F(HandlerTest, SignalAddedWhileRunningIsPickedUp) {
    CountingNotify notify, other;
    m_handler.start(SIGUSR1);
    m_handler.add(SIGHUP, &notify);
    m_handler.add(SIGHUP, &other);
    ASSERT_EQ(kill(getpid(), SIGHUP), 0);
    EXPECT_EQ(notify.awaitSignals(1), std::vector<int>{SIGHUP});
    EXPECT_EQ(other.awaitSignals(1), std::vector<int>{SIGHUP});
    m_handler.remove(SIGHUP, &notify);
    m_handler.remove(SIGHUP, &other);
}

TEST_F(HandlerTest, FailingNotifierIsReportedAndOthersStillRun) {
    struct Failing : qel::signal::Handler::INotify {
        void notify(int, const siginfo_t&) override { QEL_THROW(qel::RuntimeError, "notify broke"); }
    } failing;
    CountingNotify counting;
    // The set is ordered by address; whichever comes first, both are called.
    m_handler.add(SIGUSR2, &failing);
    m_handler.add(SIGUSR2, &counting);
    m_handler.start(SIGUSR1);
    testing::internal::CaptureStderr();
    ASSERT_EQ(kill(getpid(), SIGUSR2), 0);
    EXPECT_EQ(counting.awaitSignals(1), std::vector<int>{SIGUSR2});
    m_handler.stop();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("handle: Got an exception:\n\n#1)\n", 0), 0u) << err;
    EXPECT_NE(err.find("notify broke"), std::string::npos) << err;
}

TEST_F(HandlerTest, RemovingUnregisteredSignalIsRefused) {
    CountingNotify notify;
    try {
        m_handler.remove(SIGHUP, &notify);
        FAIL() << "removed a signal that was never added";
    } catch (const qel::UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("tried to remove non-registered signal"),
                  std::string::npos);
    }
}

TEST(Signal, StopThenDestroyIsClean) {
    qel::signal::Handler handler;
    handler.start(SIGUSR1);
    EXPECT_TRUE(handler.isRunning());
    handler.stop();
    EXPECT_FALSE(handler.isRunning());
    handler.stop();
}

TEST(Signal, SignalProcToVanishedProcessIsNoSuchProcess) {
    qel::proc::Child child;
    child.arguments() = {"/bin/sh", "-c", "exit 0"};
    child.create();
    const pid_t pid = child.pid();
    child.wait();
    EXPECT_THROW(qel::signal::signalProc(0, pid), qel::NoSuchProcessError);
    qel::proc::Child::shutdown();
}

TEST(Signal, NamesComeFromTheCLibrary) {
    EXPECT_EQ(qel::signal::signalName(SIGSEGV), strsignal(SIGSEGV));
    EXPECT_FALSE(qel::signal::signalName(SIGINT).empty());
}

} // namespace
