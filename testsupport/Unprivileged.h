#pragma once
// Runs part of a test without root rights, so that permission checks apply
// even when the test program runs as root (as in CI). As root the body runs
// in a forked child as nobody (65534); its result text comes back through a
// pipe. Files the body touches must be accessible to that user.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace unprivileged {

const uid_t nobody_uid = 65534;
const gid_t nobody_gid = 65534;

// The user the body runs as.
inline uid_t uid() { return ::geteuid() == 0 ? nobody_uid : ::geteuid(); }

// Hands a directory created by the test to the body's user.
inline void handOver(const std::string& path) {
    if (::geteuid() == 0 && ::chown(path.c_str(), nobody_uid, nobody_gid) != 0)
        throw std::runtime_error("chown failed for " + path);
}

inline std::string run(const std::function<std::string()>& body) {
    if (::geteuid() != 0)
        return body();
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        ::close(fds[0]);
        std::string result;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody_gid) != 0 ||
            ::setuid(nobody_uid) != 0) {
            result = "dropping root failed";
        } else {
            try {
                result = body();
            } catch (const std::exception& e) {
                result = std::string("body threw: ") + e.what();
            }
        }
        for (size_t done = 0; done < result.size();) {
            const ssize_t put = ::write(fds[1], result.data() + done, result.size() - done);
            if (put <= 0)
                break;
            done += static_cast<size_t>(put);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<size_t>(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "unprivileged child failed";
    return result;
}

} // namespace unprivileged
