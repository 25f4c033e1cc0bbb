#pragma once
// Path texts: free functions on std::string and the value class Path, which
// holds a text without trailing slashes.
#include <string>
#include <vector>

namespace qel::fs {

// Non-empty and starting with "/".
bool isAbsolute(const std::string& path);
// Removes trailing "/" while the text is longer than one character.
void stripTrailingSlashes(std::string& path);
// "/" for an absolute path, otherwise empty.
std::string root(const std::string& path);
// The non-empty components between "/" separators.
std::vector<std::string> split(const std::string& path);
// "/" when absolute, then the components separated by "/".
std::string join(const std::vector<std::string>& components, bool absolute);

// In place: cuts at the last "/". "/" stays, a text without "/" becomes ".",
// and a one-component absolute path becomes "/".
void parent(std::string& path);
// In place: removes the last n components; a relative path runs out at the
// empty text, an absolute one at "/".
void dropLast(std::string& path, unsigned n = 1);
// In place: keeps what follows the last "/".
void baseName(std::string& path);
// In place: puts the working directory in front of a relative path (a first
// component "." stands for it, ".." for its parent) and joins the
// components. A path without components stays as it is.
void makeAbsolute(std::string& path);
// In place: replaces the text by its realpath(); throws qel::FsError.
void assignCanonical(std::string& path);

class Path {
public:
    Path() = default;
    Path(std::string text);
    Path(const char* text);

    const std::string& str() const { return m_path; }
    operator const std::string&() const { return m_path; }
    const char* c_str() const { return m_path.c_str(); }
    bool empty() const { return m_path.empty(); }

    bool isAbsolute() const { return fs::isAbsolute(m_path); }
    std::string root() const { return fs::root(m_path); }
    std::vector<std::string> split() const { return fs::split(m_path); }

    Path& parent();
    Path& dropLast(unsigned n = 1);
    Path& baseName();
    Path& makeAbsolute();
    Path& assignCanonical();

    friend bool operator==(const Path& a, const Path& b) { return a.m_path == b.m_path; }
    friend bool operator!=(const Path& a, const Path& b) { return a.m_path != b.m_path; }

private:
    std::string m_path;
};

} // namespace qel::fs
