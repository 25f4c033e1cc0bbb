#include "os/posix/thread/SignalBlock.h"
#include "thread/Condition.h"
#include "thread/Lock.h"
#include "thread/Thread.h"
#include "time/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iomanip>
#include <sstream>

namespace {

using qel::thread::BasicThread;

void doNothing(void*) {}

TEST(Thread, StartingTwiceWithoutJoinIsRefused) {
    BasicThread thread(&doNothing, "twice", nullptr);
    thread.run();
    try {
        thread.run();
        FAIL() << "second start accepted";
    } catch (const qel::UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("Tried to start a thread that is not BURIED"),
                  std::string::npos);
    }
    thread.join();
    EXPECT_EQ(thread.state(), BasicThread::BURIED);
}

TEST(Thread, JoinedThreadCanRunAgain) {
    std::atomic<int> runs{0};
    BasicThread thread([](void* arg) { ++*static_cast<std::atomic<int>*>(arg); }, "again", &runs);
    thread.run();
    thread.join();
    thread.run();
    thread.join();
    EXPECT_EQ(runs, 2);
}

TEST(Thread, JoinOfBuriedThreadDoesNothing) {
    BasicThread thread(&doNothing, "never", nullptr);
    thread.join();
    EXPECT_EQ(thread.state(), BasicThread::BURIED);
}

TEST(Thread, DestructionJoinsFinishedThread) {
    std::atomic<bool> ran{false};
    {
        BasicThread thread([](void* arg) { *static_cast<std::atomic<bool>*>(arg) = true; },
                           "finish", &ran);
        thread.run();
        while (thread.state() != BasicThread::FINISHED)
            sched_yield();
    }
    EXPECT_TRUE(ran);
}

TEST(Thread, DeathOfRoutineIsReportedWithNameAndId) {
    struct Body : qel::thread::CppThread::IThread {
        pthread_t self{};
        void run(qel::thread::CppThread&) override {
            self = pthread_self();
            QEL_THROW(qel::RuntimeError, "broken body");
        }
    } body;
    qel::thread::CppThread thread(&body, "dying");
    testing::internal::CaptureStderr();
    thread.run();
    thread.join();
    const std::string err = testing::internal::GetCapturedStderr();
    std::ostringstream id;
    id << qel::thread::ThreadId{body.self};
    EXPECT_EQ(err.rfind("Thread dying (" + id.str() + ") died with QEL exception:\n\n#1)\n\t", 0),
              0u)
        << err;
    EXPECT_NE(err.find("Runtime  error occured. broken body\n"), std::string::npos) << err;
    EXPECT_EQ(thread.state(), BasicThread::BURIED);
}

TEST(Thread, UnknownExceptionIsReported) {
    BasicThread thread([](void*) { throw 42; }, "odd", nullptr);
    testing::internal::CaptureStderr();
    thread.run();
    thread.join();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Thread odd (0x", 0), 0u) << err;
    EXPECT_NE(err.find(") died with an unknown exception\n"), std::string::npos) << err;
}

TEST(Thread, StackSizeZeroMeansHalfAMebibyte) {
    EXPECT_EQ(BasicThread(&doNothing, "s", nullptr, false, 0).stackSize(), 524288u);
    EXPECT_EQ(BasicThread(&doNothing, "s", nullptr, false, 1 << 20).stackSize(), 1u << 20);
}

TEST(Thread, StartsWithEverySignalBlocked) {
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, SIGINT);
    ASSERT_EQ(pthread_sigmask(SIG_UNBLOCK, &unblocked, nullptr), 0);
    sigset_t seen;
    sigemptyset(&seen);
    BasicThread thread([](void* arg) { pthread_sigmask(SIG_SETMASK, nullptr, static_cast<sigset_t*>(arg)); },
                       "masked", &seen);
    thread.run();
    thread.join();
    for (int sig : {SIGINT, SIGTERM, SIGUSR1, SIGCHLD, SIGPIPE})
        EXPECT_EQ(sigismember(&seen, sig), 1) << sig;
    sigset_t now;
    pthread_sigmask(SIG_SETMASK, nullptr, &now);
    EXPECT_EQ(sigismember(&now, SIGINT), 0) << "creator's mask not restored";
}

TEST(Thread, ThreadIdPrintsBytesInMemoryOrderAndRestoresStream) {
    pthread_t id{};
    auto* bytes = reinterpret_cast<unsigned char*>(&id);
    for (size_t i = 0; i < sizeof id; ++i)
        bytes[i] = static_cast<unsigned char>(i == 0 ? 0x0a : 0xf0 + i);
    std::ostringstream out;
    out << std::dec << std::setfill('*') << qel::thread::ThreadId{id} << ' ' << std::setw(3) << 10;
    std::string expected = "0x0a";
    for (size_t i = 1; i < sizeof id; ++i) {
        std::ostringstream hex;
        hex << std::hex << 0xf0 + i;
        expected += hex.str();
    }
    EXPECT_EQ(out.str(), expected + " *10");
}

