#include "fs/Ops.h"

#include "Exception.h"
#include "ScratchDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

using qel::fs::Access;
using qel::fs::Info;

void writeFile(const std::string& path, const std::string& data, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << data;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

mode_t modeOf(const std::string& path) { return Info::get(path, false).mode() & 07777; }

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old)
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    std::string m_old;
};

// Files owned by nobody in particular, for ownership tests as root.
const uid_t other_uid = 4321;
const gid_t other_gid = 4322;

class FsOps : public ::testing::Test {
protected:
    ScratchDir m_dir;
};

TEST_F(FsOps, ExistsFollowsLinksAndThrowsOnOtherFailures) {
    writeFile(m_dir / "file", "x");
    qel::fs::symlink(m_dir / "dangling", m_dir / "missing");
    EXPECT_TRUE(qel::fs::exists(m_dir / "file"));
    EXPECT_FALSE(qel::fs::exists(m_dir / "missing"));
    EXPECT_FALSE(qel::fs::exists(m_dir / "dangling"));
    // A path through a regular file fails with ENOTDIR, not ENOENT.
    EXPECT_THROW(qel::fs::exists(m_dir / "file/x"), qel::FsError);
}

TEST_F(FsOps, ExistsThrowsWithoutSearchPermission) {
    unprivileged::handOver(m_dir.path());
    const std::string result = unprivileged::run([&]() -> std::string {
        qel::fs::mkdir(m_dir / "closed");
        std::ofstream(m_dir / "closed/file") << "x";
        ::chmod((m_dir / "closed").c_str(), 0600);
        try {
            qel::fs::exists(m_dir / "closed/file");
            return "no error";
        } catch (const qel::FsError& e) {
            return e.errorNumber() == EACCES ? "EACCES" : "errno " + std::to_string(e.errorNumber());
        }
    });
    EXPECT_EQ(result, "EACCES");
}

TEST_F(FsOps, InfoFollowsOnRequestAndReportsMissingFiles) {
    qel::fs::mkdir(m_dir / "dir");
    qel::fs::symlink(m_dir / "link", m_dir / "dir");
    EXPECT_TRUE(Info::get(m_dir / "link", true).isDir());
    EXPECT_TRUE(Info::get(m_dir / "link", false).isLink());
    EXPECT_THROW(Info::get(m_dir / "none", true), qel::NoSuchFileError);
    EXPECT_THROW(Info::get(-1), qel::OsError);

    std::string target;
    qel::fs::readlink(m_dir / "link", target);
    EXPECT_EQ(target, m_dir / "dir");
    EXPECT_THROW(qel::fs::readlink(m_dir / "dir", target), qel::FsError);
}

TEST(FsIsExecutable, OnlyTheCallersClassCounts) {
    const uid_t me = ::geteuid();
    const gid_t my_group = ::getegid();
    struct Case {
        uid_t uid;
        gid_t gid;
        mode_t mode;
        bool executable;
    } cases[] = {
        {me + 1, my_group + 1, 0001, true},
        {me, my_group + 1, 0100, true},
        {me, my_group, 0010, false},   // owner matches, owner bit missing
        {me + 1, my_group, 0010, true},
        {me + 1, my_group, 0100, false},
        {me + 1, my_group + 1, 0770, false},
        {me, my_group + 1, 0001, false},   // the others' bit is not the owner's
        {me + 1, my_group, 0001, false},   // nor a group member's
        {me, my_group, 0011, false},
    };
    for (const Case& c : cases) {
        Info info;
        info.stat().st_uid = c.uid;
        info.stat().st_gid = c.gid;
        info.stat().st_mode = S_IFREG | c.mode;
        EXPECT_EQ(qel::fs::isExecutable(info), c.executable) << std::oct << c.mode;
    }
}

TEST_F(FsOps, FindInPathTakesFirstExecutableRegularFile) {
    for (const char* d : {"a", "b", "c"})
        qel::fs::mkdir(m_dir / d);
    writeFile(m_dir / "a/tool", "#!/bin/sh\n", 0644);    // not executable
    qel::fs::mkdir(m_dir / "b/tool");                     // not a regular file
    writeFile(m_dir / "c/tool", "#!/bin/sh\n", 0755);

    const std::string path = "::" + (m_dir / "none") + ":" + (m_dir / "a") + "::" +
                             (m_dir / "b") + ":" + (m_dir / "c") + ":";
    ScopedEnv env("PATH", path.c_str());
    EXPECT_EQ(qel::fs::findInPath("tool"), m_dir / "c/tool");
    EXPECT_EQ(qel::fs::findInPath("tool", true), m_dir / "c");
    EXPECT_EQ(qel::fs::findInPath("absent"), "");
}

