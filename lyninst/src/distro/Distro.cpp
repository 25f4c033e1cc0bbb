#include "distro/Distro.h"

#include "distro/InitSystem.h"
#include "Exception.h"
#include "fs/Ops.h"
#include "fs/StringOps.h"
#include "gettext/Tr.h"

#include <sys/types.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace qel {

namespace {

// Release files under etc/, indexed by DistroId. Red Hat has no file of its
// own here, and the last entry is never looked for.
const char* const release_files[] = {
    "ubuntu-release", "debian_version", "centos-release", "???",         "arch-release",
    "gentoo-release", "os-release",     "SuSE-release",   "bAd_FiLeNaMe"};

const char* const distro_names[] = {"Ubuntu", "Debian",   "CentOS",
                                    "RedHat", "Arch Linux", "Gentoo",
                                    "OpenSuSE", "SuSE Enterprise Server", "Uknown"};

// Scans text with a pattern of up to three %zd conversions; a number the
// text does not supply keeps its earlier value.
void scanNumbers(const std::string& text, const char* pattern, std::size_t* a,
                 std::size_t* b = nullptr, std::size_t* c = nullptr) {
    std::size_t* targets[] = {a, b, c};
    ssize_t values[3] = {};
    for (int i = 0; i < 3; ++i)
        if (targets[i])
            values[i] = static_cast<ssize_t>(*targets[i]);
    std::sscanf(text.c_str(), pattern, &values[0], &values[1], &values[2]);
    for (int i = 0; i < 3; ++i)
        if (targets[i])
            *targets[i] = static_cast<std::size_t>(values[i]);
}

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Calls visit(key, value) for each "key = value" line of the file; lines
// with fewer than two pieces are skipped. visit returns false to stop.
template <typename Visit>
void forEachKeyValue(const std::string& path, Visit visit) {
    std::ifstream in(path);
    std::string line;
    std::vector<std::string> pieces;
    while (std::getline(in, line)) {
        fs::split(line, '=', pieces, true);
        if (pieces.size() < 2)
            continue;
        if (!visit(pieces[0], pieces[1]))
            return;
    }
}

// Drops the first and last character (the quotes) of a text of at least three.
std::string unquoted(const std::string& value) {
    return value.size() >= 3 ? value.substr(1, value.size() - 2) : value;
}

} // namespace

std::ostream& operator<<(std::ostream& out, DistroId id) {
    const bool known = id >= UBUNTU && id <= UNKNOWN_DISTRO;
    return out << distro_names[known ? id : UNKNOWN_DISTRO];
}

std::ostream& operator<<(std::ostream& out, EscalationTool tool) {
    switch (tool) {
    case SU:
        return out << "su";
    case SUDO:
        return out << "sudo";
    default:
        return out << QEL_TR_INFO("unknown escalation tool");
    }
}

std::ostream& operator<<(std::ostream& out, InitSystem init) {
    switch (init) {
    case SYSTEMD:
        return out << "systemd";
    case UPSTART:
        return out << "upstart";
    case SYSV:
        return out << "UNIX System V";
    case OPENRC:
        return out << "OpenRC";
    default:
        return out << "Unknown Init System";
    }
}

std::string underRoot(const std::string& root, const std::string& path) {
    std::string::size_type end = root.size();
    while (end > 0 && root[end - 1] == '/')
        --end;
    return root.substr(0, end) + path;
}

bool existsUnderRoot(const std::string& root, const std::string& path) {
    try {
        return fs::exists(underRoot(root, path));
    } catch (const Exception&) {
        return false;
    }
}

const Distro& Distro::instance() {
    static const Distro running("/");
    return running;
}

