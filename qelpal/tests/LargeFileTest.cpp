// Files past 4 GiB on every build, the 32-bit one included: sizes and offsets
// are 64 bits wide, and a copy keeps the holes of a sparse file.
#include "fs/Ops.h"

#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using qel::fs::Info;

constexpr std::int64_t GiB = std::int64_t(1) << 30;
// Past the 32-bit limit, with its last bytes written.
constexpr std::int64_t large_size = 4 * GiB + 65536;
const std::string head = "head of the file";
const std::string tail = "tail past 4 GiB";
const std::int64_t tail_offset = large_size - static_cast<std::int64_t>(tail.size());

bool isTmpfs(const std::string& path) {
    struct statfs fs;
    return ::statfs(path.c_str(), &fs) == 0 && fs.f_type == TMPFS_MAGIC;
}

std::string readAt(const std::string& path, std::int64_t offset, size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string data(size, '\0');
    const ssize_t got = fd < 0 ? -1 : ::pread(fd, data.data(), size, offset);
    if (fd >= 0)
        ::close(fd);
    return got == static_cast<ssize_t>(size) ? data : std::string();
}

std::int64_t allocated(const std::string& path) {
    return static_cast<std::int64_t>(Info::get(path, false).stat().st_blocks) * 512;
}

class LargeFile : public ::testing::Test {
protected:
    // A sparse file lies on the real disk: on tmpfs a failing copy would fill
    // memory. The build directory (the working directory of ctest) serves
    // when /tmp is tmpfs.
    void SetUp() override {
        m_dir.reset(new ScratchDir(isTmpfs("/tmp") ? "." : "/tmp"));
        m_source = *m_dir / "large";
        const int fd = ::open(m_source.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        const bool sized = ::ftruncate(fd, large_size) == 0;
        const auto put = [fd](const std::string& data, std::int64_t offset) {
            return ::pwrite(fd, data.data(), data.size(), offset) ==
                   static_cast<ssize_t>(data.size());
        };
        const bool written = sized && put(head, 0) && put(tail, tail_offset);
        ::close(fd);
        if (!written || allocated(m_source) > GiB)
            GTEST_SKIP() << m_dir->path() << " cannot hold a sparse file of " << large_size
                         << " bytes";
    }

    void expectLargeFile(const std::string& path) {
        EXPECT_EQ(Info::get(path, false).stat().st_size, large_size);
        EXPECT_EQ(readAt(path, 0, head.size()), head);
        EXPECT_EQ(readAt(path, tail_offset, tail.size()), tail);
    }

    std::unique_ptr<ScratchDir> m_dir;
    std::string m_source;
};

TEST_F(LargeFile, OffsetsAndSizesAre64Bits) {
    static_assert(sizeof(off_t) == 8, "64-bit file offsets");
    static_assert(sizeof(time_t) == 8, "64-bit time");
    expectLargeFile(m_source);
}

TEST_F(LargeFile, CopyKeepsSizeDataAndHoles) {
    std::vector<char> buffer(1 << 20);
    qel::fs::copy(m_source, *m_dir / "copy", false, buffer.data(), buffer.size());
    expectLargeFile(*m_dir / "copy");
    expectLargeFile(m_source);
    EXPECT_LT(allocated(*m_dir / "copy"), GiB);
}

TEST_F(LargeFile, MoveKeepsSizeAndData) {
    qel::fs::move(m_source, *m_dir / "moved", false);
    EXPECT_FALSE(qel::fs::exists(m_source));
    expectLargeFile(*m_dir / "moved");
}

} // namespace
