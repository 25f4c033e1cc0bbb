#include "console/StepPrinter.h"

#include "gettext/Tr.h"
#include "term/Color.h"

#include <iostream>

namespace qel {

namespace {

// The mark always goes to standard output; its colour goes to the guard's
// stream. Standard output is flushed first so that on a shared terminal the
// colour starts at the mark, not at the step's opening text.
void printMark(const term::ColorGuard& colour, const char* mark, bool leading_blank,
               bool empty_line) {
    std::cout.flush();
    term::ColorGuard guard(colour);
    if (leading_blank)
        std::cout << ' ';
    std::cout << mark << '\n';
    if (empty_line)
        std::cout << '\n';
    std::cout.flush();
}

} // namespace

void StepPrinter::printSucceeded(bool leading_blank, bool empty_line) const {
    printMark(term::gc_guard, QEL_TR_INFO("succeeded"), leading_blank, empty_line);
}

void StepPrinter::printFailed(bool leading_blank, bool empty_line) const {
    printMark(term::ec_guard, QEL_TR_INFO("failed"), leading_blank, empty_line);
}

} // namespace qel
