#include "distro/Support.h"

#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using qel::Support;

struct VersionCase {
    qel::DistroId distro;
    std::size_t major, minor;
    Support verdict;
};

class SupportTable : public testing::TestWithParam<VersionCase> {};

TEST_P(SupportTable, JudgesTheVersion) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(qel::judgeSupport(c.distro, c.major, c.minor), c.verdict)
        << c.distro << ' ' << c.major << '.' << c.minor;
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, SupportTable,
    testing::Values(VersionCase{qel::UBUNTU, 12, 4, Support::SUPPORTED},
                    VersionCase{qel::UBUNTU, 12, 10, Support::TOO_NEW},
                    VersionCase{qel::UBUNTU, 10, 4, Support::SUPPORTED},
                    VersionCase{qel::UBUNTU, 10, 3, Support::TOO_OLD},
                    VersionCase{qel::UBUNTU, 14, 4, Support::TOO_NEW},
                    VersionCase{qel::DEBIAN, 7, 5, Support::TOO_NEW},
                    VersionCase{qel::DEBIAN, 7, 4, Support::SUPPORTED},
                    VersionCase{qel::DEBIAN, 5, 0, Support::SUPPORTED},
                    VersionCase{qel::DEBIAN, 4, 9, Support::TOO_OLD},
                    VersionCase{qel::CENTOS, 0, 0, Support::TOO_OLD},
                    VersionCase{qel::CENTOS, 6, 5, Support::SUPPORTED},
                    VersionCase{qel::CENTOS, 6, 6, Support::TOO_NEW},
                    VersionCase{qel::REDHAT, 6, 0, Support::SUPPORTED},
                    VersionCase{qel::GENTOO, 2, 2, Support::SUPPORTED},
                    VersionCase{qel::GENTOO, 2, 1, Support::TOO_OLD},
                    VersionCase{qel::GENTOO, 2, 3, Support::TOO_NEW},
                    VersionCase{qel::ARCH, 0, 0, Support::SUPPORTED},
                    VersionCase{qel::ARCH, 2014, 6, Support::SUPPORTED},
                    VersionCase{qel::OPENSUSE, 11, 4, Support::SUPPORTED},
                    VersionCase{qel::OPENSUSE, 13, 2, Support::TOO_NEW},
                    VersionCase{qel::SLES, 11, 3, Support::SUPPORTED},
                    VersionCase{qel::SLES, 11, 4, Support::TOO_NEW},
                    VersionCase{qel::SLES, 10, 1, Support::TOO_OLD},
                    VersionCase{qel::UNKNOWN_DISTRO, 0, 0, Support::UNRECOGNISED}));

const char* const product = "QEL Zonal Outpost Probe Server 2.00";

// What checkDistroSupport prints for the system in the fixture tree.
std::string checkOutput(const ScratchDir& root, bool expected_result) {
    const qel::Distro distro(root.path());
    std::ostringstream out;
    EXPECT_EQ(qel::checkDistroSupport(distro, product, out), expected_result);
    return out.str();
}

TEST(CheckDistroSupport, ASupportedSystemPassesSilently) {
    ScratchDir root;
    root.mkdir("etc");
    root.write("etc/debian_version", "6.0.7\n");
    EXPECT_EQ(checkOutput(root, true), "");
}

TEST(CheckDistroSupport, ATooNewUbuntuGetsTheWrappedWarning) {
    ScratchDir root;
    root.mkdir("etc");
    root.write("etc/lsb-release", "DISTRIB_ID=Ubuntu\nDISTRIB_RELEASE=12.10\n");
    EXPECT_EQ(checkOutput(root, false),
              "You're using a version of Ubuntu that is too new for this version of QEL Zonal \n"
              "Outpost Probe Server 2.00. The newest supported version is 12.4 but you are \n"
              "using 12.10. Please consider getting an updated software package from us.\n");
}

