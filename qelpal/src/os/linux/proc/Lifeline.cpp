#include "proc/Lifeline.h"

#include "Exception.h"
#include "os/posix/signal/Retry.h"
#include "proc/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel::proc {

namespace {

// Whether pid is this process or one of its ancestors. An ancestor that has
// ended is no longer found: its children went to another parent.
bool isSelfOrAncestor(pid_t pid) {
    for (pid_t p = getpid(); p > 1; p = parentOf(p))
        if (p == pid)
            return true;
    return false;
}

} // namespace

Lifeline::Lifeline() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        QEL_THROW(OsError, errno);
    m_read = fds[0];
    m_write = fds[1];
}

Lifeline::~Lifeline() {
    cut();
    close(m_read);
}

std::string Lifeline::token() const {
    return std::to_string(getpid()) + ":" + std::to_string(m_read);
}

void Lifeline::cut() noexcept {
    const int fd = m_write.exchange(-1);
    if (fd != -1)
        close(fd);
}

LifelineWatch::LifelineWatch() : m_thread(this, "lifeline") {}

LifelineWatch::~LifelineWatch() {
    stop();
    closeAll();
}

bool LifelineWatch::attach(const std::string& token) {
    const std::string::size_type colon = token.find(':');
    if (colon == std::string::npos)
        return false;
    pid_t holder;
    try {
        holder = static_cast<pid_t>(std::stol(token.substr(0, colon)));
        std::stoi(token.substr(colon + 1));
    } catch (const std::exception&) {
        return false;
    }
    if (!isSelfOrAncestor(holder))
        return false;
    const std::string proc = "/proc/" + std::to_string(holder);
    struct stat holderInfo;
    if (stat(proc.c_str(), &holderInfo) != 0)
        return false;
    const int line = open((proc + "/fd/" + token.substr(colon + 1)).c_str(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (line == -1)
        return false;
    struct stat lineInfo;
    // Checked again: the id could have been reused by another process
    // before the open, but then it is no ancestor of ours.
    if (fstat(line, &lineInfo) != 0 || !S_ISFIFO(lineInfo.st_mode) || !isSelfOrAncestor(holder)) {
        close(line);
        return false;
    }
    if (pipe2(m_wake, O_CLOEXEC) != 0) {
        close(line);
        QEL_THROW(OsError, errno);
    }
    m_holder = holder;
    m_holder_uid = holderInfo.st_uid;
    m_line = line;
    return true;
}

void LifelineWatch::start(int sig) {
    if (m_line == -1 || m_started)
        return;
    m_signal = sig;
    m_thread.run();
    m_started = true;
}

void LifelineWatch::stop() noexcept {
    if (!m_started)
        return;
    const char wake = 0;
    signal::retryOnEintr([&] { return write(m_wake[1], &wake, 1); });
    try {
        m_thread.join();
    } catch (const Exception&) {
    }
    m_started = false;
}

bool LifelineWatch::holderEnded() const { return m_holder != -1 && !isSelfOrAncestor(m_holder); }

void LifelineWatch::run(thread::CppThread&) {
    pollfd watched[2] = {{m_line, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    while (signal::retryOnEintr([&] { return poll(watched, 2, -1); }) >= 0) {
        if (watched[1].revents != 0)
            return;
        // Nobody writes: anything on the line means its last writer went.
        if (watched[0].revents != 0) {
            kill(getpid(), m_signal);
            return;
        }
    }
}

void LifelineWatch::closeAll() noexcept {
    for (int* fd : {&m_line, &m_wake[0], &m_wake[1]}) {
        if (*fd != -1)
            close(*fd);
        *fd = -1;
    }
}

} // namespace qel::proc
