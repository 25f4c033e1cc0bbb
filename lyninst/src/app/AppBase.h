#pragma once
// The base of the application frame: platform start-up, the command-line
// parser with its built-in switches, the result code and quit handling. A run
// has three phases: register further switches, parse, execute.
#include "QelPal.h"
#include "TranslatedStdOutput.h"
#include "gettext/Gettext.h"

#include <tclap/CmdLine.h>

#include <atomic>
#include <string>

namespace qel {

class AppBase : public IQuitHandler {
public:
    // no_handler_thread and locale go to the platform layer (QelPal).
    AppBase(int argc, char** argv, bool no_handler_thread, int locale);

    // Ends the process at once with status 3.
    void quitRequested() override;
    virtual ~AppBase();

    AppBase(const AppBase&) = delete;
    AppBase& operator=(const AppBase&) = delete;

    // The three phases; returns m_result. With catch_all an escaping error is
    // reported and 4 returned; otherwise it propagates.
    int run(bool catch_all);

protected:
    // Registers further switches with m_cmd before parsing.
    virtual void addArguments();
    virtual std::string description() const = 0;
    virtual std::string version() const;
    // Help, version and parse errors end the process inside the parser.
    virtual void parseCommandLine();
    // The work of the program; sets m_result when it fails.
    virtual void execute() = 0;

    int m_argc;
    char** m_argv;
    QelPal m_pal;
    Gettext m_tclap_domain;
    TranslatedStdOutput m_output;
    TCLAP::CmdLine m_cmd;
    int m_result = 0;
    // Set when execute() begins; before that there is nothing to wind down.
    std::atomic<bool> m_executing{false};
    // argv[0] without everything up to its last "/".
    std::string m_program_name;

private:
    int runPhases();
};

} // namespace qel
