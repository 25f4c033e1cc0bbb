#include "gettext/Locale.h"

#include "gettext/Binding.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "fs/Path.h"

#include <clocale>
#include <cstdlib>
#include <vector>

namespace qel {

std::string Locale::m_locale_dir;
std::string Locale::m_locale_env = "QEL_I18N_DIR";

namespace {

const char* localeName(Locale::Language language) {
    switch (language) {
    case Locale::ENGLISH:
        return "en_US.utf8";
    case Locale::GERMAN:
        return "de_DE.utf8";
    case Locale::ENVIRONMENT:
        break;
    }
    return "";
}

// Lexical normal form: no "." or ".." components, no repeated "/", so that
// cutting components walks up through real ancestors only.
std::string normalised(const std::string& path) {
    std::vector<std::string> kept;
    for (const std::string& component : fs::split(path)) {
        if (component == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
        } else if (component != ".") {
            kept.push_back(component);
        }
    }
    return fs::join(kept, fs::isAbsolute(path));
}

std::string executablePath() {
    std::string exe;
    try {
        fs::readlink("/proc/self/exe", exe);
    } catch (const Exception&) {
    }
    return exe;
}

bool isDirectory(const std::string& path) {
    try {
        return fs::Info::get(path, true).isDir();
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

void Locale::setup(Language language) {
    const char* in_force = std::setlocale(LC_ALL, localeName(language));
    if (in_force != nullptr && language != ENVIRONMENT) {
        ::setenv("LC_ALL", in_force, 1);
    }

    m_locale_dir.clear();
    if (const char* dir = std::getenv(m_locale_env.c_str())) {
        // Catalogues are looked up at every translation, long after the
        // working directory has changed: pin a relative directory now.
        m_locale_dir = dir;
        fs::makeAbsolute(m_locale_dir);
    } else {
        m_locale_dir = findCatalogueDir(executablePath());
    }
    bindDomain("qelpal");
}

void Locale::bindDomain(const char* domain) {
    // gettext resolves an empty directory against the working directory,
    // which would take catalogues from wherever the process happens to be.
    if (!m_locale_dir.empty()) {
        gettext_detail::bind(domain, m_locale_dir);
    }
}

std::string Locale::findCatalogueDir(const std::string& exe) {
    std::string dir = normalised(exe);
    while (!dir.empty()) {
        const size_t slash = dir.rfind('/');
        dir.erase(slash == std::string::npos ? 0 : slash);
        // "/a" is cut to the empty text: "/i18n" is never a candidate.
        if (!dir.empty() && isDirectory(dir + "/i18n")) {
            return dir + "/i18n";
        }
    }
    return std::string();
}

} // namespace qel
