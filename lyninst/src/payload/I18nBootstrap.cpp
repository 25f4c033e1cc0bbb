// The translation start-up: the catalogues travel in the contained archive,
// so the first process extracts them and runs the program again with
// QEL_I18N_DIR pointing to them.
#include "app/TarInstaller.h"

#include <cstdlib>
#include <iostream>

#include "StrUtil.h"
#include "fs/Ops.h"
#include "gettext/Gettext.h"
#include "gettext/Locale.h"
#include "gettext/Tr.h"
#include "payload/ContainedData.h"
#include "proc/Process.h"
#include "term/Color.h"

namespace qel {
namespace {

// Whether every catalogue of the archive lies in dir, where tar puts it
// without its first two levels ("qelinst/i18n").
bool allCataloguesIn(const std::string& dir) {
    for (const char* const* name = payload::g_catalogues; *name; ++name) {
        const std::string member(*name);
        const std::string::size_type below = member.find('/', member.find('/') + 1);
        if (!fs::exists(dir + member.substr(below)))
            return false;
    }
    return true;
}

} // namespace

void TarInstaller::bootstrapTranslations() {
    std::string ignored;
    if (proc::Env::get(Locale::m_locale_env, ignored)) {
        // The second process, or a caller that provides the catalogues.
        Gettext installer("installer");
        return;
    }
    bool created = false;
    bool extracted = false;
    try {
        fs::tempdir(m_i18n_dir);
        created = true;
        extracted = extractTranslations();
    } catch (const Exception& e) {
        std::cerr << describe(e) << std::endl;
    }
    if (extracted) {
        proc::Env::set(Locale::m_locale_env, m_i18n_dir);
        runTranslated();
    }
    // Nothing of a failed attempt stays behind in /tmp.
    if (created)
        removeTranslations();
    term::ColorGuard guard(term::wc_guard);
    std::cerr << "Couldn't setup foreign language support.\n"
                 "Installation will be in English.\n\n";
}

bool TarInstaller::extractTranslations() {
    // An archive packed without catalogues has nothing to offer.
    if (!payload::g_catalogues[0] || !findTar(false, false))
        return false;
    m_call.setWorkDir(m_i18n_dir);
    // Exactly the catalogue files, without their first two levels, so that
    // the locale directories land in m_i18n_dir. They lead the archive, and
    // with --occurrence tar stops reading once it found each of them.
    std::vector<std::string>& args = m_call.arguments();
    args.push_back("xz");
    args.push_back("--occurrence");
    args.push_back("--strip-components=2");
    for (const char* const* name = payload::g_catalogues; *name; ++name)
        args.push_back(*name);
    m_call.create(ChildComm::PIPE_IN);
    std::unique_ptr<Exception> write_error = feedArchive();
    const bool extracted = m_call.succeeded();
    // An interrupt from the terminal (or a quit request passed on) ended
    // tar: the user wants to stop, not to go on in English.
    const int signal = proc::WaitResult{m_call.lastStatus(), m_call.statusValid()}.termSignal();
    if (signal == SIGINT || signal == SIGTERM) {
        {
            term::ColorGuard guard(term::wc_guard);
            std::cerr << "installation was aborted" << std::endl;
        }
        removeTranslations();
        std::exit(3);
    }
    // A tar that found every catalogue stops reading, and the rest of the
    // archive meets a closed pipe: that is the expected end.
    if (write_error && !(extracted && allCataloguesIn(m_i18n_dir)))
        write_error->raise();
    return extracted;
}

void TarInstaller::runTranslated() {
    resetCall();
    std::vector<std::string>& args = m_call.arguments();
    args.assign(m_argv, m_argv + m_argc);
    if (args.empty())
        args.emplace_back();
    // Started from the running file (a bare name was found on PATH by the
    // shell and would name a file in the working directory), under the name
    // the user typed, which the texts show.
    m_call.setProgram(proc::exe());
    m_call.create(0);
    m_call.succeeded();
    const int code = lastExitCode();
    if (!removeTranslations()) {
        term::ColorGuard guard(term::ec_guard);
        std::cerr << aux::format(QEL_TR("Couldn't delete tmp dir %s"), m_i18n_dir.c_str())
                  << '\n';
    }
    std::exit(code);
}

bool TarInstaller::removeTranslations() {
    ChildComm rm;
    if (!rm.findProgram("rm"))
        return false;
    rm.arguments().push_back("-r");
    rm.arguments().push_back(m_i18n_dir);
    rm.create(0);
    return rm.succeeded();
}

} // namespace qel
