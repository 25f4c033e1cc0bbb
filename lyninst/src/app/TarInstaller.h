#pragma once
// The base of installers whose product comes as a contained tar archive.
#include "ChildComm.h"
#include "Exception.h"
#include "app/PrivilegeApp.h"
#include "console/StepPrinter.h"
#include "fs/File.h"
#include "proc/Sweeper.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qel {

class TarInstaller : public PrivilegeApp, public StepPrinter {
public:
    TarInstaller(int argc, char** argv);

    // In force while the localisation waits (the construction): the
    // children receive the terminal's interrupt themselves; a quit request
    // sent to this process alone is passed on to the running child.
    void quitRequested() override;

protected:
    // Sends SIGTERM to m_call's running child, if there is one. Takes no
    // lock of the application, so the quit handler may call it.
    void passQuitToChild() noexcept;
    // Whether m_call's last child was ended by an interrupt, a termination
    // or a hang-up: the user wants to stop, that is no fault to report.
    bool lastEndedByQuit() const;
    // Resets m_call for the next run: no arguments, all three streams
    // inherited, no working directory of its own.
    void resetCall();
    // Resets m_call and settles tar as its program; reports a missing tar,
    // ending the open step line first when markStep.
    bool findTar(bool verbose, bool markStep);
    // Writes the contained archive to the input pipe of the running child
    // and closes it. A failure (typically a child that ended early) is
    // returned, not raised, so that the caller still waits for the child.
    std::unique_ptr<Exception> feedArchive();
    // The exit status of m_call's last child; 255 when it did not exit.
    int lastExitCode() const;

    // In the second run: the first one, while it lives, is told of the
    // temporary directory, so that it can remove it if we are killed; and
    // when it was killed, we remove its catalogues.
    void tellFirstRun(const std::string& tempdir) const;
    // A first run that is being killed hands us on to another parent only
    // after its terminal's hang-up reached us: settle_ms allows for that.
    bool firstRunEnded(int settle_ms) const;
    bool removeTranslations();

    // The program's own file, open for the whole run; the contained archive
    // lies in it at m_data_offset and is handed unchanged to external
    // programs, straight from the file.
    fs::StreamFile m_exe;
    uint64_t m_data_offset = 0;
    const uint32_t m_data_size;
    // The temporary translation directory of the localisation start-up.
    std::string m_i18n_dir;
    // Runs every external program, one after the other.
    ChildComm m_call;

private:
    // Opens the program's own file and finds the contained archive in it. A
    // file shorter than its ELF headers say (a download cut short) is
    // reported in one sentence, and the process ends with status 2.
    void checkOwnFile();
    // The localisation start-up: in the first process extracts the
    // catalogues, runs the program again with QEL_I18N_DIR and ends with its
    // status; in the second binds the installer's text domain.
    void bootstrapTranslations();
    bool extractTranslations();
    [[noreturn]] void runTranslated();
    // After the second run was killed: ends what it started that has not
    // started anything itself (a tool asking for a password, tar), waits
    // for the rest, and removes the temporary data it told of.
    void windDownAfterKilledRun();
    bool removeTree(const std::string& path, const char* options);

    // The first run that started this one; -1 when there is none.
    pid_t m_first_run = -1;
    // In the first run, until the second has started: removes the
    // catalogues should we be killed, when no other process could.
    std::unique_ptr<proc::Sweeper> m_sweeper;
};

} // namespace qel
