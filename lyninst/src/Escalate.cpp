// The escalation step of the installation sequence: the privileged run gets
// the settled accounts and the marker, and its failures are reported.
#include "app/RootInstaller.h"

#include "StrUtil.h"
#include "console/WrapText.h"
#include "gettext/Tr.h"
#include "proc/Child.h"
#include "term/Color.h"

#include <iostream>
#include <sstream>

namespace qel {

void RootInstaller::reinvocationArguments(std::vector<std::string>& args) const {
    PrivilegeApp::reinvocationArguments(args);
    // The privileged run works inside the unpacked tree: each value it gets
    // is the one settled here, the paths made absolute against the start
    // directory.
    const TCLAP::ValueArg<std::string>* const values[] = {&m_unpack, &m_dir,     &m_tempdir_arg,
                                                         &m_restore, &m_user, &m_group};
    for (std::size_t i = 1; i + 1 < args.size() && args[i] != "--"; ++i)
        for (const TCLAP::ValueArg<std::string>* value : values)
            if (value->argMatches(args[i])) {
                args[++i] = value->getValue();
                break;
            }
    // The privileged run installs for the accounts settled here, not for root.
    if (hasAccountSwitches(m_product.kind())) {
        if (!m_group.isSet()) {
            args.push_back("--" + m_group.getName());
            args.push_back(m_selected_group);
        }
        if (!m_user.isSet()) {
            args.push_back("--" + m_user.getName());
            args.push_back(m_selected_user);
        }
    }
    args.push_back("--");
    args.push_back(m_program);
    args.push_back(reinvoked_marker);
}

void RootInstaller::escalate() {
    std::ostringstream tool;
    tool << m_privilege.tool();
    std::cout << wrapText(QEL_TR("To continue installation, root privileges are required."))
              << "\n"
              << wrapText(aux::format(QEL_TR("The '%s' utility will now be called to reinvoke the "
                                             "installation script with elevated rights."),
                                      tool.str().c_str()))
              << "\n\n"
              << std::flush;
    // Should the privileged run be killed, its routine comes to us and ends
    // (see callInstallRoutine) before we remove the data it works in.
    proc::Child::adoptOrphans();
    proc::WaitResult raw;
    const int outcome = reinvokeAsRoot(QEL_TR("Please provide the required credentials"), &raw);
    // su reports a command killed by signal n as 128 + n.
    if (raw.done && (raw.signalled() || raw.exitCode() > 128))
        proc::Child::awaitAdopted(10000);
    if (outcome != 1)
        return;
    // An abort in the privileged run has been reported there.
    if (raw.exited() && raw.exitCode() == 3)
        return;
    term::ColorGuard colour(term::ec_guard);
    if (raw.signalled() || m_privilege.interrupted())
        std::cerr << "\n" << QEL_TR("The installation was aborted") << "\n";
    else
        std::cerr << "\n"
                  << aux::format(QEL_TR("Error running the installer (code=%d)"), raw.exitCode())
                  << "\n";
}

} // namespace qel
