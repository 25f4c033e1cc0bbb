// The parser's texts through the compiled German catalogue of "tclap".
#include "TranslatedStdOutput.h"

#include "StreamCapture.h"
#include "TextDomains.h"

#include <gtest/gtest.h>

#include <clocale>
#include <iostream>
#include <libintl.h>

namespace {

class GermanParser : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            GTEST_SKIP() << "locale de_DE.UTF-8 is not available (scripts/setup.sh makes it)";
        ::bindtextdomain("tclap", QEL_TEST_I18N_DIR);
        ::bind_textdomain_codeset("tclap", "UTF-8");
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(GermanParser, LibraryTextsAreTranslatedWithTheirDetails) {
    using qel::TranslatedStdOutput;
    EXPECT_EQ(TranslatedStdOutput::translate("Couldn't find match for argument"),
              "Kein passender Schalter für das Argument gefunden");
    EXPECT_EQ(TranslatedStdOutput::translate("Required arguments missing: dir, user"),
              "Erforderliche Argumente fehlen: dir, user");
    EXPECT_EQ(TranslatedStdOutput::translate("Displays usage information and exits."),
              "Zeigt Hinweise zur Benutzung an und beendet das Programm.");
    // A text that is not the library's is left alone.
    EXPECT_EQ(TranslatedStdOutput::translate("required"), "required");
    // A refused value: the frame is the library's; the value (whatever the
    // user typed) and the reason (the program's own text) are not.
    EXPECT_EQ(TranslatedStdOutput::translate("Value 'x' does not meet constraint: y' does not "
                                             "meet constraint: the path must not be empty"),
              "Der Wert 'x' does not meet constraint: y' erfüllt die Bedingung nicht: the path "
              "must not be empty");
}

TEST_F(GermanParser, FailureAndUsageInGerman) {
    qel::TranslatedStdOutput output;
    TCLAP::CmdLine cmd("Programm", ' ', "1.0", true);
    cmd.setOutput(&output);
    TCLAP::ValueArg<std::string> needed("x", "unpack", "Entpacken.", true, "", "Pfad");
    cmd.add(needed);
    cmd.setExceptionHandling(false);
    std::vector<std::string> args{"./inst"};
    qel::test::StreamCapture err(std::cerr);
    qel::test::StreamCapture out(std::cout);
    try {
        cmd.parse(args);
        FAIL() << "a required switch was missing";
    } catch (TCLAP::ArgException& e) {
        EXPECT_THROW(output.failure(cmd, e), TCLAP::ExitException);
    }
    EXPECT_EQ(err.text(), "FEHLER BEIM EINLESEN:  \n"
                          "             Erforderliches Argument fehlt: unpack\n\n"
                          "Kurze BENUTZUNG: \n"
                          "   ./inst  -x <Pfad> [--] [--version] [-h]\n\n"
                          "Für die vollständige BENUTZUNG und HILFE eingeben: \n"
                          "   ./inst --help\n\n");
    output.usage(cmd);
    EXPECT_EQ(out.text(),
              "\nBENUTZUNG: \n\n"
              "   ./inst  -x <Pfad> [--] [--version] [-h]\n"
              "\n\nDabei gilt: \n\n"
              "   -x <Pfad>,  --unpack <Pfad>\n     (erforderlich)  Entpacken.\n\n"
              "   --,  --ignore_rest\n"
              "     Ignoriert alle benannten Argumente, die diesem Schalter folgen.\n\n"
              "   --version\n     Zeigt die Versionsinformation an und beendet das Programm.\n\n"
              "   -h,  --help\n     Zeigt Hinweise zur Benutzung an und beendet das Programm.\n\n"
              "\n   Programm\n\n");
}

} // namespace
