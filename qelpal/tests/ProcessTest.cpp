#include "ProcTestSupport.h"
#include "proc/Child.h"
#include "proc/Process.h"
#include "thread/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>
#include <vector>

namespace {

using qel::proc::Child;
using qel::proc::WaitResult;
using qeltest::PalTest;
using qeltest::runShell;
using qeltest::TestPipe;

using ChildTest = PalTest;

std::string usageText(const std::function<void()>& call) {
    try {
        call();
    } catch (const qel::Exception& e) {
        return e.what();
    }
    return "";
}

TEST_F(ChildTest, MissingProgramReportsInChildAndExits125) {
    Child child;
    child.arguments() = {"/nonexistent/program", "arg"};
    TestPipe err;
    child.setStderr(err.writeFd());
    child.create();
    const pid_t pid = child.pid();
    const std::string text = err.drain();
    const WaitResult r = child.wait();
    ASSERT_TRUE(r.done);
    EXPECT_TRUE(r.exited());
    EXPECT_EQ(r.exitCode(), 125);
    EXPECT_EQ(text.rfind("In child process " + std::to_string(pid) +
                             " (/nonexistent/program):\n\n#1)\n\tException occured at \"",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("System/Library call error: No such file or directory (2)\n"),
              std::string::npos)
        << text;
}

TEST_F(ChildTest, MissingWorkingDirectoryReportsInChildAndExits125) {
    Child child;
    child.arguments() = {"/bin/true"};
    child.setWorkDir("/nonexistent/dir");
    TestPipe err;
    child.setStderr(err.writeFd());
    child.create();
    const std::string text = err.drain();
    EXPECT_EQ(child.wait().exitCode(), 125);
    EXPECT_NE(text.find(" (/bin/true):\n\nCannot change working directory:\n\n#1)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("At location: \"/nonexistent/dir\""), std::string::npos) << text;
}

struct StatusCase {
    const char* script;
    bool exited;
    int exitCode;
    int signal;
};

class WaitStatus : public PalTest, public testing::WithParamInterface<StatusCase> {};

TEST_P(WaitStatus, MapsToExitCodeAndSignal) {
    const StatusCase& c = GetParam();
    const WaitResult r = runShell(c.script);
    ASSERT_TRUE(r.done);
    EXPECT_EQ(r.exited(), c.exited);
    EXPECT_EQ(r.exitCode(), c.exitCode);
    EXPECT_EQ(r.signalled(), c.signal != 0);
    EXPECT_EQ(r.termSignal(), c.signal);
}

INSTANTIATE_TEST_SUITE_P(Child, WaitStatus,
                         testing::Values(StatusCase{"exit 0", true, 0, 0},
                                         StatusCase{"exit 7", true, 7, 0},
                                         StatusCase{"exit 255", true, 255, 0},
                                         StatusCase{"kill -SEGV $$", false, 255, SIGSEGV},
                                         StatusCase{"kill -KILL $$", false, 255, SIGKILL}));

TEST_F(ChildTest, StatusWaitsUntilCollected) {
    Child child;
    child.arguments() = {"/bin/sh", "-c", "exit 3"};
    child.create();
    // The collector reaps it long before we ask.
    usleep(200000);
    const WaitResult r = child.wait();
    EXPECT_TRUE(r.done);
    EXPECT_EQ(r.exitCode(), 3);
    EXPECT_EQ(child.pid(), qel::proc::INVAL_PROC_ID);
}

TEST_F(ChildTest, TimedWaitOnRunningChildTimesOut) {
    Child child;
    child.arguments() = {"/bin/sleep", "30"};
    child.create();
    const pid_t pid = child.pid();
    const int64_t zero = 0, some = 50;
    EXPECT_FALSE(child.wait(true, &zero).done);
    EXPECT_FALSE(child.wait(true, &some).done);
    EXPECT_EQ(child.pid(), pid);
    child.kill();
    const WaitResult r = child.wait();
    EXPECT_EQ(r.termSignal(), SIGTERM);
    EXPECT_EQ(child.pid(), qel::proc::INVAL_PROC_ID);
}

TEST_F(ChildTest, KillOfReapedChildIsNoSuchProcess) {
    Child child;
    child.arguments() = {"/bin/true"};
    child.create();
    // Once reaped, the id may name another process: kill refuses it even
    // though the status has not been collected yet.
    bool refused = false;
    for (int i = 0; i < 1000 && !refused; ++i) {
        try {
            child.kill(0);
            usleep(5000);
        } catch (const qel::NoSuchProcessError&) {
            refused = true;
        }
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(child.wait().exitCode(), 0);
}

TEST_F(ChildTest, WrongUseIsRefused) {
    Child child;
    child.arguments().clear();
    EXPECT_NE(usageText([&] { child.create(); }).find("No executable specified"),
              std::string::npos);
    child.arguments() = {""};
    EXPECT_NE(usageText([&] { child.create(); }).find("No executable specified"),
              std::string::npos);
    EXPECT_NE(usageText([&] { child.wait(); }).find("tried to wait on non-existent child"),
              std::string::npos);
}

TEST_F(ChildTest, EnvironmentAndWorkingDirectoryReachTheProgram) {
    Child child;
    child.arguments() = {"/bin/sh", "-c", "echo \"$QEL_PROBE:$(pwd):${HOME:-unset}\""};
    child.environment() = {"QEL_PROBE=42", "PATH=/usr/bin:/bin"};
    child.setWorkDir("/tmp");
    TestPipe out;
    child.setStdout(out.writeFd());
    child.create();
    EXPECT_EQ(out.drain(), "42:/tmp:unset\n");
    EXPECT_EQ(child.wait().exitCode(), 0);
}

TEST_F(ChildTest, StandardStreamsAreRedirected) {
    TestPipe in, out, err;
    Child child;
    child.arguments() = {"/bin/sh", "-c", "read line; echo \"out:$line\"; echo \"err:$line\" >&2"};
    child.setStdin(in.readFd());
    child.setStdout(out.writeFd());
    child.setStderr(err.writeFd());
    child.create();
    ASSERT_EQ(::write(in.writeFd(), "hello\n", 6), 6);
    in.closeWrite();
    EXPECT_EQ(out.drain(), "out:hello\n");
    EXPECT_EQ(err.drain(), "err:hello\n");
    EXPECT_EQ(child.wait().exitCode(), 0);
}

TEST_F(ChildTest, SwappedStandardDescriptorsDoNotClobberEachOther) {
    // The child's stdout is our stderr and the other way round: both
    // sources are standard descriptors that the other redirection replaces.
    TestPipe out, err;
    const int savedOut = dup(1), savedErr = dup(2);
    ASSERT_EQ(dup2(out.writeFd(), 1), 1);
    ASSERT_EQ(dup2(err.writeFd(), 2), 2);
    Child child;
    child.arguments() = {"/bin/sh", "-c", "echo to-out; echo to-err >&2"};
    child.setStdout(2);
    child.setStderr(1);
    child.create();
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    EXPECT_EQ(child.wait().exitCode(), 0);
    EXPECT_EQ(out.drain(), "to-err\n");
    EXPECT_EQ(err.drain(), "to-out\n");
}

TEST_F(ChildTest, BadRedirectionIsReportedAndTheProgramStillRuns) {
    int closedFd = 100;
    while (fcntl(closedFd, F_GETFD) != -1)
        ++closedFd;
    TestPipe err, out;
    Child child;
    child.arguments() = {"/bin/sh", "-c", "echo ran"};
    child.setStdin(closedFd);
    child.setStdout(out.writeFd());
    child.setStderr(err.writeFd());
    child.create();
    EXPECT_EQ(err.drain(), "Error dup2()'ing stdin: " + std::to_string(EBADF) + "\n");
    EXPECT_EQ(out.drain(), "ran\n");
    EXPECT_EQ(child.wait().exitCode(), 0);
}

class ChildSignalMask : public PalTest, public testing::WithParamInterface<const char*> {};

TEST_P(ChildSignalMask, ChildGetsTheOriginalMask) {
    // Blocked in this process; the shell would survive its own signal if it
    // inherited the block.
    const WaitResult r = runShell(std::string("kill -") + GetParam() + " $$; exit 0");
    EXPECT_TRUE(r.signalled()) << GetParam() << " blocked in the child";
}

INSTANTIATE_TEST_SUITE_P(Child, ChildSignalMask, testing::Values("INT", "TERM", "USR1", "PIPE"));

// The descriptor numbers in an "ls -l /proc/<pid>/fd" listing, without the
// one through which ls reads the directory.
std::set<std::string> listedDescriptors(const std::string& listing) {
    std::istringstream lines(listing);
    std::string line;
    std::set<std::string> fds;
    while (std::getline(lines, line)) {
        const auto arrow = line.find(" -> ");
        if (arrow == std::string::npos)
            continue;
        const std::string target = line.substr(arrow + 4);
        if (target.rfind("/proc/", 0) == 0 && target.size() > 3 &&
            target.compare(target.size() - 3, 3, "/fd") == 0)
            continue;
        const auto start = line.rfind(' ', arrow - 1) + 1;
        fds.insert(line.substr(start, arrow - start));
    }
    return fds;
}

// What the test program itself inherited from whoever started it; those
// are not ours to close.
const std::set<std::string> inheritedDescriptors = [] {
    std::set<std::string> fds;
    for (int fd = 3; fd < 1024; ++fd)
        if (fcntl(fd, F_GETFD) != -1)
            fds.insert(std::to_string(fd));
    return fds;
}();

TEST_F(ChildTest, NoDescriptorLeaksIntoChildren) {
    // Descriptors this process holds while the child starts: pipe ends
    // beside the ones given to the child, the collector and signal threads.
    TestPipe out, unrelated;
    Child child;
    child.arguments() = {"/bin/ls", "-l", "/proc/self/fd"};
    child.setStdout(out.writeFd());
    child.create();
    const std::string listing = out.drain();
    ASSERT_EQ(child.wait().exitCode(), 0);
    std::set<std::string> leaked;
    for (const std::string& fd : listedDescriptors(listing))
        if (!inheritedDescriptors.count(fd))
            leaked.insert(fd);
    EXPECT_EQ(leaked, (std::set<std::string>{"0", "1", "2"})) << listing;
}

// Hands its child's status to the collector thread's notifier.
class CollectingNotify : public Child::INotify {
public:
    void childEnded(Child& child) override {
        m_thread_name.resize(16);
        pthread_getname_np(pthread_self(), &m_thread_name[0], m_thread_name.size());
        m_thread_name.resize(m_thread_name.find('\0'));
        m_result = child.wait();
    }
    std::string m_thread_name;
    WaitResult m_result;
};

TEST_F(ChildTest, NotifierCollectsOnTheCollectorThread) {
    CollectingNotify notify;
    Child child;
    // The child runs until its input ends, so it is still running below.
    child.arguments() = {"/bin/sh", "-c", "read line; exit 4"};
    TestPipe in;
    child.setStdin(in.readFd());
    child.setNotify(&notify);
    child.create();
    EXPECT_NE(usageText([&] { child.setNotify(nullptr); })
                  .find("Can't set notify callback if child is already running"),
              std::string::npos);
    in.closeWrite();
    for (int i = 0; i < 1000 && child.pid() != qel::proc::INVAL_PROC_ID; ++i)
        usleep(5000);
    EXPECT_EQ(child.pid(), qel::proc::INVAL_PROC_ID);
    m_pal.reset();
    EXPECT_EQ(notify.m_thread_name, "process collect");
    EXPECT_TRUE(notify.m_result.done);
    EXPECT_EQ(notify.m_result.exitCode(), 4);
}

// Several threads start short children at once; every status reaches
// exactly the waiter of its child.
TEST_F(ChildTest, ManyChildrenFromSeveralThreadsAreAllCollectedExactly) {
    constexpr int THREADS = 4;
    constexpr int CHILDREN = 75;
    struct Worker {
        int base;
        std::atomic<int> wrong{0};
        std::atomic<int> collected{0};
        std::vector<std::string> errors;
    };
    std::vector<std::unique_ptr<Worker>> workers;
    std::vector<std::unique_ptr<qel::thread::BasicThread>> threads;
    for (int t = 0; t < THREADS; ++t) {
        workers.push_back(std::make_unique<Worker>());
        workers.back()->base = t * CHILDREN;
        threads.push_back(std::make_unique<qel::thread::BasicThread>(
            [](void* arg) {
                auto* w = static_cast<Worker*>(arg);
                for (int i = 0; i < CHILDREN; ++i) {
                    const int code = (w->base + i) % 250;
                    Child child;
                    child.arguments() = {"/bin/sh", "-c", "exit " + std::to_string(code)};
                    child.create();
                    const int64_t ms = 30000;
                    const WaitResult r = i % 3 == 0 ? child.wait(true, &ms) : child.wait();
                    if (!r.done || r.exitCode() != code)
                        ++w->wrong;
                    else
                        ++w->collected;
                }
            },
            "starter", workers.back().get()));
    }
    for (auto& thread : threads)
        thread->run();
    for (auto& thread : threads)
        thread->join();
    for (auto& w : workers) {
        EXPECT_EQ(w->wrong, 0);
        EXPECT_EQ(w->collected, CHILDREN);
    }
}

TEST(Process, ExeIsThisTestProgram) {
    const std::string path = qel::proc::exe();
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "qelpal_tests");
}

TEST_F(ChildTest, RunsProgramNamesTheProgramOfAProcess) {
    const std::string sleep = std::filesystem::canonical("/bin/sleep");
    Child child;
    child.arguments() = {"/bin/sleep", "30"};
    child.create();
    bool found = false;
    for (int i = 0; i < 500 && !found; ++i) {
        found = qel::proc::runsProgram(child.pid(), sleep);
        usleep(2000);
    }
    EXPECT_TRUE(found);
    EXPECT_FALSE(qel::proc::runsProgram(child.pid(), qel::proc::exe()));
    EXPECT_TRUE(qel::proc::runsProgram(getpid(), qel::proc::exe()));
    EXPECT_FALSE(qel::proc::runsProgram(getpid(), sleep));
    child.kill();
    child.wait();
    // An ended (and collected) process runs nothing.
    EXPECT_FALSE(qel::proc::runsProgram(child.pid(), sleep));
}

TEST_F(ChildTest, FindByNameListsRunningProcesses) {
    Child child;
    child.arguments() = {"/bin/sleep", "30"};
    child.create();
    // The kernel names the process after the program once exec is done.
    std::set<pid_t> found;
    for (int i = 0; i < 500 && !found.count(child.pid()); ++i) {
        found = qel::proc::findByName("sleep");
        usleep(2000);
    }
    EXPECT_EQ(found.count(child.pid()), 1u);
    EXPECT_EQ(qel::proc::findByName("sleep").count(getpid()), 0u);
    EXPECT_TRUE(qel::proc::findByName("no-such-process-name").empty());
    child.kill();
    child.wait();
}

TEST(Process, EnvironmentAccess) {
    std::string value = "stale";
    EXPECT_FALSE(qel::proc::Env::get("QEL_TEST_UNSET_VAR", value));
    EXPECT_EQ(value, "");
    qel::proc::Env::set("QEL_TEST_VAR", "one");
    qel::proc::Env::set("QEL_TEST_VAR", "two");
    EXPECT_TRUE(qel::proc::Env::get("QEL_TEST_VAR", value));
    EXPECT_EQ(value, "two");
    bool listed = false;
    for (char** entry = qel::proc::Env::environment(); *entry; ++entry)
        listed = listed || std::string(*entry) == "QEL_TEST_VAR=two";
    EXPECT_TRUE(listed);
    EXPECT_EQ(qel::proc::Env::unset("QEL_TEST_VAR"), 0);
    EXPECT_FALSE(qel::proc::Env::get("QEL_TEST_VAR", value));
    EXPECT_THROW(qel::proc::Env::set("BAD=NAME", "x"), qel::OsError);
}

TEST_F(ChildTest, ParentAndChildrenAsTheProcessTableShows) {
    Child child;
    child.arguments() = {"/bin/sleep", "30"};
    child.create();
    EXPECT_EQ(qel::proc::parentOf(child.pid()), getpid());
    EXPECT_EQ(qel::proc::childrenOf(getpid()).count(child.pid()), 1u);
    EXPECT_TRUE(qel::proc::childrenOf(child.pid()).empty());
    child.kill();
    child.wait();
    EXPECT_EQ(qel::proc::childrenOf(getpid()).count(child.pid()), 0u);
    EXPECT_EQ(qel::proc::parentOf(-5), -1);
}

// In a process of its own (see AdoptedOrphansAreCollected): exits 0 when an
// orphan of a child came to it and was collected.
void adoptAndCollect() {
    qel::QelPal pal(true, false, 2);
    Child::adoptOrphans();
    std::string out;
    // The shell ends at once; what it started in the background outlives it.
    qeltest::runShell("/bin/sleep 0.5 & echo $!", &out);
    const pid_t orphan = static_cast<pid_t>(std::stol(out));
    const bool adopted = qel::proc::parentOf(orphan) == getpid();
    const bool collected = Child::awaitAdopted(20000);
    std::exit(adopted && collected && qel::proc::parentOf(orphan) == -1 ? 0 : 1);
}

TEST(ChildDeathTest, AdoptedOrphansAreCollected) {
    qel::proc::Child::shutdown();
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(adoptAndCollect(), testing::ExitedWithCode(0), "");
}

void leaveChildUncollected() {
    Child child;
    child.arguments() = {"/bin/sleep", "1"};
    child.create();
}

void destroyRunningThread() {
    qel::thread::BasicThread thread([](void*) { pause(); }, "active", nullptr);
    thread.run();
    while (thread.state() != qel::thread::BasicThread::RUNNING)
        sched_yield();
}

// A running collector would reap the child that runs a death test, which
// the test framework waits for itself: these tests start with none.
TEST(ChildDeathTest, ChildMustBeWaitedForBeforeDestruction) {
    qel::proc::Child::shutdown();
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(leaveChildUncollected(), "m_child == INVAL_PROC_ID");
}

TEST(ThreadDeathTest, RunningThreadMustNotBeDestroyed) {
    qel::proc::Child::shutdown();
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(destroyRunningThread(), "destroyed a thread that is still active");
}

} // namespace
