#pragma once
// The base of installers whose product comes as a contained tar archive.
#include "app/PrivilegeApp.h"
#include "console/StepPrinter.h"

namespace qel {

class TarInstaller : public PrivilegeApp, public StepPrinter {
public:
    TarInstaller(int argc, char** argv);

    // While it is in force (the construction) the children that the
    // localisation waits for receive the interrupt themselves.
    void quitRequested() override;
};

} // namespace qel
