#include "fs/Ops.h"

#include "Exception.h"
#include "fs/File.h"
#include "fs/Path.h"
#include "fs/StringOps.h"
#include "gettext/Tr.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace qel::fs {

const char* const NULLDEV = "/dev/null";

namespace {
const size_t path_buffer_size = 4096;
const size_t default_copy_buffer = 8192;

bool hasOwner(const Access& access) {
    return access.uid != static_cast<uid_t>(-1) || access.gid != static_cast<gid_t>(-1);
}
} // namespace

// --- Info ------------------------------------------------------------------

Info::Info() { std::memset(&m_stat, 0, sizeof m_stat); }

Info Info::get(const std::string& path, bool follow) {
    Info info;
    const int rc = follow ? ::stat(path.c_str(), &info.m_stat)
                          : ::lstat(path.c_str(), &info.m_stat);
    if (rc != 0) {
        if (errno == ENOENT)
            QEL_THROW(NoSuchFileError, path);
        QEL_THROW(FsError, path);
    }
    return info;
}

Info Info::get(int fd) {
    Info info;
    if (::fstat(fd, &info.m_stat) != 0)
        QEL_THROW(OsError, errno);
    return info;
}

bool isExecutable(const Info& info) {
    // As the kernel decides: only the class the caller belongs to counts.
    const mode_t mode = info.mode();
    if (info.uid() == ::geteuid())
        return (mode & S_IXUSR) != 0;
    if (info.gid() == ::getegid())
        return (mode & S_IXGRP) != 0;
    return (mode & S_IXOTH) != 0;
}

// --- working directory -------------------------------------------------------

std::string cwd() {
    char buffer[path_buffer_size];
    if (!::getcwd(buffer, sizeof buffer))
        QEL_THROW(OsError, errno);
    return buffer;
}

void setCWD(const std::string& path) {
    if (::chdir(path.c_str()) != 0)
        QEL_THROW(FsError, path);
}

void tempdir(std::string& prefix) {
    prefix += "XXXXXX";
    std::vector<char> pattern(prefix.begin(), prefix.end());
    pattern.push_back('\0');
    if (!::mkdtemp(pattern.data()))
        QEL_THROW(FsError, prefix);
    prefix = pattern.data();
}

void assignCanonical(std::string& path) {
    char buffer[PATH_MAX > path_buffer_size ? PATH_MAX : path_buffer_size];
    if (!::realpath(path.c_str(), buffer))
        QEL_THROW(FsError, path);
    path = buffer;
}

// --- queries -----------------------------------------------------------------

bool exists(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    QEL_THROW(FsError, path);
}

