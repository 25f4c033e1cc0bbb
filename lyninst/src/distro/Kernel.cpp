#include "distro/Kernel.h"

#include "ChildComm.h"
#include "Exception.h"
#include "distro/Distro.h"
#include "fs/Ops.h"
#include "fs/StringOps.h"

#include <sys/utsname.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace qel {

namespace {

bool configHas(std::istream& config, const std::string& option) {
    std::string line;
    std::vector<std::string> pieces;
    while (std::getline(config, line)) {
        fs::split(line, '=', pieces, true);
        if (pieces.size() >= 2 && pieces[0] == option && (pieces[1] == "y" || pieces[1] == "m"))
            return true;
    }
    return false;
}

// gunzip reads the compressed file itself, so this process only reads the
// output and no pipe can fill up in both directions.
bool compressedConfigHas(const std::string& path, const std::string& option) {
    try {
        if (!fs::exists(path))
            return false;
        ChildComm gunzip;
        if (!gunzip.findProgram("gunzip"))
            return false;
        gunzip.arguments().insert(gunzip.arguments().end(), {"-c", "--", path});
        gunzip.create(ChildComm::PIPE_OUT | ChildComm::NULL_IN | ChildComm::NULL_ERR);
        std::string text;
        char buffer[4096];
        try {
            while (const std::size_t got = gunzip.readOutput(buffer, sizeof buffer, false, true))
                text.append(buffer, got);
        } catch (const Exception&) {
            gunzip.succeeded();
            throw;
        }
        if (!gunzip.succeeded())
            return false;
        std::istringstream config(text);
        return configHas(config, option);
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

bool kernelHasOption(const std::string& option, const std::string& root) {
    if (compressedConfigHas(underRoot(root, "/proc/config.gz"), option))
        return true;
    struct utsname system;
    if (::uname(&system) != 0)
        return false;
    std::ifstream config(underRoot(root, std::string("/boot/config-") + system.release));
    return config.is_open() && configHas(config, option);
}

} // namespace qel