TEST(FsFindInPath, UnsetPathFindsNothing) {
    ScopedEnv env("PATH", nullptr);
    EXPECT_EQ(qel::fs::findInPath("sh"), "");
}

TEST_F(FsOps, AvailableSpaceOfAnExistingPathOnly) {
    EXPECT_GT(qel::fs::availableSpace(m_dir.path()), 0u);
    EXPECT_THROW(qel::fs::availableSpace(m_dir / "none"), qel::FsError);
}

TEST_F(FsOps, TempdirCreatesPrivateUniqueDirectories) {
    std::string first = m_dir / "qel_install.";
    std::string second = first;
    qel::fs::tempdir(first);
    qel::fs::tempdir(second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.size(), (m_dir / "qel_install.XXXXXX").size());
    EXPECT_TRUE(Info::get(first, false).isDir());
    EXPECT_EQ(modeOf(first), 0700u);

    std::string bad = m_dir / "missing/x.";
    EXPECT_THROW(qel::fs::tempdir(bad), qel::FsError);
}

TEST_F(FsOps, MkdirModesAndErrors) {
    const mode_t old = ::umask(022);
    qel::fs::mkdir(m_dir / "plain");
    Access access;
    access.mode = 0777;
    qel::fs::mkdir(m_dir / "open", &access);
    ::umask(old);
    EXPECT_EQ(modeOf(m_dir / "plain"), 0700u);
    EXPECT_EQ(modeOf(m_dir / "open"), 0755u);

    EXPECT_THROW(qel::fs::mkdir(m_dir / "plain"), qel::FileExistsError);
    EXPECT_THROW(qel::fs::mkdir(m_dir / "x/y"), qel::NoSuchFileError);
}

TEST_F(FsOps, MkdirAppliesOwnershipAsRoot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "changing the owner needs root";
    Access access{other_uid, static_cast<gid_t>(-1), 0750};
    qel::fs::mkdir(m_dir / "owned", &access);
    const Info info = Info::get(m_dir / "owned", false);
    EXPECT_EQ(info.uid(), other_uid);
    EXPECT_EQ(info.gid(), ::getegid());
}

TEST_F(FsOps, MakedirsCreatesMissingParents) {
    qel::fs::mkdir(m_dir / "a");
    qel::fs::makedirs(m_dir / "a/b/c/");
    EXPECT_TRUE(Info::get(m_dir / "a/b/c", false).isDir());
    EXPECT_THROW(qel::fs::makedirs(m_dir / "a/b"), qel::FileExistsError);

    Access access;
    access.mode = 0751;
    const mode_t old = ::umask(0);
    qel::fs::makedirs(m_dir / "x/y", &access);
    ::umask(old);
    EXPECT_EQ(modeOf(m_dir / "x"), 0751u);
    EXPECT_EQ(modeOf(m_dir / "x/y"), 0751u);

    writeFile(m_dir / "file", "");
    EXPECT_THROW(qel::fs::makedirs(m_dir / "file/sub"), qel::FsError);
}

TEST_F(FsOps, MakedirsWalksThroughDotDotOfNewParents) {
    // "n/.." exists as soon as "n" is made; the path itself is still new.
    qel::fs::makedirs(m_dir / "n/../rel");
    EXPECT_TRUE(Info::get(m_dir / "n", false).isDir());
    EXPECT_TRUE(Info::get(m_dir / "rel", false).isDir());
    EXPECT_THROW(qel::fs::makedirs(m_dir / "m/../rel"), qel::FileExistsError);
}

TEST_F(FsOps, RemoveTakesLinksAsLinks) {
    qel::fs::mkdir(m_dir / "dir");
    writeFile(m_dir / "dir/keep", "k");
    qel::fs::symlink(m_dir / "link", m_dir / "dir");
    qel::fs::remove(m_dir / "link");
    EXPECT_FALSE(qel::fs::exists(m_dir / "link"));
    EXPECT_EQ(readFile(m_dir / "dir/keep"), "k");

    EXPECT_THROW(qel::fs::remove(m_dir / "dir"), qel::FsError);   // not empty
    qel::fs::remove(m_dir / "dir/keep");
    qel::fs::remove(m_dir / "dir");
    EXPECT_FALSE(qel::fs::exists(m_dir / "dir"));

    EXPECT_FALSE(qel::fs::tryRemove(m_dir / "dir"));
    writeFile(m_dir / "f", "");
    EXPECT_TRUE(qel::fs::tryRemove(m_dir / "f"));
    EXPECT_THROW(qel::fs::removeFile(m_dir / "f"), qel::FsError);
    EXPECT_THROW(qel::fs::removeDir(m_dir / "f"), qel::FsError);
}

