#include "payload/Space.h"

#include "Exception.h"
#include "StrUtil.h"
#include "fs/Ops.h"
#include "gettext/Tr.h"
#include "payload/ContainedData.h"

#include <cmath>

namespace qel::payload {

namespace {

// The free bytes of dir, or false when they cannot be told.
bool available(const std::string& dir, uint64_t& bytes) {
    try {
        bytes = fs::availableSpace(dir);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

std::string megabytes(uint64_t bytes) {
    return aux::format("%.1f MB", std::ceil(static_cast<double>(bytes) / 100000.0) / 10.0);
}

std::string spaceShortage(const std::string& dir, const char* option) {
    uint64_t free = 0;
    if (!available(dir, free) || free >= g_unpacked_size)
        return std::string();
    return aux::format(QEL_TR("Not enough free space in '%s': the installation data needs %s, "
                              "but only %s are available. Free some space there, or choose "
                              "another directory with %s DIR."),
                       dir.c_str(), megabytes(g_unpacked_size).c_str(), megabytes(free).c_str(),
                       option);
}

std::string spaceRunOut(const std::string& dir, const char* option) {
    uint64_t free = 0;
    if (!available(dir, free) || free >= g_unpacked_size)
        return std::string();
    return aux::format(QEL_TR("The space in '%s' has probably run out: the installation data "
                              "needs %s. Choose a directory with enough free space with %s DIR."),
                       dir.c_str(), megabytes(g_unpacked_size).c_str(), option);
}

} // namespace qel::payload
