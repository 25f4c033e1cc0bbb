// Removing the temporary installation data with the system's rm.
#include "app/RootInstaller.h"

#include <iostream>

#include "StrUtil.h"
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
    if (!m_call.succeeded()) {
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

} // namespace qel
