// The attached configuration: an ELF section "qel" added to the finished
// executable.
#include "app/RootInstaller.h"

#include <iostream>

#include "fs/File.h"
#include "gettext/Tr.h"
#include "payload/ElfSection.h"

namespace qel {

void RootInstaller::readAttachedConfig() {
    if (elf_version(EV_CURRENT) == EV_NONE) {
        std::cerr << QEL_TR("Cannot initialize libelf. No file attachment support.") << '\n';
        return;
    }
    // The file is needed only while the sections are read; the handle keeps
    // the data it found.
    fs::File exe;
    exe.open("/proc/self/exe", fs::File::READ);
    m_elf = elf_begin(exe.fd(), ELF_C_READ, nullptr);
    if (!m_elf) {
        std::cerr << QEL_TR("Cannot open my own ELF executable.") << '\n';
        return;
    }
    const payload::SectionBlock block = payload::findSection(m_elf, "qel", std::cerr);
    // What was found is in memory now; the descriptor goes with exe.
    elf_cntl(m_elf, ELF_C_FDDONE);
    m_attached_data = block.data;
    m_attached_size = block.size;
}

} // namespace qel
