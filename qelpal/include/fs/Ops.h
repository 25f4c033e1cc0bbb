#pragma once
// File-system operations. Every failure is thrown: qel::FsError and its
// subclasses when a path is concerned, qel::OsError when only a descriptor is.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qel::fs {

// The null device.
extern const char* const NULLDEV;

// Ownership and permission request; -1 as uid or gid leaves it unchanged.
struct Access {
    uid_t uid = static_cast<uid_t>(-1);
    gid_t gid = static_cast<gid_t>(-1);
    mode_t mode = 0;
};

// A snapshot of a file's status.
class Info {
public:
    Info();

    // follow: stat() instead of lstat(). A missing file throws
    // qel::NoSuchFileError.
    static Info get(const std::string& path, bool follow);
    static Info get(int fd);

    const struct stat& stat() const { return m_stat; }
    struct stat& stat() { return m_stat; }
    mode_t mode() const { return m_stat.st_mode; }
    uid_t uid() const { return m_stat.st_uid; }
    gid_t gid() const { return m_stat.st_gid; }
    bool isDir() const { return S_ISDIR(m_stat.st_mode); }
    bool isRegular() const { return S_ISREG(m_stat.st_mode); }
    bool isLink() const { return S_ISLNK(m_stat.st_mode); }

private:
    struct stat m_stat;
};

// Whether the effective user may execute the file, judged by the mode bits
// of the owner for the owner, of the group for its members, else of others.
bool isExecutable(const Info& info);

// Working directory and temporary directories.
std::string cwd();
void setCWD(const std::string& path);
// Appends "XXXXXX" to prefix and creates a private directory of that
// pattern; prefix then holds its name.
void tempdir(std::string& prefix);

// Queries.
// Follows links: false only for a missing file; other failures throw.
bool exists(const std::string& path);
// Bytes that an unprivileged user may still write to the file system of path.
uint64_t availableSpace(const std::string& path);
// The first executable regular file name in the directories of PATH (or
// that directory with wantDir); empty when there is none.
std::string findInPath(const std::string& name, bool wantDir = false);
void readlink(const std::string& path, std::string& target);
// Whether the file system that holds path lets programs run from it (it is
// not mounted noexec).
bool allowsPrograms(const std::string& path);

// Creation and removal. Without access a directory gets mode 0700.
void mkdir(const std::string& path, const Access* access = nullptr);
// Creates the missing parents as well; an existing path throws
// qel::FileExistsError.
void makedirs(const std::string& path, const Access* access = nullptr);
void symlink(const std::string& link, const std::string& target);
void removeFile(const std::string& path);
void removeDir(const std::string& path);
// Removes name in the open directory dirFd: a directory when dir is true, a
// file (or link) otherwise; errors name path.
void removeAt(int dirFd, const std::string& name, bool dir, const std::string& path);
// A directory with removeDir, anything else (links included) with removeFile.
void remove(const std::string& path);
// remove(), but false instead of an error for a missing file.
bool tryRemove(const std::string& path);

// Permissions and owners, by path (path not null) or by descriptor.
void setAccessPriv(const char* path, int fd, const Access& access);
void setOwnership(const char* path, int fd, const Access& access);
void setAccess(const std::string& path, const Access& access);
void setAccess(int fd, const Access& access);
// Sets the file-creation mask to access.mode; returns the previous mask.
mode_t setUmask(const Access& access);

// Moving and copying. Without a buffer (size 0) an internal one is used.
// Renames; without overwrite an existing target throws qel::OsError(EEXIST),
// a rename across file systems qel::NotSameDeviceError.
void rawMove(const std::string& from, const std::string& to, bool overwrite);
// Renames, or across file systems copies (data, mode and owner) and removes;
// a symbolic link is moved as a link, other special files are refused.
void move(const std::string& from, const std::string& to, bool overwrite,
          char* buffer = nullptr, size_t bufferSize = 0);
// Copies the data. access gives the target's mode and owner; without it the
// source's are used as creation mode and, with copyAccess, set at the end.
void copy(const std::string& from, const std::string& to, bool overwrite,
          char* buffer = nullptr, size_t bufferSize = 0, bool copyAccess = false,
          const Access* access = nullptr);

} // namespace qel::fs
