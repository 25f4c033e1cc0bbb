#pragma once
// Running a command as another user through the system's escalation tool,
// su or sudo. The tool shares the terminal and the standard streams, so it
// asks for the password itself.
#include "NoCopy.h"
#include "distro/Distro.h"
#include "proc/Child.h"
#include "proc/Lifeline.h"
#include "user/UserInfo.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace qel {

class Privilege : NoCopy {
public:
    // Full paths of the tools, empty until located (or when missing).
    static std::string m_su;
    static std::string m_sudo;

    // Looks both tools up along PATH.
    static void locateTools();

    // The effective user of the process, no tool selected.
    Privilege();

    EscalationTool tool() const { return m_tool; }
    void setTool(EscalationTool tool) { m_tool = tool; }
    // Who the process ran as when this object was made.
    const UserInfo& user() const { return m_user; }

    // Whether the selected tool was found.
    bool available() const;

    // The tool's argument vector (the tool's path first) that runs command
    // as the user uid; login asks for a login session. Raises UsageError
    // when the selected tool is not available.
    std::vector<std::string> toolArguments(const std::string& prompt,
                                           const std::vector<std::string>& command,
                                           uint32_t uid, bool login) const;

    // Runs command through the tool and waits for it. For su the prompt is
    // printed first (su asks in its own words); sudo shows it itself.
    proc::WaitResult run(const std::string& prompt, const std::vector<std::string>& command,
                         uint32_t uid, bool login);

    // The running tool, INVAL_PROC_ID when none runs. Safe from any thread.
    pid_t pid() const { return m_process.pid(); }

    // Asks the running command to end: cuts the line that the privileged
    // run watches, and ends a tool that still asks for the password (this
    // user may not signal the root processes after it). run() returns once
    // the privileged run has wound down. Takes no lock, so the quit handler
    // may call it.
    void stopRun() noexcept;
    // Whether stopRun was called while the last run lasted. The tool may
    // have ended by itself meanwhile (sudo ends on the interrupt at its
    // password prompt), so its wait status need not tell.
    bool interrupted() const { return m_interrupted; }

    // In the privileged run: takes up the line of the run that started it
    // and, once that line is cut, sends sig to this process. False when
    // this process was not started by run().
    static bool watchStarter(proc::LifelineWatch& watch, int sig);

private:
    EscalationTool m_tool = UNKNOWN_TOOL;
    UserInfo m_user;
    proc::Child m_process;
    std::atomic<bool> m_interrupted{false};
    // From the start of the tool until run() returns.
    std::atomic<bool> m_running{false};
    // Cut when this run ends or the command is asked to end.
    proc::Lifeline m_line;
};

// The argument as one word for a POSIX shell: unchanged when it holds only
// letters, digits and _@%+=:,./- ; otherwise in single quotes, a quote
// written as '\''.
std::string shellQuote(const std::string& arg);

// The command line that su hands to the shell: the arguments, each quoted
// as needed, joined with single blanks.
std::string shellCommand(const std::vector<std::string>& command);

} // namespace qel
