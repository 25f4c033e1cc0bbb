#include "term/Color.h"

#include "StreamCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace {

using qel::term::AttrSpec;
using qel::term::ColorGuard;
using qel::term::ColorSpec;
using qel::term::Terminal;
using qel::test::StreamCapture;

// Sets the two colour flags for one test and restores them afterwards.
class ColorFlags {
public:
    ColorFlags(bool out, bool err)
        : m_out(Terminal::m_stdout_color), m_err(Terminal::m_stderr_color) {
        Terminal::m_stdout_color = out;
        Terminal::m_stderr_color = err;
    }
    ~ColorFlags() {
        Terminal::m_stdout_color = m_out;
        Terminal::m_stderr_color = m_err;
    }

private:
    bool m_out;
    bool m_err;
};

TEST(Color, SpecIsWrittenBackgroundFirst) {
    ColorFlags flags(true, true);
    StreamCapture out(std::cout);
    std::cout << ColorSpec{qel::term::BLUE, true, qel::term::WHITE, false, false};
    EXPECT_EQ(out.text(), "\x1b[2m\x1b[47m\x1b[1m\x1b[34m");
}

TEST(Color, UnchangedLayersAreLeftOut) {
    ColorFlags flags(true, true);
    StreamCapture err(std::cerr);
    std::cerr << ColorSpec{qel::term::RED, false, qel::term::UNCHANGED, false, false}
              << ColorSpec{};
    EXPECT_EQ(err.text(), "\x1b[2m\x1b[31m");
}

TEST(Color, AttributesInFixedOrder) {
    ColorFlags flags(true, true);
    StreamCapture out(std::cout);
    std::cout << AttrSpec{qel::term::ATTR_BLINK | qel::term::ATTR_UNDERLINE | qel::term::ATTR_RESET,
                          false};
    EXPECT_EQ(out.text(), "\x1b[0m\x1b[4m\x1b[5m");
}

TEST(Color, EachStandardStreamHasItsOwnFlag) {
    ColorFlags flags(false, true);
    StreamCapture out(std::cout);
    StreamCapture err(std::cerr);
    const ColorSpec green{qel::term::GREEN, false, qel::term::UNCHANGED, false, false};
    std::cout << green << "plain";
    std::cerr << green << AttrSpec{qel::term::ATTR_RESET, false};
    EXPECT_EQ(out.text(), "plain");
    EXPECT_EQ(err.text(), "\x1b[2m\x1b[32m\x1b[0m");
}

TEST(Color, OtherStreamsGetColourOnlyWhenForced) {
    ColorFlags flags(true, true);
    std::ostringstream os;
    os << ColorSpec{qel::term::RED, false, qel::term::UNCHANGED, false, false}
       << AttrSpec{qel::term::ATTR_RESET, false};
    EXPECT_EQ(os.str(), "");
    os << ColorSpec{qel::term::RED, false, qel::term::UNCHANGED, false, true}
       << AttrSpec{qel::term::ATTR_RESET, true};
    EXPECT_EQ(os.str(), "\x1b[2m\x1b[31m\x1b[0m");
}

TEST(Color, CopiedGuardColoursItsStreamUntilItEnds) {
    ColorFlags flags(true, true);
    StreamCapture out(std::cout);
    StreamCapture err(std::cerr);
    {
        ColorGuard guard(qel::term::ec_guard);
        std::cout << "failed\n";
    }
    EXPECT_EQ(out.text(), "failed\n");
    EXPECT_EQ(err.text(), "\x1b[2m\x1b[31m\x1b[0m");
}

TEST(Color, PredefinedGuardColours) {
    ColorFlags flags(true, true);
    StreamCapture out(std::cout);
    StreamCapture err(std::cerr);
    { ColorGuard g(qel::term::vc_guard); }
    { ColorGuard g(qel::term::gc_guard); }
    { ColorGuard g(qel::term::wc_guard); }
    EXPECT_EQ(out.text(), "\x1b[2m\x1b[36m\x1b[0m\x1b[2m\x1b[32m\x1b[0m");
    EXPECT_EQ(err.text(), "\x1b[2m\x1b[33m\x1b[0m");
}

TEST(Color, GuardWithoutColourWritesNothing) {
    ColorFlags flags(false, false);
    StreamCapture out(std::cout);
    {
        ColorGuard guard(qel::term::gc_guard);
        std::cout << "succeeded\n";
    }
    EXPECT_EQ(out.text(), "succeeded\n");
}

// The set-up reads the environment; each case restores it.
struct SetupCase {
    const char* no_color;
    const char* force_color;
    bool expect_forced_on;
    bool expect_off;
};

class TerminalSetup : public ::testing::TestWithParam<SetupCase> {
protected:
    void SetUp() override {
        save("QEL_NO_COLOR", m_no_color);
        save("QEL_FORCE_COLOR", m_force_color);
    }
    void TearDown() override {
        restore("QEL_NO_COLOR", m_no_color);
        restore("QEL_FORCE_COLOR", m_force_color);
        Terminal::setup();
    }
    static void apply(const char* name, const char* value) {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }

private:
    static void save(const char* name, std::string& slot) {
        const char* v = std::getenv(name);
        slot = v ? std::string(1, '=') + v : std::string();
    }
    static void restore(const char* name, const std::string& slot) {
        if (slot.empty())
            ::unsetenv(name);
        else
            ::setenv(name, slot.c_str() + 1, 1);
    }
    std::string m_no_color;
    std::string m_force_color;
};

TEST_P(TerminalSetup, Decision) {
    const SetupCase& c = GetParam();
    apply("QEL_NO_COLOR", c.no_color);
    apply("QEL_FORCE_COLOR", c.force_color);
    Terminal::setup();
    if (c.expect_off) {
        EXPECT_FALSE(Terminal::m_stdout_color);
        EXPECT_FALSE(Terminal::m_stderr_color);
    } else if (c.expect_forced_on) {
        EXPECT_TRUE(Terminal::m_stdout_color);
        EXPECT_TRUE(Terminal::m_stderr_color);
    } else {
        EXPECT_EQ(Terminal::m_stdout_color, ::isatty(1) == 1);
        EXPECT_EQ(Terminal::m_stderr_color, ::isatty(2) == 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Color, TerminalSetup,
                         ::testing::Values(SetupCase{"1", nullptr, false, true},
                                           SetupCase{"1", "1", false, true},
                                           SetupCase{"", "1", false, true},
                                           SetupCase{nullptr, "1", true, false},
                                           SetupCase{nullptr, "", true, false},
                                           SetupCase{nullptr, nullptr, false, false}));

} // namespace
