#include "os/posix/fs/Fd.h"

#include "Exception.h"

#include <unistd.h>

#include <cerrno>

namespace qel::fs {

void closeFd(int& fd) {
    if (fd == -1)
        return;
    const int open = fd;
    fd = -1;
    if (::close(open) != 0)
        QEL_THROW(OsError, errno);
}

} // namespace qel::fs
