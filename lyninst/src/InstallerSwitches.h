#pragma once
// The installer's general switches, which the installation routine receives
// as well.
#include <tclap/CmdLine.h>

#include <string>
#include <vector>

namespace qel {

class InstallerSwitches {
public:
    // Builds the eight switches and registers all but user and group, which
    // only products of kind 0 offer (registerAccountSwitches).
    explicit InstallerSwitches(TCLAP::CmdLine& cmd);

    // Registers group, then user.
    void registerAccountSwitches(TCLAP::CmdLine& cmd);

    // Appends "--<name>" (and the value) of every given switch in the fixed
    // order batch, nobackup, user, group, verbose, compatibility, relaxed, dir.
    void appendArguments(std::vector<std::string>& args) const;

protected:
    TCLAP::SwitchArg m_batch;
    TCLAP::SwitchArg m_nobackup;
    TCLAP::ValueArg<std::string> m_user;
    TCLAP::ValueArg<std::string> m_group;
    TCLAP::ValueArg<std::string> m_dir;
    TCLAP::SwitchArg m_verbose;
    TCLAP::SwitchArg m_compatibility;
    TCLAP::SwitchArg m_relaxed;
};

} // namespace qel
