#include "TranslatedStdOutput.h"

#include "StrUtil.h"
#include "gettext/Tr.h"

#include <iostream>

namespace qel {

namespace {

struct LibraryText {
    const char* id;
    // The library appends details (argument names) to this text.
    bool prefix;
};

// Every text that the parser library shows to the user.
const LibraryText library_texts[] = {
    {QEL_N_TCLAP("Displays usage information and exits."), false},
    {QEL_N_TCLAP("Displays version information and exits."), false},
    {QEL_N_TCLAP("Ignores the rest of the labeled arguments following this flag."), false},
    {QEL_N_TCLAP("Couldn't find match for argument"), false},
    {QEL_N_TCLAP("Too many arguments!"), false},
    {QEL_N_TCLAP("Mutually exclusive argument already set!"), false},
    {QEL_N_TCLAP("Argument already set!"), false},
    {QEL_N_TCLAP("Missing a value for this argument!"), false},
    {QEL_N_TCLAP("Couldn't find delimiter for this argument!"), false},
    {QEL_N_TCLAP("The args vector must not be empty, the first entry should contain the "
                 "program's name."),
     false},
    {QEL_N_TCLAP("Required arguments missing: "), true},
    {QEL_N_TCLAP("Required argument missing: "), true},
};

const char* const required_labels[] = {QEL_N_TCLAP("OR required"), QEL_N_TCLAP("required")};

const std::string argument_lead = "Argument: ";

// How the library reports a value that a constraint refused.
const std::string refused_lead = "Value '";
const std::string refused_middle = "' does not meet constraint: ";

bool startsWith(const std::string& text, const std::string& lead) {
    return text.compare(0, lead.size(), lead) == 0;
}

// The description with the library's "(required)" label translated.
std::string description(const TCLAP::Arg& arg) {
    const std::string text = arg.getDescription();
    if (arg.isRequired()) {
        for (const char* label : required_labels) {
            const std::string lead = std::string("(") + label + ")  ";
            if (startsWith(text, lead))
                return "(" + std::string(QEL_TR_TCLAP(label)) + ")  " +
                       TranslatedStdOutput::translate(text.substr(lead.size()));
        }
    }
    return TranslatedStdOutput::translate(text);
}

// "Argument: <id>" from the library, or a single blank when there is no id.
std::string argumentId(const TCLAP::ArgException& e) {
    const std::string id = e.argId();
    if (!startsWith(id, argument_lead))
        return id;
    return std::string(QEL_TR_TCLAP("Argument:")) + " " + id.substr(argument_lead.size());
}

} // namespace

std::string TranslatedStdOutput::translate(const std::string& text) {
    // The constraint's own description is one of the program's texts.
    const size_t middle = text.rfind(refused_middle);
    if (startsWith(text, refused_lead) && middle != std::string::npos) {
        const std::string value = text.substr(refused_lead.size(), middle - refused_lead.size());
        const std::string why = text.substr(middle + refused_middle.size());
        return aux::format(QEL_TR_TCLAP("Value '%1$s' does not meet constraint: %2$s"),
                           value.c_str(), why.c_str());
    }
    for (const LibraryText& t : library_texts) {
        if (t.prefix ? startsWith(text, t.id) : text == t.id) {
            const std::string lead = t.id;
            return QEL_TR_TCLAP(t.id) + text.substr(lead.size());
        }
    }
    return text;
}

void TranslatedStdOutput::usage(TCLAP::CmdLineInterface& cmd) {
    std::cout << '\n' << QEL_TR_TCLAP("USAGE:") << " \n\n";
    _shortUsage(cmd, std::cout);
    std::cout << "\n\n" << QEL_TR_TCLAP("Where:") << " \n\n";
    longUsage(cmd, std::cout);
    std::cout << std::endl;
}

void TranslatedStdOutput::version(TCLAP::CmdLineInterface& cmd) {
    std::cout << '\n'
              << cmd.getProgramName() << "  " << QEL_TR_TCLAP("version:") << ' '
              << cmd.getVersion() << "\n\n"
              << std::flush;
}

void TranslatedStdOutput::failure(TCLAP::CmdLineInterface& cmd, TCLAP::ArgException& e) {
    std::cerr << QEL_TR_TCLAP("PARSE ERROR:") << ' ' << argumentId(e) << '\n'
              << "             " << translate(e.error()) << "\n\n"
              << QEL_TR_TCLAP("Brief USAGE:") << " \n";
    _shortUsage(cmd, std::cerr);
    std::cerr << '\n'
              << QEL_TR_TCLAP("For complete USAGE and HELP type:") << " \n"
              << "   " << cmd.getProgramName() << ' ' << TCLAP::Arg::nameStartString() << "help"
              << "\n\n"
              << std::flush;
    throw TCLAP::ExitException(1);
}

// The library's long usage, with its texts translated.
void TranslatedStdOutput::longUsage(TCLAP::CmdLineInterface& cmd, std::ostream& os) const {
    TCLAP::XorHandler& xors = cmd.getXorHandler();
    for (const std::vector<TCLAP::Arg*>& group : xors.getXorList()) {
        for (auto it = group.begin(); it != group.end(); ++it) {
            spacePrint(os, (*it)->longID(), 75, 3, 3);
            spacePrint(os, description(**it), 75, 5, 0);
            if (it + 1 != group.end())
                spacePrint(os, QEL_TR_TCLAP("-- OR --"), 75, 9, 0);
        }
        os << "\n\n";
    }
    for (TCLAP::Arg* arg : cmd.getArgList()) {
        if (xors.contains(arg))
            continue;
        spacePrint(os, arg->longID(), 75, 3, 3);
        spacePrint(os, description(*arg), 75, 5, 0);
        os << '\n';
    }
    os << '\n';
    spacePrint(os, cmd.getMessage(), 75, 3, 0);
}

} // namespace qel
