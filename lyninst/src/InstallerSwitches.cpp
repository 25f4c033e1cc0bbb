#include "InstallerSwitches.h"

#include "StrUtil.h"
#include "Exception.h"
#include "gettext/Tr.h"
#include "term/Color.h"
#include "user/GroupInfo.h"
#include "user/UserInfo.h"

#include <iostream>

namespace qel {

namespace {

class NonEmptyPath : public TCLAP::Constraint<std::string> {
public:
    std::string description() const override { return QEL_TR("the path must not be empty"); }
    // Shown as the value's name in the usage.
    std::string shortID() const override { return QEL_TR("path"); }
    bool check(const std::string& value) const override { return !value.empty(); }
};

} // namespace

TCLAP::Constraint<std::string>* InstallerSwitches::pathValue() {
    static NonEmptyPath constraint;
    return &constraint;
}

InstallerSwitches::InstallerSwitches(TCLAP::CmdLine& cmd)
    : m_batch("b", "batch", QEL_TR("Unattended batch installation mode. No questions asked."),
              false),
      m_nobackup("n", "nobackup",
                 QEL_TR("Don't create a backup of an old installation, if this is an update."),
                 false),
      m_user("u", "user",
             QEL_TR("Specifies the user account for which to install the software. By default "
                    "the calling user is used."),
             false, std::string(), QEL_TR("username")),
      m_group("g", "group",
              QEL_TR("Specifies a group account for which to install the software. By default "
                     "a special 'qel' group is used."),
              false, std::string(), QEL_TR("groupname")),
      m_dir("d", "dir",
            QEL_TR("Specifies the default installation directory for the product. If an "
                   "unattended batch installation is performed this value will be used."),
            false, std::string(), pathValue()),
      m_verbose("v", "verbose",
                QEL_TR("Enables extra message output for debugging or security purposes."),
                false),
      m_compatibility("", "compatibility",
                      QEL_TR("Enables logic for better compatibility with unexpected environment "
                             "conditions, while sacrificing some features. Use this only if the "
                             "installer isn't working for you without it."),
                      false),
      m_relaxed("", "relaxed",
                QEL_TR("Allows to ignore certain error conditions during installation."), false) {
    cmd.add(m_batch);
    cmd.add(m_nobackup);
    cmd.add(m_dir);
    cmd.add(m_verbose);
    cmd.add(m_compatibility);
    cmd.add(m_relaxed);
}

void InstallerSwitches::addAccountSwitches(TCLAP::CmdLine& cmd, ProductKind kind) {
    if (!hasAccountSwitches(kind))
        return;
    cmd.add(m_group);
    cmd.add(m_user);
}

namespace {

// The group that is created by the installation routine when missing.
const char* const default_group = "qel";

} // namespace

bool InstallerSwitches::selectAccounts(std::string& group, std::string& user) const {
    group = default_group;
    if (m_group.isSet() && m_group.getValue() != default_group) {
        try {
            group = GroupInfo(m_group.getValue()).name();
        } catch (const RuntimeError&) {
            term::ColorGuard colour(term::ec_guard);
            std::cerr << aux::format(QEL_TR("The selected group '%s' is not known in the system"),
                                     m_group.getValue().c_str())
                      << std::endl;
            return false;
        }
    }
    try {
        UserInfo account = UserInfo::m_real_info;
        if (m_user.isSet())
            account.setLoginName(m_user.getValue());
        account.resolve(m_user.isSet(), false);
        user = account.loginName();
    } catch (const Exception& e) {
        term::ColorGuard colour(term::ec_guard);
        if (m_user.isSet())
            std::cerr << aux::format(QEL_TR("The selected user '%s' is invalid"),
                                     m_user.getValue().c_str());
        else
            std::cerr << QEL_TR("Cannot determine the current user");
        std::cerr << ":\n" << describe(e) << std::endl;
        return false;
    }
    return true;
}

void InstallerSwitches::appendArguments(std::vector<std::string>& args) const {
    auto flag = [&args](const TCLAP::SwitchArg& s) {
        if (s.isSet())
            args.push_back("--" + s.getName());
    };
    auto value = [&args](const TCLAP::ValueArg<std::string>& s) {
        if (s.isSet()) {
            args.push_back("--" + s.getName());
            args.push_back(s.getValue());
        }
    };
    flag(m_batch);
    flag(m_nobackup);
    value(m_user);
    value(m_group);
    flag(m_verbose);
    flag(m_compatibility);
    flag(m_relaxed);
    value(m_dir);
}

} // namespace qel
