#include "distro/Distro.h"

#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace {


struct DetectionCase {
    const char* name;
    std::map<std::string, std::string> files;
    qel::DistroId distro;
    qel::EscalationTool tool;
    std::size_t major, minor, patch;
    const char* codename;
    const char* description;
};

std::ostream& operator<<(std::ostream& out, const DetectionCase& c) { return out << c.name; }

class Detection : public testing::TestWithParam<DetectionCase> {};

TEST_P(Detection, ReadsTheReleaseFiles) {
    const DetectionCase& c = GetParam();
    ScratchDir root;
    root.mkdir("etc");
    for (const auto& [file, content] : c.files)
        root.write(file, content);

    const qel::Distro distro(root.path());
    EXPECT_EQ(distro.distro(), c.distro);
    EXPECT_EQ(distro.defaultTool(), c.tool);
    EXPECT_EQ(distro.majorVersion(), c.major);
    EXPECT_EQ(distro.minorVersion(), c.minor);
    EXPECT_EQ(distro.patchVersion(), c.patch);
    EXPECT_EQ(distro.codename(), c.codename);
    EXPECT_EQ(distro.description(), c.description);
}

const char* const ubuntu_lsb = "DISTRIB_ID=Ubuntu\n"
                               "DISTRIB_RELEASE=12.04\n"
                               "DISTRIB_CODENAME=precise\n"
                               "DISTRIB_DESCRIPTION=\"Ubuntu 12.04.4 LTS\"\n";

const char* const opensuse_13_1 = "NAME=openSUSE\n"
                                  "VERSION = \"13.1 (Bottle)\"\n"
                                  "VERSION_ID=\"13.1\"\n"
                                  "PRETTY_NAME=\"openSUSE 13.1 (Bottle) (x86_64)\"\n"
                                  "ID=opensuse\n";

const char* const fedora_20 = "NAME=Fedora\n"
                              "VERSION=\"20 (Heisenbug)\"\n"
                              "ID=fedora\n"
                              "VERSION_ID=20\n";

using qel::SU;
using qel::SUDO;

INSTANTIATE_TEST_SUITE_P(
    Systems, Detection,
    testing::Values(
        DetectionCase{"Ubuntu_12_04",
                      {{"etc/lsb-release", ubuntu_lsb}, {"etc/debian_version", "wheezy/sid\n"}},
                      qel::UBUNTU, SUDO, 12, 4, 0, "precise", "Ubuntu 12.04.4 LTS"},
        DetectionCase{"Ubuntu_release_before_id",
                      {{"etc/lsb-release", "DISTRIB_RELEASE=12.04\nDISTRIB_ID=Ubuntu\n"}},
                      qel::UBUNTU, SUDO, 0, 0, 0, "", ""},
        DetectionCase{"Lsb_of_another_distribution_falls_through",
                      {{"etc/lsb-release", "DISTRIB_ID=LinuxMint\nDISTRIB_RELEASE=17\n"},
                       {"etc/debian_version", "7.5\n"}},
                      qel::DEBIAN, SU, 7, 5, 0, "wheezy", "Debian 7.5.0 (wheezy)"},
        DetectionCase{"Debian_6_0_7", {{"etc/debian_version", "6.0.7\n"}}, qel::DEBIAN, SU, 6,
                      0, 7, "squeeze", "Debian 6.0.7 (squeeze)"},
        DetectionCase{"Debian_7_5", {{"etc/debian_version", "7.5\n"}}, qel::DEBIAN, SU, 7, 5, 0,
                      "wheezy", "Debian 7.5.0 (wheezy)"},
        DetectionCase{"Debian_text", {{"etc/debian_version", "jessie/sid\n"}}, qel::DEBIAN, SU,
                      0, 0, 0, "", "Debian 0.0.0 ()"},
        DetectionCase{"CentOS_6_5",
                      {{"etc/centos-release", "CentOS release 6.5 (Final)\n"},
                       {"etc/os-release", fedora_20}},
                      qel::CENTOS, SU, 6, 5, 0, "", "CentOS 6.5"},
        DetectionCase{"CentOS_7", {{"etc/centos-release", "CentOS Linux release 7.0.1406 (Core)\n"}},
                      qel::CENTOS, SU, 0, 0, 0, "", ""},
        DetectionCase{"SLES_11_SP3",
                      {{"etc/SuSE-release",
                        "SUSE Linux Enterprise Server 11 (x86_64)\nVERSION = 11\nPATCHLEVEL = 3\n"}},
                      qel::SLES, SU, 11, 3, 0, "", "SLES 11 SP3"},
        DetectionCase{"Gentoo_2_2", {{"etc/gentoo-release", "Gentoo Base System release 2.2\n"}},
                      qel::GENTOO, SU, 2, 2, 0, "", "Gentoo 2.2"},
        DetectionCase{"Gentoo_without_blank", {{"etc/gentoo-release", "Gentoo\n"}}, qel::GENTOO,
                      SU, 0, 0, 0, "", ""},
        DetectionCase{"Arch", {{"etc/arch-release", ""}}, qel::ARCH, SU, 0, 0, 0, "",
                      "Arch Linux"},
        DetectionCase{"OpenSuSE_13_1", {{"etc/os-release", opensuse_13_1}}, qel::OPENSUSE, SU,
                      13, 1, 0, "(Bottle)\"", "13.1 (Bottle)"},
        DetectionCase{"OpenSuSE_unquoted_version_id",
                      {{"etc/os-release", "ID=opensuse\nVERSION_ID=13.1\n"}}, qel::OPENSUSE, SU, 0,
                      0, 0, "", ""},
        DetectionCase{"Os_release_of_another_distribution", {{"etc/os-release", fedora_20}},
                      qel::UNKNOWN_DISTRO, SU, 0, 0, 0, "", ""},
        DetectionCase{"Os_release_without_id", {{"etc/os-release", "VERSION=\"13.1 (Bottle)\"\n"}},
                      qel::UNKNOWN_DISTRO, SU, 0, 0, 0, "", ""},
        DetectionCase{"Os_release_with_empty_id",
                      {{"etc/os-release", "ID=\nVERSION_ID=\"13.1\"\n"}}, qel::UNKNOWN_DISTRO, SU,
                      0, 0, 0, "", ""},
        DetectionCase{"Nothing_at_all", {}, qel::UNKNOWN_DISTRO, SU, 0, 0, 0, "", ""}),
    [](const testing::TestParamInfo<DetectionCase>& info) { return std::string(info.param.name); });

