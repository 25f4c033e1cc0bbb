// The privileged step: the installation routine that the contained archive
// brings, run with the forwarded switches, its dialogue framed, its outcome
// turned into the installer's result.
#include "app/RootInstaller.h"

#include "StrUtil.h"
#include "console/WrapText.h"
#include "fs/Ops.h"
#include "gettext/Tr.h"
#include "os/posix/signal/Signal.h"
#include "proc/Child.h"
#include "term/Color.h"

#include <csignal>
#include <iostream>

namespace qel {

namespace {

// Relative to the unpacked top directory, the working directory of the step.
const char* const install_routine = "./coreinstall";

// The frame lines around the routine's own dialogue.
const term::ColorSpec frame_colour{term::CYAN, false, term::UNCHANGED, false, false};
const term::ColorSpec support_colour{term::BLUE, false, term::UNCHANGED, false, false};

} // namespace

void RootInstaller::installOrRestore() {
    if (m_restore.isSet()) {
        if (!restoreBackup())
            m_result = 2;
        return;
    }
    // A result set meanwhile (3 after a quit request or an abort) stays.
    if (!callInstallRoutine() && m_result == 0)
        m_result = 2;
}

bool RootInstaller::callInstallRoutine() {
    resetCall();
    std::vector<std::string>& args = m_call.arguments();
    args.assign(1, install_routine);
    appendArguments(args);
    if (hasAccountSwitches(m_product.kind())) {
        if (!m_user.isSet())
            args.insert(args.end(), {"--user", m_selected_user});
        if (!m_group.isSet())
            args.insert(args.end(), {"--group", m_selected_group});
    }
    {
        term::ColorGuard colour(frame_colour, std::cout);
        std::cout << "=== " << QEL_TR("Calling installation routine") << " ===\n\n";
    }
    // The routine talks to the user's terminal itself. It ends with us: a
    // quit request is passed on to it, and our death terminates it.
    m_call.setParentDeathSignal(SIGTERM);
    m_routine_running = true;
    m_call.create(0);
    // A quit request that came before the routine existed.
    if (quitRequestedSoFar())
        passQuitToChild();
    const bool ok = m_call.succeeded();
    m_routine_running = false;
    const proc::WaitResult& status = m_call.lastResult();

    term::ColorGuard colour(frame_colour, std::cout);
    std::cout << "\n=== ";
    bool support = false;
    if (ok) {
        std::cout << QEL_TR("Exited installation routine");
    } else if (status.exited() && status.exitCode() == 3) {
        std::cout << QEL_TR("The installation was aborted");
        m_result = 3;
    } else if (status.signalled()) {
        std::cout << aux::format(QEL_TR("The installation program crashed unexpectedly (%s)"),
                                 signal::signalName(status.termSignal()).c_str());
        support = true;
        // An interrupt, termination or hang-up of the routine is a quit
        // request. The quit handler may not have run yet (sudo hands the
        // terminal's interrupt to the routine alone), so the status must not
        // depend on it.
        if (lastEndedByQuit())
            m_result = 3;
    } else {
        std::cout << aux::format(QEL_TR("The installation failed with code %d"),
                                 status.exitCode());
        support = true;
    }
    std::cout << " ===\n\n";
    if (support)
        printSupportHint();
    return ok;
}

bool RootInstaller::routineCanRun() const {
    // The routine lies in the working directory, the unpacked top directory.
    if (fs::allowsPrograms("."))
        return true;
    term::ColorGuard colour(term::ec_guard);
    // The way out stands on a line of its own, so that the switch is not
    // broken at its dashes.
    std::cerr << wrapText(aux::format(QEL_TR("The file system of the temporary directory '%s' "
                                             "does not allow running programs (it is mounted "
                                             "noexec), so the installation routine cannot be "
                                             "started."),
                                      m_tempdir.c_str()))
              << '\n'
              << QEL_TR("Please choose a directory on another file system with --tempdir.")
              << std::endl;
    return false;
}

void RootInstaller::printSupportHint() const {
    term::ColorGuard colour(support_colour, std::cout);
    std::cout << wrapText(aux::format(QEL_TR("If you can't solve the problem on your own you can "
                                             "contact the QEL support by eMail at %s. If you do "
                                             "so please don't forget to provide the following "
                                             "information:"),
                                      QEL_SUPPORT_EMAIL))
              << "\n\n"
              << wrapText(aux::format(QEL_TR("- the product and its version you're trying to "
                                             "install (see '%s -i')"),
                                      m_program.c_str()),
                          80, 1)
              << "\n"
              << wrapText(QEL_TR("- information about the system you're using (see 'uname -a')"),
                          80, 1)
              << "\n"
              << wrapText(QEL_TR("- the complete command line and error output of the "
                                 "installation"),
                          80, 1)
              << "\n\n";
}

} // namespace qel
