#include "fs/Dir.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "gettext/Tr.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace qel::fs {

Dir::~Dir() {
    try {
        close();
    } catch (const Exception& e) {
        std::cerr << QEL_TR_PAL("Error closing directory:\n\n") << describe(e) << "\n";
    }
}

void Dir::open(const std::string& path) {
    close();
    m_entry.clear();
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        QEL_THROW(FsError, path);
    const int fd = ::dirfd(dir);
    if (fd < 0) {
        const int err = errno;
        ::closedir(dir);
        QEL_THROW(FsError, path, err);
    }
    m_dir = dir;
    m_fd = fd;
}

void Dir::close() {
    if (!m_dir)
        return;
    DIR* dir = m_dir;
    m_dir = nullptr;
    m_fd = -1;
    if (::closedir(dir) != 0)
        QEL_THROW(OsError, errno);
}

bool Dir::nextEntry() {
    if (!m_dir)
        QEL_THROW(UsageError, QEL_TR_PAL("No directory is open"));
    // readdir() is safe per directory stream; each Dir owns its stream.
    errno = 0;
    const struct dirent* entry = ::readdir(m_dir);
    if (!entry) {
        if (errno != 0)
            QEL_THROW(OsError, errno);
        m_entry.clear();
        return false;
    }
    m_entry = entry->d_name;
    return true;
}

void Dir::entryInfo(Info& out, bool follow) const {
    if (!hasEntry())
        QEL_THROW(UsageError, QEL_TR_PAL("No valid dir or dir entry selected"));
    if (::fstatat(m_fd, m_entry.c_str(), &out.stat(), follow ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        QEL_THROW(OsError, errno);
}

void Dir::entryDir(Dir& sub, bool follow) const {
    sub.close();
    if (!hasEntry())
        QEL_THROW(UsageError, QEL_TR_PAL("The Dir object is invalid"));
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
    const int fd = ::openat(m_fd, m_entry.c_str(), flags);
    if (fd < 0)
        QEL_THROW(OsError, errno);
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int err = errno;
        ::close(fd);
        QEL_THROW(OsError, err);
    }
    sub.m_dir = dir;
    sub.m_fd = fd;
    sub.m_entry.clear();
}

void Dir::dirInfo(Info& out) const {
    if (!m_dir)
        QEL_THROW(UsageError, QEL_TR_PAL("No directory is open"));
    out = Info::get(m_fd);
}

bool Dir::isEmptyDir(const std::string& path) {
    Dir dir;
    dir.open(path);
    while (dir.nextEntry()) {
        if (dir.entryName() != "." && dir.entryName() != "..")
            return false;
    }
    return true;
}

} // namespace qel::fs
