// The installer's entry point: one installer object, run once; its result is
// the exit status.
#include "app/RootInstaller.h"

#include "Exception.h"
#include "gettext/Tr.h"

#include <iostream>

int main(int argc, char** argv) {
    try {
        qel::PrivilegeApp::settleProgramPath(argc, argv);
        qel::RootInstaller installer(argc, argv);
        return installer.run(false);
    } catch (const qel::Exception& e) {
        std::cerr << QEL_TR("Error occured") << ":\n" << qel::describe(e) << std::endl;
    } catch (const TCLAP::CmdLineParseException& e) {
        std::cerr << QEL_TR("The command line arguments could not be parsed") << ":\n\n"
                  << e.what() << std::endl;
    } catch (const std::exception& e) {
        // Not expected from the installer's code; reported rather than aborting.
        std::cerr << QEL_TR("Error occured") << ":\n" << e.what() << std::endl;
    }
    return 2;
}
