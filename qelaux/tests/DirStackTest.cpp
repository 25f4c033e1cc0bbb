#include "fs/DirStack.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

namespace {

class DirStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_start = qel::fs::cwd();
        qel::fs::mkdir(m_dir / "a");
        qel::fs::mkdir(m_dir / "a/b");
    }
    void TearDown() override { qel::fs::setCWD(m_start); }

    ScratchDir m_dir;
    std::string m_start;
};

TEST_F(DirStackTest, PopReturnsToEachPushedFromDirectory) {
    qel::aux::DirStack dirs;
    dirs.push(m_dir / "a");
    const std::string a = qel::fs::cwd();
    dirs.push("b");   // relative to the new working directory
    EXPECT_EQ(qel::fs::cwd(), a + "/b");
    dirs.pop();
    EXPECT_EQ(qel::fs::cwd(), a);
    dirs.pop();
    EXPECT_EQ(qel::fs::cwd(), m_start);
    try {
        dirs.pop();
        FAIL();
    } catch (const qel::UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("pop() with empty dir stack"), std::string::npos);
    }
}

TEST_F(DirStackTest, FailedPushKeepsTheEntry) {
    qel::aux::DirStack dirs;
    EXPECT_THROW(dirs.push(m_dir / "missing"), qel::FsError);
    EXPECT_EQ(dirs.size(), 1u);
    EXPECT_EQ(qel::fs::cwd(), m_start);
    dirs.pop();
    EXPECT_TRUE(dirs.empty());
}

TEST_F(DirStackTest, FailedPopKeepsTheEntry) {
    qel::aux::DirStack dirs;
    qel::fs::setCWD(m_dir / "a/b");
    dirs.push(m_dir.path());
    qel::fs::removeDir(m_dir / "a/b");
    EXPECT_THROW(dirs.pop(), qel::FsError);
    EXPECT_EQ(dirs.size(), 1u);
}

} // namespace
