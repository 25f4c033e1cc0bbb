#pragma once
// String helpers used throughout the installer.
#include <string>
#include <vector>

namespace qel::aux {

// printf-style formatting into a std::string (positional conversions such as
// "%1$s" included). A rendering error gives an empty string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Joins items with sep; with surround the separator also stands before the
// first and after the last item. An empty list gives an empty text.
std::string join(const std::vector<std::string>& items, const std::string& sep,
                 bool surround = false);

// Byte-wise case conversion in place.
void toLower(std::string& text);
void toUpper(std::string& text);

} // namespace qel::aux
