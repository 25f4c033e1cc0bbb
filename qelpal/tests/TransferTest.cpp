// Copying a range of a file into a pipe inside the kernel.
#include "fs/File.h"
#include "fs/Pipe.h"
#include "fs/Transfer.h"

#include "Exception.h"
#include "BlockedSigpipe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using qel::fs::File;
using qel::fs::Pipe;
using qel::fs::StreamFile;

class Transfer : public ::testing::Test {
protected:
    // A source file of `size` bytes counting up from 0 modulo 251.
    void makeSource(size_t size) {
        std::string content(size, '\0');
        for (size_t i = 0; i < size; ++i)
            content[i] = static_cast<char>(i % 251);
        m_source.open(m_dir.write("source", content), File::READ);
        m_content = content;
    }

    // Transfers the whole source into a pipe whose reader does readerSide,
    // then goes away; returns the error number the transfer failed with.
    template <typename ReaderSide>
    int errorWhenTheReaderLeaves(ReaderSide readerSide) {
        BlockedSigpipe blocked;
        Pipe pipe;
        StreamFile reader, writer;
        reader.open(pipe, true);
        writer.open(pipe, false);
        int error = 0;
        std::thread feed([&] {
            try {
                qel::fs::transfer(m_source, 0, m_content.size(), writer);
            } catch (const qel::OsError& e) {
                error = e.errorNumber();
            }
        });
        readerSide(reader);
        reader.close();
        feed.join();
        return error;
    }

    ScratchDir m_dir;
    StreamFile m_source;
    std::string m_content;
};

TEST_F(Transfer, WritesTheRangeIntoAPipeBeyondItsCapacity) {
    // Larger than a pipe holds: the reader must drain it meanwhile.
    makeSource(3 * 1024 * 1024 + 17);
    Pipe pipe;
    StreamFile reader, writer;
    reader.open(pipe, true);
    writer.open(pipe, false);
    const uint64_t offset = 1000, length = m_content.size() - 2000;
    std::string got;
    std::thread drain([&] {
        char buffer[65536];
        while (const ssize_t n = reader.read(buffer, sizeof buffer))
            got.append(buffer, static_cast<size_t>(n));
    });
    qel::fs::transfer(m_source, offset, length, writer);
    writer.close();
    drain.join();
    EXPECT_TRUE(got == m_content.substr(offset, length)) << got.size() << " bytes";
}

TEST_F(Transfer, AReaderTakingLittleAtATimeDoesNotWakeTheWriterForEachRead) {
    // tar reads its archive 10 KiB at a time. A writer woken by each of those
    // reads would switch more than 1,600 times for 16 MiB; one that refills
    // the pipe when half of it is gone sleeps a few dozen times.
    makeSource(16 * 1024 * 1024);
    Pipe pipe;
    StreamFile reader, writer;
    reader.open(pipe, true);
    writer.open(pipe, false);
    std::string got;
    std::thread drain([&] {
        char buffer[10240];
        while (const ssize_t n = reader.read(buffer, sizeof buffer))
            got.append(buffer, static_cast<size_t>(n));
    });
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    qel::fs::transfer(m_source, 0, m_content.size(), writer);
    getrusage(RUSAGE_THREAD, &after);
    // Writing blocks again afterwards, as before the transfer.
    EXPECT_EQ(fcntl(writer.fd(), F_GETFL) & O_NONBLOCK, 0);
    writer.close();
    drain.join();
    EXPECT_TRUE(got == m_content) << got.size() << " bytes";
    EXPECT_LT(after.ru_nvcsw - before.ru_nvcsw, 200);
}

TEST_F(Transfer, AReaderGoingAwayWhileTheWriterWaitsForRoomFailsWithEpipe) {
    makeSource(4 * 1024 * 1024);
    // Some of it read, then the reader is gone.
    EXPECT_EQ(errorWhenTheReaderLeaves([](StreamFile& reader) {
                  char buffer[65536];
                  size_t taken = 0;
                  while (taken < 2 * sizeof buffer)
                      taken += static_cast<size_t>(reader.read(buffer, sizeof buffer));
              }),
              EPIPE);
}

TEST_F(Transfer, APipeWithoutReaderFailsWithEpipe) {
    makeSource(100);
    BlockedSigpipe blocked;
    Pipe pipe;
    StreamFile writer;
    writer.open(pipe, false);
    pipe.closeRead();
    try {
        qel::fs::transfer(m_source, 0, 100, writer);
        ADD_FAILURE();
    } catch (const qel::OsError& e) {
        EXPECT_EQ(e.errorNumber(), EPIPE);
    }
}

TEST_F(Transfer, AReaderThatStopsReadingFailsTheTransfer) {
    // More than a pipe holds by default: the data cannot all wait in the
    // pipe, so a reader that goes without reading it is noticed.
    makeSource(256 * 1024);
    EXPECT_EQ(errorWhenTheReaderLeaves([](StreamFile& reader) {
                  int queued = 0;
                  while (queued == 0 && ioctl(reader.fd(), FIONREAD, &queued) == 0)
                      usleep(1000);
              }),
              EPIPE);
}

TEST_F(Transfer, ASourceEndingBeforeTheRangeFails) {
    makeSource(100);
    File target;
    target.open(m_dir / "target", File::WRITE, File::CREATE);
    try {
        qel::fs::transfer(m_source, 50, 51, target);
        ADD_FAILURE();
    } catch (const qel::OsError& e) {
        EXPECT_EQ(e.errorNumber(), ENODATA);
    }
}

} // namespace
