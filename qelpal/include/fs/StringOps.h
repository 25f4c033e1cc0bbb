#pragma once
// Small text helpers used by path handling and by every reader of
// line-oriented files.
#include <string>
#include <vector>

namespace qel::fs {

// Replaces pieces by the non-empty runs of text between separators, in
// order. With trim each piece loses surrounding white space (a piece of only
// white space stays as an empty string).
void split(const std::string& text, char separator, std::vector<std::string>& pieces,
           bool trim = false);

// Removes leading and trailing characters equal to c; c == 0 removes white
// space as isspace() defines it.
void trim(std::string& text, char c = 0);

// Replaces every occurrence of from (not empty) by to, searching on after the
// inserted text, and returns the number of replacements.
size_t replaceAll(std::string& text, const std::string& from, const std::string& to);

} // namespace qel::fs
