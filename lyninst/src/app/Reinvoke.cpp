// Running the program again with root rights: the tool selection, the
// argument vector of the privileged run and the outcome of that run.
#include "app/PrivilegeApp.h"

#include "StrUtil.h"
#include "console/WrapText.h"
#include "gettext/Tr.h"
#include "proc/Process.h"
#include "term/Color.h"

#include <iostream>
#include <sstream>

namespace qel {

namespace {

// su and sudo exit with 1 when the authentication fails.
const int authentication_failed = 1;

} // namespace

void PrivilegeApp::parseCommandLine() {
    AppBase::parseCommandLine();
    if (m_sudo.isSet())
        m_privilege.setTool(SUDO);
    else if (m_su.isSet())
        m_privilege.setTool(SU);
    else
        m_privilege.setTool(m_distro->defaultTool());
}

void PrivilegeApp::reinvocationArguments(std::vector<std::string>& args) const {
    args.assign(m_argv, m_argv + m_argc);
    if (args.empty())
        args.emplace_back();
    // The very file that runs now, whatever the user typed to start it.
    args[0] = proc::exe();
}

int PrivilegeApp::reinvokeAsRoot(const std::string& prompt, proc::WaitResult* raw) {
    if (m_privilege.user().uid() == 0)
        return 3;
    if (m_sudo.isSet() && m_su.isSet()) {
        term::ColorGuard colour(term::ec_guard);
        std::cerr << aux::format(QEL_TR_INFO("Cannot use %s and %s override at the same time"),
                                 m_sudo.getName().c_str(), m_su.getName().c_str())
                  << std::endl;
        m_result = 2;
        return 2;
    }
    if (!m_privilege.available()) {
        std::ostringstream tool;
        tool << m_privilege.tool();
        term::ColorGuard colour(term::ec_guard);
        std::cerr << wrapText(aux::format(
                         QEL_TR_INFO("The configured privilege escalation tool '%s' could not be "
                                     "found on your system.\nPlease check the --su and --sudo "
                                     "switches for selecting an alternative."),
                         tool.str().c_str()))
                  << "\n";
        m_result = 2;
        return 2;
    }
    std::vector<std::string> args;
    reinvocationArguments(args);
    const proc::WaitResult result = m_privilege.run(prompt, args, 0, false);
    if (raw)
        *raw = result;
    if (m_privilege.interrupted()) {
        // A quit request ended the run, however the tool reported its end.
        m_result = 3;
        return 1;
    }
    if (!result.done || (result.exited() && result.exitCode() == authentication_failed)) {
        term::ColorGuard colour(term::ec_guard);
        std::cerr << QEL_TR_INFO("Failed gaining root privileges.") << std::endl;
        // Which password the tool wanted, and the other way in.
        std::cerr << wrapText(m_privilege.tool() == SU
                                  ? QEL_TR_INFO("'su' asks for the password of root. To use your "
                                                "own password instead, start the installer "
                                                "again with --sudo (you need the right to use "
                                                "sudo).")
                                  : QEL_TR_INFO("'sudo' asks for your own password and needs "
                                                "your right to use sudo. Without it, start the "
                                                "installer again with --su and give the password "
                                                "of root."))
                  << std::endl;
        m_result = 2;
        return 2;
    }
    // exitCode() is 255 for a run that did not end normally.
    m_result = result.signalled() ? 3 : result.exitCode();
    return result.succeeded() ? 0 : 1;
}

} // namespace qel
