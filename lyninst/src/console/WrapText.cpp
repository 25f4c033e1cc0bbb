#include "console/WrapText.h"

#include <vector>

namespace qel {

namespace {

using size_type = std::string::size_type;

// Cuts a line into chunks that end just after a break character; the last
// chunk runs to the end of the line (an empty line is one empty chunk).
std::vector<std::string> chunks(const std::string& line, const std::string& breaks) {
    std::vector<std::string> out;
    size_type start = 0;
    for (size_type i = 0; i < line.size(); ++i) {
        if (breaks.find(line[i]) != std::string::npos) {
            out.push_back(line.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < line.size() || out.empty())
        out.push_back(line.substr(start));
    return out;
}

} // namespace

std::string wrapText(const std::string& text, size_type width, unsigned indent,
                     const std::string& breaks, char line_char, char indent_char) {
    const std::string indentation(indent, indent_char);
    std::string out;
    size_type line_start = 0;
    for (;;) {
        const size_type line_end = text.find(line_char, line_start);
        const std::string line = text.substr(line_start, line_end == std::string::npos
                                                             ? std::string::npos
                                                             : line_end - line_start);
        out += indentation;
        const std::vector<std::string> pieces = chunks(line, breaks);
        size_type length = 0;
        for (size_type i = 0; i < pieces.size(); ++i) {
            // The last chunk of a line counts one more, for the line end.
            const size_type counted = pieces[i].size() + (i + 1 == pieces.size() ? 1 : 0);
            if (length != 0 && length + counted > width) {
                out += line_char;
                out += indentation;
                length = counted;
            } else {
                length += counted;
            }
            out += pieces[i];
        }
        if (line_end == std::string::npos)
            return out;
        out += line_char;
        line_start = line_end + 1;
    }
}

} // namespace qel
