#include "fs/Transfer.h"

#include "fs/File.h"
#include "os/posix/OsCall.h"
#include "os/posix/signal/Retry.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

namespace qel::fs {

namespace {

// What an unprivileged process may give a pipe by default.
constexpr int WIDE_PIPE = 1 << 20;

// A writer that waits in the kernel for room in a full pipe is woken by every
// read that makes some: a reader taking a few KiB at a time (tar takes 10 KiB,
// sha256sum 32 KiB) costs both sides a wake-up per read, which on a virtual
// machine costs about as much CPU as moving the data. Into a wide pipe the
// writer therefore does not wait in the kernel: with the pipe full it sleeps
// while the reader drains it and refills it when about half is gone. The
// pause follows the reader: it doubles while more than three quarters are
// still there after it, and halves when less than a quarter is.
class PipeRefill {
public:
    // Makes writing to fd, a pipe widened to WIDE_PIPE, non-blocking until
    // destroyed.
    explicit PipeRefill(int fd) : m_fd(fd), m_flags(::fcntl(fd, F_GETFL)) {
        if (m_flags == -1 || ::fcntl(fd, F_SETFL, m_flags | O_NONBLOCK) == -1)
            QEL_RAISE_OS(errno);
    }
    ~PipeRefill() { (void)::fcntl(m_fd, F_SETFL, m_flags); }
    PipeRefill(const PipeRefill&) = delete;
    PipeRefill& operator=(const PipeRefill&) = delete;

    // Called when the pipe is full.
    void waitForRoom() {
        std::this_thread::sleep_for(m_pause);
        int left = 0;
        if (::ioctl(m_fd, FIONREAD, &left) != 0)
            return;
        if (left > WIDE_PIPE / 4 * 3)
            m_pause = std::min(m_pause * 2, LONGEST);
        else if (left < WIDE_PIPE / 4)
            m_pause = std::max(m_pause / 2, SHORTEST);
    }

private:
    static constexpr std::chrono::microseconds SHORTEST{50};
    // A reader that stalls costs at most 50 wake-ups a second.
    static constexpr std::chrono::microseconds LONGEST{20000};

    int m_fd;
    int m_flags;
    std::chrono::microseconds m_pause{1000};
};

} // namespace

void transfer(const File& from, uint64_t offset, uint64_t length, const File& to) {
    // Only for more than the wide pipe holds: a reader that stops reading
    // must still make the transfer fail, not leave the data in the pipe. Not
    // a pipe, or no room for the wider one: the writer waits in the kernel.
    std::optional<PipeRefill> refill;
    if (length > WIDE_PIPE && ::fcntl(to.fd(), F_SETPIPE_SZ, WIDE_PIPE) >= WIDE_PIPE)
        refill.emplace(to.fd());
    // sendfile moves less than 2 GiB per call; a 32-bit size_t holds this.
    constexpr uint64_t CHUNK = uint64_t{1} << 30;
    off_t position = static_cast<off_t>(offset);
    while (length > 0) {
        const size_t count = static_cast<size_t>(std::min(length, CHUNK));
        const ssize_t sent = signal::retryOnEintr(
            [&] { return ::sendfile(to.fd(), from.fd(), &position, count); });
        if (sent < 0 && errno == EAGAIN && refill) {
            refill->waitForRoom();
            continue;
        }
        if (sent < 0)
            QEL_RAISE_OS(errno);
        if (sent == 0)
            QEL_RAISE_OS(ENODATA);
        length -= static_cast<uint64_t>(sent);
    }
}

} // namespace qel::fs