TEST_F(FsOps, SetAccessByPathAndDescriptor) {
    writeFile(m_dir / "f", "data", 0600);
    Access access;
    access.mode = 0640;
    qel::fs::setAccess(m_dir / "f", access);
    EXPECT_EQ(modeOf(m_dir / "f"), 0640u);

    const int fd = ::open((m_dir / "f").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    access.mode = 0604;
    qel::fs::setAccess(fd, access);
    ::close(fd);
    EXPECT_EQ(modeOf(m_dir / "f"), 0604u);

    EXPECT_THROW(qel::fs::setAccess(m_dir / "none", access), qel::FsError);
    EXPECT_THROW(qel::fs::setAccess(-1, access), qel::OsError);
}

TEST_F(FsOps, SetAccessKeepsSetIdBitsWhenChangingOwner) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "changing the owner needs root";
    writeFile(m_dir / "tool", "#!/bin/sh\n", 0755);
    Access access{other_uid, other_gid, 06755};
    qel::fs::setAccess(m_dir / "tool", access);
    const Info info = Info::get(m_dir / "tool", false);
    EXPECT_EQ(info.uid(), other_uid);
    EXPECT_EQ(info.gid(), other_gid);
    EXPECT_EQ(info.mode() & 07777, 06755u);
}

TEST(FsUmask, ReturnsThePreviousMask) {
    const mode_t original = ::umask(027);
    Access access;
    access.mode = 022;
    EXPECT_EQ(qel::fs::setUmask(access), 027u);
    EXPECT_EQ(::umask(original), 022u);
}

TEST_F(FsOps, RawMoveRefusesExistingTargetWithEexist) {
    writeFile(m_dir / "a", "A");
    writeFile(m_dir / "b", "B");
    try {
        qel::fs::rawMove(m_dir / "a", m_dir / "b", false);
        FAIL();
    } catch (const qel::FileExistsError&) {
        FAIL() << "a plain system error is expected";
    } catch (const qel::OsError& e) {
        EXPECT_EQ(e.errorNumber(), 17);
    }
    EXPECT_EQ(readFile(m_dir / "b"), "B");

    qel::fs::rawMove(m_dir / "a", m_dir / "b", true);
    EXPECT_EQ(readFile(m_dir / "b"), "A");
    EXPECT_FALSE(qel::fs::exists(m_dir / "a"));

    try {
        qel::fs::rawMove(m_dir / "a", m_dir / "c", false);
        FAIL();
    } catch (const qel::FsError& e) {
        EXPECT_NE(std::string(e.what()).find((m_dir / "a") + " -> " + (m_dir / "c")),
                  std::string::npos);
    }
}

TEST_F(FsOps, CopyWithSmallBufferAndExclusiveTarget) {
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>('a' + i % 26);
    writeFile(m_dir / "src", data, 0640);
    char buffer[7];
    qel::fs::copy(m_dir / "src", m_dir / "dst", false, buffer, sizeof buffer);
    EXPECT_EQ(readFile(m_dir / "dst"), data);

    writeFile(m_dir / "other", "keep");
    try {
        qel::fs::copy(m_dir / "src", m_dir / "other", false);
        FAIL();
    } catch (const qel::FsError& e) {
        EXPECT_EQ(e.errorNumber(), EEXIST);
        EXPECT_NE(std::string(e.what()).find("While opening <to> argument."), std::string::npos);
        EXPECT_STREQ(e.function(), "throwErr");
    }
    EXPECT_EQ(readFile(m_dir / "other"), "keep");

    qel::fs::copy(m_dir / "src", m_dir / "other", true);
    EXPECT_EQ(readFile(m_dir / "other"), data);

    try {
        qel::fs::copy(m_dir / "none", m_dir / "x", false);
        FAIL();
    } catch (const qel::FsError& e) {
        EXPECT_NE(std::string(e.what()).find("While opening <from> argument."), std::string::npos);
    }
    EXPECT_FALSE(qel::fs::exists(m_dir / "x"));
}

