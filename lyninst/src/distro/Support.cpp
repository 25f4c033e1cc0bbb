#include "distro/Support.h"

#include "StrUtil.h"
#include "console/Question.h"
#include "console/WrapText.h"
#include "gettext/Tr.h"
#include "term/Color.h"

#include <sstream>

namespace qel {

namespace {

struct Version {
    std::size_t major;
    std::size_t minor;
};

struct Range {
    Version oldest;
    Version newest;
};

// Indexed by DistroId; Arch Linux and unknown systems are decided before.
const Range support_table[] = {
    {{10, 4}, {12, 4}}, // UBUNTU
    {{5, 0}, {7, 4}},   // DEBIAN
    {{6, 0}, {6, 5}},   // CENTOS
    {{6, 0}, {6, 5}},   // REDHAT
    {{0, 0}, {0, 0}},   // ARCH
    {{2, 2}, {2, 2}},   // GENTOO
    {{11, 4}, {13, 1}}, // OPENSUSE
    {{10, 2}, {11, 3}}, // SLES
};

bool before(std::size_t major, std::size_t minor, const Version& bound) {
    return major < bound.major || (major == bound.major && minor < bound.minor);
}

bool after(std::size_t major, std::size_t minor, const Version& bound) {
    return major > bound.major || (major == bound.major && minor > bound.minor);
}

std::string nameOf(DistroId id) {
    std::ostringstream name;
    name << id;
    return name.str();
}

std::string wrapped(const std::string& text) {
    return wrapText(text, 80, 0, " -", '\n', '\t');
}

void printItem(std::ostream& out, const std::string& text) {
    out << "- " << wrapped(text) << '\n';
}

} // namespace

Support judgeSupport(DistroId distro, std::size_t major, std::size_t minor) {
    if (distro < UBUNTU || distro >= UNKNOWN_DISTRO)
        return Support::UNRECOGNISED;
    if (distro == ARCH)
        return Support::SUPPORTED;
    const Range& range = support_table[distro];
    if (before(major, minor, range.oldest))
        return Support::TOO_OLD;
    if (after(major, minor, range.newest))
        return Support::TOO_NEW;
    return Support::SUPPORTED;
}

bool checkDistroSupport(const Distro& distro, const std::string& product, std::ostream& out) {
    const std::size_t major = distro.majorVersion();
    const std::size_t minor = distro.minorVersion();
    const Support verdict = judgeSupport(distro.distro(), major, minor);
    if (verdict == Support::SUPPORTED)
        return true;

    const term::ColorGuard warning(term::wc_guard);
    if (verdict == Support::UNRECOGNISED) {
        out << QEL_TR("Warning: Unable to determine or recognize the running Linux distribution")
            << '\n'
            << QEL_TR("Installation may fail or some features may be unavailable") << '\n';
        return false;
    }
    const Range& range = support_table[distro.distro()];
    const bool too_old = verdict == Support::TOO_OLD;
    const Version& bound = too_old ? range.oldest : range.newest;
    const char* message =
        too_old ? QEL_TR("You're using a version of %1$s that is too old for this version of "
                              "%2$s. The oldest supported version is %3$d.%4$d but you are using "
                              "%5$d.%6$d. Please consider updating your operating system.")
                : QEL_TR("You're using a version of %1$s that is too new for this version of "
                              "%2$s. The newest supported version is %3$d.%4$d but you are using "
                              "%5$d.%6$d. Please consider getting an updated software package "
                              "from us.");
    out << wrapped(aux::format(message, nameOf(distro.distro()).c_str(), product.c_str(),
                               static_cast<int>(bound.major), static_cast<int>(bound.minor),
                               static_cast<int>(major), static_cast<int>(minor)))
        << '\n';
    out.flush();
    return false;
}

bool askContinueUnsupported(bool batch, std::ostream& out, int in) {
    out << '\n'
        << wrapped(QEL_TR("This QEL software might not run correctly on this operating "
                               "system. We can't offer support in such cases."))
        << '\n';
    if (batch)
        return true;
    YesNoQuestion question(QEL_TR("Do you want to continue the installation anyway?"));
    question.redirect(in, out);
    const bool yes = question.ask();
    out << '\n';
    return yes;
}

void printSupportedDistros(std::ostream& out) {
    out << wrapped(QEL_TR(
               "This software is designed in a way that it can support many different Linux "
               "systems without relying on distribution specific functions. However we can only "
               "provide full support and quality assurance for a limited subset of the more "
               "common and recent Linux distributions."))
        << "\n\n"
        << wrapped(QEL_TR("The following Linux distributions are fully supported:"))
        << "\n\n";
    printItem(out, aux::format(QEL_TR("%s versions 5, 6 and 7 (lenny, squeeze and wheezy)"),
                               nameOf(DEBIAN).c_str()));
    printItem(out, aux::format(QEL_TR("%s version 6.x"), nameOf(CENTOS).c_str()));
    printItem(out, aux::format(QEL_TR("%s versions 10, 11, 12 and 13"),
                               nameOf(UBUNTU).c_str()));
    printItem(out, aux::format(QEL_TR("%s version 11"), nameOf(SLES).c_str()));
    printItem(out, aux::format(QEL_TR("%s version 12 and 13"), nameOf(OPENSUSE).c_str()));
    out << '\n'
        << wrapped(QEL_TR(
               "The following Linux distributions usually work but are not officially supported:"))
        << "\n\n";
    const char* const as_of = "Jun 27 2014";
    printItem(out, aux::format(QEL_TR("%s version 6.x"), nameOf(REDHAT).c_str()));
    printItem(out, aux::format(QEL_TR("Recent versions of %s as of %s"),
                               nameOf(GENTOO).c_str(), as_of));
    printItem(out, aux::format(QEL_TR("Recent versions of %s as of %s"),
                               nameOf(ARCH).c_str(), as_of));
}

} // namespace qel
