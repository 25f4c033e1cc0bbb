#include "TarInstaller.h"

#include "fs/Path.h"
#include "payload/ContainedData.h"

namespace qel {

TarInstaller::TarInstaller(int argc, char** argv)
    : PrivilegeApp(argc, argv),
      m_data(payload::g_archive),
      m_data_size(payload::g_archive_size),
      m_i18n_dir(fs::Path("/tmp/qeli18n.").str()) {
    bootstrapTranslations();
}

void TarInstaller::quitRequested() {}

} // namespace qel
