#pragma once
// The contained archive, linked into the program by the packaging step of the
// build (cmake/QelInstaller.cmake): the gzip-compressed tar archive of the
// product tree, its exact length in bytes, and the SHA-256 digest of exactly
// those bytes.
#include <cstdint>

namespace qel::payload {

extern const unsigned char g_archive[];
extern const std::uint32_t g_archive_size;
extern const unsigned char g_archive_digest[32];

} // namespace qel::payload
