#include "proc/Sweeper.h"

#include "Exception.h"
#include "os/posix/signal/Retry.h"

#include <exception>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace qel::proc {

namespace {

// The descriptor the helper reads the pipe from.
constexpr int LINE_FD = 3;
// Follows a path, its end, once the path is handed on.
constexpr char HANDED_ON = '\0';
// Blocked in the helper for good: it stays for these, the pipe alone tells it
// to go.
constexpr int quit_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The helper: reads the path, then either the word that it was handed on or
// the end of the pipe.
int sweep(int line, const Sweeper::Remove& remove) {
    // Nothing else stays open: neither the terminal, whose hang-up waits for
    // its last holder, nor the pipes and files of our starter.
    if (line != LINE_FD && dup2(line, LINE_FD) == -1)
        return 1;
    for (int fd = 0; fd < LINE_FD; ++fd)
        close(fd);
    closefrom(LINE_FD + 1);

    std::string received;
    char buffer[256];
    for (;;) {
        const ssize_t n =
            signal::retryOnEintr([&] { return read(LINE_FD, buffer, sizeof buffer); });
        if (n < 0)
            return 1;
        if (n == 0)
            break;
        received.append(buffer, static_cast<size_t>(n));
        const std::string::size_type end = received.find('\0');
        if (end != std::string::npos && received.size() > end + 1)
            return 0;
    }
    // The writer has ended: remove what it told of in full.
    const std::string::size_type end = received.find('\0');
    if (end != std::string::npos && end > 0)
        remove(received.substr(0, end));
    return 0;
}

} // namespace

Sweeper::Sweeper(const Remove& remove) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        QEL_THROW(OsError, errno);
    const int line = fds[0];
    // The helper keeps the mask it was forked with.
    sigset_t quit;
    sigset_t before;
    sigemptyset(&quit);
    for (int sig : quit_signals)
        sigaddset(&quit, sig);
    pthread_sigmask(SIG_BLOCK, &quit, &before);
    std::exception_ptr failure;
    try {
        m_helper.fork([line, &remove] { return sweep(line, remove); });
    } catch (...) {
        failure = std::current_exception();
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    close(line);
    if (failure) {
        close(fds[1]);
        std::rethrow_exception(failure);
    }
    m_write = fds[1];
}

Sweeper::~Sweeper() { release(); }

void Sweeper::watch(const std::string& path) {
    // One write below PIPE_BUF arrives whole or not at all.
    const std::string message = path + '\0';
    const ssize_t n = signal::retryOnEintr(
        [&] { return write(m_write, message.data(), message.size()); });
    if (n != static_cast<ssize_t>(message.size()))
        QEL_THROW(OsError, n < 0 ? errno : EIO);
}

void Sweeper::release() noexcept {
    if (m_write == -1)
        return;
    signal::retryOnEintr([this] { return write(m_write, &HANDED_ON, 1); });
    close(m_write);
    m_write = -1;
    try {
        m_helper.wait();
    } catch (const Exception&) {
    }
}

} // namespace qel::proc