Distro::Distro(const std::string& root) {
    if (existsUnderRoot(root, "/etc/lsb-release") &&
        scanLsbRelease(underRoot(root, "/etc/lsb-release"))) {
        m_default_tool = SUDO;
    } else {
        for (int id = UBUNTU; id < UNKNOWN_DISTRO; ++id) {
            const std::string path = std::string("/etc/") + release_files[id];
            if (existsUnderRoot(root, path)) {
                m_distro = static_cast<DistroId>(id);
                scanVersionInfo(underRoot(root, path));
                break;
            }
        }
        m_default_tool = m_distro == UBUNTU ? SUDO : SU;
    }
    m_init = detectInitSystem(root);
}

bool Distro::scanLsbRelease(const std::string& path) {
    forEachKeyValue(path, [this](const std::string& key, const std::string& value) {
        if (key == "DISTRIB_ID") {
            if (value == "Ubuntu")
                m_distro = UBUNTU;
        } else if (m_distro == UNKNOWN_DISTRO) {
            // Lines before the one naming the distribution say nothing.
        } else if (key == "DISTRIB_RELEASE") {
            scanNumbers(value, "%zd.%zd", &m_major, &m_minor);
        } else if (key == "DISTRIB_CODENAME") {
            m_codename = value;
        } else if (key == "DISTRIB_DESCRIPTION") {
            m_description = unquoted(value);
        }
        return true;
    });
    return m_distro != UNKNOWN_DISTRO;
}

void Distro::scanVersionInfo(const std::string& path) {
    std::ostringstream description;
    switch (m_distro) {
    case GENTOO: {
        const std::string line = firstLine(path);
        const std::string::size_type blank = line.rfind(' ');
        if (blank == std::string::npos)
            return;
        scanNumbers(line.substr(blank + 1), "%zd.%zd", &m_major, &m_minor);
        description << "Gentoo " << m_major << '.' << m_minor;
        break;
    }
    case CENTOS: {
        std::vector<std::string> words;
        fs::split(firstLine(path), ' ', words);
        if (words.size() < 3 || words[1] != "release")
            return;
        scanNumbers(words[2], "%zd.%zd", &m_major, &m_minor);
        description << "CentOS " << m_major << '.' << m_minor;
        break;
    }
    case ARCH:
        description << "Arch Linux";
        break;
    case OPENSUSE:
        scanOsRelease(path);
        return;
    case SLES:
        forEachKeyValue(path, [this](const std::string& key, const std::string& value) {
            if (key == "VERSION")
                scanNumbers(value, "%zd", &m_major);
            else if (key == "PATCHLEVEL")
                scanNumbers(value, "%zd", &m_minor);
            return true;
        });
        description << "SLES " << m_major << " SP" << m_minor;
        break;
    case DEBIAN: {
        scanNumbers(firstLine(path), "%zd.%zd.%zd", &m_major, &m_minor, &m_patch);
        static const char* const codenames[] = {"lenny", "squeeze", "wheezy"};
        if (m_major >= 5 && m_major <= 7)
            m_codename = codenames[m_major - 5];
        description << "Debian " << m_major << '.' << m_minor << '.' << m_patch << " ("
                    << m_codename << ')';
        break;
    }
    default:
        return;
    }
    m_description = description.str();
}

// Any distribution now ships an os-release file, so one that does not name
// openSUSE makes the system unknown rather than failing the detection.
void Distro::scanOsRelease(const std::string& path) {
    bool named_opensuse = false;
    forEachKeyValue(path, [&](const std::string& key, const std::string& value) {
        if (key == "ID") {
            named_opensuse = value == "opensuse";
            return named_opensuse;
        }
        if (key == "VERSION") {
            std::vector<std::string> words;
            fs::split(value, ' ', words, true);
            if (words.size() >= 2)
                m_codename = words[1];
            if (value.size() >= 3)
                m_description = unquoted(value);
        } else if (key == "VERSION_ID") {
            scanNumbers(value, "\"%zd.%zd\"", &m_major, &m_minor);
        }
        return true;
    });
    if (!named_opensuse)
        forget();
}

void Distro::forget() {
    m_distro = UNKNOWN_DISTRO;
    m_major = m_minor = m_patch = 0;
    m_codename.clear();
    m_description.clear();
}

} // namespace qel
