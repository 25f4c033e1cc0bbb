#pragma once

namespace qel {

// Ends a step line, which the step opened with its own text, with the mark
// "succeeded" (green) or "failed" (red).
class StepPrinter {
public:
    void printSucceeded(bool leading_blank = false, bool empty_line = false) const;
    void printFailed(bool leading_blank = false, bool empty_line = false) const;
};

} // namespace qel
