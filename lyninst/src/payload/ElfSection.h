#pragma once
// Finding a named section of an ELF file read through libelf.
#include <cstdint>
#include <iosfwd>
#include <libelf.h>

namespace qel::payload {

// The first data block of a section; data is null when there is none.
struct SectionBlock {
    const void* data = nullptr;
    uint32_t size = 0;
};

// Walks the sections of elf in table order and returns the data block of the
// last section named exactly `name`. A section header or name that cannot be
// read is reported on err and ends the walk with what was found before it.
SectionBlock findSection(Elf* elf, const char* name, std::ostream& err);

} // namespace qel::payload
