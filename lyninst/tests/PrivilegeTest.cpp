#include "Privilege.h"

#include "Exception.h"
#include "QelPal.h"
#include "ScratchDir.h"
#include "StreamCapture.h"
#include "proc/Process.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

namespace {

using qel::Privilege;
using Args = std::vector<std::string>;

// Keeps the located tool paths of the process as they were.
class PrivilegeTest : public testing::Test {
protected:
    void TearDown() override {
        Privilege::m_su = m_su;
        Privilege::m_sudo = m_sudo;
    }

private:
    std::string m_su = Privilege::m_su;
    std::string m_sudo = Privilege::m_sudo;
};

// The re-invocation of the installer at /tmp/installer started with -b, for
// the group qel and the user alice.
const Args reinvocation = {"/tmp/installer", "-b", "--group", "qel", "--user", "alice",
                           "--", "--reinvoked"};

const std::string prompt = "Please provide the required credentials";

TEST_F(PrivilegeTest, SudoGetsPromptEnvironmentAndEachArgumentSeparately) {
    Privilege::m_sudo = "/usr/bin/sudo";
    Privilege privilege;
    privilege.setTool(qel::SUDO);
    Args expected = {"/usr/bin/sudo", "-p", prompt + "\npassword for %p@%H: ", "-E"};
    expected.insert(expected.end(), reinvocation.begin(), reinvocation.end());
    EXPECT_EQ(privilege.toolArguments(prompt, reinvocation, 0, false), expected);
}

TEST_F(PrivilegeTest, SudoForAnotherUserWithLogin) {
    Privilege::m_sudo = "/usr/bin/sudo";
    Privilege privilege;
    privilege.setTool(qel::SUDO);
    const Args expected = {"/usr/bin/sudo", "-p", "\npassword for %p@%H: ", "-u", "#65534",
                           "-E", "-i", "/bin/id", "-u"};
    EXPECT_EQ(privilege.toolArguments("", {"/bin/id", "-u"}, 65534, true), expected);
}

TEST_F(PrivilegeTest, SuGetsOneCommandString) {
    Privilege::m_su = "/bin/su";
    Privilege privilege;
    privilege.setTool(qel::SU);
    const Args expected = {"/bin/su", "-c",
                           "/tmp/installer -b --group qel --user alice -- --reinvoked"};
    EXPECT_EQ(privilege.toolArguments(prompt, reinvocation, 0, false), expected);
}

TEST_F(PrivilegeTest, SuForAnotherUserWithLoginNamesTheAccount) {
    Privilege::m_su = "/bin/su";
    Privilege privilege;
    privilege.setTool(qel::SU);
    qel::UserInfo nobody;
    nobody.setLoginName("nobody");
    nobody.resolve(true, true);
    const Args expected = {"/bin/su", "-l", "-c", "/bin/id -u", "nobody"};
    EXPECT_EQ(privilege.toolArguments("", {"/bin/id", "-u"}, nobody.uid(), true), expected);
}

struct Unavailable {
    qel::EscalationTool tool;
    const char* su;
    const char* sudo;
};

class PrivilegeUnavailable : public PrivilegeTest, public testing::WithParamInterface<Unavailable> {};

TEST_P(PrivilegeUnavailable, IsAUsageError) {
    Privilege::m_su = GetParam().su;
    Privilege::m_sudo = GetParam().sudo;
    Privilege privilege;
    privilege.setTool(GetParam().tool);
    EXPECT_FALSE(privilege.available());
    try {
        privilege.run(prompt, reinvocation, 0, false);
        FAIL() << "no error";
    } catch (const qel::UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("Selected privilege escalation tool is not available"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(privilege.pid(), qel::proc::INVAL_PROC_ID);
}

INSTANTIATE_TEST_SUITE_P(Privilege, PrivilegeUnavailable,
                         testing::Values(Unavailable{qel::SU, "", "/usr/bin/sudo"},
                                         Unavailable{qel::SUDO, "/bin/su", ""},
                                         Unavailable{qel::UNKNOWN_TOOL, "/bin/su", "/usr/bin/sudo"}));

TEST_F(PrivilegeTest, StartsAsTheEffectiveUserWithoutTool) {
    Privilege privilege;
    EXPECT_EQ(privilege.tool(), qel::UNKNOWN_TOOL);
    EXPECT_EQ(privilege.user().uid(), qel::UserInfo::m_eff_info.uid());
    EXPECT_EQ(privilege.user().loginName(), qel::UserInfo::m_eff_info.loginName());
}

TEST_F(PrivilegeTest, ToolsAreLocatedAlongPath) {
    ScratchDir bin;
    const std::string su = bin.write("su", "#!/bin/sh\n");
    chmod(su.c_str(), 0755);
    const char* saved = std::getenv("PATH");
    const std::string path = saved ? saved : "";
    setenv("PATH", (bin.path() + ":/nonexistent").c_str(), 1);
    Privilege::locateTools();
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(Privilege::m_su, su);
    EXPECT_EQ(Privilege::m_sudo, "");
}

struct Quoting {
    const char* arg;
    const char* word;
};

class ShellQuote : public testing::TestWithParam<Quoting> {};

TEST_P(ShellQuote, MakesOneShellWord) {
    EXPECT_EQ(qel::shellQuote(GetParam().arg), GetParam().word);
}

INSTANTIATE_TEST_SUITE_P(
    Privilege, ShellQuote,
    testing::Values(Quoting{"/tmp/installer", "/tmp/installer"}, Quoting{"--reinvoked", "--reinvoked"},
                    Quoting{"-b", "-b"}, Quoting{"user@host:a,b+c=d%e_f.g", "user@host:a,b+c=d%e_f.g"},
                    Quoting{"", "''"}, Quoting{"/opt/my zop", "'/opt/my zop'"},
                    Quoting{"it's", "'it'\\''s'"}, Quoting{"'", "''\\'''"},
                    Quoting{"$HOME", "'$HOME'"}, Quoting{"a\"b", "'a\"b'"},
                    Quoting{"`id`", "'`id`'"}, Quoting{"a;b|c&d", "'a;b|c&d'"},
                    Quoting{"x*", "'x*'"}, Quoting{"~", "'~'"}, Quoting{"tab\there", "'tab\there'"},
                    Quoting{"line\nbreak", "'line\nbreak'"}, Quoting{"back\\slash", "'back\\slash'"},
                    Quoting{"gr\xc3\xbc\xc3\x9f", "'gr\xc3\xbc\xc3\x9f'"}));

TEST(ShellCommand, JoinsWithSingleBlanks) {
    EXPECT_EQ(qel::shellCommand({}), "");
    EXPECT_EQ(qel::shellCommand({""}), "''");
    EXPECT_EQ(qel::shellCommand({"/tmp/installer", "--dir", "/opt/my zop", "", "--"}),
              "/tmp/installer --dir '/opt/my zop' '' --");
}

// Real runs through stand-ins that do what the tools do once the password
// is accepted: su hands its command string to a shell, sudo executes its
// arguments. The command records every argument it receives.
class PrivilegeRun : public PrivilegeTest {
protected:
    void SetUp() override {
        m_pal = std::make_unique<qel::QelPal>(true, false, 2);
        m_record = m_dir / "record";
        m_recorder = script("recorder", "for a; do printf '[%s]\\n' \"$a\"; done > " + m_record +
                                            "\nexit 7\n");
        Privilege::m_su = script("su", "[ \"$1\" = -c ] && [ $# -eq 2 ] || exit 99\n"
                                       "exec /bin/sh -c \"$2\"\n");
        Privilege::m_sudo = script("sudo", "[ \"$1\" = -p ] && [ \"$3\" = -E ] || exit 99\n"
                                           "shift 3\nexec \"$@\"\n");
    }
    void TearDown() override {
        m_pal.reset();
        PrivilegeTest::TearDown();
    }

    std::string script(const std::string& name, const std::string& body) {
        const std::string path = m_dir.write(name, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0755);
        return path;
    }
    std::string recorded() const {
        std::ifstream in(m_record);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    ScratchDir m_dir;
    std::string m_record;
    std::string m_recorder;

private:
    std::unique_ptr<qel::QelPal> m_pal;
};

const Args awkward = {"--dir", "/opt/my zop", "it's", "$HOME", "", "a\"b`id`", "*", "plain-1"};
const char* const awkwardRecord =
    "[--dir]\n[/opt/my zop]\n[it's]\n[$HOME]\n[]\n[a\"b`id`]\n[*]\n[plain-1]\n";

class PrivilegeRunThrough : public PrivilegeRun, public testing::WithParamInterface<qel::EscalationTool> {};

TEST_P(PrivilegeRunThrough, CommandGetsEveryArgumentUnchanged) {
    Privilege privilege;
    privilege.setTool(GetParam());
    Args command = {m_recorder};
    command.insert(command.end(), awkward.begin(), awkward.end());
    qel::test::StreamCapture out(std::cout);
    const qel::proc::WaitResult result = privilege.run(prompt, command, 0, false);
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.exitCode(), 7);
    EXPECT_EQ(recorded(), awkwardRecord);
    // su asks in its own words, so the prompt comes first; sudo shows it.
    EXPECT_EQ(out.text(), GetParam() == qel::SU ? prompt + "\n" : "");
    EXPECT_EQ(privilege.pid(), qel::proc::INVAL_PROC_ID);
}

INSTANTIATE_TEST_SUITE_P(Privilege, PrivilegeRunThrough, testing::Values(qel::SU, qel::SUDO));

// Calls stopRun once the tool runs (and has started its command, when
// started is set), as the quit handler would.
std::thread stopOnceRunning(Privilege& privilege, bool started) {
    return std::thread([&privilege, started] {
        while (privilege.pid() == qel::proc::INVAL_PROC_ID ||
               (started && qel::proc::childrenOf(privilege.pid()).empty()))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        privilege.stopRun();
    });
}

TEST_F(PrivilegeRun, StopEndsAToolThatStartedNothingYet) {
    Privilege privilege;
    privilege.setTool(qel::SUDO);
    privilege.stopRun(); // nothing runs yet: does nothing
    EXPECT_FALSE(privilege.interrupted());
    // As at the password prompt: the tool itself runs.
    Privilege::m_sudo = script("sudo", "exec /bin/sleep 30\n");
    std::thread stopper = stopOnceRunning(privilege, false);
    const qel::proc::WaitResult result = privilege.run("", {"/bin/true"}, 0, false);
    stopper.join();
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.termSignal(), SIGTERM);
    EXPECT_TRUE(privilege.interrupted());
}

TEST_F(PrivilegeRun, StopCutsTheLineThatTheStartedCommandWatches) {
    Privilege privilege;
    privilege.setTool(qel::SUDO);
    // A tool that waits for its command, which reads the line through /proc
    // until it is cut.
    Privilege::m_sudo = script("sudo", "shift 3\n\"$@\"\nexit $?\n");
    std::thread stopper = stopOnceRunning(privilege, true);
    const qel::proc::WaitResult result = privilege.run(
        "", {"/bin/sh", "-c", "cat /proc/${QEL_INSTALLER_LINE%:*}/fd/${QEL_INSTALLER_LINE#*:}; exit 5"},
        0, false);
    stopper.join();
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.exitCode(), 5);
    EXPECT_TRUE(privilege.interrupted());
    // The line is no longer offered to other programs.
    std::string token;
    EXPECT_FALSE(qel::proc::Env::get("QEL_INSTALLER_LINE", token));
}

} // namespace
