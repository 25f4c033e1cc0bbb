#include "gettext/Binding.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace qel::gettext_detail {

std::string executablePath() {
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target - 1);
    return length < 0 ? std::string() : std::string(target, static_cast<size_t>(length));
}

bool isDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string absoluteDir(const std::string& dir) {
    if (dir.empty() || dir[0] == '/') {
        return dir;
    }
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) == nullptr ? dir : std::string(cwd) + "/" + dir;
}

} // namespace qel::gettext_detail
