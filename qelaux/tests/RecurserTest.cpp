#include "fs/Recurser.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "ScratchDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace {

using qel::fs::Info;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool present(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string linkTarget(const std::string& path) {
    std::string target;
    qel::fs::readlink(path, target);
    return target;
}

// tree/ (f, sub/ (g 0751, deep/ (h)), link -> sub, out -> outside/)
void makeTree(const std::string& tree, const std::string& outside) {
    qel::fs::mkdir(tree);
    qel::fs::mkdir(tree + "/sub");
    qel::fs::mkdir(tree + "/sub/deep");
    std::ofstream(tree + "/f") << "F";
    std::ofstream(tree + "/sub/g") << "G";
    ::chmod((tree + "/sub/g").c_str(), 0751);
    std::ofstream(tree + "/sub/deep/h") << "H";
    ::chmod((tree + "/sub/deep").c_str(), 02751);
    qel::fs::symlink(tree + "/link", "sub");
    qel::fs::symlink(tree + "/out", outside);
}

void expectTree(const std::string& tree, const std::string& outside) {
    EXPECT_EQ(readFile(tree + "/f"), "F");
    EXPECT_EQ(readFile(tree + "/sub/g"), "G");
    EXPECT_EQ(Info::get(tree + "/sub/g", false).mode() & 07777, 0751u);
    EXPECT_EQ(readFile(tree + "/sub/deep/h"), "H");
    EXPECT_EQ(Info::get(tree + "/sub/deep", false).mode() & 07777, 02751u);
    EXPECT_EQ(linkTarget(tree + "/link"), "sub");
    EXPECT_EQ(linkTarget(tree + "/out"), outside);
}

class Trees : public ::testing::Test {
protected:
    void SetUp() override {
        qel::fs::mkdir(m_dir / "outside");
        std::ofstream(m_dir / "outside/keep") << "K";
    }

    ScratchDir m_dir;
};

TEST_F(Trees, RemoverRemovesEverythingButWhatLinksPointTo) {
    makeTree(m_dir / "tree", m_dir / "outside");
    qel::aux::Remover().run(m_dir / "tree/");
    EXPECT_FALSE(present(m_dir / "tree"));
    EXPECT_EQ(readFile(m_dir / "outside/keep"), "K");
}

TEST_F(Trees, RemoverTakesALinkRootAsALink) {
    qel::fs::symlink(m_dir / "root-link", m_dir / "outside");
    qel::aux::Remover().run(m_dir / "root-link");
    EXPECT_FALSE(present(m_dir / "root-link"));
    EXPECT_EQ(readFile(m_dir / "outside/keep"), "K");

    std::ofstream(m_dir / "file") << "x";
    qel::aux::Remover().run(m_dir / "file");
    EXPECT_FALSE(present(m_dir / "file"));
    EXPECT_THROW(qel::aux::Remover().run(m_dir / "missing"), qel::NoSuchFileError);
}

TEST_F(Trees, RemoverStopsAtAnUnreadableDirectory) {
    makeTree(m_dir / "tree", m_dir / "outside");
    unprivileged::handOver(m_dir.path());
    for (const char* dir : {"tree", "tree/sub", "tree/sub/deep"})
        unprivileged::handOver(m_dir / dir);
    ASSERT_EQ(::chmod((m_dir / "tree/sub/deep").c_str(), 0300), 0);
    const std::string result = unprivileged::run([&]() -> std::string {
        try {
            qel::aux::Remover().run(m_dir / "tree");
            return "removed";
        } catch (const qel::Exception& e) {
            return e.function();
        }
    });
    EXPECT_EQ(result, "nodeError");
    EXPECT_TRUE(present(m_dir / "tree/sub/deep/h"));
}

TEST_F(Trees, MoverRenamesWithinAFileSystem) {
    makeTree(m_dir / "tree", m_dir / "outside");
    const ino_t inode = Info::get(m_dir / "tree", false).stat().st_ino;
    qel::aux::Mover().move(m_dir / "tree", m_dir / "moved");
    EXPECT_FALSE(present(m_dir / "tree"));
    EXPECT_EQ(Info::get(m_dir / "moved", false).stat().st_ino, inode);
    expectTree(m_dir / "moved", m_dir / "outside");
}

TEST_F(Trees, MoverRefusesAnExistingDestination) {
    makeTree(m_dir / "tree", m_dir / "outside");
    try {
        qel::aux::Mover().move(m_dir / "tree", m_dir / "outside");
        FAIL();
    } catch (const qel::UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("dst already exists"), std::string::npos);
        EXPECT_STREQ(e.function(), "move");
    }
    expectTree(m_dir / "tree", m_dir / "outside");
}