TEST(CheckDistroSupport, ATooOldSlesGetsTheWrappedWarning) {
    ScratchDir root;
    root.mkdir("etc");
    root.write("etc/SuSE-release", "VERSION = 10\nPATCHLEVEL = 1\n");
    EXPECT_EQ(checkOutput(root, false),
              "You're using a version of SuSE Enterprise Server that is too old for this \n"
              "version of QEL Zonal Outpost Probe Server 2.00. The oldest supported version is \n"
              "10.2 but you are using 10.1. Please consider updating your operating system.\n");
}

TEST(CheckDistroSupport, AnUnknownSystemGetsTheTwoLineWarning) {
    ScratchDir root;
    root.mkdir("etc");
    root.write("etc/os-release", "ID=fedora\nVERSION_ID=20\n");
    EXPECT_EQ(checkOutput(root, false),
              "Warning: Unable to determine or recognize the running Linux distribution\n"
              "Installation may fail or some features may be unavailable\n");
}

// The answers a user types, on a pipe that the question reads.
class Answers {
public:
    explicit Answers(const std::string& typed) {
        if (::pipe(m_fds) != 0)
            throw std::runtime_error("pipe failed");
        if (::write(m_fds[1], typed.data(), typed.size()) != static_cast<ssize_t>(typed.size()))
            throw std::runtime_error("write failed");
        ::close(m_fds[1]);
    }
    ~Answers() { ::close(m_fds[0]); }
    int fd() const { return m_fds[0]; }

private:
    int m_fds[2];
};

const char* const unsupported_paragraph =
    "\nThis QEL software might not run correctly on this operating system. We can't \n"
    "offer support in such cases.\n";

TEST(AskContinueUnsupported, BatchGoesOnWithoutAQuestion) {
    Answers answers("no\n");
    std::ostringstream out;
    EXPECT_TRUE(qel::askContinueUnsupported(true, out, answers.fd()));
    EXPECT_EQ(out.str(), unsupported_paragraph);
}

TEST(AskContinueUnsupported, TheAnswerDecides) {
    const struct {
        const char* typed;
        bool go_on;
    } cases[] = {{"y\n", true}, {"yes\n", true}, {"n\n", false}, {"no\n", false},
                 {"maybe\nyes\n", true}, {"", false}};
    for (const auto& c : cases) {
        Answers answers(c.typed);
        std::ostringstream out;
        EXPECT_EQ(qel::askContinueUnsupported(false, out, answers.fd()), c.go_on) << c.typed;
        EXPECT_EQ(out.str().rfind(std::string(unsupported_paragraph) +
                                      "\nDo you want to continue the installation anyway?\n\n\t"
                                      "(yes/y/no/n): ",
                                  0),
                  0u)
            << out.str();
        EXPECT_EQ(out.str().back(), '\n');
    }
}

TEST(PrintSupportedDistros, ExactText) {
    std::ostringstream out;
    qel::printSupportedDistros(out);
    EXPECT_EQ(out.str(),
              "This software is designed in a way that it can support many different Linux \n"
              "systems without relying on distribution specific functions. However we can only \n"
              "provide full support and quality assurance for a limited subset of the more \n"
              "common and recent Linux distributions.\n"
              "\n"
              "The following Linux distributions are fully supported:\n"
              "\n"
              "- Debian versions 5, 6 and 7 (lenny, squeeze and wheezy)\n"
              "- CentOS version 6.x\n"
              "- Ubuntu versions 10, 11, 12 and 13\n"
              "- SuSE Enterprise Server version 11\n"
              "- OpenSuSE version 12 and 13\n"
              "\n"
              "The following Linux distributions usually work but are not officially \n"
              "supported:\n"
              "\n"
              "- RedHat version 6.x\n"
              "- Recent versions of Gentoo as of Jun 27 2014\n"
              "- Recent versions of Arch Linux as of Jun 27 2014\n");
}

} // namespace
