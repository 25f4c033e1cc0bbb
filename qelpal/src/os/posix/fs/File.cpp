#include "fs/File.h"

#include "Assert.h"
#include "Exception.h"
#include "fs/Ops.h"
#include "fs/Pipe.h"
#include "gettext/Tr.h"
#include "os/posix/fs/Fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace qel::fs {

File* File::m_null_in = nullptr;
File* File::m_null_out = nullptr;

void File::init() {
    QEL_ASSERT(! m_null_in);
    QEL_ASSERT(! m_null_out);
    File* in = new File;
    File* out = new File;
    try {
        in->open(NULLDEV, READ);
        out->open(NULLDEV, WRITE);
    } catch (...) {
        delete in;
        delete out;
        throw;
    }
    m_null_in = in;
    m_null_out = out;
}

void File::cleanup() {
    delete m_null_in;
    m_null_in = nullptr;
    delete m_null_out;
    m_null_out = nullptr;
}

File::~File() {
    try {
        close();
    } catch (const Exception& e) {
        std::cerr << QEL_TR_PAL("Error closing file:\n\n") << describe(e) << "\n";
    }
}

void File::close() { closeFd(m_fd); }

void File::open(const std::string& path, int type, int flags, const Access* access) {
    close();
    int oflags = O_CLOEXEC;
    switch (type) {
    case WRITE: oflags |= O_WRONLY; break;
    case READ_WRITE: oflags |= O_RDWR; break;
    default: oflags |= O_RDONLY; break;
    }
    if (flags & (CREATE | EXCLUSIVE))
        oflags |= O_CREAT;
    if (flags & EXCLUSIVE)
        oflags |= O_EXCL;
    if (flags & TRUNCATE)
        oflags |= O_TRUNC;
    if (flags & NO_WAIT)
        oflags |= O_NONBLOCK;
    const int fd = ::open(path.c_str(), oflags, access ? access->mode : 0600);
    if (fd < 0)
        QEL_THROW(FsError, path);
    m_fd = fd;
}

void File::open(Pipe& pipe, bool readEnd) {
    close();
    const int fd = pipe.release(readEnd);
    if (fd == -1)
        QEL_THROW(UsageError, QEL_TR_PAL("bad pipe end passed"));
    m_fd = fd;
}

void File::adopt(int fd) {
    close();
    m_fd = fd;
}

int File::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void File::setAccess(const Access& access) {
    if (m_fd == -1)
        QEL_THROW(UsageError, QEL_TR_PAL("no file opened"));
    setAccessPriv(nullptr, m_fd, access);
}

// --- StreamFile --------------------------------------------------------------

ssize_t StreamFile::read(void* buffer, size_t size) {
    const ssize_t got = ::read(fd(), buffer, size);
    if (got < 0)
        QEL_THROW(OsError, errno);
    return got;
}

ssize_t StreamFile::write(const void* buffer, size_t size) {
    const ssize_t put = ::write(fd(), buffer, size);
    if (put < 0)
        QEL_THROW(OsError, errno);
    return put;
}

bool StreamFile::flush() {
    if (::fsync(fd()) == 0)
        return true;
    if (errno == EINVAL)
        return false;
    QEL_THROW(OsError, errno);
}

off_t StreamFile::seek(off_t offset, int whence) {
    const int how = whence == CUR ? SEEK_CUR : whence == END ? SEEK_END : SEEK_SET;
    const off_t position = ::lseek(fd(), offset, how);
    if (position == static_cast<off_t>(-1))
        QEL_THROW(OsError, errno);
    return position;
}

} // namespace qel::fs
