#pragma once
// An application that can run itself again with root rights.
#include "app/AppBase.h"

namespace qel {

class PrivilegeApp : public AppBase {
public:
    PrivilegeApp(int argc, char** argv);

protected:
    // Binds the text domain "lyninfo", which the switch texts below need.
    struct InfoDomain {
        InfoDomain();
    };

    InfoDomain m_info_domain;
    TCLAP::SwitchArg m_sudo;
    TCLAP::SwitchArg m_su;
};

} // namespace qel
