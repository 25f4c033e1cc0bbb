#include "TarInstaller.h"

namespace qel {

TarInstaller::TarInstaller(int argc, char** argv) : PrivilegeApp(argc, argv) {}

void TarInstaller::quitRequested() {}

} // namespace qel
