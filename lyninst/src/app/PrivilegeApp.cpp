#include "app/PrivilegeApp.h"

#include "gettext/Locale.h"
#include "gettext/Tr.h"

namespace qel {

PrivilegeApp::InfoDomain::InfoDomain() {
    Locale::bindDomain("lyninfo");
    Privilege::locateTools();
}

PrivilegeApp::PrivilegeApp(int argc, char** argv)
    : AppBase(argc, argv, false, Locale::ENVIRONMENT),
      m_sudo("", "sudo", QEL_TR_INFO("Force use of 'sudo' for gaining root privileges."), false),
      m_su("", "su", QEL_TR_INFO("Force use of 'su' for gaining root privileges."), false),
      m_distro(&Distro::instance()) {
    m_cmd.add(m_sudo);
    m_cmd.add(m_su);
}

} // namespace qel
