#include "term/Color.h"

#include <cstdlib>
#include <unistd.h>

namespace qel::term {

void Terminal::setup() {
    m_stdout_color = false;
    m_stderr_color = false;
    if (std::getenv("QEL_NO_COLOR"))
        return;
    if (std::getenv("QEL_FORCE_COLOR")) {
        m_stdout_color = true;
        m_stderr_color = true;
        return;
    }
    m_stdout_color = ::isatty(STDOUT_FILENO) == 1;
    m_stderr_color = ::isatty(STDERR_FILENO) == 1;
}

} // namespace qel::term
