// The process table as /proc shows it.
#include "fs/Dir.h"
#include "fs/StringOps.h"
#include "proc/Process.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

namespace qel::proc {

namespace {

bool allDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Whether /proc/<pid>/status has the line "Name: <name>". A process that
// ended meanwhile has no status and does not match.
bool hasName(const std::string& pid, const std::string& name) {
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    std::vector<std::string> fields;
    while (std::getline(status, line)) {
        fs::split(line, ':', fields, true);
        if (fields.size() == 2 && fields[0] == "Name")
            return fields[1] == name;
    }
    return false;
}

} // namespace

std::set<pid_t> findByName(const std::string& name) {
    fs::Dir proc;
    proc.open("/proc");
    std::set<pid_t> found;
    while (proc.nextEntry()) {
        const std::string& entry = proc.entryName();
        if (allDigits(entry) && hasName(entry, name))
            found.insert(static_cast<pid_t>(std::stol(entry)));
    }
    return found;
}

pid_t parentOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return -1;
    // "<pid> (<name>) <state> <ppid> ...": the name may hold blanks and
    // parentheses, so the fields count from the last ")".
    const std::string::size_type close = line.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(line.substr(close + 1));
    std::string state;
    pid_t parent = -1;
    if (!(fields >> state >> parent))
        return -1;
    return parent;
}

std::set<pid_t> childrenOf(pid_t pid) {
    fs::Dir proc;
    proc.open("/proc");
    std::set<pid_t> found;
    while (proc.nextEntry()) {
        const std::string& entry = proc.entryName();
        if (!allDigits(entry))
            continue;
        const pid_t candidate = static_cast<pid_t>(std::stol(entry));
        if (parentOf(candidate) == pid)
            found.insert(candidate);
    }
    return found;
}

} // namespace qel::proc
