#include "StrUtil.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

namespace qel::aux {

std::string format(const char* fmt, ...) {
    std::string buffer(128, '\0');
    for (;;) {
        va_list args;
        va_start(args, fmt);
        const int needed = std::vsnprintf(&buffer[0], buffer.size(), fmt, args);
        va_end(args);
        if (needed < 0)
            return std::string();
        if (static_cast<std::string::size_type>(needed) < buffer.size()) {
            buffer.resize(static_cast<std::string::size_type>(needed));
            return buffer;
        }
        buffer.assign(static_cast<std::string::size_type>(needed) + 1, '\0');
    }
}

std::string join(const std::vector<std::string>& items, const std::string& sep,
                 bool surround) {
    if (items.empty())
        return std::string();
    std::string out = surround ? sep : std::string();
    for (std::vector<std::string>::size_type i = 0; i < items.size(); ++i) {
        if (i)
            out += sep;
        out += items[i];
    }
    if (surround)
        out += sep;
    return out;
}

void toLower(std::string& text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void toUpper(std::string& text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace qel::aux
