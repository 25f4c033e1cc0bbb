#include "user/GroupInfo.h"
#include "user/UserInfo.h"

#include "Exception.h"
#include "RunCommand.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pwd.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string text(const qel::Exception& e) { return e.what(); }

TEST(UserInfo, ResolvesByNameKeepingTheName) {
    qel::UserInfo user(4711, 4711);
    user.setLoginName("root");
    user.resolve(true, true);
    EXPECT_EQ(user.loginName(), "root");
    EXPECT_EQ(user.uid(), 0u);
    EXPECT_EQ(user.gid(), 0u);
    EXPECT_EQ(user.groupName(), "root");
    EXPECT_EQ(user.home(), "/root");
    EXPECT_EQ(user.shell(), getpwnam("root")->pw_shell);
}

TEST(UserInfo, ResolvesByIdWithoutTakingTheGroup) {
    qel::UserInfo user(65534, 0);
    user.resolve(false, false);
    EXPECT_EQ(user.loginName(), "nobody");
    EXPECT_EQ(user.gid(), 0u) << "the group id stays without takeGroup";
    EXPECT_EQ(user.groupName(), "root") << "the group name follows the group id";
}

TEST(UserInfo, UnknownAccountsRaiseNoSuchUser) {
    qel::UserInfo by_name;
    by_name.setLoginName("qel-no-such-account");
    qel::UserInfo by_id(3999999999u, 0);
    for (qel::UserInfo* user : {&by_name, &by_id}) {
        try {
            user->resolve(user == &by_name, true);
            FAIL() << "resolve succeeded";
        } catch (const qel::RuntimeError& e) {
            EXPECT_NE(text(e).find("(resolve)\"\n\nRuntime  error occured. No such user"),
                      std::string::npos) << text(e);
        }
    }
}

TEST(UserInfo, StreamOutput) {
    qel::UserInfo user;
    user.setLoginName("root");
    user.resolve(true, true);
    std::ostringstream out;
    out << user;
    EXPECT_EQ(out.str(), "User: root (0)\nGroup: root (0)\nHome: /root\nShell: " +
                             std::string(getpwnam("root")->pw_shell) + "\n");
}

TEST(UserInfo, CapturesTheProcessIdentities) {
    qel::UserInfo::captureProcessUsers();
    EXPECT_EQ(qel::UserInfo::m_real_info.uid(), getuid());
    EXPECT_EQ(qel::UserInfo::m_real_info.gid(), getgid());
    EXPECT_EQ(qel::UserInfo::m_eff_info.uid(), geteuid());
    EXPECT_EQ(qel::UserInfo::m_eff_info.gid(), getegid());
    EXPECT_EQ(qel::UserInfo::m_eff_info.loginName(), getpwuid(geteuid())->pw_name);
    char name[256];
    EXPECT_EQ(qel::UserInfo::m_login_name,
              getlogin_r(name, sizeof name) == 0 ? std::string(name) : std::string());
}

TEST(UserInfo, CaptureWithoutLoginSessionOrAccountStillSucceeds) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to run a child under an id without an account";
    }
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // A fresh session has no controlling terminal; the ids have no entry.
        setsid();
        if (setgid(3999999) != 0 || setuid(3999999) != 0) {
            _exit(10);
        }
        qel::UserInfo::captureProcessUsers();
        const qel::UserInfo& eff = qel::UserInfo::m_eff_info;
        _exit(eff.uid() == 3999999 && eff.gid() == 3999999 && eff.loginName().empty() ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(UserInfo, SetEffectiveProcInfo) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to change the effective identity";
    }
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        qel::UserInfo(65534, 65534).setEffectiveProcInfo();
        if (geteuid() != 65534 || getegid() != 65534 || getuid() != 0) {
            _exit(10);
        }
        // Back to root works (the real id is root), to another user not.
        qel::UserInfo(0, 0).setEffectiveProcInfo();
        qel::UserInfo(65534, 65534).setEffectiveProcInfo();
        try {
            qel::UserInfo(1, 1).setEffectiveProcInfo();
        } catch (const qel::OsError& e) {
            _exit(e.errorNumber() == EPERM && std::string(e.function()) == "setEffectiveProcInfo"
                      ? 0 : 12);
        }
        _exit(13);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(GroupInfo, LooksUpByNameAndById) {
    EXPECT_EQ(qel::GroupInfo("root").gid(), 0);
    EXPECT_EQ(qel::GroupInfo(0).name(), "root");
    for (const auto& lookup : {+[] { qel::GroupInfo g("qel-no-such-group"); },
                               +[] { qel::GroupInfo g(3999999); }}) {
        try {
            lookup();
            FAIL() << "look-up succeeded";
        } catch (const qel::RuntimeError& e) {
            EXPECT_NE(text(e).find("(retrieve)\"\n\nRuntime  error occured. no matching group"),
                      std::string::npos) << text(e);
        }
    }
}

