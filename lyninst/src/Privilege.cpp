#include "Privilege.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "gettext/Tr.h"
#include "os/posix/signal/Signal.h"
#include "proc/Process.h"

#include <iostream>
#include <unistd.h>

namespace qel {

std::string Privilege::m_su;
std::string Privilege::m_sudo;

namespace {

// Names the line of the unprivileged run for the privileged one.
const char* const line_variable = "QEL_INSTALLER_LINE";

} // namespace

void Privilege::locateTools() {
    m_su = fs::findInPath("su");
    m_sudo = fs::findInPath("sudo");
}

Privilege::Privilege() : m_user(UserInfo::m_eff_info) {}

bool Privilege::available() const {
    switch (m_tool) {
    case SU:
        return !m_su.empty();
    case SUDO:
        return !m_sudo.empty();
    default:
        return false;
    }
}

std::vector<std::string> Privilege::toolArguments(const std::string& prompt,
                                                  const std::vector<std::string>& command,
                                                  uint32_t uid, bool login) const {
    if (!available())
        QEL_THROW(UsageError, QEL_TR_INFO("Selected privilege escalation tool is not available"));
    std::vector<std::string> args;
    if (m_tool == SU) {
        args.push_back(m_su);
        if (login)
            args.push_back("-l");
        args.push_back("-c");
        args.push_back(shellCommand(command));
        if (uid != 0) {
            UserInfo target(uid, 0);
            target.resolve(false, true);
            args.push_back(target.loginName());
        }
        return args;
    }
    args.push_back(m_sudo);
    args.push_back("-p");
    // sudo puts in the user it asks for (%p) and the host name (%H).
    // xgettext:no-c-format
    args.push_back(prompt + "\n" + QEL_TR_INFO("password for %p@%H: "));
    if (uid != 0) {
        args.push_back("-u");
        args.push_back("#" + std::to_string(uid));
    }
    args.push_back("-E");
    if (login)
        args.push_back("-i");
    args.insert(args.end(), command.begin(), command.end());
    return args;
}

proc::WaitResult Privilege::run(const std::string& prompt, const std::vector<std::string>& command,
                                uint32_t uid, bool login) {
    std::vector<std::string> args = toolArguments(prompt, command, uid, login);
    if (m_tool == SU && !prompt.empty())
        std::cout << prompt << std::endl;
    m_process.arguments() = std::move(args);
    m_interrupted = false;
    m_running = true;
    // Both tools pass the environment on (su without a login, sudo -E).
    proc::Env::set(line_variable, m_line.token());
    m_process.create();
    const proc::WaitResult result = m_process.wait();
    // A quit request to the terminal's group reaches the tool and this
    // process at once: the tool may end on it before our handler has run.
    for (int waited = 0; !result.succeeded() && !m_interrupted && waited < 1000; waited += 20)
        usleep(20000);
    m_running = false;
    m_line.cut();
    proc::Env::unset(line_variable);
    return result;
}

void Privilege::stopRun() noexcept {
    m_line.cut();
    if (!m_running)
        return;
    m_interrupted = true;
    // Only the id is read, without the collector's lock: the quit handler
    // that calls this runs under the platform's lock and takes no other.
    const pid_t pid = m_process.pid();
    if (pid == proc::INVAL_PROC_ID)
        return;
    // Once the tool has started the command, the command winds down on the
    // cut line and the tool ends after it; su would kill it within seconds.
    if (!proc::childrenOf(pid).empty())
        return;
    try {
        signal::signalProc(SIGTERM, pid);
    } catch (const Exception&) {
        // The tool has ended already; its wait returns by itself.
    }
}

bool Privilege::watchStarter(proc::LifelineWatch& watch, int sig) {
    std::string token;
    if (!proc::Env::get(line_variable, token))
        return false;
    // Not for the routine and what it starts.
    proc::Env::unset(line_variable);
    if (!watch.attach(token))
        return false;
    watch.start(sig);
    return true;
}

std::string shellQuote(const std::string& arg) {
    static const std::string plain = "_@%+=:,./-";
    bool needsQuotes = arg.empty();
    for (char c : arg) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && plain.find(c) == std::string::npos)
            needsQuotes = true;
    }
    if (!needsQuotes)
        return arg;
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string shellCommand(const std::vector<std::string>& command) {
    std::string line;
    for (const std::string& arg : command) {
        if (!line.empty())
            line += ' ';
        line += shellQuote(arg);
    }
    return line;
}

} // namespace qel
