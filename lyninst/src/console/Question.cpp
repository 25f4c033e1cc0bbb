#include "console/Question.h"

#include "console/WrapText.h"
#include "gettext/Tr.h"
#include "StrUtil.h"
#include "term/Input.h"

#include <iostream>
#include <unistd.h>

namespace qel {

Question::Question(const std::string& text, std::vector<std::string> choices,
                   const std::string& default_answer, bool case_insensitive,
                   IAnswerCheck* check)
    : m_case_insensitive(case_insensitive),
      m_text(text),
      m_default(default_answer),
      m_choices(std::move(choices)),
      m_in(STDIN_FILENO),
      m_out(&std::cout),
      m_check(check) {}

void Question::redirect(int in, std::ostream& out) {
    m_in = in;
    m_out = &out;
}

void Question::prompt() const {
    std::ostream& out = *m_out;
    out << '\n' << wrapText(m_text) << "\n\n\t";
    if (!m_choices.empty())
        out << '(' << aux::join(m_choices, "/") << ')';
    if (!m_default.empty())
        out << (m_choices.empty() ? "" : " ") << '[' << m_default << "]: ";
    else
        out << (m_choices.empty() ? "> " : ": ");
    out.flush();
}

bool Question::matchChoice() {
    std::string wanted = m_answer;
    if (m_case_insensitive)
        aux::toLower(wanted);
    for (const std::string& choice : m_choices) {
        std::string candidate = choice;
        if (m_case_insensitive)
            aux::toLower(candidate);
        if (candidate == wanted) {
            m_answer = choice;
            return true;
        }
    }
    return false;
}

bool Question::ask() {
    for (;;) {
        m_answer.clear();
        prompt();
        if (!term::Input::readLine(m_in, m_answer))
            return false;
        if (m_answer.empty()) {
            if (m_default.empty())
                continue;
            m_answer = m_default;
        } else if (!m_choices.empty() && !matchChoice()) {
            continue;
        }
        if (m_check && !m_check->accept(*m_out, m_answer))
            continue;
        return true;
    }
}

YesNoQuestion::YesNoQuestion(const std::string& text)
    : Question(text, {QEL_TR_INFO("yes"), QEL_TR_INFO("y"), QEL_TR_INFO("no"), QEL_TR_INFO("n")}),
      m_yes{QEL_TR_INFO("yes"), QEL_TR_INFO("y")} {}

bool YesNoQuestion::ask() {
    m_result = Question::ask() && m_yes.count(answer()) != 0;
    return m_result;
}

} // namespace qel
