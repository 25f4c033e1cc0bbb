#pragma once
// Helpers of the signal and child-process tests: a running platform layer,
// a close-on-exec pipe and real children.
#include "QelPal.h"
#include "proc/Child.h"

#include <gtest/gtest.h>

#include <fcntl.h>
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

struct TestPipe {
    int read = -1;
    int write = -1;
    TestPipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~TestPipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read != -1)
            ::close(read);
        read = -1;
    }
    void closeWrite() {
        if (write != -1)
            ::close(write);
        write = -1;
    }
    // Everything until end of data; closes this process's write end first.
    std::string drain() {
        closeWrite();
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(read, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }
};

// Runs /bin/sh -c script to its end; its standard output lands in *out.
inline qel::proc::WaitResult runShell(const std::string& script, std::string* out = nullptr) {
    qel::proc::Child child;
    child.arguments() = {"/bin/sh", "-c", script};
    TestPipe pipe;
    if (out)
        child.setStdout(pipe.write);
    child.create();
    if (out)
        *out = pipe.drain();
    return child.wait();
}

} // namespace qeltest
