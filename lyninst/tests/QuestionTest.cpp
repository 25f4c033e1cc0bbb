#include "console/Question.h"

#include "term/Input.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <string>
#include <unistd.h>

namespace {

// The answers a user types, behind a pipe that ends after them.
class Answers {
public:
    explicit Answers(const std::string& typed) {
        qel::term::Input::setup();
        EXPECT_EQ(::pipe(m_fds), 0);
        EXPECT_EQ(::write(m_fds[1], typed.data(), typed.size()),
                  static_cast<ssize_t>(typed.size()));
        ::close(m_fds[1]);
    }
    ~Answers() { ::close(m_fds[0]); }
    int fd() const { return m_fds[0]; }

private:
    int m_fds[2];
};

const std::string yes_no_prompt = "\nGo on?\n\n\t(yes/y/no/n): ";

std::string times(const std::string& s, int n) {
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

struct YesNoCase {
    std::string typed;
    bool result;
    int prompts;
};

class YesNo : public ::testing::TestWithParam<YesNoCase> {};

TEST_P(YesNo, Answer) {
    const YesNoCase& c = GetParam();
    Answers in(c.typed);
    std::ostringstream out;
    qel::YesNoQuestion q("Go on?");
    q.redirect(in.fd(), out);
    EXPECT_EQ(q.ask(), c.result) << c.typed;
    EXPECT_EQ(out.str(), times(yes_no_prompt, c.prompts)) << c.typed;
}

INSTANTIATE_TEST_SUITE_P(Question, YesNo,
                         ::testing::Values(YesNoCase{"y\n", true, 1}, YesNoCase{"yes\n", true, 1},
                                           YesNoCase{"n\n", false, 1}, YesNoCase{"no\n", false, 1},
                                           YesNoCase{"Y\nYES\n\nmaybe\ny\n", true, 5},
                                           YesNoCase{"", false, 1},
                                           YesNoCase{"what\n", false, 2},
                                           // Only a finished line is an answer.
                                           YesNoCase{"y", false, 1}));

TEST(Question, DefaultTakesTheEmptyAnswer) {
    Answers in("\n");
    std::ostringstream out;
    qel::Question q("Directory?", {}, "/opt/qel");
    q.redirect(in.fd(), out);
    EXPECT_TRUE(q.ask());
    EXPECT_EQ(q.answer(), "/opt/qel");
    EXPECT_EQ(out.str(), "\nDirectory?\n\n\t[/opt/qel]: ");
}

TEST(Question, FreeAnswerWithoutChoicesOrDefault) {
    Answers in("\nsomething\n");
    std::ostringstream out;
    qel::Question q("Name?");
    q.redirect(in.fd(), out);
    EXPECT_TRUE(q.ask());
    EXPECT_EQ(q.answer(), "something");
    EXPECT_EQ(out.str(), "\nName?\n\n\t> \nName?\n\n\t> ");
}

TEST(Question, CaseInsensitiveChoiceIsReplacedByTheChoice) {
    Answers in("BLUE\n");
    std::ostringstream out;
    qel::Question q("Colour?", {"red", "Blue"}, "red", true);
    q.redirect(in.fd(), out);
    EXPECT_TRUE(q.ask());
    EXPECT_EQ(q.answer(), "Blue");
    EXPECT_EQ(out.str(), "\nColour?\n\n\t(red/Blue) [red]: ");
}

TEST(Question, LongTextIsWrapped) {
    Answers in("x\n");
    std::ostringstream out;
    const std::string word = std::string(49, 'w') + " ";
    qel::Question q(word + word);
    q.redirect(in.fd(), out);
    q.ask();
    EXPECT_EQ(out.str(), "\n" + word + "\n" + word + "\n\n\t> ");
}

class EvenOnly : public qel::IAnswerCheck {
public:
    bool accept(std::ostream& out, const std::string& answer) override {
        if ((answer.back() - '0') % 2 == 0)
            return true;
        out << "odd!";
        return false;
    }
};

TEST(Question, CheckRejectsAndAsksAgain) {
    Answers in("3\n4\n");
    std::ostringstream out;
    EvenOnly check;
    qel::Question q("Number?", {}, "", false, &check);
    q.redirect(in.fd(), out);
    EXPECT_TRUE(q.ask());
    EXPECT_EQ(q.answer(), "4");
    EXPECT_EQ(out.str(), "\nNumber?\n\n\t> odd!\nNumber?\n\n\t> ");
}

// A quit request ends a waiting question as the end of input does; the
// request is for good, so this runs in a child process.
TEST(QuestionDeathTest, QuitRequestEndsTheWaitWithNo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            qel::term::Input::setup();
            int fds[2];
            if (::pipe(fds) != 0)
                std::exit(1);
            std::thread quit([] {
                ::usleep(100000);
                qel::term::Input::interrupt();
            });
            std::ostringstream out;
            qel::YesNoQuestion q("Go on?");
            q.redirect(fds[0], out);
            const bool answer = q.ask();
            quit.join();
            std::exit(!answer && out.str() == yes_no_prompt ? 5 : 1);
        },
        ::testing::ExitedWithCode(5), "");
}

} // namespace
