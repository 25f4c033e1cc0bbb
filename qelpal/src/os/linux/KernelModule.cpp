#include "KernelModule.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "proc/Child.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace qel {

std::string KernelModule::m_insmod;
std::string KernelModule::m_modprobe;

void KernelModule::findTools(const std::string& modprobeFile) {
    m_insmod = fs::findInPath("insmod", false);
    // The kernel's own setting names the loader it uses itself.
    std::ifstream setting(modprobeFile);
    if (setting.is_open()) {
        m_modprobe.clear();
        std::getline(setting, m_modprobe);
        return;
    }
    m_modprobe = fs::findInPath("modprobe", false);
}

int KernelModule::load(const std::string& name) {
    proc::Child child;
    std::vector<std::string>& args = child.arguments();
    if (!m_modprobe.empty())
        args = {m_modprobe, name};
    else if (!m_insmod.empty())
        args = {m_insmod, "/system/lib/modules/" + name + ".ko"};
    else
        return NO_TOOL;
    try {
        child.create();
    } catch (const Exception&) {
        return TOOL_FAILED;
    }
    const proc::WaitResult result = child.wait();
    return result.succeeded() ? LOADED : TOOL_FAILED;
}

void KernelModule::unload(const std::string& name) {
    if (::syscall(SYS_delete_module, name.c_str(), O_NONBLOCK) != 0) {
        OsError e(errno);
        QEL_LOCATE(e);
        e.raise();
    }
}

} // namespace qel
