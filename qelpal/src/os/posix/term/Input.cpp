#include "term/Input.h"

#include "Exception.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qel::term {

namespace {

// The wake-up pipe lives for the whole process. Once interrupt() has written
// its byte the read end stays readable, so every later question ends too.
std::atomic<int> g_wake_read{-1};
std::atomic<int> g_wake_write{-1};

} // namespace

void Input::setup() {
    if (g_wake_read.load() >= 0)
        return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        OsError e(errno);
        QEL_LOCATE(e);
        e.raise();
    }
    g_wake_write.store(fds[1]);
    g_wake_read.store(fds[0]);
}

void Input::interrupt() {
    const int fd = g_wake_write.load();
    if (fd < 0)
        return;
    const char byte = 'q';
    // A full pipe already wakes every reader, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
}

bool Input::readLine(int fd, std::string& line) {
    line.clear();
    // poll() skips negative descriptors, so such a read would wait for ever.
    if (fd < 0)
        return false;
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {g_wake_read.load(), POLLIN, 0}};
        const nfds_t count = fds[1].fd >= 0 ? 2 : 1;
        const int ready = ::poll(fds, count, -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (count == 2 && fds[1].revents != 0)
            return false;
        if (fds[0].revents == 0)
            continue;
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        line += c;
    }
}

} // namespace qel::term
