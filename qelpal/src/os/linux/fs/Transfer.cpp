#include "fs/Transfer.h"

#include "fs/File.h"
#include "os/posix/OsCall.h"
#include "os/posix/signal/Retry.h"

#include <fcntl.h>
#include <sys/sendfile.h>

#include <algorithm>
#include <cerrno>

namespace qel::fs {

namespace {
// What an unprivileged process may give a pipe by default.
constexpr int WIDE_PIPE = 1 << 20;
} // namespace

void transfer(const File& from, uint64_t offset, uint64_t length, const File& to) {
    // Into a pipe, each 64 KiB of the default size costs the reader a wake-up;
    // a wider pipe cuts them sixteenfold. Only for more than it holds: a
    // reader that stops reading must still make the transfer fail, not leave
    // the data in the pipe. Not a pipe, or no room for the wider one: the
    // transfer works as well without it.
    if (length > WIDE_PIPE)
        (void)::fcntl(to.fd(), F_SETPIPE_SZ, WIDE_PIPE);
    // sendfile moves less than 2 GiB per call; a 32-bit size_t holds this.
    constexpr uint64_t CHUNK = uint64_t{1} << 30;
    off_t position = static_cast<off_t>(offset);
    while (length > 0) {
        const size_t count = static_cast<size_t>(std::min(length, CHUNK));
        const ssize_t sent = signal::retryOnEintr(
            [&] { return ::sendfile(to.fd(), from.fd(), &position, count); });
        if (sent < 0)
            QEL_RAISE_OS(errno);
        if (sent == 0)
            QEL_RAISE_OS(ENODATA);
        length -= static_cast<uint64_t>(sent);
    }
}

} // namespace qel::fs
