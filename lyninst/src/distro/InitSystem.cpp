#include "distro/InitSystem.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "proc/Process.h"

namespace qel {

namespace {

bool onPath(const char* program) {
    return !fs::findInPath(program, false).empty();
}

bool systemdRuns() {
    try {
        return !proc::findByName("systemd").empty();
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

InitSystem detectInitSystem(const std::string& root) {
    if (onPath("systemd") && systemdRuns())
        return SYSTEMD;
    if (existsUnderRoot(root, "/etc/init") && onPath("initctl"))
        return UPSTART;
    if (onPath("rc-status") && (existsUnderRoot(root, "/sbin/rc-update") || onPath("rc-update")))
        return OPENRC;
    if ((existsUnderRoot(root, "/etc/rc0.d") || existsUnderRoot(root, "/etc/rc.d/rc0.d")) &&
        existsUnderRoot(root, "/etc/default"))
        return SYSV;
    return UNKNOWN_INIT;
}

} // namespace qel