TEST_F(Trees, SmartMoveFollowsCommandLineRules) {
    qel::fs::mkdir(m_dir / "a");
    std::ofstream(m_dir / "a/x") << "X";
    qel::fs::mkdir(m_dir / "b");
    qel::aux::smartMove(m_dir / "a", m_dir / "b/");
    EXPECT_EQ(readFile(m_dir / "b/a/x"), "X");

    qel::aux::smartMove(m_dir / "b/a", m_dir / "c");
    EXPECT_EQ(readFile(m_dir / "c/x"), "X");

    std::ofstream(m_dir / "file") << "old";
    try {
        qel::aux::smartMove(m_dir / "c", m_dir / "file");
        FAIL();
    } catch (const qel::UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("dst exists but is not a directory"),
                  std::string::npos);
    }
    std::ofstream(m_dir / "new") << "new";
    qel::aux::smartMove(m_dir / "new", m_dir / "file");
    EXPECT_EQ(readFile(m_dir / "file"), "new");
    EXPECT_FALSE(present(m_dir / "new"));

    qel::fs::mkdir(m_dir / "d");
    qel::fs::mkdir(m_dir / "d/c");
    EXPECT_THROW(qel::aux::smartMove(m_dir / "c", m_dir / "d"), qel::UsageError);
    EXPECT_THROW(qel::aux::smartMove(m_dir / "none", m_dir / "d"), qel::NoSuchFileError);
}

class CrossDeviceTrees : public Trees {
protected:
    void SetUp() override {
        Trees::SetUp();
        struct stat here, shm;
        if (::stat("/dev/shm", &shm) != 0)
            GTEST_SKIP() << "/dev/shm is missing";
        ASSERT_EQ(::stat(m_dir.path().c_str(), &here), 0);
        if (here.st_dev == shm.st_dev)
            GTEST_SKIP() << m_dir.path() << " and /dev/shm are on the same file system";
        m_other.reset(new ScratchDir("/dev/shm"));
    }

    std::unique_ptr<ScratchDir> m_other;
};

TEST_F(CrossDeviceTrees, MoverRebuildsTheTreeAndLeavesNoTrace) {
    makeTree(m_dir / "tree", m_dir / "outside");
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((m_dir / "tree/sub").c_str(), 4321, 4322), 0);
    }
    qel::aux::Mover().move(m_dir / "tree", *m_other / "tree");
    EXPECT_FALSE(present(m_dir / "tree"));
    expectTree(*m_other / "tree", m_dir / "outside");
    const Info sub = Info::get(*m_other / "tree/sub", false);
    EXPECT_EQ(sub.uid(), root ? 4321u : ::geteuid());
    EXPECT_EQ(sub.gid(), root ? 4322u : ::getegid());
    EXPECT_EQ(readFile(m_dir / "outside/keep"), "K");
}

TEST_F(CrossDeviceTrees, MoverMovesASingleFileAndSmartMoveGoesInto) {
    std::ofstream(m_dir / "f") << "data";
    qel::aux::Mover().move(m_dir / "f", *m_other / "f");
    EXPECT_EQ(readFile(*m_other / "f"), "data");
    EXPECT_FALSE(present(m_dir / "f"));

    makeTree(m_dir / "tree", m_dir / "outside");
    qel::aux::smartMove(m_dir / "tree", m_other->path());
    expectTree(*m_other / "tree", m_dir / "outside");
    EXPECT_FALSE(present(m_dir / "tree"));
}

} // namespace
