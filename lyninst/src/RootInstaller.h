#pragma once
// The installer of the contained product: its mode switches and the
// installation sequence.
#include "InstallerSwitches.h"
#include "TarInstaller.h"
#include "fs/DirStack.h"
#include "product/Product.h"

#include <string>
#include <vector>

namespace qel {

class RootInstaller : public TarInstaller, public InstallerSwitches {
public:
    RootInstaller(int argc, char** argv);
    ~RootInstaller() override;

    // Stores result 3 and kills a running escalation tool; the running step
    // fails and the sequence winds down.
    void quitRequested() override;

protected:
    void addArguments() override;
    std::string description() const override;
    std::string version() const override;
    void execute() override;
    // The installed-for accounts (kind 0), then "--" and the marker.
    void reinvocationArguments(std::vector<std::string>& args) const override;

private:
    // The build facts of the contained product.
    void setBuildInfo();
    void printBanner() const;
    // Settles user and group and checks the switches before any step.
    bool selectUserAndGroup();
    // Installing, only unpacking or restoring: the modes that change the
    // system, after the check that the system is supported.
    void install();
    // Gains root by running the privileged work in a second run of this
    // program and reports how that run ended.
    void escalate();

    // The last argument of the privileged run, after "--".
    static constexpr const char* reinvoked_marker = "--reinvoked";

    TCLAP::SwitchArg m_info;
    TCLAP::ValueArg<std::string> m_unpack;
    TCLAP::ValueArg<std::string> m_tempdir_arg;
    TCLAP::SwitchArg m_keep;
    TCLAP::SwitchArg m_verify;
    TCLAP::SwitchArg m_supported;
    TCLAP::ValueArg<std::string> m_restore;
    Product m_product;
    // The temporary installation directory; empty until unpacked.
    std::string m_tempdir;
    // This is the privileged run started by the escalation.
    bool m_reinvoked = false;
    // The working directory of the sequence.
    std::string m_workdir = "/tmp";
    aux::DirStack m_dirs;
    std::string m_selected_group;
    std::string m_selected_user;
};

} // namespace qel
