#include "distro/InitSystem.h"

#include "QelPal.h"
#include "ScratchDir.h"
#include "proc/Child.h"
#include "proc/Process.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// The platform layer (user identities for PATH searches, the child
// collector) and a PATH of the test's own.
class InitTest : public testing::Test {
protected:
    void SetUp() override {
        m_pal = std::make_unique<qel::QelPal>(true, false, 2);
        m_path = std::getenv("PATH") ? std::getenv("PATH") : "";
        m_root.mkdir("bin");
        setenv("PATH", (m_root / "bin").c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", m_path.c_str(), 1);
        m_pal.reset();
    }

    std::unique_ptr<qel::QelPal> m_pal;
    std::string m_path;
    ScratchDir m_root;
};

struct InitCase {
    const char* name;
    std::vector<std::string> dirs;     // below the fixture root
    std::vector<std::string> programs; // below the fixture root; bin/ is on PATH
    qel::InitSystem expected;
};

std::ostream& operator<<(std::ostream& out, const InitCase& c) { return out << c.name; }

class Detect : public InitTest, public testing::WithParamInterface<InitCase> {};

TEST_P(Detect, FindsTheInitSystem) {
    const InitCase& c = GetParam();
    for (const std::string& dir : c.dirs)
        m_root.mkdir(dir);
    for (const std::string& program : c.programs) {
        m_root.mkdir(program.substr(0, program.rfind('/')));
        m_root.script(program, "exit 0\n");
    }
    EXPECT_EQ(qel::detectInitSystem(m_root.path()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, Detect,
    testing::Values(
        InitCase{"Nothing", {}, {}, qel::UNKNOWN_INIT},
        InitCase{"Upstart", {"etc/init"}, {"bin/initctl"}, qel::UPSTART},
        InitCase{"EtcInitWithoutInitctl", {"etc/init", "etc/rc0.d", "etc/default"}, {},
                 qel::SYSV},
        InitCase{"OpenRcWithSbinRcUpdate", {}, {"bin/rc-status", "sbin/rc-update"}, qel::OPENRC},
        InitCase{"OpenRcWithRcUpdateOnPath", {}, {"bin/rc-status", "bin/rc-update"}, qel::OPENRC},
        InitCase{"OpenRcToolsOffPath", {"etc/rc0.d", "etc/default"},
                 {"sbin/rc-status", "sbin/rc-update"}, qel::SYSV},
        InitCase{"RcStatusWithoutRcUpdate", {}, {"bin/rc-status"}, qel::UNKNOWN_INIT},
        InitCase{"SysVRc0d", {"etc/rc0.d", "etc/default"}, {}, qel::SYSV},
        InitCase{"SysVRcdRc0d", {"etc/rc.d/rc0.d", "etc/default"}, {}, qel::SYSV},
        InitCase{"Rc0dWithoutDefault", {"etc/rc0.d"}, {}, qel::UNKNOWN_INIT}),
    [](const testing::TestParamInfo<InitCase>& info) { return std::string(info.param.name); });

TEST_F(InitTest, SystemdCountsOnlyWhenAProcessOfThatNameRuns) {
    m_root.script("bin/systemd", "exit 0\n");
    m_root.mkdir("etc/rc0.d");
    m_root.mkdir("etc/default");
    if (qel::proc::findByName("systemd").empty()) {
        EXPECT_EQ(qel::detectInitSystem(m_root.path()), qel::SYSV);
    }

    // A process named systemd: a copy of sleep under that name.
    m_root.mkdir("run");
    const std::string fake = m_root / "run/systemd";
    ASSERT_EQ(std::system(("/bin/cp /bin/sleep " + fake).c_str()), 0);
    qel::proc::Child sleeper;
    sleeper.arguments() = {fake, "30"};
    sleeper.create();
    // The child carries its new name only once it has executed the copy.
    for (int i = 0; i < 500 && !qel::proc::findByName("systemd").count(sleeper.pid()); ++i)
        ::usleep(10000);
    EXPECT_EQ(qel::detectInitSystem(m_root.path()), qel::SYSTEMD);
    sleeper.kill();
    sleeper.wait();
}

} // namespace
