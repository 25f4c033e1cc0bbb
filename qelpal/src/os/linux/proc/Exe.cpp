#include "os/posix/OsCall.h"
#include "proc/Process.h"

#include <unistd.h>

#include <fstream>

namespace qel::proc {

std::string exe() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n == -1)
        QEL_RAISE_OS(errno);
    return std::string(buffer, static_cast<size_t>(n));
}

bool runsProgram(pid_t pid, const std::string& program) {
    const std::string dir = "/proc/" + std::to_string(pid);
    char buffer[4096];
    const ssize_t n = readlink((dir + "/exe").c_str(), buffer, sizeof buffer);
    if (n > 0 && program.compare(0, std::string::npos, buffer, static_cast<size_t>(n)) == 0)
        return true;
    // A program started through a binfmt interpreter (an emulator) shows the
    // interpreter as its exe; its own file is then among those it maps. A
    // line is "address mode offset device inode path", only the path has '/'.
    std::ifstream maps(dir + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const std::string::size_type path = line.find('/');
        if (path != std::string::npos && line.compare(path, std::string::npos, program) == 0)
            return true;
    }
    return false;
}

} // namespace qel::proc
