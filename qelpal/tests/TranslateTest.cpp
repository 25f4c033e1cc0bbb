#include "gettext/Translate.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* original;
    const char* translation;
    bool same;
};

class SameConversions : public ::testing::TestWithParam<Case> {};

TEST_P(SameConversions, ComparesTheArgumentsTaken) {
    const Case& c = GetParam();
    EXPECT_EQ(qel::sameConversions(c.original, c.translation), c.same)
        << "'" << c.original << "' / '" << c.translation << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SameConversions,
    ::testing::Values(
        Case{"plain text", "schlichter Text", true},
        Case{"100%% done", "100 %% fertig", true},
        Case{"'%s' exited with '%d'.", "'%s' endete mit '%d'.", true},
        Case{"%s and %s", "%2$s und %1$s", true},
        Case{"%1$s from '%2$s'", "aus '%2$s' %1$s", true},
        Case{"%1$s and %1$s", "%1$s", true},
        Case{"code=%d", "Code=%5d", true},
        Case{"code=%d", "Code=%-05i", true},
        Case{"size %lu", "Größe %lx", true},
        Case{"%.*s", "%.*s", true},
        Case{"%*d", "%2$*1$d", true},
        Case{"%s: %m", "%s: %m", true},
        Case{"%d.%d", "%d.%d, %s", false},
        Case{"%s", "%s%s", false},
        Case{"%s", "", false},
        Case{"plain text", "Text %s", false},
        Case{"%d", "%s", false},
        Case{"%d", "%ld", false},
        Case{"%d", "%u", false},
        Case{"%s", "%ls", false},
        Case{"%f", "%Lf", false},
        Case{"%s", "%s%n", false},
        Case{"%d", "%1$n", false},
        Case{"%s and %s", "%2$s und %s", false},
        Case{"%s and %s", "%2$s", false},
        Case{"%s and %s", "%1$s und %1$d", false},
        Case{"%s", "%s %", false},
        Case{"%s", "%s %y", false},
        Case{"%s", "%99999999999$s", false},
        Case{"%%", "%5%", false}));

} // namespace
