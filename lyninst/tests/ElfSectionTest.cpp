// Section look-up on real ELF files made with objcopy from a copy of a system
// program.
#include "payload/ElfSection.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

#include "ScratchDir.h"

namespace {

class ElfSectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(elf_version(EV_CURRENT), EV_NONE);
        m_exe = m_dir.path() + "/exe";
        run("cp /bin/true '" + m_exe + "'");
    }
    void TearDown() override {
        if (m_elf)
            elf_end(m_elf);
        if (m_fd >= 0)
            close(m_fd);
    }

    static void run(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::string file(const std::string& name, const std::string& content) {
        return m_dir.write(name, content);
    }
    // Adds a section in a run of its own, so that it lands after the
    // sections added before; a temporary name lets two sections share one.
    void addSection(const std::string& name, const std::string& content_file) {
        run("objcopy --add-section qtmp='" + content_file + "' '" + m_exe + "'");
        run("objcopy --rename-section qtmp=" + name + " '" + m_exe + "'");
    }
    std::string find() {
        m_fd = open(m_exe.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(m_fd, 0);
        m_elf = elf_begin(m_fd, ELF_C_READ, nullptr);
        EXPECT_NE(m_elf, nullptr);
        m_block = qel::payload::findSection(m_elf, "qel", m_err);
        if (!m_block.data)
            return "<absent>";
        return std::string(static_cast<const char*>(m_block.data), m_block.size);
    }

    ScratchDir m_dir;
    std::string m_exe;
    int m_fd = -1;
    Elf* m_elf = nullptr;
    qel::payload::SectionBlock m_block;
    std::ostringstream m_err;
};

TEST_F(ElfSectionTest, ProgramWithoutSectionHasNoneAndSaysNothing) {
    EXPECT_EQ(find(), "<absent>");
    EXPECT_EQ(m_block.size, 0u);
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(ElfSectionTest, FindsAttachedBytesExactly) {
    std::string content("cfg\0with\nbinary\xff", 16);
    addSection("qel", file("cfg", content));
    EXPECT_EQ(find(), content);
    EXPECT_EQ(m_block.size, 16u);
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(ElfSectionTest, LaterSectionOfTheNameWins) {
    addSection("qel", file("first", "first"));
    addSection("qel", file("second", "second one"));
    EXPECT_EQ(find(), "second one");
}

TEST_F(ElfSectionTest, NameMustMatchExactly) {
    addSection("QEL", file("upper", "upper"));
    addSection("qelx", file("longer", "longer"));
    addSection("qe", file("shorter", "shorter"));
    EXPECT_EQ(find(), "<absent>");
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(ElfSectionTest, EmptySectionCountsAsAbsent) {
    addSection("qel", file("empty", ""));
    EXPECT_EQ(find(), "<absent>");
}

TEST_F(ElfSectionTest, FileThatIsNoElfReportsTheStringTable) {
    file("plain", "this is not an executable\n");
    m_exe = m_dir.path() + "/plain";
    EXPECT_EQ(find(), "<absent>");
    EXPECT_EQ(m_err.str(), "Error getting string table index.\n");
}

} // namespace
