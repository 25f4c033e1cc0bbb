#include "product/GlobalConfig.h"
#include "product/Product.h"

#include "Exception.h"
#include "StrUtil.h"
#include "fs/Ops.h"
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

bool openConfig(const fs::Path& path, libconfig::Config& config) {
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
