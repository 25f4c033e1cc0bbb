// The installer's switches and the parser output in the library's layout.
#include "InstallerSwitches.h"
#include "TranslatedStdOutput.h"

#include "StreamCapture.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

using qel::test::StreamCapture;

// A parser with the installer's general switches, failing by exception
// instead of ending the process.
class Switches : public qel::InstallerSwitches {
public:
    explicit Switches(TCLAP::CmdLine& cmd) : qel::InstallerSwitches(cmd) {}
    const TCLAP::ValueArg<std::string>& dir() const { return m_dir; }
    TCLAP::ValueArg<std::string>& dir() { return m_dir; }
    const TCLAP::SwitchArg& batch() const { return m_batch; }
    const TCLAP::SwitchArg& nobackup() const { return m_nobackup; }
};

// The exit status the parser would end the process with; -1 when parsing
// went through.
int parseWith(TCLAP::CmdLine& cmd, qel::TranslatedStdOutput& output, std::vector<std::string> args) {
    args.insert(args.begin(), "./inst");
    cmd.setExceptionHandling(false);
    try {
        cmd.parse(args);
        return -1;
    } catch (TCLAP::ArgException& e) {
        try {
            output.failure(cmd, e);
        } catch (TCLAP::ExitException& x) {
            return x.getExitStatus();
        }
    } catch (TCLAP::ExitException& x) {
        return x.getExitStatus();
    }
    return -2;
}

class CommandLine : public ::testing::Test {
protected:
    CommandLine() : m_cmd("Installer program for Tests", ' ', "Tests 1.0", true) {
        m_cmd.setOutput(&m_output);
    }

    int parse(std::vector<std::string> args) { return parseWith(m_cmd, m_output, std::move(args)); }

    qel::TranslatedStdOutput m_output;
    TCLAP::CmdLine m_cmd;
};

TEST_F(CommandLine, AppendArgumentsInFixedOrder) {
    Switches s(m_cmd);
    s.addAccountSwitches(m_cmd, qel::TOLVANE_CLIENT);
    ASSERT_EQ(parse({"--relaxed", "-d", "/opt/x", "--verbose", "-g", "staff", "-u", "bob",
                     "--compatibility", "-n", "-b"}),
              -1);
    std::vector<std::string> args{"./coreinstall"};
    s.appendArguments(args);
    EXPECT_EQ(args, (std::vector<std::string>{"./coreinstall", "--batch", "--nobackup", "--user",
                                              "bob", "--group", "staff", "--verbose",
                                              "--compatibility", "--relaxed", "--dir", "/opt/x"}));
}

TEST_F(CommandLine, NothingGivenAppendsNothing) {
    Switches s(m_cmd);
    ASSERT_EQ(parse({}), -1);
    std::vector<std::string> args;
    s.appendArguments(args);
    EXPECT_TRUE(args.empty());
}

TEST_F(CommandLine, OnlyDirGivesTwoArguments) {
    Switches s(m_cmd);
    ASSERT_EQ(parse({"--dir", "rel"}), -1);
    s.dir().getValue() = "/abs/rel";
    std::vector<std::string> args;
    s.appendArguments(args);
    EXPECT_EQ(args, (std::vector<std::string>{"--dir", "/abs/rel"}));
}

TEST_F(CommandLine, EmptyPathIsAParseError) {
    Switches s(m_cmd);
    StreamCapture err(std::cerr);
    EXPECT_EQ(parse({"--dir", ""}), 1);
    EXPECT_EQ(err.text().substr(0, err.text().find("\n\n")),
              "PARSE ERROR: Argument: -d (--dir)\n"
              "             Value '' does not meet constraint: the path must not be empty");
}

TEST_F(CommandLine, CombinedShortSwitches) {
    Switches s(m_cmd);
    ASSERT_EQ(parse({"-bn"}), -1);
    EXPECT_TRUE(s.batch().isSet());
    EXPECT_TRUE(s.nobackup().isSet());
}

