#pragma once
// The program's own file as its ELF headers describe it: whether it is
// complete, and where the contained archive lies in it.
#include <cstdint>

namespace qel::fs {
class StreamFile;
}

namespace qel::payload {

// The bytes of the contained archive within the program's file.
struct ArchiveSpan {
    uint64_t offset = 0;
    uint64_t size = 0;
};

// Whether exe, open on the program's own file, is as long as its ELF headers
// say: the file ranges of the program headers, the section header table and
// the contents of every section lie inside it, and the archive's section is
// there with exactly archiveSize bytes. If so, span tells where that is.
// Reads only the headers and the table of section names.
bool checkImage(fs::StreamFile& exe, uint32_t archiveSize, ArchiveSpan& span);

} // namespace qel::payload
