// Before anything else: the program's own file must be complete, since the
// contained archive is read from it.
#include "app/TarInstaller.h"

#include <cstdlib>
#include <iostream>

#include "StrUtil.h"
#include "gettext/Gettext.h"
#include "gettext/Tr.h"
#include "payload/OwnImage.h"
#include "proc/Process.h"
#include "term/Color.h"

namespace qel {

void TarInstaller::checkOwnFile() {
    m_exe.open("/proc/self/exe", fs::File::READ);
    payload::ArchiveSpan span;
    if (payload::checkImage(m_exe, m_data_size, span)) {
        m_data_offset = span.offset;
        return;
    }
    // The catalogues of the archive are out of reach; given ones (QEL_I18N_DIR,
    // or an i18n directory beside the program) still translate this.
    Gettext installer("installer");
    term::ColorGuard guard(term::ec_guard);
    std::cerr << aux::format(QEL_TR("The installer file %s is incomplete or damaged and should "
                                    "be downloaded again."),
                             proc::exe().c_str())
              << std::endl;
    std::exit(2);
}

} // namespace qel
