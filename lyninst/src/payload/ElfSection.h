#pragma once
// Finding the sections of an ELF file read through libelf.
#include <cstdint>
#include <functional>
#include <gelf.h>
#include <iosfwd>
#include <libelf.h>

namespace qel::payload {

// How a walk over the section table ended.
enum class SectionWalk { COMPLETE, NO_NAME_TABLE, BAD_HEADER, BAD_NAME };

// Calls visit(name, header, section) for each section of elf in table order.
// The walk ends early at the first header or name that cannot be read.
SectionWalk walkSections(
    Elf* elf, const std::function<void(const char*, const GElf_Shdr&, Elf_Scn*)>& visit);

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