// Tests that need accounts of their own run in a child of unshare, in a
// private mount namespace where test copies of /etc/passwd and /etc/group
// are bound over the real ones. The host's databases stay untouched.
const char* const sandbox_env = "QEL_TEST_USERDB_SANDBOX";

class UserDbSandbox : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv(sandbox_env) == nullptr) {
            GTEST_SKIP() << "runs inside UserDb.Sandboxed only";
        }
    }
};

TEST(UserDb, Sandboxed) {
    if (geteuid() != 0 || system("command -v unshare >/dev/null") != 0) {
        GTEST_SKIP() << "needs root and unshare for a private mount namespace";
    }
    ScratchDir dir;
    std::string members;
    for (int i = 0; i < 60; ++i) {
        members += (i ? "," : "") + std::string("member") + std::to_string(100 + i);
    }
    const std::string passwd = dir.write("passwd",
        "root:x:0:0:root:/root:/bin/bash\n"
        "qelop:x:5001:5002:QEL operator:/home/qelop:/bin/sh\n"
        "orphan:x:5003:5999:no group:/home/orphan:/bin/sh\n");
    const std::string group = dir.write("group",
        "root:x:0:\n"
        "qelstaff:x:5002:\n"
        "qelbig:x:5004:" + members + "\n");
    const std::string command = std::string(sandbox_env) +
        "=1 unshare -m --propagation private sh -c 'mount --bind " + passwd +
        " /etc/passwd && mount --bind " + group + " /etc/group && exec " + selfExe() +
        " --gtest_filter=UserDbSandbox.*' 2>&1";
    const CommandResult child = runCommand(command);
    EXPECT_EQ(child.status, 0) << child.output;
    EXPECT_NE(child.output.find("[  PASSED  ] 4 tests"), std::string::npos) << child.output;
}

TEST_F(UserDbSandbox, LargeGroupIsReadCompletely) {
    const qel::GroupInfo group("qelbig");
    ASSERT_EQ(group.members().size(), 60u);
    EXPECT_EQ(*group.members().begin(), "member100");
    EXPECT_EQ(*group.members().rbegin(), "member159");
    std::ostringstream out;
    out << group;
    std::string expected = "Group: qelbig (5004)\nMembers:";
    for (const std::string& member : group.members()) {
        expected += "\n- " + member;
    }
    EXPECT_EQ(out.str(), expected);
}

TEST_F(UserDbSandbox, GroupWithoutMembersIsOneLine) {
    std::ostringstream out;
    out << qel::GroupInfo(5002);
    EXPECT_EQ(out.str(), "Group: qelstaff (5002)");
}

TEST_F(UserDbSandbox, TakeGroupFollowsThePrimaryGroup) {
    qel::UserInfo user(0, 0);
    user.setLoginName("qelop");
    user.resolve(true, true);
    EXPECT_EQ(user.uid(), 5001u);
    EXPECT_EQ(user.gid(), 5002u);
    EXPECT_EQ(user.groupName(), "qelstaff");
    EXPECT_EQ(user.home(), "/home/qelop");
    EXPECT_EQ(user.shell(), "/bin/sh");
}

TEST_F(UserDbSandbox, PrimaryGroupWithoutEntryCannotBeResolved) {
    qel::UserInfo user;
    user.setLoginName("orphan");
    try {
        user.resolve(true, true);
        FAIL() << "resolve succeeded";
    } catch (const qel::RuntimeError& e) {
        EXPECT_NE(text(e).find("no matching group"), std::string::npos) << text(e);
    }
}

} // namespace
