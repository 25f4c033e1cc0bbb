#include "payload/ElfSection.h"

#include <cstring>
#include <gelf.h>
#include <ostream>

#include "gettext/Tr.h"

namespace qel::payload {

SectionBlock findSection(Elf* elf, const char* name, std::ostream& err) {
    SectionBlock found;
    size_t names = 0;
    if (elf_getshdrstrndx(elf, &names) != 0) {
        err << QEL_TR("Error getting string table index.") << '\n';
        return found;
    }
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
        GElf_Shdr header;
        if (!gelf_getshdr(scn, &header)) {
            err << QEL_TR("Cannot get section header.") << '\n';
            return found;
        }
        const char* scn_name = elf_strptr(elf, names, header.sh_name);
        if (!scn_name) {
            err << QEL_TR("Cannot get section name.") << '\n';
            return found;
        }
        if (std::strcmp(scn_name, name) != 0)
            continue;
        // A later section of the same name replaces an earlier one.
        if (Elf_Data* block = elf_getdata(scn, nullptr)) {
            found.data = block->d_buf;
            found.size = static_cast<uint32_t>(block->d_size);
        }
    }
    return found;
}

} // namespace qel::payload
