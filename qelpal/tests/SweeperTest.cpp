#include "proc/Sweeper.h"

#include "fs/Ops.h"
#include "proc/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace {

using qel::proc::Sweeper;

const char* const dir_env = "QEL_SWEEPER_TEST_DIR";

// The watched directory: made by the test, and found again by the death
// test's process, which runs the test anew from its start.
std::string watchedDir() {
    if (const char* given = std::getenv(dir_env))
        return given;
    std::string dir = testing::TempDir() + "qel-sweeper.";
    qel::fs::tempdir(dir);
    setenv(dir_env, dir.c_str(), 1);
    return dir;
}

void removeDir(const std::string& path) { qel::fs::removeDir(path); }

bool goneWithin(const std::string& path, int ms) {
    for (int waited = 0; qel::fs::exists(path) && waited < ms; waited += 50)
        usleep(50000);
    return !qel::fs::exists(path);
}

// The helper that a new Sweeper started, among this process's children.
pid_t helperBesides(const std::set<pid_t>& before) {
    for (pid_t child : qel::proc::childrenOf(getpid()))
        if (!before.count(child))
            return child;
    return -1;
}

// In a process of its own: asks its helper to quit, which it does not, and
// is killed outright while the helper watches.
void watchAskAndDie(const std::string& dir) {
    const std::set<pid_t> before = qel::proc::childrenOf(getpid());
    Sweeper sweeper(removeDir);
    sweeper.watch(dir);
    const pid_t helper = helperBesides(before);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        kill(helper, sig);
    kill(getpid(), SIGKILL);
}

// A running collector would reap the child that runs a death test.
TEST(SweeperDeathTest, AKilledProcessLeavesNothingItWatched) {
    qel::proc::Child::shutdown();
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    const std::string dir = watchedDir();
    EXPECT_EXIT(watchAskAndDie(dir), testing::KilledBySignal(SIGKILL), "");
    unsetenv(dir_env);
    EXPECT_TRUE(goneWithin(dir, 20000));
    qel::fs::tryRemove(dir);
}

TEST(SweeperTest, AReleasedHelperEndsAndLeavesThePath) {
    const std::string dir = watchedDir();
    unsetenv(dir_env);
    const std::set<pid_t> before = qel::proc::childrenOf(getpid());
    {
        Sweeper sweeper(removeDir);
        sweeper.watch(dir);
        const pid_t helper = helperBesides(before);
        ASSERT_NE(helper, -1);
        sweeper.release();
        // Collected already: release() waits for it.
        EXPECT_EQ(qel::proc::parentOf(helper), -1);
    }
    EXPECT_TRUE(qel::fs::exists(dir));
    qel::fs::removeDir(dir);
}

TEST(SweeperTest, TheHelperHoldsNoDescriptorOfOurs) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    Sweeper sweeper(removeDir);
    close(fds[1]);
    // The end of the pipe comes once the helper has closed its copy.
    pollfd ended{fds[0], POLLIN, 0};
    ASSERT_EQ(poll(&ended, 1, 20000), 1);
    char byte;
    EXPECT_EQ(read(fds[0], &byte, 1), 0);
    close(fds[0]);
}

} // namespace
