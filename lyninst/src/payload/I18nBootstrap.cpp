// The translation start-up: the catalogues travel in the contained archive,
// so the first process extracts them and runs the program again with
// QEL_I18N_DIR pointing to them.
#include "app/TarInstaller.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "StrUtil.h"
#include "fs/Ops.h"
#include "fs/Recurser.h"
#include "gettext/Gettext.h"
#include "gettext/Locale.h"
#include "gettext/Tr.h"
#include "os/posix/signal/Signal.h"
#include "payload/ContainedData.h"
#include "proc/Child.h"
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

// In the catalogue directory: the temporary directory of the second run.
const char* const tempdir_note = "/tempdir";

} // namespace

void TarInstaller::bootstrapTranslations() {
    std::string provided;
    if (proc::Env::get(Locale::m_locale_env, provided)) {
        // The second process, or a caller that provides the catalogues. Only
        // the first run starts this very program with them.
        Gettext installer("installer");
        if (proc::runsProgram(getppid(), proc::exe())) {
            m_first_run = getppid();
            m_i18n_dir = provided;
        }
        return;
    }
    bool created = false;
    bool extracted = false;
    try {
        m_sweeper = std::make_unique<proc::Sweeper>(
            [](const std::string& path) { aux::Remover().run(path); });
        fs::tempdir(m_i18n_dir);
        created = true;
        m_sweeper->watch(m_i18n_dir);
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
    if (lastEndedByQuit()) {
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
    // Killed, we could not tell it any more that the user wants to stop.
    m_call.setParentDeathSignal(SIGTERM);
    proc::Child::adoptOrphans();
    m_call.create(0);
    // Killed from now on, we end the second run (its parent-death signal),
    // and it removes the catalogues.
    m_sweeper->release();
    m_call.succeeded();
    const int code = lastExitCode();
    if (m_call.lastResult().signalled())
        windDownAfterKilledRun();
    if (!removeTranslations()) {
        term::ColorGuard guard(term::ec_guard);
        std::cerr << aux::format(QEL_TR("Couldn't delete tmp dir %s"), m_i18n_dir.c_str())
                  << '\n';
    }
    std::exit(code);
}

bool TarInstaller::removeTranslations() {
    const bool removed = removeTree(m_i18n_dir, "-r");
    if (m_sweeper)
        m_sweeper->release();
    return removed;
}

bool TarInstaller::removeTree(const std::string& path, const char* options) {
    ChildComm rm;
    if (!rm.findProgram("rm"))
        return false;
    rm.arguments().push_back(options);
    rm.arguments().push_back(path);
    rm.create(0);
    return rm.succeeded();
}

void TarInstaller::windDownAfterKilledRun() {
    for (pid_t orphan : proc::childrenOf(getpid())) {
        if (!proc::childrenOf(orphan).empty())
            continue;
        try {
            signal::signalProc(SIGTERM, orphan);
        } catch (const Exception&) {
            // Ended meanwhile.
        }
    }
    // A privileged run notices by itself and removes the data it works in;
    // a daemon that the routine started may stay, so not for ever.
    proc::Child::awaitAdopted(10000);
    std::ifstream note(m_i18n_dir + tempdir_note);
    std::string tempdir;
    if (!std::getline(note, tempdir) || tempdir.empty() || !fs::exists(tempdir))
        return;
    const fs::Info info = fs::Info::get(tempdir, false);
    if (info.isDir() && info.uid() == getuid())
        removeTree(tempdir, "-rf");
}

void TarInstaller::tellFirstRun(const std::string& tempdir) const {
    if (m_first_run == -1)
        return;
    std::ofstream note(m_i18n_dir + tempdir_note);
    note << tempdir << '\n';
}

bool TarInstaller::firstRunEnded(int settle_ms) const {
    if (m_first_run == -1)
        return false;
    for (int waited = 0; getppid() == m_first_run && waited < settle_ms; waited += 20)
        usleep(20000);
    return getppid() != m_first_run;
}

} // namespace qel
