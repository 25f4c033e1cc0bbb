#pragma once
// Small process utilities: the running executable, the process table and
// the environment.
#include <set>
#include <string>
#include <sys/types.h>

namespace qel::proc {

// The path of the running executable.
std::string exe();
// Whether the process pid runs the program file at program (an absolute,
// resolved path, as exe() gives it).
bool runsProgram(pid_t pid, const std::string& program);

// The ids of the processes whose name (as the kernel reports it) is name.
std::set<pid_t> findByName(const std::string& name);

// The parent of the process pid; -1 when there is no such process.
pid_t parentOf(pid_t pid);
// The processes whose parent is pid, as the process table shows them now.
std::set<pid_t> childrenOf(pid_t pid);

class Env {
public:
    // Whether name is set; value is its value, or empty when it is not.
    static bool get(const std::string& name, std::string& value);
    static void set(const std::string& name, const std::string& value);
    // The result of unsetenv: 0 on success.
    static int unset(const std::string& name);
    static char** environment();
};

} // namespace qel::proc