TEST(CoopThread, BodyReturnsOnStopRequest) {
    struct Body : qel::thread::CoopThread::ICoopThread {
        qel::thread::Condition wake;
        void run(qel::thread::CoopThread& thread) override {
            auto guard = wake.lock();
            while (thread.request() == qel::thread::CoopThread::NO_REQUEST)
                wake.waitTimed(qel::time::deadlineAfter(10));
        }
    } body;
    qel::thread::CoopThread thread(&body, "coop");
    EXPECT_TRUE(thread.isCooperative());
    thread.run();
    EXPECT_FALSE(thread.hasReturned());
    thread.requestStop();
    {
        auto guard = body.wake.lock();
        body.wake.signalAll();
    }
    thread.join();
    EXPECT_TRUE(thread.hasReturned());
}

TEST(Condition, TimedWaitTimesOutAndWakes) {
    qel::thread::Lock lock;
    qel::thread::Condition condition(lock);
    {
        auto guard = condition.lock();
        EXPECT_FALSE(condition.waitTimed(qel::time::deadlineAfter(20)));
    }
    struct Shared {
        qel::thread::Condition* condition;
        bool ready = false;
    } shared{&condition};
    BasicThread waker(
        [](void* arg) {
            auto* s = static_cast<Shared*>(arg);
            auto guard = s->condition->lock();
            s->ready = true;
            s->condition->signal();
        },
        "waker", &shared);
    auto guard = condition.lock();
    waker.run();
    while (!shared.ready)
        ASSERT_TRUE(condition.waitTimed(qel::time::deadlineAfter(10000)));
    guard.release();
    waker.join();
}

TEST(Lock, RecursiveKindMayBeRelocked) {
    qel::thread::Lock lock(qel::thread::LockBase::RECURSIVE);
    auto outer = lock.lock();
    auto inner = lock.lock();
    inner.release();
    EXPECT_NE(pthread_mutex_trylock(lock.native()), EBUSY);
    lock.unlock();
}

TEST(Lock, GuardUnlocksAtScopeExitAndOnRelease) {
    qel::thread::Lock lock;
    {
        auto guard = lock.lock();
        EXPECT_EQ(pthread_mutex_trylock(lock.native()), EBUSY);
    }
    EXPECT_EQ(pthread_mutex_trylock(lock.native()), 0);
    lock.unlock();
    auto guard = lock.lock();
    guard.release();
    EXPECT_EQ(pthread_mutex_trylock(lock.native()), 0);
    lock.unlock();
}

TEST(ScopeGuard, FailureAtScopeExitIsReportedNotThrown) {
    struct Target {
        void fail() const { QEL_THROW(qel::RuntimeError, "cannot undo"); }
    } target;
    testing::internal::CaptureStderr();
    {
        qel::thread::ScopeGuard<Target> guard(&target, &Target::fail);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Exception caught while destroying scope guard:\n\n#1)\n", 0), 0u) << err;
    EXPECT_NE(err.find("cannot undo"), std::string::npos);
}

struct Deadline {
    timespec start;
    int64_t ms;
    timespec expected;
};

class AddMilliseconds : public testing::TestWithParam<Deadline> {};

TEST_P(AddMilliseconds, CarriesIntoSeconds) {
    const Deadline& d = GetParam();
    const timespec got = qel::time::addMilliseconds(d.start, d.ms);
    EXPECT_EQ(got.tv_sec, d.expected.tv_sec);
    EXPECT_EQ(got.tv_nsec, d.expected.tv_nsec);
}

INSTANTIATE_TEST_SUITE_P(
    Clock, AddMilliseconds,
    testing::Values(Deadline{{10, 0}, 0, {10, 0}}, Deadline{{10, 0}, 1500, {11, 500000000}},
                    // Exactly one second of nanoseconds carries.
                    Deadline{{10, 500000000}, 500, {11, 0}},
                    Deadline{{10, 999999999}, 1, {11, 999999}},
                    Deadline{{10, 1}, 123456, {133, 456000001}}));

TEST(Clock, InitClockMeasuresFromInitTime) {
    qel::time::MonotonicClock now;
    now.update();
    const timespec saved = qel::time::InitClock::m_init_time;
    qel::time::InitClock::m_init_time = {now.time().tv_sec - 2, now.time().tv_nsec};
    qel::time::InitClock since;
    since.update();
    qel::time::InitClock::m_init_time = saved;
    EXPECT_EQ(since.time().tv_sec, 2);
    EXPECT_GE(since.time().tv_nsec, 0);
    EXPECT_LT(since.time().tv_nsec, 100000000);
}

} // namespace
