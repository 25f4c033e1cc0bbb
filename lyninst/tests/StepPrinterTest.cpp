#include "console/StepPrinter.h"

#include "StreamCapture.h"
#include "term/Color.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

using qel::term::Terminal;

class StepPrinter : public ::testing::Test {
protected:
    void colours(bool out, bool err) {
        Terminal::m_stdout_color = out;
        Terminal::m_stderr_color = err;
    }
    void TearDown() override { colours(m_out, m_err); }

private:
    bool m_out = Terminal::m_stdout_color;
    bool m_err = Terminal::m_stderr_color;
};

TEST_F(StepPrinter, SucceededIsGreenOnStandardOutput) {
    colours(true, true);
    qel::test::StreamCapture out(std::cout);
    qel::test::StreamCapture err(std::cerr);
    qel::StepPrinter().printSucceeded();
    EXPECT_EQ(out.text(), "\x1b[2m\x1b[32msucceeded\n\x1b[0m");
    EXPECT_EQ(err.text(), "");
}

TEST_F(StepPrinter, FailedWordOnStandardOutputColourOnStandardError) {
    colours(true, true);
    qel::test::StreamCapture out(std::cout);
    qel::test::StreamCapture err(std::cerr);
    qel::StepPrinter().printFailed();
    EXPECT_EQ(out.text(), "failed\n");
    EXPECT_EQ(err.text(), "\x1b[2m\x1b[31m\x1b[0m");
}

TEST_F(StepPrinter, MarksWithoutColourAndWithOptions) {
    colours(false, false);
    qel::test::StreamCapture out(std::cout);
    qel::test::StreamCapture err(std::cerr);
    qel::StepPrinter printer;
    printer.printSucceeded(true, true);
    printer.printFailed(true, false);
    EXPECT_EQ(out.text(), " succeeded\n\n failed\n");
    EXPECT_EQ(err.text(), "");
}

} // namespace
