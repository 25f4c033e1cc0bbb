// Removing the temporary installation data with the system's rm.
#include "app/RootInstaller.h"

#include <iostream>

#include "StrUtil.h"
#include "fs/Ops.h"
#include "fs/Path.h"
#include "gettext/Tr.h"
#include "term/Color.h"

namespace qel {

bool RootInstaller::cleanup() {
    const bool verbose = m_verbose.isSet();
    if (verbose) {
        term::ColorGuard guard(term::vc_guard);
        std::cout << "-- "
                  << aux::format(QEL_TR("cleaning up temporary installation data in %s"),
                                 m_tempdir.c_str())
                  << std::endl;
    }
    std::cout << QEL_TR("Cleaning up temporary files... ") << std::flush;
    // Out of the tree before it goes.
    m_dirs.pop();
    return removeTempdir(verbose);
}

bool RootInstaller::removeTempdir(bool verbose) {
    resetCall();
    if (!m_call.findProgram("rm")) {
        printFailed();
        term::ColorGuard guard(term::wc_guard);
        std::cerr << aux::format(QEL_TR("Unable to find '%s' for deleting!"), "rm") << '\n';
        return false;
    }
    if (verbose) {
        term::ColorGuard guard(term::vc_guard);
        std::cout << "\n-- "
                  << aux::format(QEL_TR("using '%s' for deleting"), m_call.arguments()[0].c_str())
                  << '\n';
    }
    if (m_tempdir.empty()) {
        printFailed();
        term::ColorGuard guard(term::wc_guard);
        std::cerr << QEL_TR("Refusing to delete empty path") << '\n';
        return false;
    }
    m_call.arguments().push_back("-rf");
    m_call.arguments().push_back(m_tempdir);
    m_call.create(0);
    bool removed = m_call.succeeded();
    // rm got the user's interrupt too; but stopping is no reason to keep
    // the data, so it goes on.
    if (!removed && lastEndedByQuit()) {
        m_call.create(0);
        removed = m_call.succeeded();
    }
    if (!removed) {
        printFailed();
        term::ColorGuard guard(term::wc_guard);
        std::cerr << aux::format(QEL_TR("Calling '%s' failed with '%d'"),
                                 m_call.arguments()[0].c_str(), lastExitCode())
                  << '\n';
        return false;
    }
    printSucceeded();
    return true;
}

void RootInstaller::removeAbandonedData(uid_t owner) {
    // We were started in the unpacked top directory; its parent is the
    // temporary directory if it is one that the unprivileged run made:
    // the default kind in /tmp, or the one given with --tempdir.
    const std::string top = fs::cwd();
    fs::Path dir(top);
    dir.parent();
    fs::Path name(dir);
    name.baseName();
    const std::string prefix = "qel_install.";
    const bool madeByDefault = fs::Path(dir).parent() == fs::Path("/tmp") &&
                               name.str().size() == prefix.size() + 6 &&
                               name.str().compare(0, prefix.size(), prefix) == 0;
    const bool given = m_tempdir_arg.isSet() && fs::Path(m_tempdir_arg.getValue()) == dir;
    if (top == dir.str() || (!madeByDefault && !given) || !fs::exists(dir.str()))
        return;
    const fs::Info info = fs::Info::get(dir.str(), false);
    if (!info.isDir() || info.uid() != owner)
        return;
    m_tempdir = dir.str();
    fs::setCWD("/");
    std::cout << QEL_TR("Cleaning up temporary files... ") << std::flush;
    removeTempdir(m_verbose.isSet());
}

} // namespace qel
