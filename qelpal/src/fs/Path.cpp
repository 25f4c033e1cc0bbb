#include "fs/Path.h"

#include "fs/Ops.h"
#include "fs/StringOps.h"

namespace qel::fs {

bool isAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

void stripTrailingSlashes(std::string& path) {
    std::string::size_type length = path.size();
    while (length > 1 && path[length - 1] == '/')
        --length;
    path.resize(length);
}

std::string root(const std::string& path) { return isAbsolute(path) ? "/" : ""; }

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> components;
    split(path, '/', components);
    return components;
}

std::string join(const std::vector<std::string>& components, bool absolute) {
    std::string path = absolute ? "/" : "";
    for (size_t i = 0; i < components.size(); ++i) {
        if (i > 0)
            path += '/';
        path += components[i];
    }
    return path;
}

namespace {
// Cuts at the last "/"; an absolute path keeps its root.
void cutLast(std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        path.clear();
    else
        path.resize(slash == 0 ? 1 : slash);
}
} // namespace

void parent(std::string& path) {
    if (path == "/")
        return;
    if (path.find('/') == std::string::npos)
        path = ".";
    else
        cutLast(path);
}

void dropLast(std::string& path, unsigned n) {
    for (; n > 0 && !path.empty() && path != "/"; --n)
        cutLast(path);
}

void baseName(std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash != std::string::npos)
        path.erase(0, slash + 1);
}

void makeAbsolute(std::string& path) {
    std::vector<std::string> components = split(path);
    if (components.empty())
        return;
    const bool absolute = isAbsolute(path);
    if (!absolute) {
        std::string base = cwd();
        stripTrailingSlashes(base);
        if (components[0] == ".") {
            components.erase(components.begin());
        } else if (components[0] == "..") {
            components.erase(components.begin());
            parent(base);
        }
        std::vector<std::string> full = split(base);
        full.insert(full.end(), components.begin(), components.end());
        components.swap(full);
    }
    path = join(components, true);
}

Path::Path(std::string text) : m_path(std::move(text)) { stripTrailingSlashes(m_path); }
Path::Path(const char* text) : Path(std::string(text)) {}

Path& Path::parent() {
    fs::parent(m_path);
    return *this;
}

Path& Path::dropLast(unsigned n) {
    fs::dropLast(m_path, n);
    return *this;
}

Path& Path::baseName() {
    fs::baseName(m_path);
    return *this;
}

Path& Path::makeAbsolute() {
    fs::makeAbsolute(m_path);
    return *this;
}

Path& Path::assignCanonical() {
    fs::assignCanonical(m_path);
    return *this;
}

} // namespace qel::fs
