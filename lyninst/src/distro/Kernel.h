#pragma once
// Questions about the running kernel.
#include <string>

namespace qel {

// Whether the kernel was built with option (a CONFIG_ name) set to y or m,
// judged from /proc/config.gz, else from /boot/config-<release>, both below
// root ("/" for the running system). Any problem on the way gives false.
bool kernelHasOption(const std::string& option, const std::string& root = "/");

} // namespace qel
