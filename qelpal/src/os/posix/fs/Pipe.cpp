#include "fs/Pipe.h"

#include "Exception.h"
#include "gettext/Tr.h"
#include "os/posix/fs/Fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace qel::fs {

namespace {
void keep(int fd) {
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
        QEL_THROW(OsError, errno);
}
} // namespace

Pipe::Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        QEL_THROW(OsError, errno);
    m_read = fds[0];
    m_write = fds[1];
}

Pipe::~Pipe() {
    if (m_read == -1 && m_write == -1)
        return;
    try {
        QEL_THROW(UsageError, QEL_TR_PAL("One or both Pipe FDs weren't closed"));
    } catch (const Exception& e) {
        std::cerr << describe(e) << "\n";
    }
    for (int* end : {&m_read, &m_write}) {
        try {
            closeFd(*end);
        } catch (const Exception& e) {
            std::cerr << describe(e) << "\n";
        }
    }
}

void Pipe::keepRead() { keep(m_read); }
void Pipe::keepWrite() { keep(m_write); }
void Pipe::closeRead() { closeFd(m_read); }
void Pipe::closeWrite() { closeFd(m_write); }

int Pipe::release(bool readEnd) {
    int& end = readEnd ? m_read : m_write;
    const int fd = end;
    end = -1;
    return fd;
}

} // namespace qel::fs
