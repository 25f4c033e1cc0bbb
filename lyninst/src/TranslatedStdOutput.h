#pragma once
// The parser's output (usage, version, parse errors) in the layout of the
// parser library, with every text of the library shown through the text
// domain "tclap".
#include <tclap/CmdLine.h>
#include <tclap/StdOutput.h>

#include <string>

namespace qel {

class TranslatedStdOutput : public TCLAP::StdOutput {
public:
    void usage(TCLAP::CmdLineInterface& cmd) override;
    void version(TCLAP::CmdLineInterface& cmd) override;
    void failure(TCLAP::CmdLineInterface& cmd, TCLAP::ArgException& e) override;

    // A text the parser library produced, in the user's language. Texts that
    // are not the library's (the program's own descriptions) stay as they are.
    static std::string translate(const std::string& text);

private:
    void longUsage(TCLAP::CmdLineInterface& cmd, std::ostream& os) const;
};

} // namespace qel
