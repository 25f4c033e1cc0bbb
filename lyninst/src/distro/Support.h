#pragma once
// The range of distributions and versions that support is given for, the
// warnings for a system outside it and the list shown by --supported.
#include "distro/Distro.h"

#include <cstddef>
#include <iostream>
#include <string>

namespace qel {

enum class Support { SUPPORTED, TOO_OLD, TOO_NEW, UNRECOGNISED };

// Judges a distribution and its major.minor version against the support
// table; the bounds are inclusive.
Support judgeSupport(DistroId distro, std::size_t major, std::size_t minor);

// True if the detected system is supported; otherwise prints the warning to
// out (in the warning colour) and returns false. product is the full name of
// the product being installed.
bool checkDistroSupport(const Distro& distro, const std::string& product,
                        std::ostream& out = std::cout);

// Says that support cannot be given and, unless batch, asks on out with
// answers read from the descriptor in whether to go on; true means go on.
bool askContinueUnsupported(bool batch, std::ostream& out = std::cout, int in = 0);

// Prints the list of supported distributions.
void printSupportedDistros(std::ostream& out = std::cout);

} // namespace qel
