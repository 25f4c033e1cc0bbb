#include "config/PlainCfg.h"

#include "Exception.h"
#include "fs/StringOps.h"
#include "gettext/Tr.h"

#include <cctype>
#include <cerrno>
#include <fstream>

namespace qel::aux {

const std::string PlainCfg::m_invalid;

namespace {
bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
} // namespace

void PlainCfg::open(const std::string& path) {
    m_entries.clear();
    std::ifstream in(path);
    if (!in) {
        FsError e(path, errno);
        QEL_LOCATE(e);
        e.raise();
    }
    // A last line without a line end counts like any other.
    std::string line;
    while (std::getline(in, line)) {
        std::string::size_type start = 0;
        while (start < line.size() && isSpace(line[start]))
            ++start;
        std::string::size_type end = start;
        while (end < line.size() && !isSpace(line[end]))
            ++end;
        if (end == start || line[start] == '#')
            continue;
        std::string value = line.substr(end);
        fs::trim(value);
        m_entries[line.substr(start, end - start)] = value;
    }
    if (in.bad()) {
        FsError e(path, errno);
        QEL_LOCATE(e);
        e.raise();
    }
}

void PlainCfg::write(const std::string& path) const {
    std::ofstream out(path, std::ios::trunc);
    if (!out) {
        FsError e(path, errno);
        QEL_LOCATE(e);
        e.raise();
    }
    for (const auto& entry : m_entries)
        out << entry.first << ' ' << entry.second << '\n';
    out.flush();
    out.close();
    // A full disk must not pass for a complete file.
    if (out.fail()) {
        FsError e(path, errno);
        QEL_LOCATE(e);
        e.raise();
    }
}

const std::string& PlainCfg::get(const std::string& key) const {
    const auto found = m_entries.find(key);
    return found == m_entries.end() ? m_invalid : found->second;
}

void PlainCfg::set(const std::string& key, const std::string& value) {
    bool word = !key.empty() && key[0] != '#';
    for (char c : key)
        word = word && !isSpace(c);
    if (!word)
        QEL_THROW(UsageError, QEL_TR_AUX("plain configuration key must be one word"));
    if (value.find('\n') != std::string::npos)
        QEL_THROW(UsageError, QEL_TR_AUX("plain configuration value must be one line"));
    m_entries[key] = value;
}

} // namespace qel::aux