uint64_t availableSpace(const std::string& path) {
    struct statvfs st;
    if (::statvfs(path.c_str(), &st) != 0)
        QEL_THROW(FsError, path);
    return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

std::string findInPath(const std::string& name, bool wantDir) {
    const char* value = std::getenv("PATH");
    if (!value)
        return "";
    std::vector<std::string> dirs;
    split(value, ':', dirs);
    for (const std::string& dir : dirs) {
        const std::string candidate = dir + "/" + name;
        try {
            const Info info = Info::get(candidate, true);
            if (info.isRegular() && isExecutable(info))
                return wantDir ? dir : candidate;
        } catch (const Exception&) {
            // Unreadable candidates do not end the search.
        }
    }
    return "";
}

void readlink(const std::string& path, std::string& target) {
    char buffer[path_buffer_size];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (length < 0)
        QEL_THROW(FsError, path);
    target.assign(buffer, static_cast<size_t>(length));
}

// --- creation and removal ----------------------------------------------------

void mkdir(const std::string& path, const Access* access) {
    if (::mkdir(path.c_str(), access ? access->mode : 0700) != 0) {
        if (errno == ENOENT)
            QEL_THROW(NoSuchFileError, path);
        if (errno == EEXIST)
            QEL_THROW(FileExistsError, path);
        QEL_THROW(FsError, path);
    }
    if (access && hasOwner(*access))
        setOwnership(path.c_str(), -1, *access);
}

void makedirs(const std::string& path, const Access* access) {
    std::string text = path;
    stripTrailingSlashes(text);
    // Lengths of the ancestors that had to be created first, deepest first.
    std::vector<std::string::size_type> missing;
    std::string::size_type length = text.size();
    for (;;) {
        try {
            mkdir(text.substr(0, length), access);
            break;
        } catch (const NoSuchFileError&) {
            const std::string::size_type slash = text.rfind('/', length - 1);
            if (slash == std::string::npos || length == 0) {
                FsError e(path);
                QEL_LOCATE(e);
                e.raise();
            }
            missing.push_back(length);
            length = slash;
        }
    }
    while (!missing.empty()) {
        try {
            mkdir(text.substr(0, missing.back()), access);
        } catch (const FileExistsError&) {
            // An ancestor such as "a/b/.." exists once "a/b" was made; only
            // the path itself must be new.
            if (missing.size() == 1)
                throw;
        }
        missing.pop_back();
    }
}

void symlink(const std::string& link, const std::string& target) {
    if (::symlink(target.c_str(), link.c_str()) != 0)
        QEL_THROW(FsError, link);
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        QEL_THROW(FsError, path);
}

void removeDir(const std::string& path) {
    if (::rmdir(path.c_str()) != 0)
        QEL_THROW(FsError, path);
}

void removeAt(int dirFd, const std::string& name, bool dir, const std::string& path) {
    if (::unlinkat(dirFd, name.c_str(), dir ? AT_REMOVEDIR : 0) != 0)
        QEL_THROW(FsError, path);
}

void remove(const std::string& path) {
    if (Info::get(path, false).isDir())
        removeDir(path);
    else
        removeFile(path);
}

bool tryRemove(const std::string& path) {
    try {
        remove(path);
        return true;
    } catch (const NoSuchFileError&) {
        return false;
    }
}

// --- permissions and owners ----------------------------------------------------

void setAccessPriv(const char* path, int fd, const Access& access) {
    // The owner first: chown() clears the set-user-ID and set-group-ID bits,
    // which the mode then sets again.
    if (hasOwner(access))
        setOwnership(path, fd, access);
    const int rc = path ? ::chmod(path, access.mode) : ::fchmod(fd, access.mode);
    if (rc != 0) {
        if (path)
            QEL_THROW(FsError, path);
        QEL_THROW(OsError, errno);
    }
}

void setOwnership(const char* path, int fd, const Access& access) {
    const int rc = path ? ::chown(path, access.uid, access.gid)
                        : ::fchown(fd, access.uid, access.gid);
    if (rc != 0) {
        if (path)
            QEL_THROW(FsError, path);
        QEL_THROW(OsError, errno);
    }
}

void setAccess(const std::string& path, const Access& access) {
    setAccessPriv(path.c_str(), -1, access);
}

void setAccess(int fd, const Access& access) { setAccessPriv(nullptr, fd, access); }

mode_t setUmask(const Access& access) { return ::umask(access.mode); }

// --- moving and copying --------------------------------------------------------

void rawMove(const std::string& from, const std::string& to, bool overwrite) {
    if (!overwrite && exists(to))
        QEL_THROW(OsError, EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0) {
        if (errno == EXDEV)
            QEL_THROW(NotSameDeviceError, from);
        QEL_THROW(FsError, from + " -> " + to);
    }
}

namespace {
[[noreturn]] void throwErr(const std::string& to, int err) {
    if (err == ETXTBSY) {
        FileBusyError e(to, err);
        QEL_LOCATE(e);
        e.stream() << QEL_TR_PAL("\nWhile opening <to> argument.");
        e.raise();
    }
    FsError e(to, err);
    QEL_LOCATE(e);
    e.stream() << QEL_TR_PAL("\nWhile opening <to> argument.");
    e.raise();
}

// Opens the target only when it is not the source itself: truncating it
// would destroy the data about to be copied.
int openTarget(const std::string& to, int flags, mode_t mode, const Info& source) {
    struct stat st;
    if ((flags & O_TRUNC) && ::stat(to.c_str(), &st) == 0 &&
        st.st_dev == source.stat().st_dev && st.st_ino == source.stat().st_ino) {
        FsError e(to, 0);
        QEL_LOCATE(e);
        e.stream() << QEL_TR_PAL("\nSource and target are the same file.");
        e.raise();
    }
    const int fd = ::open(to.c_str(), flags, mode);
    if (fd < 0)
        throwErr(to, errno);
    return fd;
}

// Copies from the current offsets until the end of in, or count bytes when
// count is not negative.
void copyBytes(int in, int out, off_t count, const std::string& to, char* buffer,
               size_t bufferSize) {
    while (count != 0) {
        const size_t want = count > 0 && static_cast<uint64_t>(count) < bufferSize
                                ? static_cast<size_t>(count)
                                : bufferSize;
        const ssize_t got = ::read(in, buffer, want);
        if (got == 0)
            break;
        if (got < 0)
            QEL_THROW(OsError, errno);
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0)
                QEL_THROW(FsError, to);
            done += put;
        }
        if (count > 0)
            count -= got;
    }
}

