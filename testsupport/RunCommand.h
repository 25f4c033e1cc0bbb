#pragma once
// Runs a shell command line and collects what it writes to standard output.
// Deliberately independent of the code under test.
#include <climits>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

struct CommandResult {
    int status; // exit status, -1 when the command did not end normally
    std::string output;
};

inline CommandResult runCommand(const std::string& command) {
    CommandResult result{-1, ""};
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        return result;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, child))
        result.output.append(buffer, n);
    const int status = pclose(child);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The path of the running test program, for a command that runs it again.
// Read by the process itself: under an emulator (qemu's user mode runs the
// 32-bit build on a kernel without IA-32 support) /proc/<pid>/exe seen from
// another process names the emulator, /proc/self/exe seen from inside the
// program.
inline std::string selfExe() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}
