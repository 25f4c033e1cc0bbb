#include "payload/ElfSection.h"

#include <cstring>
#include <ostream>

#include "gettext/Tr.h"

namespace qel::payload {

SectionWalk walkSections(
    Elf* elf, const std::function<void(const char*, const GElf_Shdr&, Elf_Scn*)>& visit) {
    size_t names = 0;
    if (elf_getshdrstrndx(elf, &names) != 0)
        return SectionWalk::NO_NAME_TABLE;
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
        GElf_Shdr header;
        if (!gelf_getshdr(scn, &header))
            return SectionWalk::BAD_HEADER;
        const char* name = elf_strptr(elf, names, header.sh_name);
        if (!name)
            return SectionWalk::BAD_NAME;
        visit(name, header, scn);
    }
    return SectionWalk::COMPLETE;
}

SectionBlock findSection(Elf* elf, const char* name, std::ostream& err) {
    SectionBlock found;
    const SectionWalk walk = walkSections(elf, [&](const char* scn_name, const GElf_Shdr&,
                                                   Elf_Scn* scn) {
        if (std::strcmp(scn_name, name) != 0)
            return;
        // A later section of the same name replaces an earlier one.
        if (Elf_Data* block = elf_getdata(scn, nullptr)) {
            found.data = block->d_buf;
            found.size = static_cast<uint32_t>(block->d_size);
        }
    });
    switch (walk) {
    case SectionWalk::NO_NAME_TABLE:
        err << QEL_TR("Error getting string table index.") << '\n';
        break;
    case SectionWalk::BAD_HEADER:
        err << QEL_TR("Cannot get section header.") << '\n';
        break;
    case SectionWalk::BAD_NAME:
        err << QEL_TR("Cannot get section name.") << '\n';
        break;
    case SectionWalk::COMPLETE:
        break;
    }
    return found;
}

} // namespace qel::payload
