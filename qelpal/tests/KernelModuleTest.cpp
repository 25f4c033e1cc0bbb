#include "KernelModule.h"

#include "Exception.h"
#include "QelPal.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using qel::KernelModule;

// Stand-in module tools that record their arguments, on a PATH of their own.
class KernelModuleTest : public testing::Test {
protected:
    void SetUp() override {
        m_pal = std::make_unique<qel::QelPal>(true, false, 2);
        m_path = std::getenv("PATH") ? std::getenv("PATH") : "";
        m_dir.mkdir("bin");
        setenv("PATH", (m_dir / "bin").c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", m_path.c_str(), 1);
        KernelModule::findTools();
        m_pal.reset();
    }

    std::string tool(const std::string& name, int status) {
        return m_dir.script("bin/" + name, "echo \"$0 $*\" > " + (m_dir / "called") + "\nexit " +
                                               std::to_string(status) + "\n");
    }

    std::string called() {
        std::ifstream in(m_dir / "called");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string noSetting() { return m_dir / "no-such-setting"; }

    std::unique_ptr<qel::QelPal> m_pal;
    std::string m_path;
    ScratchDir m_dir;
};

TEST_F(KernelModuleTest, ModprobeFromTheKernelsSettingEvenWhenItIsMissing) {
    const std::string setting = m_dir.write("modprobe", "/qel/nonexistent/modprobe\n");
    tool("modprobe", 0);
    KernelModule::findTools(setting);
    EXPECT_EQ(KernelModule::m_modprobe, "/qel/nonexistent/modprobe");
    EXPECT_EQ(KernelModule::load("dummy"), KernelModule::TOOL_FAILED);
}

TEST_F(KernelModuleTest, ModprobeFromPathWithoutTheSetting) {
    const std::string modprobe = tool("modprobe", 0);
    const std::string insmod = tool("insmod", 0);
    KernelModule::findTools(noSetting());
    EXPECT_EQ(KernelModule::m_modprobe, modprobe);
    EXPECT_EQ(KernelModule::m_insmod, insmod);
    EXPECT_EQ(KernelModule::load("dummy"), KernelModule::LOADED);
    EXPECT_EQ(called(), modprobe + " dummy\n");
}

TEST_F(KernelModuleTest, AFailingToolGivesFour) {
    tool("modprobe", 1);
    KernelModule::findTools(noSetting());
    EXPECT_EQ(KernelModule::load("dummy"), KernelModule::TOOL_FAILED);
}

TEST_F(KernelModuleTest, InsmodWhenThereIsNoModprobe) {
    const std::string insmod = tool("insmod", 0);
    KernelModule::findTools(noSetting());
    EXPECT_EQ(KernelModule::m_modprobe, "");
    EXPECT_EQ(KernelModule::load("dummy"), KernelModule::LOADED);
    EXPECT_EQ(called(), insmod + " /system/lib/modules/dummy.ko\n");
}

TEST_F(KernelModuleTest, NoToolGivesFive) {
    KernelModule::findTools(noSetting());
    EXPECT_EQ(KernelModule::m_insmod, "");
    EXPECT_EQ(KernelModule::m_modprobe, "");
    EXPECT_EQ(KernelModule::load("dummy"), KernelModule::NO_TOOL);
}

TEST_F(KernelModuleTest, ThePlatformLayerLocatesTheToolsAtStartUp) {
    m_pal.reset();
    const std::string insmod = tool("insmod", 0);
    m_pal = std::make_unique<qel::QelPal>(true, false, 2);
    EXPECT_EQ(KernelModule::m_insmod, insmod);
}

TEST_F(KernelModuleTest, UnloadingAModuleThatIsNotLoadedFails) {
    EXPECT_THROW(KernelModule::unload("qel_no_such_module"), qel::OsError);
}

} // namespace
