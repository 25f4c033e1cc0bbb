#include "product/GlobalConfig.h"
#include "product/Product.h"

#include "Exception.h"
#include "StrUtil.h"
#include "fs/Ops.h"
#include "fs/File.h"
#include "gettext/Tr.h"

#include <cerrno>
#include <iostream>

namespace qel {
namespace product {

ConfigError fileError(const fs::Path& path) {
    return ConfigError(aux::format(QEL_TR_INFO("The global product configuration file '%s' "
                                               "contains errors:"),
                                   path.c_str()),
                       QEL_TR_INFO("Config Error"));
}

namespace {

// libconfig follows include chains no deeper than this.
const int max_include_depth = 10;

// Whether the line that starts at line is an "@include" as libconfig reads
// it: a quoted name in which \\ and \" stand for \ and ".
bool includeAt(const std::string& text, size_t line, std::string& name) {
    static const std::string keyword = "@include";
    size_t p = text.find_first_not_of(" \t", line);
    if (p == std::string::npos || text.compare(p, keyword.size(), keyword) != 0)
        return false;
    p += keyword.size();
    const size_t quote = text.find_first_not_of(" \t", p);
    if (quote == p || quote == std::string::npos || text[quote] != '"')
        return false;
    name.clear();
    for (p = quote + 1; p < text.size() && text[p] != '"'; ++p) {
        if (text[p] == '\\' && p + 1 < text.size() && (text[p + 1] == '\\' || text[p + 1] == '"'))
            ++p;
        name += text[p];
    }
    return true;
}

std::vector<std::string> includedFiles(const std::string& text) {
    std::vector<std::string> files;
    std::string name;
    for (size_t line = 0;;) {
        if (includeAt(text, line, name))
            files.push_back(name);
        const size_t end = text.find('\n', line);
        if (end == std::string::npos)
            return files;
        line = end + 1;
    }
}

// libconfig opens the file and every file it includes with fopen, which
// waits for ever on a named pipe: each of them must be a regular file. A
// file that cannot be opened is left to libconfig to report.
void assureRegularFiles(const fs::Path& path, const std::string& file, int depth) {
    fs::StreamFile in;
    try {
        in.open(file, fs::File::READ, fs::File::NO_WAIT);
    } catch (const FsError&) {
        return;
    }
    if (!fs::Info::get(in.fd()).isRegular()) {
        ConfigError e(aux::format(QEL_TR_INFO("The global product configuration file '%s' "
                                              "cannot be read:"),
                                  path.c_str()),
                      QEL_TR_INFO("Config Error"));
        QEL_LOCATE(e);
        e.stream() << "\n" << aux::format(QEL_TR_INFO("'%s' is not a regular file."),
                                          file.c_str())
                   << "\n";
        e.raise();
    }
    if (depth == max_include_depth)
        return;
    std::string text;
    char buffer[8192];
    while (const ssize_t got = in.read(buffer, sizeof buffer))
        text.append(buffer, static_cast<size_t>(got));
    for (const std::string& included : includedFiles(text))
        assureRegularFiles(path, included, depth + 1);
}

} // namespace

bool openConfig(const fs::Path& path, libconfig::Config& config) {
    assureRegularFiles(path, path.str(), 0);
    try {
        config.readFile(path.c_str());
    } catch (const libconfig::ParseException& parse) {
        ConfigError e = fileError(path);
        QEL_LOCATE(e);
        e.stream() << "\n" << (parse.getFile() ? parse.getFile() : path.c_str()) << ":"
                   << parse.getLine() << " - " << parse.getError() << "\n";
        e.raise();
    } catch (const libconfig::FileIOException&) {
        return false;
    }
    return true;
}

namespace {

[[noreturn]] void raiseWriteError(const char* message, const char* function,
                                  const Exception& cause) {
    DynError e(message, nullptr);
    e.setLocation(__FILE__, __LINE__, function);
    e.setCause(cause);
    e.raise();
}

} // namespace

void writeConfig(libconfig::Config& config, const fs::Path& file, const char* message,
                 const char* function) {
    // A symbolic link stays one: the file it leads to is replaced, by a
    // temporary file beside that one.
    std::string target = file.str();
    if (fs::exists(target))
        fs::assignCanonical(target);
    const fs::Path path(target);
    const std::string temp = path.str() + ".new";
    try {
        config.setTabWidth(0);
        config.writeFile(temp.c_str());
        // libconfig does not report a short write: read the copy back
        // before it replaces the file.
        libconfig::Config check;
        check.readFile(temp.c_str());
        try {
            const fs::Info old = fs::Info::get(path, true);
            fs::Access access;
            access.uid = old.uid();
            access.gid = old.gid();
            access.mode = old.mode() & 07777;
            fs::setAccessPriv(temp.c_str(), -1, access);
        } catch (const NoSuchFileError&) {
        }
        fs::rawMove(temp, path, true);
    } catch (const libconfig::ConfigException&) {
        const int err = errno;
        fs::tryRemove(temp);
        raiseWriteError(message, function, FsError(path, err == 0 ? EIO : err));
    } catch (const Exception& cause) {
        fs::tryRemove(temp);
        raiseWriteError(message, function, cause);
    }
}

} // namespace product

bool Product::loadConfig() {
    libconfig::Config config;
    if (!product::openConfig(m_global_cfg, config)) {
        return false;
    }
    const libconfig::Setting& root = config.getRoot();
    if (!root.exists(sectionName())) {
        return false;
    }
    const libconfig::Setting& entry = root[sectionName()];
    if (!entry.lookupValue("root", m_root)) {
        std::cerr << QEL_TR_INFO("Strange product section in global configuration file. "
                                 "Missing root setting.")
                  << std::endl;
        return false;
    }
    entry.lookupValue("arch", m_build.arch);
    entry.lookupValue("os", m_build.os);
    entry.lookupValue("build_type", m_build.build_type);
    entry.lookupValue("build_label", m_build.build_label);
    entry.lookupValue("lib_type", m_build.lib_type);
    entry.lookupValue("version_nr", m_build.version_nr);
    entry.lookupValue("build_nr", m_build.build_nr);
    entry.lookupValue("group", m_group);
    return true;
}

namespace {

void setString(libconfig::Setting& entry, const char* name, const std::string& value) {
    if (!entry.exists(name)) {
        entry.add(name, libconfig::Setting::TypeString);
    }
    entry[name] = value;
}

} // namespace

void Product::saveConfig() const {
    if (m_root.empty()) {
        QEL_THROW(UsageError, "Tried to save an empty root");
    }
    libconfig::Config config;
    product::openConfig(m_global_cfg, config);
    try {
        libconfig::Setting& root = config.getRoot();
        if (!root.exists(sectionName())) {
            root.add(sectionName(), libconfig::Setting::TypeGroup);
        }
        libconfig::Setting& entry = root[sectionName()];
        setString(entry, "root", m_root);
        setString(entry, "arch", m_build.arch);
        setString(entry, "os", m_build.os);
        setString(entry, "build_type", m_build.build_type);
        setString(entry, "build_label", m_build.build_label);
        setString(entry, "lib_type", m_build.lib_type);
        setString(entry, "build_nr", m_build.build_nr);
        setString(entry, "version_nr", m_build.version_nr);
        if (!m_group.empty()) {
            setString(entry, "group", m_group);
        }
    } catch (const libconfig::SettingException& e) {
        // An entry of the wrong type: reported like any other fault of the
        // file instead of escaping as a foreign exception.
        ConfigError error = product::fileError(m_global_cfg);
        QEL_LOCATE(error);
        error.stream() << "\n" << e.getPath() << " - " << e.what() << "\n";
        error.raise();
    }
    product::writeConfig(config, m_global_cfg,
                         QEL_TR_INFO("Error writing the global product configuration file."),
                         "saveConfig");
}

void Product::purgeConfig() const {
    libconfig::Config config;
    if (!product::openConfig(m_global_cfg, config)) {
        return;
    }
    libconfig::Setting& root = config.getRoot();
    if (!root.exists(sectionName())) {
        return;
    }
    root.remove(sectionName());
    // Without entries the file goes, but a linked file is left empty.
    if (root.getLength() == 0 && !fs::Info::get(m_global_cfg, false).isLink()) {
        fs::removeFile(m_global_cfg);
        return;
    }
    product::writeConfig(config, m_global_cfg,
                         QEL_TR_INFO("Error purging the global product configuration file."),
                         "purgeConfig");
}

std::vector<Product> Product::installedProducts() {
    std::vector<Product> products;
    libconfig::Config config;
    if (product::openConfig(m_global_cfg, config)) {
        const libconfig::Setting& root = config.getRoot();
        // Entries are named by section, which for some kinds is not the
        // code name; names that are no product's section are skipped.
        for (int i = 0; i < root.getLength(); ++i) {
            const ProductKind kind = Product::kindOfSection(root[i].getName());
            if (kind != INVALID_PRODUCT) {
                products.emplace_back(kind);
            }
        }
    }
    return products;
}

} // namespace qel
