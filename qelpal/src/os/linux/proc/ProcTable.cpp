// The process table as /proc shows it.
#include "os/posix/OsCall.h"
#include "proc/Process.h"

#include <cctype>
#include <dirent.h>
#include <fstream>
#include <memory>

namespace qel::proc {

namespace {

bool allDigits(const char* text) {
    if (!*text)
        return false;
    for (; *text; ++text)
        if (!std::isdigit(static_cast<unsigned char>(*text)))
            return false;
    return true;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Whether /proc/<pid>/status has the line "Name: <name>". A process that
// ended meanwhile has no status and does not match.
bool hasName(const std::string& pid, const std::string& name) {
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos || line.find(':', colon + 1) != std::string::npos)
            continue;
        if (trimmed(line.substr(0, colon)) == "Name")
            return trimmed(line.substr(colon + 1)) == name;
    }
    return false;
}

} // namespace

std::set<pid_t> findByName(const std::string& name) {
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), &closedir);
    if (!proc) {
        FsError e("/proc", errno);
        QEL_LOCATE(e);
        e.raise();
    }
    std::set<pid_t> found;
    errno = 0;
    while (const dirent* entry = readdir(proc.get())) {
        if (allDigits(entry->d_name) && hasName(entry->d_name, name))
            found.insert(static_cast<pid_t>(std::stol(entry->d_name)));
        errno = 0;
    }
    if (errno != 0)
        QEL_RAISE_OS(errno);
    return found;
}

} // namespace qel::proc
