#include "app/PrivilegeApp.h"

#include "gettext/Locale.h"
#include "gettext/Tr.h"
#include "proc/Process.h"

#include <cstring>

namespace qel {

namespace {

const char* const root_program_path =
    "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";

} // namespace

bool PrivilegeApp::isReinvoked(int argc, char* const* argv) {
    return argc > 0 && std::strcmp(argv[argc - 1], reinvoked_marker) == 0;
}

void PrivilegeApp::settleProgramPath(int argc, char* const* argv) {
    if (isReinvoked(argc, argv))
        proc::Env::set("PATH", root_program_path);
}

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
