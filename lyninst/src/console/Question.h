#pragma once
// Questions to the user on the terminal. A question ends at the end of its
// input and when the process is asked to quit (qel::term::Input::interrupt);
// the answer read so far then stands.
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

namespace qel {

// Decides whether an answer is accepted; may explain a rejection on out.
class IAnswerCheck {
public:
    virtual bool accept(std::ostream& out, const std::string& answer) = 0;

protected:
    ~IAnswerCheck() = default;
};

class Question {
public:
    // An empty default means none; without choices any answer is taken.
    explicit Question(const std::string& text, std::vector<std::string> choices = {},
                      const std::string& default_answer = std::string(),
                      bool case_insensitive = false, IAnswerCheck* check = nullptr);

    // Reads the answers from in and writes the question to out instead of
    // standard input and output.
    void redirect(int in, std::ostream& out);

    // Asks until an acceptable answer is read; false when the input ended
    // first (answer() then holds what was read of the unfinished line).
    bool ask();
    const std::string& answer() const { return m_answer; }

private:
    void prompt() const;
    // Replaces the answer by the matching choice; false without a match.
    bool matchChoice();

    bool m_case_insensitive;
    std::string m_text;
    std::string m_answer;
    std::string m_default;
    std::vector<std::string> m_choices;
    int m_in;
    std::ostream* m_out;
    IAnswerCheck* m_check;
};

// yes/y/no/n (translated); anything else asks again. The end of the input
// means no, even after an unfinished "y".
class YesNoQuestion : public Question {
public:
    explicit YesNoQuestion(const std::string& text);

    bool ask();

private:
    bool m_result = false;
    std::set<std::string> m_yes;
};

} // namespace qel