TEST(Detection, AReleaseFileThatCannotBeReadKeepsVersionZero) {
    ScratchDir root;
    // A directory where the release file should be exists but reads as nothing.
    root.mkdir("etc/debian_version");
    const qel::Distro distro(root.path());
    EXPECT_EQ(distro.distro(), qel::DEBIAN);
    EXPECT_EQ(distro.description(), "Debian 0.0.0 ()");
}

TEST(Detection, TheRunningSystemIsDetectedOnce) {
    const qel::Distro& first = qel::Distro::instance();
    EXPECT_EQ(&first, &qel::Distro::instance());
    const qel::Distro fresh("/");
    EXPECT_EQ(first.distro(), fresh.distro());
    EXPECT_EQ(first.description(), fresh.description());
}

template <typename T> std::string printed(T value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

TEST(Printing, DistributionNames) {
    const char* const names[] = {"Ubuntu",     "Debian", "CentOS",
                                 "RedHat",     "Arch Linux", "Gentoo",
                                 "OpenSuSE",   "SuSE Enterprise Server", "Uknown"};
    for (int id = qel::UBUNTU; id <= qel::UNKNOWN_DISTRO; ++id)
        EXPECT_EQ(printed(static_cast<qel::DistroId>(id)), names[id]);
    EXPECT_EQ(printed(static_cast<qel::DistroId>(42)), "Uknown");
    EXPECT_EQ(printed(static_cast<qel::DistroId>(-1)), "Uknown");
}

TEST(Printing, InitSystemNames) {
    EXPECT_EQ(printed(qel::SYSTEMD), "systemd");
    EXPECT_EQ(printed(qel::UPSTART), "upstart");
    EXPECT_EQ(printed(qel::SYSV), "UNIX System V");
    EXPECT_EQ(printed(qel::OPENRC), "OpenRC");
    EXPECT_EQ(printed(qel::UNKNOWN_INIT), "Unknown Init System");
    EXPECT_EQ(printed(static_cast<qel::InitSystem>(7)), "Unknown Init System");
}

TEST(Printing, EscalationToolNames) {
    EXPECT_EQ(printed(qel::SU), "su");
    EXPECT_EQ(printed(qel::SUDO), "sudo");
    EXPECT_EQ(printed(qel::UNKNOWN_TOOL), "unknown escalation tool");
}

} // namespace
