#pragma once
// What the packaging step of the build (cmake/QelInstaller.cmake) records
// about the contained archive, the gzip-compressed tar archive of the product
// tree: the name of the ELF section that holds it in the program's file (it
// is not loaded into memory), its exact length in bytes, the SHA-256 digest
// of exactly those bytes, the member names of the catalogues it carries, the
// disk space the unpacked tree takes, and the code name of its product.
#include <cstdint>

namespace qel::payload {

extern const char g_archive_section[];
extern const std::uint32_t g_archive_size;
extern const unsigned char g_archive_digest[32];
// The files below qelinst/i18n, in the order the archive holds them (first
// of all its members); ended by a null pointer.
extern const char* const g_catalogues[];
// Bytes on disk, counted in whole 4 KiB blocks per file and directory.
extern const std::uint64_t g_unpacked_size;
// Code name of the product that the archive holds.
extern const char g_product_code[];

} // namespace qel::payload
