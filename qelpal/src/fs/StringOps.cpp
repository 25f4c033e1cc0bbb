#include "fs/StringOps.h"

#include "Exception.h"
#include "gettext/Tr.h"

#include <cctype>

namespace qel::fs {

namespace {
bool matches(char ch, char c) {
    return c ? ch == c : std::isspace(static_cast<unsigned char>(ch)) != 0;
}
} // namespace

void split(const std::string& text, char separator, std::vector<std::string>& pieces,
           bool trimPieces) {
    pieces.clear();
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find(separator, start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
            if (trimPieces)
                trim(pieces.back());
        }
        start = end + 1;
    }
}

void trim(std::string& text, char c) {
    std::string::size_type end = text.size();
    while (end > 0 && matches(text[end - 1], c))
        --end;
    std::string::size_type start = 0;
    while (start < end && matches(text[start], c))
        ++start;
    text = text.substr(start, end - start);
}

size_t replaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty())
        QEL_THROW(UsageError, QEL_TR_PAL("replaceAll() with an empty search text"));
    size_t count = 0;
    for (std::string::size_type pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
        ++count;
    }
    return count;
}

} // namespace qel::fs
