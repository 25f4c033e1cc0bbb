#pragma once
// The installer of the contained product: its mode switches and the
// installation sequence.
#include "InstallerSwitches.h"
#include "app/TarInstaller.h"
#include "fs/DirStack.h"
#include "payload/BackupListing.h"
#include "product/Product.h"

#include <libelf.h>

#include <atomic>
#include <cstdint>
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
    // The switches with the paths made absolute, the installed-for accounts
    // (kind 0), then "--", argument 0 as typed and the marker.
    void reinvocationArguments(std::vector<std::string>& args) const override;

private:
    // The build facts of the contained product.
    void setBuildInfo();
    void printBanner() const;
    // The installation sequence of execute().
    void runSequence();
    // Settles user and group and checks the switches before any step.
    bool selectUserAndGroup();
    // Installing, only unpacking or restoring: the modes that change the
    // system, after the check that the system is supported.
    void install();
    // The privileged work: the backup restore when asked for, otherwise the
    // installation routine of the contained archive.
    void installOrRestore();
    // Runs "./coreinstall" with the forwarded switches, framed; true when it
    // exited with 0. An abort there sets the result 3.
    bool callInstallRoutine();
    // Whether the unpacked routine can be started at all: a file system
    // mounted noexec is named, with the way out, before anyone types a
    // password.
    bool routineCanRun() const;
    // Whom to ask for help after the routine failed.
    void printSupportHint() const;
    // Gains root by running the privileged work in a second run of this
    // program and reports how that run ended.
    void escalate();

    // The payload steps; each reports success as its result.
    // Finds the attached configuration, a section "qel" of the executable.
    void readAttachedConfig();
    // The package, the sizes of its data and the environment (--info).
    void printInfo();
    // Checks the contained archive against its recorded digest.
    bool verifyData();
    // Unpacks the contained archive into m_tempdir, enters its top
    // directory and writes the package information file there.
    bool unpackData();
    // Leaves the unpacked data and removes m_tempdir.
    bool cleanup();
    // Removes m_tempdir with rm, reporting on the open step line.
    bool removeTempdir(bool verbose);
    // In the privileged run, after the unprivileged one (running as owner)
    // was killed: removes the temporary directory we work in, and only that.
    void removeAbandonedData(uid_t owner);
    // Puts back an earlier installation from the backup archive of restore.
    bool restoreBackup();

    bool prepareTarget(bool verbose);
    // A --tempdir is where root unpacks and runs the routine: refused, with
    // its reason, when it is a symbolic link or a directory that another
    // user owns or may write into.
    bool trustedTempdir();
    bool singleEntry(std::string& name);
    bool restoreFromRoot();
    bool listBackup(const std::string& archive, payload::BackupListing& listing);
    bool extractBackup(const std::string& archive, const payload::BackupListing& listing);
    // A quit request has ended the questions.
    bool quitRequestedSoFar() const { return m_result == 3; }

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
    // Argument 0 as the user typed it, for the texts that name the program.
    std::string m_program;
    // The installation routine runs in m_call; read by the quit handler.
    std::atomic<bool> m_routine_running{false};
    // The working directory of the sequence.
    std::string m_workdir = "/tmp";
    aux::DirStack m_dirs;
    // The attached configuration. The handle stays open as long as the
    // installer: the data found belongs to it.
    Elf* m_elf = nullptr;
    const void* m_attached_data = nullptr;
    uint32_t m_attached_size = 0;
    std::string m_selected_group;
    std::string m_selected_user;
};

} // namespace qel
