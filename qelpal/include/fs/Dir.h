#pragma once
// Reading directories. Entries are examined and entered relative to the open
// directory, so a walk does not depend on path names staying put.
#include "NoCopy.h"

#include <dirent.h>

#include <string>

namespace qel::fs {

class Info;

class Dir : public NoCopy {
public:
    Dir() = default;
    // Closes the directory; a failure is reported on standard error.
    ~Dir();

    void open(const std::string& path);
    void close();
    bool isOpen() const { return m_dir != nullptr; }
    // The descriptor of the open directory, -1 when closed.
    int fd() const { return m_fd; }

    // Reads the next entry ("." and ".." included); false at the end.
    bool nextEntry();
    // The name of the current entry; empty before the first one.
    const std::string& entryName() const { return m_entry; }
    // The status of the current entry; follow decides about symbolic links.
    void entryInfo(Info& out, bool follow) const;
    // Opens the current entry as a directory into sub. Without follow a
    // symbolic link is not entered, even if it replaced the directory since
    // its status was read.
    void entryDir(Dir& sub, bool follow = true) const;
    // The status of the open directory itself.
    void dirInfo(Info& out) const;

    // Whether the directory holds no entry other than "." and "..".
    static bool isEmptyDir(const std::string& path);

private:
    bool hasEntry() const { return m_dir && !m_entry.empty(); }

    DIR* m_dir = nullptr;
    int m_fd = -1;
    std::string m_entry;
};

} // namespace qel::fs
