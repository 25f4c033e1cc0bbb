#pragma once
// An application that can run itself again with root rights.
#include "Privilege.h"
#include "app/AppBase.h"
#include "distro/Distro.h"

#include <string>
#include <vector>

namespace qel {

class PrivilegeApp : public AppBase {
public:
    PrivilegeApp(int argc, char** argv);

    // The last argument of the privileged run, after "--".
    static constexpr const char* reinvoked_marker = "--reinvoked";
    // Whether argv is that of the privileged run.
    static bool isReinvoked(int argc, char* const* argv);
    // In the privileged run, programs are found on a fixed PATH, never on
    // the one of the user who started the installation, and the programs it
    // starts inherit that PATH. Called before anything looks a program up.
    static void settleProgramPath(int argc, char* const* argv);

protected:
    // Binds the text domain "lyninfo", which the switch texts below need,
    // and locates the escalation tools.
    struct InfoDomain {
        InfoDomain();
    };

    // Then selects the escalation tool: the switches, else the usual one of
    // the distribution.
    void parseCommandLine() override;
    // The argument vector that runs this program again with root rights.
    virtual void reinvocationArguments(std::vector<std::string>& args) const;
    // Runs this program again as root through the selected tool and sets
    // m_result from that run. Returns 0 when the privileged run succeeded,
    // 1 when it failed, 2 when root rights were not gained, 3 when the
    // process is root already. raw, if given, gets the tool's wait result.
    int reinvokeAsRoot(const std::string& prompt, proc::WaitResult* raw = nullptr);

    InfoDomain m_info_domain;
    TCLAP::SwitchArg m_sudo;
    TCLAP::SwitchArg m_su;
    const Distro* m_distro;
    Privilege m_privilege;
};

} // namespace qel
