#pragma once
// Runs a shell command line and collects what it writes to standard output.
// Deliberately independent of the code under test.
#include <cstdio>
#include <string>
#include <sys/wait.h>

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
