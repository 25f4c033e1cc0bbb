#pragma once
#include <string>

namespace qel {

// Word-wraps text to width columns. Lines are split at line_char and break
// only after one of the break characters; every output line, the first
// included, starts with indent times indent_char, which does not count
// towards the width. A chunk longer than the width stands alone, unbroken.
std::string wrapText(const std::string& text, std::string::size_type width = 80,
                     unsigned indent = 0, const std::string& breaks = " -",
                     char line_char = '\n', char indent_char = '\t');

} // namespace qel
