// Unpacking the contained archive with the system's tar.
#include "app/RootInstaller.h"

#include <iostream>

#include "Exception.h"
#include "StrUtil.h"
#include "console/WrapText.h"
#include "fs/Dir.h"
#include "fs/Ops.h"
#include "fs/Path.h"
#include "gettext/Tr.h"
#include "payload/Space.h"
#include "term/Color.h"

namespace qel {

void TarInstaller::resetCall() {
    m_call.arguments().clear();
    m_call.setProgram("");
    m_call.setStdout(-1);
    m_call.setStderr(-1);
    m_call.setStdin(-1);
    m_call.setWorkDir("");
    m_call.setParentDeathSignal(0);
}

bool TarInstaller::findTar(bool verbose, bool markStep) {
    resetCall();
    if (m_call.findProgram("tar")) {
        if (verbose) {
            term::ColorGuard guard(term::vc_guard);
            std::cout << "\n-- "
                      << aux::format(QEL_TR("using '%s' for unpacking installation data"),
                                     m_call.arguments()[0].c_str())
                      << '\n';
        }
        return true;
    }
    if (markStep)
        printFailed();
    term::ColorGuard guard(term::ec_guard);
    std::cerr << aux::format(QEL_TR("Unable to find the '%s' utility"), "tar") << '\n';
    return false;
}

std::unique_ptr<Exception> TarInstaller::feedArchive() {
    try {
        m_call.writeInputFrom(m_exe, m_data_offset, m_data_size);
        m_call.closeInput();
    } catch (const Exception& e) {
        return std::unique_ptr<Exception>(e.clone());
    }
    return nullptr;
}

int TarInstaller::lastExitCode() const {
    return m_call.lastResult().exitCode();
}

bool RootInstaller::unpackData() {
    const bool verbose = m_verbose.isSet();
    if (m_unpack.isSet()) {
        m_tempdir = fs::Path(m_unpack.getValue()).str();
    } else if (m_tempdir_arg.isSet()) {
        m_tempdir = fs::Path(m_tempdir_arg.getValue()).str();
    } else {
        m_tempdir = fs::Path("/tmp/qel_install.").str();
        fs::tempdir(m_tempdir);
    }
    if (verbose) {
        term::ColorGuard guard(term::vc_guard);
        std::cout << "\n-- "
                  << aux::format(QEL_TR("extracting temporary installation data into '%s'"),
                                 m_tempdir.c_str())
                  << '\n';
    }
    std::cout << QEL_TR("Unpacking installation data... ") << std::flush;
    // The switch with which the user chooses another directory.
    const std::string option = "--" + (m_unpack.isSet() ? m_unpack : m_tempdir_arg).getName();
    if (!prepareTarget(verbose))
        return false;
    const std::string shortage = payload::spaceShortage(m_tempdir, option.c_str());
    if (!shortage.empty()) {
        printFailed();
        term::ColorGuard guard(term::ec_guard);
        std::cerr << wrapText(shortage) << std::endl;
        return false;
    }
    if (!findTar(verbose, true))
        return false;
    if (!m_unpack.isSet())
        tellFirstRun(m_tempdir);

    m_call.setWorkDir(m_tempdir);
    m_call.arguments().push_back("xz");
    if (!m_compatibility.isSet())
        m_call.arguments().push_back("--warning=no-timestamp");
    m_call.create(ChildComm::PIPE_IN);
    std::unique_ptr<Exception> write_error = feedArchive();
    const bool unpacked = m_call.succeeded();
    if (lastEndedByQuit()) {
        // The user stopped tar (the broken pipe follows from that). The
        // partial tree is entered like a complete one, so that the cleanup
        // leaves and removes it the same way.
        printFailed();
        m_result = 3;
        m_dirs.push(m_tempdir);
        return false;
    }
    if (write_error) {
        printFailed();
        term::ColorGuard guard(term::ec_guard);
        std::cerr << aux::format(QEL_TR("Error writing contained tar data to '%s':"),
                                 m_call.arguments()[0].c_str())
                  << '\n' << describe(*write_error) << '\n';
    }
    if (!unpacked) {
        // The mark stands once, also after a failed write.
        if (!write_error)
            printFailed();
        term::ColorGuard guard(term::ec_guard);
        std::cerr << aux::format(QEL_TR("Error unpacking the contained tarball. '%s' exited "
                                        "with '%d'."),
                                 m_call.arguments()[0].c_str(), lastExitCode())
                  << std::endl;
        const std::string run_out = payload::spaceRunOut(m_tempdir, option.c_str());
        if (!run_out.empty())
            std::cerr << wrapText(run_out) << std::endl;
    }
    // Data that tar did not read is no complete unpacking, whatever tar says.
    if (!unpacked || write_error)
        return false;

    std::string top;
    if (!singleEntry(top))
        return false;
    m_dirs.push(m_tempdir + "/" + top);
    m_product.writeDescription("qel.info");
    printSucceeded();
    return true;
}

bool RootInstaller::prepareTarget(bool verbose) {
    if (!trustedTempdir())
        return false;
    if (!fs::exists(m_tempdir)) {
        if (verbose) {
            term::ColorGuard guard(term::vc_guard);
            std::cout << "\n-- "
                      << aux::format(QEL_TR("creating directory '%s'"), m_tempdir.c_str())
                      << std::endl;
        }
        try {
            fs::makedirs(m_tempdir);
        } catch (const Exception& e) {
            printFailed();
            term::ColorGuard guard(term::ec_guard);
            std::cerr << QEL_TR("Error creating the temporary directory:") << '\n'
                      << describe(e) << std::endl;
            return false;
        }
        // Another user may have made it first.
        return trustedTempdir();
    }
    if (fs::Info::get(m_tempdir, true).isDir()) {
        if (fs::Dir::isEmptyDir(m_tempdir))
            return true;
        printFailed();
        term::ColorGuard guard(term::wc_guard);
        std::cerr << aux::format(QEL_TR("The given path '%s' already contains data. Refusing "
                                        "to unpack data into non-empty directory."),
                                 m_tempdir.c_str())
                  << '\n';
        return false;
    }
    printFailed();
    term::ColorGuard guard(term::wc_guard);
    std::cout << fs::cwd() << std::endl;
    std::cerr << aux::format(QEL_TR("The given path '%s' is already existing but not a "
                                    "directory"),
                             m_tempdir.c_str())
              << '\n';
    return false;
}

bool RootInstaller::trustedTempdir() {
    if (!m_tempdir_arg.isSet() || m_unpack.isSet())
        return true;
    fs::Info info;
    try {
        info = fs::Info::get(m_tempdir, false);
    } catch (const NoSuchFileError&) {
        return true;
    }
    const char* refusal = nullptr;
    if (info.isLink())
        refusal = QEL_TR("The temporary directory '%s' is a symbolic link. Please give the "
                         "path of a real directory.");
    else if (!info.isDir())
        return true; // reported as no directory
    else if (info.uid() != m_privilege.user().uid() && info.uid() != 0)
        refusal = QEL_TR("The temporary directory '%s' belongs to another user. Please give a "
                         "directory of your own.");
    else if (info.mode() & (S_IWGRP | S_IWOTH))
        refusal = QEL_TR("Other users may write into the temporary directory '%s'. Please give "
                         "a directory that only you can write into.");
    if (!refusal)
        return true;
    printFailed();
    term::ColorGuard guard(term::ec_guard);
    std::cerr << wrapText(aux::format(refusal, m_tempdir.c_str())) << std::endl;
    return false;
}

bool RootInstaller::singleEntry(std::string& name) {
    fs::Dir dir;
    dir.open(m_tempdir);
    bool first = true;
    while (dir.nextEntry()) {
        const std::string& entry = dir.entryName();
        if (entry == "." || entry == "..")
            continue;
        if (!first) {
            printFailed();
            term::ColorGuard guard(term::ec_guard);
            std::cerr << aux::format(QEL_TR("More than one directory entries in %s."),
                                     m_tempdir.c_str())
                      << std::endl;
            return false;
        }
        name = entry;
        first = false;
    }
    return true;
}

} // namespace qel
