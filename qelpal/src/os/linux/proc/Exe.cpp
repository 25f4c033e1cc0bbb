#include "os/posix/OsCall.h"
#include "proc/Process.h"

#include <unistd.h>

namespace qel::proc {

std::string exe() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n == -1)
        QEL_RAISE_OS(errno);
    return std::string(buffer, static_cast<size_t>(n));
}

} // namespace qel::proc
