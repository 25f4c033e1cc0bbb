#include "fs/File.h"
#include "fs/Ops.h"
#include "fs/Pipe.h"

#include "Exception.h"
#include "BlockedSigpipe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

using qel::fs::File;
using qel::fs::Pipe;
using qel::fs::StreamFile;

bool isCloseOnExec(int fd) { return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }
bool isOpenFd(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

std::string usageText(const qel::Exception& e) { return e.what(); }

class Files : public ::testing::Test {
protected:
    ScratchDir m_dir;
};

TEST_F(Files, OpenCreatesPrivateCloseOnExecFiles) {
    const mode_t old = ::umask(0);
    File file;
    file.open(m_dir / "new", File::WRITE, File::CREATE);
    ::umask(old);
    ASSERT_TRUE(file.isOpen());
    EXPECT_TRUE(isCloseOnExec(file.fd()));
    EXPECT_EQ(qel::fs::Info::get(m_dir / "new", false).mode() & 07777, 0600u);
    const int fd = file.fd();
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(isOpenFd(fd));
    file.close();   // closing twice is harmless
}

TEST_F(Files, FlagsSelectExclusiveCreationAndTruncation) {
    std::ofstream(m_dir / "f") << "old content";
    File file;
    try {
        file.open(m_dir / "f", File::WRITE, File::EXCLUSIVE);
        FAIL();
    } catch (const qel::FsError& e) {
        EXPECT_EQ(e.errorNumber(), EEXIST);
    }
    EXPECT_THROW(file.open(m_dir / "missing", File::READ), qel::FsError);

    file.open(m_dir / "f", File::READ_WRITE, File::TRUNCATE);
    EXPECT_EQ(qel::fs::Info::get(file.fd()).stat().st_size, 0);

    qel::fs::Access access;
    access.mode = 0640;
    const mode_t old = ::umask(0);
    file.open(m_dir / "g", File::WRITE, File::CREATE | File::EXCLUSIVE, &access);
    ::umask(old);
    EXPECT_EQ(qel::fs::Info::get(file.fd()).mode() & 07777, 0640u);

    access.mode = 0604;
    file.setAccess(access);
    EXPECT_EQ(qel::fs::Info::get(m_dir / "g", false).mode() & 07777, 0604u);
    file.close();
    try {
        file.setAccess(access);
        FAIL();
    } catch (const qel::UsageError& e) {
        EXPECT_NE(usageText(e).find("no file opened"), std::string::npos);
    }
}

TEST_F(Files, ReopeningClosesThePreviousDescriptor) {
    File file;
    file.open(qel::fs::NULLDEV, File::READ);
    const int first = file.fd();
    file.open(m_dir / "x", File::WRITE, File::CREATE);
    EXPECT_FALSE(isOpenFd(first) && first != file.fd());
}

TEST(FilesDestructor, ReportsCloseFailureWithoutThrowing) {
    testing::internal::CaptureStderr();
    {
        File file;
        file.adopt(0x7ffff);   // not an open descriptor: close() fails
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Error closing file:\n\n\n#1)\n", 0), 0u) << err;
    EXPECT_NE(err.find("Bad file descriptor"), std::string::npos) << err;
}

TEST(NullDevice, InitOpensReadAndWriteEndsAndCleanupReleasesThem) {
    ASSERT_EQ(File::m_null_in, nullptr);
    File::init();
    ASSERT_NE(File::m_null_in, nullptr);
    ASSERT_NE(File::m_null_out, nullptr);
    EXPECT_EQ(::fcntl(File::m_null_in->fd(), F_GETFL) & O_ACCMODE, O_RDONLY);
    EXPECT_EQ(::fcntl(File::m_null_out->fd(), F_GETFL) & O_ACCMODE, O_WRONLY);
    EXPECT_TRUE(isCloseOnExec(File::m_null_in->fd()));
    char byte;
    EXPECT_EQ(::read(File::m_null_in->fd(), &byte, 1), 0);
    EXPECT_EQ(::write(File::m_null_out->fd(), "x", 1), 1);
    const int in = File::m_null_in->fd();
    File::cleanup();
    EXPECT_EQ(File::m_null_in, nullptr);
    EXPECT_EQ(File::m_null_out, nullptr);
    EXPECT_FALSE(isOpenFd(in));
}

TEST(NullDeviceDeath, InitTwiceIsAProgrammingError) {
    EXPECT_DEATH(
        {
            File::init();
            File::init();
        },
        "! m_null_in");
}

TEST(Pipes, EndsStartCloseOnExecAndMoveIntoFiles) {
    Pipe pipe;
    EXPECT_TRUE(isCloseOnExec(pipe.readFd()));
    EXPECT_TRUE(isCloseOnExec(pipe.writeFd()));
    ASSERT_EQ(::fcntl(pipe.readFd(), F_SETFD, 0), 0);
    pipe.keepRead();
    EXPECT_TRUE(isCloseOnExec(pipe.readFd()));

    StreamFile reader, writer;
    reader.open(pipe, true);
    writer.open(pipe, false);
    EXPECT_EQ(pipe.readFd(), -1);
    EXPECT_EQ(pipe.writeFd(), -1);
    EXPECT_EQ(writer.write("hello", 5), 5);
    EXPECT_FALSE(writer.flush());
    writer.close();
    char buffer[16];
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 0);
    EXPECT_THROW(reader.seek(0, StreamFile::SET), qel::OsError);
}

TEST(Pipes, TakingAnEndTwiceIsRefused) {
    Pipe pipe;
    File first, second;
    first.open(pipe, true);
    try {
        second.open(pipe, true);
        FAIL();
    } catch (const qel::UsageError& e) {
        EXPECT_NE(usageText(e).find("bad pipe end passed"), std::string::npos);
    }
    EXPECT_FALSE(second.isOpen());
    pipe.closeWrite();
    pipe.closeWrite();
}

TEST(Pipes, WritingToAPipeWithoutReaderFailsWithEpipe) {
    BlockedSigpipe blocked;
    Pipe pipe;
    StreamFile writer;
    writer.open(pipe, false);
    pipe.closeRead();
    try {
        writer.write("x", 1);
        ADD_FAILURE();
    } catch (const qel::OsError& e) {
        EXPECT_EQ(e.errorNumber(), EPIPE);
    }
}

TEST(Pipes, DestroyingWithOpenEndsReportsAndCloses) {
    int readFd, writeFd;
    testing::internal::CaptureStderr();
    {
        Pipe pipe;
        readFd = pipe.readFd();
        writeFd = pipe.writeFd();
        pipe.closeRead();
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Usage error occured. One or both Pipe FDs weren't closed"),
              std::string::npos) << err;
    EXPECT_FALSE(isOpenFd(writeFd));
    (void)readFd;

    testing::internal::CaptureStderr();
    {
        Pipe pipe;
        pipe.closeRead();
        pipe.closeWrite();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Files, StreamFileSeeksAndSyncs) {
    StreamFile file;
    file.open(m_dir / "s", File::READ_WRITE, File::CREATE);
    EXPECT_EQ(file.write("abcdef", 6), 6);
    EXPECT_TRUE(file.flush());
    EXPECT_EQ(file.seek(-2, StreamFile::END), 4);
    EXPECT_EQ(file.seek(-1, StreamFile::CUR), 3);
    char buffer[8];
    EXPECT_EQ(file.read(buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer, 3), "def");
    EXPECT_EQ(file.seek(1, 99), 1);   // anything else counts from the start
    EXPECT_EQ(file.read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], 'b');
    file.close();
    EXPECT_THROW(file.read(buffer, 1), qel::OsError);
}

} // namespace
