#include "payload/OwnImage.h"

#include <cstring>
#include <gelf.h>

#include "fs/File.h"
#include "payload/ContainedData.h"
#include "payload/ElfSection.h"

namespace qel::payload {
namespace {

// Whether the range of length bytes at offset ends inside a file of size bytes.
bool inside(uint64_t offset, uint64_t length, uint64_t size) {
    return length <= size && offset <= size - length;
}

bool checkElf(Elf* elf, uint64_t size, uint32_t archiveSize, ArchiveSpan& span) {
    GElf_Ehdr ehdr;
    size_t count = 0;
    if (elf_kind(elf) != ELF_K_ELF || !gelf_getehdr(elf, &ehdr) ||
        elf_getphdrnum(elf, &count) != 0)
        return false;
    for (size_t i = 0; i < count; ++i) {
        GElf_Phdr phdr;
        if (!gelf_getphdr(elf, static_cast<int>(i), &phdr) ||
            !inside(phdr.p_offset, phdr.p_filesz, size))
            return false;
    }
    if (elf_getshdrnum(elf, &count) != 0 ||
        !inside(ehdr.e_shoff, uint64_t{count} * ehdr.e_shentsize, size))
        return false;
    bool complete = true;
    bool found = false;
    const SectionWalk walk = walkSections(elf, [&](const char* name, const GElf_Shdr& header,
                                                   Elf_Scn*) {
        if (header.sh_type != SHT_NOBITS && !inside(header.sh_offset, header.sh_size, size))
            complete = false;
        if (std::strcmp(name, g_archive_section) == 0) {
            found = header.sh_type != SHT_NOBITS && header.sh_size == archiveSize;
            span = {header.sh_offset, header.sh_size};
        }
    });
    return walk == SectionWalk::COMPLETE && complete && found;
}

} // namespace

bool checkImage(fs::StreamFile& exe, uint32_t archiveSize, ArchiveSpan& span) {
    const uint64_t size = static_cast<uint64_t>(exe.seek(0, fs::StreamFile::END));
    // Headers that libelf cannot read count as damaged.
    if (elf_version(EV_CURRENT) == EV_NONE)
        return false;
    Elf* elf = elf_begin(exe.fd(), ELF_C_READ, nullptr);
    if (!elf)
        return false;
    const bool intact = checkElf(elf, size, archiveSize, span);
    elf_end(elf);
    return intact;
}

} // namespace qel::payload
