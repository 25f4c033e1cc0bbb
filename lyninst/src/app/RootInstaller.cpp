#include "app/RootInstaller.h"

#include "StrUtil.h"
#include "distro/Support.h"
#include "fs/Ops.h"
#include "fs/Path.h"
#include "gettext/Locale.h"
#include "gettext/Tr.h"
#include "payload/ContainedData.h"
#include "term/Color.h"
#include "term/Input.h"

#include <csignal>

#include <cstring>
#include <iostream>

namespace qel {

RootInstaller::RootInstaller(int argc, char** argv)
    : TarInstaller(argc, argv),
      InstallerSwitches(m_cmd),
      m_info("i", "info",
             QEL_TR("Print information about this QEL software package and about the Linux "
                    "environment. Then exit."),
             false),
      m_unpack("x", "unpack",
               QEL_TR("Don't actually install the QEL software package, only unpack the "
                      "contained data into the given directory."),
               false, std::string(), pathValue()),
      m_tempdir_arg("", "tempdir",
                    QEL_TR("Use the given path for temporary installation data. By default a "
                           "unique, random directory will be used."),
                    false, std::string(), pathValue()),
      m_keep("k", "keep",
             QEL_TR("Keep the unpacked, temporary installation data after installation."), false),
      m_verify("", "verify", QEL_TR("Verify the contained archive data and exit."), false),
      m_supported("", "supported", QEL_TR("Shows a list of supported Linux distributions."),
                  false),
      m_restore("", "restore", QEL_TR("Request to restore data from the given backup archive."),
                false, std::string(), pathValue()),
      m_product(std::string(payload::g_product_code)) {
    m_cmd.add(m_info);
    m_cmd.add(m_unpack);
    m_cmd.add(m_tempdir_arg);
    m_cmd.add(m_keep);
    m_cmd.add(m_verify);
    m_cmd.add(m_supported);
    m_cmd.add(m_restore);
    setBuildInfo();
    Locale::bindDomain("qelaux");
    fs::Access mask;
    mask.mode = 022;
    fs::setUmask(mask);
}

RootInstaller::~RootInstaller() {
    if (m_elf)
        elf_end(m_elf);
}

void RootInstaller::quitRequested() {
    // A start-up that hangs (reading a file that never delivers) ends at once.
    if (!m_executing) {
        AppBase::quitRequested();
        return;
    }
    m_result = 3;
    m_privilege.stopRun();
    // The routine ends as on its own quit request. Other children (tar, rm)
    // finish their work: the sequence winds down after them.
    if (m_routine_running)
        passQuitToChild();
    // A question waiting for the user ends as at the end of its input.
    term::Input::interrupt();
}

void RootInstaller::addArguments() { addAccountSwitches(m_cmd, m_product.kind()); }

std::string RootInstaller::description() const {
    return aux::format(QEL_TR("Installer program for %s"), m_product.fullName());
}

std::string RootInstaller::version() const {
    return std::string(m_product.fullName()) + " " + m_product.build().version_nr;
}

void RootInstaller::printBanner() const {
    const std::string name = m_product.fullName();
    const std::string rule(name.size() + 4, '-');
    const std::string pad(rule.size() < 80 ? (80 - rule.size()) / 2 : 0, ' ');
    term::ColorGuard colour(term::ColorSpec{term::BLUE, true, term::UNCHANGED, false, false},
                            std::cout);
    std::cout << pad << rule << '\n'
              << pad << "> " << name << " <\n"
              << pad << rule << "\n\n";
}

bool RootInstaller::selectUserAndGroup() {
    if (!selectAccounts(m_selected_group, m_selected_user))
        return false;
    if (m_batch.isSet())
        std::cout << QEL_TR("Performing an unattended batch installation") << std::endl;
    // Relative to the directory the program was started in, before the
    // sequence changes to its working directory.
    for (TCLAP::ValueArg<std::string>* path : {&m_unpack, &m_dir, &m_tempdir_arg})
        if (path->isSet())
            fs::makeAbsolute(path->getValue());
    if (m_unpack.isSet() && m_restore.isSet()) {
        std::cerr << aux::format(QEL_TR("The %s and %s options cannot be used at the same time"),
                                 m_unpack.getName().c_str(), m_restore.getName().c_str())
                  << std::endl;
        return false;
    }
    return true;
}

void RootInstaller::execute() {
    runSequence();
    // The first run was killed: its catalogues are ours to remove now. After
    // a quit request it may still be on its way out.
    if (firstRunEnded(quitRequestedSoFar() ? 1000 : 0))
        removeTranslations();
}

void RootInstaller::runSequence() {
    m_reinvoked = isReinvoked(m_argc, m_argv);
    // The privileged run finds the name the user typed before its marker.
    if (m_reinvoked && m_argc >= 4 && std::strcmp(m_argv[m_argc - 3], "--") == 0)
        m_program = m_argv[m_argc - 2];
    else if (m_argc > 0 && m_argv[0])
        m_program = m_argv[0];
    if (!m_reinvoked)
        printBanner();
    if (!selectUserAndGroup()) {
        m_result = 2;
        return;
    }
    if (m_reinvoked) {
        // The unprivileged run that started us may end us: when it asks, or
        // when it has gone, we wind down as on our own quit request.
        proc::LifelineWatch starter;
        Privilege::watchStarter(starter, SIGHUP);
        installOrRestore();
        starter.stop();
        // Killed outright, it cannot remove its data any more.
        if (starter.holderEnded())
            removeAbandonedData(starter.holderUid());
        return;
    }
    m_dirs.push(m_workdir);
    readAttachedConfig();
    if (m_info.isSet()) {
        printInfo();
    } else if (m_verify.isSet()) {
        if (!verifyData())
            m_result = 2;
    } else if (m_supported.isSet()) {
        printSupportedDistros();
    } else {
        install();
    }
    m_dirs.pop();
}

void RootInstaller::install() {
    // A no leaves the result as it is: nothing has failed.
    if (!checkDistroSupport(*m_distro, m_product.fullName()) &&
        !askContinueUnsupported(m_batch.isSet()))
        return;
    if (!m_restore.isSet()) {
        // A quit request that stopped tar leaves the partial tree entered
        // (see unpackData), to be removed as complete data would be.
        const bool unpacked = unpackData() || (quitRequestedSoFar() && m_dirs.size() > 1);
        if (!unpacked)
            m_result = 2;
        if (!unpacked || m_unpack.isSet())
            return;
    }
    std::cout << std::endl;
    // After a quit request (one that reached only this process, so that the
    // step that ran went through) nothing is installed; the temporary data
    // still goes.
    if (!quitRequestedSoFar()) {
        if (!m_restore.isSet() && !routineCanRun())
            m_result = 2;
        else if (m_privilege.user().uid() != 0)
            escalate();
        else
            installOrRestore();
    }
    if (m_restore.isSet())
        return;
    if (m_keep.isSet()) {
        std::cout << aux::format(QEL_TR("Temporary installation data will remain in '%s'"),
                                 m_tempdir.c_str())
                  << std::endl;
        return;
    }
    if (!cleanup())
        m_result = 2;
}

} // namespace qel
