#pragma once
// The contained archive, linked into the program by the packaging step of the
// build (cmake/QelInstaller.cmake): the gzip-compressed tar archive of the
// product tree, its exact length in bytes, the SHA-256 digest of exactly
// those bytes, the member names of the catalogues it carries, and the disk
// space the unpacked tree takes.
#include <cstdint>

namespace qel::payload {

extern const unsigned char g_archive[];
extern const std::uint32_t g_archive_size;
extern const unsigned char g_archive_digest[32];
// The files below qelinst/i18n, in the order the archive holds them (first
// of all its members); ended by a null pointer.
extern const char* const g_catalogues[];
// Bytes on disk, counted in whole 4 KiB blocks per file and directory.
extern const std::uint64_t g_unpacked_size;

} // namespace qel::payload
