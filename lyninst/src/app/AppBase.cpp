#include "app/AppBase.h"

#include "gettext/Tr.h"

#include <iostream>
#include <unistd.h>
#include <vector>

namespace qel {

namespace {

std::string programName(int argc, char** argv) {
    if (argc < 1 || !argv[0])
        return std::string();
    const std::string path = argv[0];
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

AppBase::AppBase(int argc, char** argv, bool no_handler_thread, int locale)
    : m_argc(argc),
      m_argv(argv),
      m_pal(true, no_handler_thread, locale),
      m_tclap_domain("tclap"),
      m_cmd(std::string(), ' ', std::string(), true),
      m_program_name(programName(argc, argv)) {
    m_cmd.setOutput(&m_output);
    m_cmd.getProgramName() = QEL_TR_TCLAP("not_set_yet");
    m_pal.addQuitHandler(this);
}

AppBase::~AppBase() { m_pal.removeQuitHandler(this); }

void AppBase::quitRequested() {
    std::cerr << '\n' << m_program_name << ": " << QEL_TR_PAL("Exit request received") << std::endl;
    // Called on the signal handler thread: no destructors, no exit handlers.
    ::_exit(3);
}

void AppBase::addArguments() {}

std::string AppBase::version() const { return "<none>"; }

void AppBase::parseCommandLine() {
    m_cmd.getVersion() = version();
    m_cmd.getMessage() = description();
    std::vector<std::string> args(m_argv, m_argv + m_argc);
    m_cmd.parse(args);
}

int AppBase::runPhases() {
    addArguments();
    parseCommandLine();
    m_executing = true;
    execute();
    return m_result;
}

int AppBase::run(bool catch_all) {
    if (!catch_all)
        return runPhases();
    try {
        return runPhases();
    } catch (const Exception& e) {
        std::cerr << '\n'
                  << m_program_name << ": " << QEL_TR_PAL("Caught an exception:") << '\n'
                  << describe(e) << std::endl;
    } catch (const std::exception& e) {
        std::cerr << '\n'
                  << m_program_name << ": " << QEL_TR_PAL("Caught an exception:") << '\n'
                  << e.what() << std::endl;
    }
    return 4;
}

} // namespace qel
