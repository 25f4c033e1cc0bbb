#pragma once
// Helpers of the signal and child-process tests: a running platform layer,
// a pipe and real children.
#include "QelPal.h"
#include "fs/File.h"
#include "fs/Pipe.h"
#include "proc/Child.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unistd.h>

namespace qeltest {

// Every test gets a fresh platform layer, and with it the collector's
// shut-down at its end.
class PalTest : public testing::Test {
protected:
    void SetUp() override { m_pal = std::make_unique<qel::QelPal>(true, false, 2); }
    void TearDown() override { m_pal.reset(); }

    std::unique_ptr<qel::QelPal> m_pal;
};

// A pipe whose ends this process closes when the test is done with it.
class TestPipe {
public:
    ~TestPipe() {
        m_pipe.closeRead();
        m_pipe.closeWrite();
    }
    int readFd() const { return m_pipe.readFd(); }
    int writeFd() const { return m_pipe.writeFd(); }
    void closeRead() { m_pipe.closeRead(); }
    void closeWrite() { m_pipe.closeWrite(); }

    // Everything until end of data; closes this process's write end first.
    std::string drain() {
        m_pipe.closeWrite();
        qel::fs::StreamFile reader;
        reader.open(m_pipe, true);
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = reader.read(buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }

private:
    qel::fs::Pipe m_pipe;
};

// Runs /bin/sh -c script to its end; its standard output lands in *out.
inline qel::proc::WaitResult runShell(const std::string& script, std::string* out = nullptr) {
    qel::proc::Child child;
    child.arguments() = {"/bin/sh", "-c", script};
    TestPipe pipe;
    if (out)
        child.setStdout(pipe.writeFd());
    child.create();
    if (out)
        *out = pipe.drain();
    return child.wait();
}

} // namespace qeltest
