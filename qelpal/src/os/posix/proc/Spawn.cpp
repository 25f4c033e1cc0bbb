// Starting a child: fork() in the parent, and what the new process does
// until it executes its program (or runs a body of ours). The new process
// only rearranges descriptors, reports a failure and leaves with _exit,
// never returning into the caller's code.
#include "gettext/Tr.h"
#include "os/posix/OsCall.h"
#include "os/posix/signal/Retry.h"
#include "os/posix/signal/Set.h"
#include "proc/Child.h"
#include "proc/Shepherd.h"

#include <fcntl.h>
#include <string>
#include <unistd.h>

extern char** environ;

namespace qel::proc {

namespace {

// Exit code of a child whose program could not be started.
constexpr int EXEC_FAILED = 125;

// A null-terminated array pointing into items, which must outlive it.
std::vector<char*> cArray(const std::vector<std::string>& items) {
    std::vector<char*> array;
    array.reserve(items.size() + 1);
    for (const std::string& item : items)
        array.push_back(const_cast<char*>(item.c_str()));
    array.push_back(nullptr);
    return array;
}

void writeError(const std::string& text) noexcept {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = signal::retryOnEintr(
            [&] { return ::write(STDERR_FILENO, text.data() + done, text.size() - done); });
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

std::string reportLead(const char* program) {
    return QEL_TR_PAL("In child process ") + std::to_string(getpid()) + " (" + program + "):\n";
}

} // namespace

void Child::create() {
    if (m_arguments.empty() || m_arguments[0].empty())
        QEL_THROW(UsageError, QEL_TR_PAL("No executable specified"));
    // Built before fork(): the new process should do as little as it can.
    const std::vector<char*> argv = cArray(m_arguments);
    const std::vector<char*> envp = cArray(m_environment);
    const pid_t parent = getpid();
    start([&] { execInChild(argv.data(), m_environment.empty() ? environ : envp.data(), parent); });
}

void Child::fork(const std::function<int()>& body) {
    start([&body] {
        int code = 1;
        try {
            code = body();
        } catch (...) {
        }
        _exit(code);
    });
}

void Child::start(const std::function<void()>& inChild) {
    Shepherd& collector = shepherd();
    auto guard = collector.condition().lock();
    const pid_t pid = ::fork();
    if (pid == 0)
        inChild();
    if (pid == -1) {
        const int err = errno;
        guard.release();
        QEL_RAISE_OS(err);
    }
    m_child = pid;
    collector.registerChild(pid, m_notify ? this : nullptr);
}

void Child::execInChild(char* const* argv, char* const* envp, pid_t parent) const noexcept {
    try {
        pthread_sigmask(SIG_SETMASK, &signal::Set::m_original, nullptr);
        // Our parent is gone already: end as its death would have ended us.
        if (m_parent_death != 0 && !endWithParent(m_parent_death, parent)) {
            ::kill(getpid(), m_parent_death);
            _exit(EXEC_FAILED);
        }

        struct Redirect {
            int fd;
            int target;
            const char* failure;
        } redirects[] = {
            {m_stdout, STDOUT_FILENO, QEL_TR_PAL("Error dup2()'ing stdout: ")},
            {m_stderr, STDERR_FILENO, QEL_TR_PAL("Error dup2()'ing stderr: ")},
            {m_stdin, STDIN_FILENO, QEL_TR_PAL("Error dup2()'ing stdin: ")},
        };
        // Every source moves above the standard descriptors first, so that
        // one redirection cannot overwrite the source of another. The copies
        // are close-on-exec; only the standard descriptors reach the program.
        int errors[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            if (redirects[i].fd == -1)
                continue;
            redirects[i].fd = fcntl(redirects[i].fd, F_DUPFD_CLOEXEC, 3);
            if (redirects[i].fd == -1)
                errors[i] = errno;
        }
        for (int i = 0; i < 3; ++i) {
            if (redirects[i].fd != -1 &&
                signal::retryOnEintr([&] { return dup2(redirects[i].fd, redirects[i].target); }) == -1)
                errors[i] = errno;
            if (errors[i] != 0)
                writeError(redirects[i].failure + std::to_string(errors[i]) + "\n");
        }

        if (!m_workdir.empty() && chdir(m_workdir.c_str()) != 0) {
            FsError e(m_workdir, errno);
            QEL_LOCATE(e);
            writeError(reportLead(argv[0]) + "\n" +
                       QEL_TR_PAL("Cannot change working directory:\n") + describe(e) + "\n");
            _exit(EXEC_FAILED);
        }

        execve(m_program.empty() ? argv[0] : m_program.c_str(), argv, envp);
        OsError e(errno);
        QEL_LOCATE(e);
        writeError(reportLead(argv[0]) + describe(e) + "\n");
    } catch (...) {
    }
    _exit(EXEC_FAILED);
}

} // namespace qel::proc
