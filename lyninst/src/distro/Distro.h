#pragma once
// The Linux distribution the installer runs on: which one, its version, the
// escalation tool usual there and the init system. Detected once per process.
#include "NoCopy.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace qel {

// The value is also the index into the table of release files.
enum DistroId : int32_t {
    UBUNTU = 0,
    DEBIAN = 1,
    CENTOS = 2,
    REDHAT = 3,
    ARCH = 4,
    GENTOO = 5,
    OPENSUSE = 6,
    SLES = 7,
    UNKNOWN_DISTRO = 8
};

enum EscalationTool : int32_t { SU = 0, SUDO = 1, UNKNOWN_TOOL = 2 };

enum InitSystem : int32_t { SYSTEMD = 0, UPSTART = 1, SYSV = 2, OPENRC = 3, UNKNOWN_INIT = 4 };

// Distribution and init-system names are printed untranslated.
std::ostream& operator<<(std::ostream& out, DistroId id);
std::ostream& operator<<(std::ostream& out, EscalationTool tool);
std::ostream& operator<<(std::ostream& out, InitSystem init);

// The place of the absolute path inside the file tree that starts at root.
std::string underRoot(const std::string& root, const std::string& path);

// Whether that place exists (following links); one that cannot be examined
// counts as missing.
bool existsUnderRoot(const std::string& root, const std::string& path);

class Distro : private NoCopy {
public:
    // The detection of the running system, made on the first call.
    static const Distro& instance();

    // Detects the system whose file tree starts at root ("/" for the running
    // one; tests pass a fixture tree).
    explicit Distro(const std::string& root);

    DistroId distro() const { return m_distro; }
    EscalationTool defaultTool() const { return m_default_tool; }
    InitSystem init() const { return m_init; }
    std::size_t majorVersion() const { return m_major; }
    std::size_t minorVersion() const { return m_minor; }
    std::size_t patchVersion() const { return m_patch; }
    const std::string& codename() const { return m_codename; }
    const std::string& description() const { return m_description; }

    // Reads the version information of the release file at path, as the
    // format of m_distro's release file says.
    void scanVersionInfo(const std::string& path);

private:
    bool scanLsbRelease(const std::string& path);
    void scanOsRelease(const std::string& path);
    void forget();

    DistroId m_distro = UNKNOWN_DISTRO;
    EscalationTool m_default_tool = UNKNOWN_TOOL;
    InitSystem m_init = UNKNOWN_INIT;
    std::size_t m_major = 0;
    std::size_t m_minor = 0;
    std::size_t m_patch = 0;
    std::string m_codename;
    std::string m_description;
};

} // namespace qel