TEST_F(CommandLine, AccountSwitchesUnknownUnlessRegistered) {
    Switches s(m_cmd);
    StreamCapture err(std::cerr);
    EXPECT_EQ(parse({"--user", "x"}), 1);
    EXPECT_EQ(err.text().substr(0, err.text().find('\n')), "PARSE ERROR: Argument: --user");
}

TEST_F(CommandLine, VersionLayout) {
    StreamCapture out(std::cout);
    EXPECT_EQ(parse({"--version"}), 0);
    EXPECT_EQ(out.text(), "\n./inst  version: Tests 1.0\n\n");
}

TEST_F(CommandLine, FailureLayout) {
    StreamCapture err(std::cerr);
    EXPECT_EQ(parse({"--bogus"}), 1);
    EXPECT_EQ(err.text(), "PARSE ERROR: Argument: --bogus\n"
                          "             Couldn't find match for argument\n"
                          "\n"
                          "Brief USAGE: \n"
                          "   ./inst  [--] [--version] [-h]\n"
                          "\n"
                          "For complete USAGE and HELP type: \n"
                          "   ./inst --help\n"
                          "\n");
}

TEST_F(CommandLine, ParseErrorsNameTheSwitchAndTheReason) {
    struct Case {
        std::vector<std::string> args;
        const char* head;
    };
    const Case cases[] = {
        {{"--dir"}, "PARSE ERROR: Argument: -d (--dir)\n"
                    "             Missing a value for this argument!\n"},
        {{"-b", "--batch"}, "PARSE ERROR: Argument: -b (--batch)\n"
                            "             Argument already set!\n"},
        {{"--reinvoked"}, "PARSE ERROR: Argument: --reinvoked\n"
                          "             Couldn't find match for argument\n"},
    };
    for (const Case& c : cases) {
        TCLAP::CmdLine cmd("Installer program for Tests", ' ', "Tests 1.0", true);
        cmd.setOutput(&m_output);
        Switches s(cmd);
        StreamCapture err(std::cerr);
        const int status = parseWith(cmd, m_output, c.args);
        EXPECT_EQ(status, 1) << c.head;
        EXPECT_EQ(err.text().substr(0, std::string(c.head).size()), c.head);
    }
}

TEST_F(CommandLine, UsageLayoutListsSwitchesInReverse) {
    TCLAP::SwitchArg keep("k", "keep", "Keep it.", false);
    TCLAP::ValueArg<std::string> unpack("x", "unpack", "Unpack it.", false, "", "path");
    m_cmd.add(unpack);
    m_cmd.add(keep);
    StreamCapture out(std::cout);
    EXPECT_EQ(parse({"--help"}), 0);
    EXPECT_EQ(out.text(), "\nUSAGE: \n\n"
                          "   ./inst  [-k] [-x <path>] [--] [--version] [-h]\n"
                          "\n\nWhere: \n\n"
                          "   -k,  --keep\n     Keep it.\n\n"
                          "   -x <path>,  --unpack <path>\n     Unpack it.\n\n"
                          "   --,  --ignore_rest\n"
                          "     Ignores the rest of the labeled arguments following this flag.\n\n"
                          "   --version\n     Displays version information and exits.\n\n"
                          "   -h,  --help\n     Displays usage information and exits.\n\n"
                          "\n   Installer program for Tests\n\n");
}

TEST(TranslatedStdOutput, OnlyLibraryTextsAreLookedUp) {
    // Without catalogues a lookup gives the text back; what matters is that
    // details after a prefix text survive and foreign texts stay untouched.
    EXPECT_EQ(qel::TranslatedStdOutput::translate("Required argument missing: dir"),
              "Required argument missing: dir");
    EXPECT_EQ(qel::TranslatedStdOutput::translate("Too many arguments!"), "Too many arguments!");
    EXPECT_EQ(qel::TranslatedStdOutput::translate("Some description."), "Some description.");
}

} // namespace
