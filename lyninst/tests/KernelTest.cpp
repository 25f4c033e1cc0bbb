#include "distro/Kernel.h"

#include "QelPal.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/utsname.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

namespace {

const char* const options = "CONFIG_BUILTIN=y\n"
                            "CONFIG_AS_MODULE = m\n"
                            "CONFIG_NO=n\n"
                            "# CONFIG_COMMENTED is not set\n"
                            "CONFIG_STRING=\"y\"\n";

// A configuration whose compressed form is far larger than a pipe holds:
// random comment lines do not compress.
std::string largeConfig() {
    std::mt19937 random(42);
    std::string text = "#\n# Automatically generated file; DO NOT EDIT.\n#\n";
    static const char digits[] = "0123456789abcdef";
    while (text.size() < 300 * 1024) {
        text += "# ";
        for (int i = 0; i < 64; ++i)
            text += digits[random() % 16];
        text += '\n';
    }
    return text + options + "CONFIG_LAST=y";
}

std::string release() {
    struct utsname system;
    return ::uname(&system) == 0 ? system.release : "";
}

class KernelOption : public testing::Test {
protected:
    void SetUp() override {
        m_pal = std::make_unique<qel::QelPal>(true, false, 2);
        m_root.mkdir("proc");
        m_root.mkdir("boot");
    }
    void TearDown() override { m_pal.reset(); }

    void writeCompressed(const std::string& text) {
        const std::string plain = m_root.write("config", text);
        ASSERT_EQ(std::system(("gzip -c " + plain + " > " + (m_root / "proc/config.gz")).c_str()),
                  0);
    }

    bool has(const char* option) { return qel::kernelHasOption(option, m_root.path()); }

    std::unique_ptr<qel::QelPal> m_pal;
    ScratchDir m_root;
};

TEST_F(KernelOption, ReadsALargeCompressedConfiguration) {
    writeCompressed(largeConfig());
    struct stat info;
    ASSERT_EQ(::stat((m_root / "proc/config.gz").c_str(), &info), 0);
    ASSERT_GT(info.st_size, 64 * 1024);

    EXPECT_TRUE(has("CONFIG_BUILTIN"));
    EXPECT_TRUE(has("CONFIG_AS_MODULE"));
    EXPECT_TRUE(has("CONFIG_LAST"));
    EXPECT_FALSE(has("CONFIG_NO"));
    EXPECT_FALSE(has("CONFIG_COMMENTED"));
    EXPECT_FALSE(has("CONFIG_STRING"));
    EXPECT_FALSE(has("CONFIG_ABSENT"));
    EXPECT_FALSE(has("CONFIG_BUILT"));
}

TEST_F(KernelOption, FallsBackToTheBootConfiguration) {
    m_root.write("boot/config-" + release(), std::string(options));
    EXPECT_TRUE(has("CONFIG_BUILTIN"));
    EXPECT_TRUE(has("CONFIG_AS_MODULE"));
    EXPECT_FALSE(has("CONFIG_NO"));

    // Not in the compressed configuration: the boot one still answers.
    writeCompressed("CONFIG_OTHER=y\n");
    EXPECT_TRUE(has("CONFIG_BUILTIN"));
    EXPECT_TRUE(has("CONFIG_OTHER"));

    // A compressed configuration that gunzip refuses.
    m_root.write("proc/config.gz", "not compressed\n");
    EXPECT_TRUE(has("CONFIG_BUILTIN"));
}

TEST_F(KernelOption, WithoutAnyConfigurationTheAnswerIsNo) {
    EXPECT_FALSE(has("CONFIG_BUILTIN"));
    m_root.write("boot/config-0.0.0-other", std::string(options));
    EXPECT_FALSE(has("CONFIG_BUILTIN"));
}

TEST_F(KernelOption, WithoutGunzipOnlyTheBootConfigurationCounts) {
    writeCompressed(options);
    const std::string path = std::getenv("PATH");
    setenv("PATH", "/qel/nonexistent", 1);
    const bool found = has("CONFIG_BUILTIN");
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(found);
}

} // namespace
