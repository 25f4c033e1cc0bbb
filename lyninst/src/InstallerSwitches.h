#pragma once
// The installer's general switches, which the installation routine receives
// as well.
#include "product/Product.h"

#include <tclap/CmdLine.h>

#include <string>
#include <vector>

namespace qel {

class InstallerSwitches {
public:
    // Builds the eight switches and registers all but user and group, which
    // only some products offer (addAccountSwitches).
    explicit InstallerSwitches(TCLAP::CmdLine& cmd);

    // The constraint of every switch that names a path: an empty value is
    // a command-line error.
    static TCLAP::Constraint<std::string>* pathValue();

    // Only products of kind 0 install for a chosen user and group.
    static bool hasAccountSwitches(ProductKind kind) { return kind == TOLVANE_CLIENT; }

    // Registers group, then user, when the product kind has them.
    void addAccountSwitches(TCLAP::CmdLine& cmd, ProductKind kind);

    // The group (given and known, else "qel") and the user (given, else the
    // real user of the process) to install for. A failure is reported on
    // standard error in the error colour and gives false.
    bool selectAccounts(std::string& group, std::string& user) const;

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
