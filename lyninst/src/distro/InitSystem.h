#pragma once
// Which init system runs the machine.
#include "distro/Distro.h"

#include <string>

namespace qel {

// Looks at the programs on PATH, the running processes and the files below
// root ("/" for the running system). Never fails: what cannot be examined
// leads on to the next candidate and finally to UNKNOWN_INIT.
InitSystem detectInitSystem(const std::string& root = "/");

} // namespace qel