// Copies only the data regions of a sparse regular file, so that its holes
// stay holes in the target instead of filling the disk.
void copySparse(int in, int out, off_t size, const std::string& to, char* buffer,
                size_t bufferSize) {
    for (off_t pos = 0; pos < size;) {
        const off_t data = ::lseek(in, pos, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // a hole up to the end
        const off_t hole = data < 0 ? data : ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || ::lseek(in, data, SEEK_SET) < 0)
            QEL_THROW(OsError, errno);
        if (::lseek(out, data, SEEK_SET) < 0)
            QEL_THROW(FsError, to);
        copyBytes(in, out, hole - data, to, buffer, bufferSize);
        pos = hole;
    }
    if (::ftruncate(out, size) != 0)
        QEL_THROW(FsError, to);
}

// copy(); targetOpened tells whether the target was created or truncated,
// so that a failed move removes only what it wrote itself.
void copyFile(const std::string& from, const std::string& to, bool overwrite, char* buffer,
              size_t bufferSize, bool copyAccess, const Access* access, bool& targetOpened) {
    targetOpened = false;
    std::unique_ptr<char[]> own;
    if (bufferSize == 0) {
        own.reset(new char[default_copy_buffer]);
        buffer = own.get();
        bufferSize = default_copy_buffer;
    }

    File source;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        FsError e(from);
        QEL_LOCATE(e);
        e.stream() << "\nWhile opening <from> argument.";
        e.raise();
    }
    source.adopt(in);

    const Info info = Info::get(source.fd());
    Access sourceAccess;
    sourceAccess.uid = info.uid();
    sourceAccess.gid = info.gid();
    sourceAccess.mode = info.mode() & 07777;
    const mode_t mode = access ? access->mode : sourceAccess.mode;
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);

    File target;
    target.adopt(openTarget(to, flags, mode, info));
    targetOpened = true;

    if (access) {
        if (overwrite)
            setAccess(target.fd(), *access);
        else if (hasOwner(*access))
            setOwnership(nullptr, target.fd(), *access);
    }

    // A regular file with fewer blocks than its length has holes.
    const struct stat& st = info.stat();
    if (info.isRegular() && st.st_blocks * 512 < st.st_size)
        copySparse(source.fd(), target.fd(), st.st_size, to, buffer, bufferSize);
    else
        copyBytes(source.fd(), target.fd(), -1, to, buffer, bufferSize);
    if (copyAccess && !access)
        setAccess(target.fd(), sourceAccess);
    target.close();
    source.close();
}
} // namespace

void copy(const std::string& from, const std::string& to, bool overwrite, char* buffer,
          size_t bufferSize, bool copyAccess, const Access* access) {
    bool targetOpened;
    copyFile(from, to, overwrite, buffer, bufferSize, copyAccess, access, targetOpened);
}

namespace {
// A symbolic link crosses file systems as a link, not as a copy of what it
// points to.
void moveLink(const std::string& from, const std::string& to, bool overwrite) {
    std::string target;
    readlink(from, target);
    struct stat st;
    if (overwrite && ::lstat(to.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        removeFile(to);
    symlink(to, target);
    try {
        removeFile(from);
    } catch (const Exception&) {
        try {
            remove(to);
        } catch (const Exception&) {
            // The first error is the one that matters.
        }
        throw;
    }
}
} // namespace

void move(const std::string& from, const std::string& to, bool overwrite, char* buffer,
          size_t bufferSize) {
    try {
        rawMove(from, to, overwrite);
        return;
    } catch (const NotSameDeviceError&) {
    }
    const Info info = Info::get(from, false);
    if (info.isLink())
        return moveLink(from, to, overwrite);
    if (!info.isRegular()) {
        // Reading a FIFO or a device would block or never end.
        FsError e(from, 0);
        QEL_LOCATE(e);
        e.stream() << QEL_TR_PAL("\nOnly regular files and symbolic links can be moved to "
                                 "another file system.");
        e.raise();
    }
    bool targetOpened = false;
    try {
        copyFile(from, to, overwrite, buffer, bufferSize, true, nullptr, targetOpened);
        remove(from);
    } catch (const Exception&) {
        try {
            if (targetOpened)
                remove(to);
        } catch (const Exception&) {
            // The first error is the one that matters.
        }
        throw;
    }
}

} // namespace qel::fs
