#pragma once
// Whether the unpacked archive fits into a directory, and the sentence that
// tells the user what to do when it does not.
#include <cstdint>
#include <string>

namespace qel::payload {

// "2.4 MB": a size as the messages show it, rounded up to a tenth.
std::string megabytes(uint64_t bytes);

// Empty when the unpacked archive fits into dir; else the message that says
// how much it needs, how much there is, and that option (--tempdir or
// --unpack) chooses another directory. An unreadable dir counts as fitting:
// tar will tell.
std::string spaceShortage(const std::string& dir, const char* option);

// After tar failed in dir: empty when dir still has room for the unpacked
// archive; else the message that the space probably ran out, with the needed
// size and the option that chooses another directory.
std::string spaceRunOut(const std::string& dir, const char* option);

} // namespace qel::payload
