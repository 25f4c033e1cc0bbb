#pragma once
// Key-value pairs kept in a plain text file, one pair per line: the key is
// the line's first word, the value the rest of the line without surrounding
// white space. Lines that are blank or start with "#" are ignored.
#include <map>
#include <string>

namespace qel::aux {

class PlainCfg {
public:
    // What get() returns for an absent key.
    static const std::string m_invalid;

    // Replaces the content with the entries of the file; a key given twice
    // keeps its last value. Throws qel::FsError when it cannot be read.
    void open(const std::string& path);
    // Writes "key value" lines in key order, replacing the file.
    void write(const std::string& path) const;

    const std::string& get(const std::string& key) const;
    // The key must be one word that does not start with "#", and the value a
    // single line, so that the entry reads back as it was written.
    void set(const std::string& key, const std::string& value);

    const std::map<std::string, std::string>& entries() const { return m_entries; }

private:
    std::map<std::string, std::string> m_entries;
};

} // namespace qel::aux
