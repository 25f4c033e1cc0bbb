#include "gettext/Gettext.h"
#include "gettext/Locale.h"
#include "gettext/Tr.h"

#include "RunCommand.h"
#include "ScratchDir.h"
#include "TextDomains.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// A catalogue directory with a German "qelpal" and "lyninfo", compiled with
// msgfmt from a two-line catalogue.
class LocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (system("command -v msgfmt >/dev/null") != 0) {
            GTEST_SKIP() << "msgfmt (gettext) is needed to compile test catalogues";
        }
        if (std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) {
            GTEST_SKIP() << "the locale de_DE.utf8 is not generated";
        }
        std::setlocale(LC_ALL, "C");
        mkdir((m_dir.path() + "/i18n").c_str(), 0700);
        mkdir((m_dir.path() + "/i18n/de_DE").c_str(), 0700);
        mkdir((m_dir.path() + "/i18n/de_DE/LC_MESSAGES").c_str(), 0700);
        compile("qelpal", {{"No such user", "Kein solcher Benutzer"}});
        compile("lyninfo", {{"Product full name", "Vollständiger Produktname"}});
        m_saved_env = Locale::m_locale_env;
        Locale::m_locale_env = "QEL_TEST_I18N_DIR";
        unsetenv("LANGUAGE");
        setenv("LC_ALL", "de_DE.UTF-8", 1);
    }

    void TearDown() override {
        unsetenv("QEL_TEST_I18N_DIR");
        unsetenv("LC_ALL");
        std::setlocale(LC_ALL, "C");
        if (!m_saved_env.empty()) {
            Locale::m_locale_env = m_saved_env;
        }
        Locale::m_locale_dir.clear();
    }

    // Compiled without --check, as a user's own catalogue may be.
    void compile(const std::string& domain,
                 const std::vector<std::pair<std::string, std::string>>& entries) {
        std::string text = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
        for (const auto& entry : entries)
            text += "\nmsgid \"" + entry.first + "\"\nmsgstr \"" + entry.second + "\"\n";
        const std::string po = m_dir.write(domain + ".po", text);
        const std::string command = "msgfmt -o " + catalogues() +
                                    "/de_DE/LC_MESSAGES/" + domain + ".mo " + po;
        ASSERT_EQ(system(command.c_str()), 0);
    }

    std::string catalogues() const { return m_dir.path() + "/i18n"; }

    using Locale = qel::Locale;
    ScratchDir m_dir;
    std::string m_saved_env;
};

TEST_F(LocaleTest, VariableNamesTheCataloguesAndQelpalIsBound) {
    setenv("QEL_TEST_I18N_DIR", catalogues().c_str(), 1);
    Locale::setup(Locale::ENVIRONMENT);
    EXPECT_EQ(Locale::m_locale_dir, catalogues());
    EXPECT_STREQ(dgettext("qelpal", "No such user"), "Kein solcher Benutzer");
    // Bound explicitly only: lyninfo still has its system default.
    EXPECT_STREQ(dgettext("lyninfo", "Product full name"), "Product full name");
    Locale::bindDomain("lyninfo");
    EXPECT_STREQ(dgettext("lyninfo", "Product full name"), "Vollständiger Produktname");
}

TEST_F(LocaleTest, EnvironmentLocaleNeverSetsLcAll) {
    setenv("QEL_TEST_I18N_DIR", catalogues().c_str(), 1);
    unsetenv("LC_ALL");
    setenv("LANG", "de_DE.UTF-8", 1);
    Locale::setup(Locale::ENVIRONMENT);
    unsetenv("LANG");
    EXPECT_EQ(std::getenv("LC_ALL"), nullptr);
    EXPECT_STREQ(dgettext("qelpal", "No such user"), "Kein solcher Benutzer");
}

TEST_F(LocaleTest, ChosenLanguageIsExportedInLcAll) {
    setenv("QEL_TEST_I18N_DIR", catalogues().c_str(), 1);
    setenv("LC_ALL", "C", 1);
    Locale::setup(Locale::GERMAN);
    ASSERT_NE(std::getenv("LC_ALL"), nullptr);
    EXPECT_STREQ(std::getenv("LC_ALL"), "de_DE.utf8");
    EXPECT_STREQ(dgettext("qelpal", "No such user"), "Kein solcher Benutzer");
    Locale::setup(Locale::ENGLISH);
    EXPECT_STREQ(std::getenv("LC_ALL"), "en_US.utf8");
    EXPECT_STREQ(dgettext("qelpal", "No such user"), "No such user");
}

TEST_F(LocaleTest, EmptyVariableMeansNoTranslations) {
    // Catalogues in the working directory must not be picked up either.
    const std::string here = m_dir.path() + "/i18n";
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(here.c_str()), 0);
    setenv("QEL_TEST_I18N_DIR", "", 1);
    Locale::setup(Locale::ENVIRONMENT);
    Locale::bindDomain("lyninfo");
    const qel::Gettext binding("lyninfo");
    EXPECT_EQ(Locale::m_locale_dir, "");
    EXPECT_STREQ(dgettext("qelpal", "No such user"), "No such user");
    EXPECT_STREQ(dgettext("lyninfo", "Product full name"), "Product full name");
    EXPECT_STRNE(textdomain(nullptr), "lyninfo") << "an unbound Gettext sets no default";
    ASSERT_EQ(chdir(saved), 0);
}

