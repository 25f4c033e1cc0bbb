// What the mount of a file system allows, as Linux reports it.
#include "Exception.h"
#include "fs/Ops.h"

#include <sys/statvfs.h>

namespace qel::fs {

bool allowsPrograms(const std::string& path) {
    struct statvfs info;
    if (::statvfs(path.c_str(), &info) != 0)
        QEL_THROW(FsError, path);
    return (info.f_flag & ST_NOEXEC) == 0;
}

} // namespace qel::fs
