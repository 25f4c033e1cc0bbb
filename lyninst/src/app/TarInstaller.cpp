#include "app/TarInstaller.h"

#include "Exception.h"
#include "fs/Path.h"
#include "payload/ContainedData.h"

namespace qel {

TarInstaller::TarInstaller(int argc, char** argv)
    : PrivilegeApp(argc, argv),
      m_data_size(payload::g_archive_size),
      m_i18n_dir(fs::Path("/tmp/qeli18n.").str()) {
    // First of all: a damaged file cannot give its catalogues either.
    checkOwnFile();
    bootstrapTranslations();
}

void TarInstaller::quitRequested() {
    // An interrupt from the terminal reaches the children anyway; a quit
    // request sent to this process alone is passed on to the run it waits for.
    passQuitToChild();
}

void TarInstaller::passQuitToChild() noexcept {
    try {
        if (m_call.pid() != proc::INVAL_PROC_ID)
            m_call.kill(SIGTERM);
    } catch (const Exception&) {
        // The child has ended meanwhile.
    }
}

bool TarInstaller::lastEndedByQuit() const {
    const int signal = m_call.lastResult().termSignal();
    return signal == SIGINT || signal == SIGTERM || signal == SIGHUP;
}

} // namespace qel
