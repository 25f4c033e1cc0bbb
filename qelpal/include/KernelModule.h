#pragma once
// Loading and unloading kernel modules with the system's module tools.
#include <string>

namespace qel {

class KernelModule {
public:
    // load results
    static constexpr int LOADED = 0;
    static constexpr int TOOL_FAILED = 4;
    static constexpr int NO_TOOL = 5;

    // Full paths of the module tools, empty when not found.
    static std::string m_insmod;
    static std::string m_modprobe;

    // Locates insmod on PATH and modprobe as the kernel names it in
    // modprobeFile (falling back to PATH); done once at platform start-up.
    static void findTools(const std::string& modprobeFile = "/proc/sys/kernel/modprobe");

    // Loads the named module with modprobe, else insmod; the result is one
    // of the constants above.
    static int load(const std::string& name);

    // Removes the named module from the kernel without waiting for its users.
    static void unload(const std::string& name);
};

} // namespace qel