TEST_F(LocaleTest, RelativeDirectoryIsPinnedAtSetUp) {
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(m_dir.path().c_str()), 0);
    setenv("QEL_TEST_I18N_DIR", "i18n", 1);
    Locale::setup(Locale::ENVIRONMENT);
    ASSERT_EQ(chdir("/"), 0);
    EXPECT_EQ(Locale::m_locale_dir, catalogues());
    EXPECT_STREQ(dgettext("qelpal", "No such user"), "Kein solcher Benutzer");
    ASSERT_EQ(chdir(saved), 0);
}

TEST_F(LocaleTest, GettextBindsAndBecomesTheDefaultDomain) {
    const std::string before = textdomain(nullptr);
    setenv("QEL_TEST_I18N_DIR", catalogues().c_str(), 1);
    Locale::setup(Locale::ENVIRONMENT);
    {
        const qel::Gettext binding("lyninfo");
        EXPECT_STREQ(binding.domain(), "lyninfo");
        EXPECT_STREQ(textdomain(nullptr), "lyninfo");
        EXPECT_STREQ(gettext("Product full name"), "Vollständiger Produktname");
    }
    textdomain(before.c_str());
}

TEST_F(LocaleTest, CatalogueDirectoryBesideTheExecutableOrAnAncestor) {
    const std::string root = m_dir.path();
    mkdir((root + "/opt").c_str(), 0700);
    mkdir((root + "/opt/bin").c_str(), 0700);
    const std::string exe = root + "/opt/bin/zop-installer";
    // The catalogues of the test fixture lie beside root + "/opt".
    EXPECT_EQ(Locale::findCatalogueDir(exe), root + "/i18n");
    EXPECT_EQ(Locale::findCatalogueDir(root + "/opt//./bin/../bin/zop-installer"),
              root + "/i18n");
    mkdir((root + "/opt/bin/i18n").c_str(), 0700);
    EXPECT_EQ(Locale::findCatalogueDir(exe), root + "/opt/bin/i18n") << "the nearest wins";
    // A file named i18n is no catalogue directory.
    m_dir.write("opt/i18n-file", "");
    EXPECT_EQ(Locale::findCatalogueDir(root + "/nowhere/x"), root + "/i18n");
    EXPECT_EQ(Locale::findCatalogueDir("relative-name"), "");
}

// A catalogue whose formats take other arguments than their originals is
// not trusted with them: the original text stands in for such a translation.
TEST_F(LocaleTest, TranslationsWithOtherConversionsFallBackToTheOriginal) {
    compile("qelpal", {{"No such user", "Kein solcher Benutzer"},
                       {"%s failed:", "%s%s%s fehlgeschlagen:"},
                       {"Wrote %d bytes", "%d Bytes geschrieben%n"},
                       {"Cannot read %s", "%s kann nicht gelesen werden"},
                       {"Copy %s to %s?", "Nach %2$s kopieren: %1$s?"}});
    setenv("QEL_TEST_I18N_DIR", catalogues().c_str(), 1);
    Locale::setup(Locale::ENVIRONMENT);
    EXPECT_STREQ(QEL_TR_PAL("No such user"), "Kein solcher Benutzer");
    EXPECT_STREQ(QEL_TR_PAL("%s failed:"), "%s failed:");
    EXPECT_STREQ(QEL_TR_PAL("Wrote %d bytes"), "Wrote %d bytes");
    EXPECT_STREQ(QEL_TR_PAL("Cannot read %s"), "%s kann nicht gelesen werden");
    char text[64];
    snprintf(text, sizeof text, QEL_TR_PAL("Copy %s to %s?"), "a", "b");
    EXPECT_STREQ(text, "Nach b kopieren: a?");
}

// The search in setup starts from the running executable: a copy of this
// test program beside an "i18n" directory reports what it found.
TEST_F(LocaleTest, SetupSearchesBesideTheRunningExecutable) {
    if (const char* report = std::getenv("QEL_TEST_REPORT_LOCALE_DIR")) {
        unsetenv("QEL_TEST_I18N_DIR");
        Locale::setup(Locale::ENVIRONMENT);
        FILE* out = fopen(report, "w");
        ASSERT_NE(out, nullptr);
        fprintf(out, "%s|%s", Locale::m_locale_dir.c_str(), dgettext("qelpal", "No such user"));
        fclose(out);
        return;
    }
    const std::string bin = m_dir.path() + "/bin";
    mkdir(bin.c_str(), 0700);
    const std::string command = "cp " + selfExe() + " " + bin +
        "/copy && QEL_TEST_REPORT_LOCALE_DIR=" + m_dir.path() + "/report LC_ALL=de_DE.UTF-8 " +
        bin + "/copy --gtest_filter=LocaleTest.SetupSearchesBesideTheRunningExecutable >/dev/null";
    ASSERT_EQ(system(command.c_str()), 0);
    FILE* in = fopen((m_dir.path() + "/report").c_str(), "r");
    ASSERT_NE(in, nullptr);
    char line[4096] = {};
    ASSERT_NE(fgets(line, sizeof line, in), nullptr);
    fclose(in);
    EXPECT_EQ(std::string(line), catalogues() + "|Kein solcher Benutzer");
}

} // namespace
