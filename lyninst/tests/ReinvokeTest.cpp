// Running the program again as root: the tool selection, the argument vector
// of the privileged run and every outcome of it, with stand-ins for su and
// sudo.
#include "Privilege.h"
#include "app/PrivilegeApp.h"

#include "ScratchDir.h"
#include "StreamCapture.h"
#include "Unprivileged.h"
#include "proc/Process.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

using Args = std::vector<std::string>;

// The argument vector outlives the application, which keeps a pointer to it.
struct ArgvHolder {
    explicit ArgvHolder(Args args) : m_held(std::move(args)) {
        for (std::string& arg : m_held)
            m_pointers.push_back(arg.data());
        m_pointers.push_back(nullptr);
    }
    Args m_held;
    std::vector<char*> m_pointers;
};

class ReinvokeApp : private ArgvHolder, public qel::PrivilegeApp {
public:
    explicit ReinvokeApp(const Args& args)
        : ArgvHolder(withProgram(args)), PrivilegeApp(static_cast<int>(m_held.size()), m_pointers.data()) {
        parseCommandLine();
    }

    int reinvoke(qel::proc::WaitResult* raw) { return reinvokeAsRoot("Credentials, please", raw); }
    int result() const { return m_result; }
    qel::EscalationTool tool() const { return m_privilege.tool(); }
    Args reinvocation() const {
        Args args;
        reinvocationArguments(args);
        return args;
    }

protected:
    std::string description() const override { return "test"; }
    void execute() override {}

private:
    static Args withProgram(Args args) {
        args.insert(args.begin(), "./inst");
        return args;
    }
};

// Keeps the located tools of the process as they were.
class Reinvoke : public testing::Test {
protected:
    void TearDown() override {
        qel::Privilege::m_su = m_su;
        qel::Privilege::m_sudo = m_sudo;
    }

private:
    std::string m_su = qel::Privilege::m_su;
    std::string m_sudo = qel::Privilege::m_sudo;
};

TEST_F(Reinvoke, SwitchesChooseTheToolOtherwiseTheDistribution) {
    EXPECT_EQ(ReinvokeApp({"--sudo"}).tool(), qel::SUDO);
    EXPECT_EQ(ReinvokeApp({"--su"}).tool(), qel::SU);
    EXPECT_EQ(ReinvokeApp({}).tool(), qel::Distro::instance().defaultTool());
}

TEST_F(Reinvoke, ArgumentsStartWithTheRunningExecutable) {
    // (No "--" here: the parser library remembers it for later parses.)
    const Args expected = {qel::proc::exe(), "--su", "--sudo"};
    EXPECT_EQ(ReinvokeApp({"--su", "--sudo"}).reinvocation(), expected);
}

TEST_F(Reinvoke, AlreadyRootDoesNothing) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    ReinvokeApp app({"--sudo", "--su"});
    qel::test::StreamCapture out(std::cout);
    qel::test::StreamCapture err(std::cerr);
    EXPECT_EQ(app.reinvoke(nullptr), 3);
    EXPECT_EQ(app.result(), 0);
    EXPECT_EQ(out.text() + err.text(), "");
}

struct Outcome {
    const char* name;
    Args switches;
    // The stand-in tool's body; empty: the tool is missing.
    const char* tool;
    int returned;
    int result;
    const char* error;
};

void PrintTo(const Outcome& outcome, std::ostream* os) { *os << outcome.name; }

class ReinvokeOutcome : public Reinvoke, public testing::WithParamInterface<Outcome> {};

// As a normal user (nobody when the tests run as root) the stand-in tool
// records its arguments and ends as the case says.
TEST_P(ReinvokeOutcome, MapsTheToolsEnd) {
    const Outcome& c = GetParam();
    ScratchDir dir;
    unprivileged::handOver(dir.path());
    const std::string record = dir / "record";
    std::string tool;
    if (*c.tool) {
        tool = dir.write("tool", std::string("#!/bin/sh\nprintf '[%s]\\n' \"$@\" > ") + record +
                                     "\n" + c.tool + "\n");
        chmod(tool.c_str(), 0755);
    }
    const std::string outcome = unprivileged::run([&] {
        ReinvokeApp app(c.switches);
        // The application located the real tools; the stand-in replaces them.
        qel::Privilege::m_su = tool;
        qel::Privilege::m_sudo = tool;
        qel::test::StreamCapture out(std::cout);
        qel::test::StreamCapture err(std::cerr);
        qel::proc::WaitResult raw;
        const int returned = app.reinvoke(&raw);
        std::ostringstream text;
        text << returned << " " << app.result() << " " << err.text();
        return text.str();
    });
    std::ostringstream expected;
    expected << c.returned << " " << c.result << " " << c.error;
    EXPECT_EQ(outcome, expected.str());

    // Whenever the tool ran, it was handed the running executable and the
    // program's own arguments.
    std::ifstream in(record);
    std::stringstream recorded;
    recorded << in.rdbuf();
    std::string arguments;
    if (*c.tool && c.switches.size() == 1 && c.switches[0] == "--sudo")
        arguments = "[-p]\n[Credentials, please\npassword for %p@%H: ]\n[-E]\n[" +
                    qel::proc::exe() + "]\n[--sudo]\n";
    else if (*c.tool && c.switches.size() == 1)
        arguments = "[-c]\n[" + qel::shellQuote(qel::proc::exe()) + " --su]\n";
    EXPECT_EQ(recorded.str(), arguments);
}

// Wrapped to 80 columns.
const char* const sudo_refused =
    "Failed gaining root privileges.\n"
    "'sudo' asks for your own password and needs your right to use sudo. Without it, \n"
    "start the installer again with --su and give the password of root.\n";
const char* const su_refused =
    "Failed gaining root privileges.\n"
    "'su' asks for the password of root. To use your own password instead, start the \n"
    "installer again with --sudo (you need the right to use sudo).\n";
const char* const missing =
    "The configured privilege escalation tool 'sudo' could not be found on your \nsystem.\n"
    "Please check the --su and --sudo switches for selecting an alternative.\n";

INSTANTIATE_TEST_SUITE_P(
    Reinvoke, ReinvokeOutcome,
    testing::Values(
        Outcome{"success", {"--sudo"}, "exit 0", 0, 0, ""},
        Outcome{"sudo authentication failed", {"--sudo"}, "exit 1", 2, 2, sudo_refused},
        Outcome{"su authentication failed", {"--su"}, "exit 1", 2, 2, su_refused},
        Outcome{"aborted there", {"--su"}, "exit 3", 1, 3, ""},
        Outcome{"failed there", {"--su"}, "exit 5", 1, 5, ""},
        Outcome{"killed", {"--sudo"}, "kill -KILL $$", 1, 3, ""},
        Outcome{"both switches", {"--sudo", "--su"}, "exit 0", 2, 2,
                "Cannot use sudo and su override at the same time\n"},
        Outcome{"tool missing", {"--sudo"}, "", 2, 2, missing}),
    [](const testing::TestParamInfo<Outcome>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == ' ')
                ch = '_';
        return name;
    });

} // namespace