TEST_F(FsOps, CopyOntoItselfKeepsTheData) {
    writeFile(m_dir / "f", "precious");
    qel::fs::symlink(m_dir / "alias", m_dir / "f");
    EXPECT_THROW(qel::fs::copy(m_dir / "f", m_dir / "alias", true), qel::FsError);
    EXPECT_EQ(readFile(m_dir / "f"), "precious");
}

TEST_F(FsOps, CopyAppliesAccessRecordOrSourceAccess) {
    writeFile(m_dir / "src", "x", 0604);
    const mode_t old = ::umask(0);
    Access access;
    access.mode = 0640;
    qel::fs::copy(m_dir / "src", m_dir / "given", false, nullptr, 0, false, &access);
    qel::fs::copy(m_dir / "src", m_dir / "same", false, nullptr, 0, true);
    writeFile(m_dir / "over", "old", 0600);
    qel::fs::copy(m_dir / "src", m_dir / "over", true, nullptr, 0, false, &access);
    ::umask(old);
    EXPECT_EQ(modeOf(m_dir / "given"), 0640u);
    EXPECT_EQ(modeOf(m_dir / "same"), 0604u);
    EXPECT_EQ(modeOf(m_dir / "over"), 0640u);
}

// A second directory on another file system, for moves that cannot rename.
class CrossDevice : public ::testing::Test {
protected:
    void SetUp() override {
        if (::stat("/dev/shm", &m_shm) != 0)
            GTEST_SKIP() << "/dev/shm is missing";
        struct stat here;
        ASSERT_EQ(::stat(m_dir.path().c_str(), &here), 0);
        if (here.st_dev == m_shm.st_dev)
            GTEST_SKIP() << m_dir.path() << " and /dev/shm are on the same file system";
        m_other.reset(new ScratchDir("/dev/shm"));
    }

    struct stat m_shm;
    ScratchDir m_dir;
    std::unique_ptr<ScratchDir> m_other;
};

TEST_F(CrossDevice, RawMoveReportsTheOtherDevice) {
    writeFile(m_dir / "f", "x");
    EXPECT_THROW(qel::fs::rawMove(m_dir / "f", *m_other / "f", false), qel::NotSameDeviceError);
    EXPECT_TRUE(qel::fs::exists(m_dir / "f"));
}

TEST_F(CrossDevice, MoveCopiesDataModeAndOwnerAndRemovesSource) {
    writeFile(m_dir / "f", "payload", 0751);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((m_dir / "f").c_str(), other_uid, other_gid), 0);
        ASSERT_EQ(::chmod((m_dir / "f").c_str(), 04751), 0);
    }
    qel::fs::move(m_dir / "f", *m_other / "f", false);
    EXPECT_FALSE(qel::fs::exists(m_dir / "f"));
    EXPECT_EQ(readFile(*m_other / "f"), "payload");
    const Info info = Info::get(*m_other / "f", false);
    EXPECT_EQ(info.mode() & 07777, root ? 04751u : 0751u);
    EXPECT_EQ(info.uid(), root ? other_uid : ::geteuid());
    EXPECT_EQ(info.gid(), root ? other_gid : ::getegid());
}

TEST_F(CrossDevice, FailedMoveLeavesSourceAndForeignTargetAlone) {
    writeFile(m_dir / "f", "payload");
    qel::fs::mkdir(*m_other / "busy");
    writeFile(*m_other / "busy/inside", "theirs");
    // Opening a directory for writing fails before anything was written.
    EXPECT_THROW(qel::fs::move(m_dir / "f", *m_other / "busy", true), qel::FsError);
    EXPECT_EQ(readFile(m_dir / "f"), "payload");
    EXPECT_EQ(readFile(*m_other / "busy/inside"), "theirs");
}

TEST_F(CrossDevice, MoveRemovesItsCopyWhenTheSourceStays) {
    unprivileged::handOver(m_dir.path());
    unprivileged::handOver(m_other->path());
    const std::string result = unprivileged::run([&]() -> std::string {
        qel::fs::mkdir(m_dir / "ro");
        std::ofstream(m_dir / "ro/f") << "payload";
        ::chmod((m_dir / "ro").c_str(), 0500);
        try {
            qel::fs::move(m_dir / "ro/f", *m_other / "f", false);
            return "moved";
        } catch (const qel::FsError&) {
        }
        return readFile(m_dir / "ro/f") + (qel::fs::exists(*m_other / "f") ? " copy left" : "");
    });
    EXPECT_EQ(result, "payload");
}

} // namespace
