#pragma once
// The products of the QEL family: their names in every form that files,
// messages and command lines use, the processes each one runs, and the
// build and installation facts of one copy, kept in the global product
// configuration file.
#include "fs/Path.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qel {

enum ProductKind : int32_t {
    TOLVANE_CLIENT = 0,
    TOLVANE_SERVER = 1,
    TOLVANE_STANDBY = 2,
    PENTRY_SERVER = 3,
    KEYWARD_ADDON = 4,
    ZOP_SERVER = 5,
    BRINDLE_VIRTUAL = 6,
    INVALID_PRODUCT = 7,
};

// The facts of one build; copied and compared as a unit.
struct BuildInfo {
    std::string arch;        // e.g. "x86"
    std::string os;          // e.g. "linux"
    std::string build_type;  // e.g. "opt-debug"
    std::string build_label; // e.g. "release+zop-200"
    std::string lib_type;    // e.g. "static"
    std::string version_nr;  // e.g. "2.00"
    std::string build_nr;    // e.g. "rev17595"

    friend bool operator==(const BuildInfo& a, const BuildInfo& b);
    friend bool operator!=(const BuildInfo& a, const BuildInfo& b) { return !(a == b); }
};

// One process that a product runs.
struct ProcessInfo {
    int32_t number;          // unique within the product
    std::string program;
    std::string display_name; // translated
    std::string description;  // translated
    std::vector<std::string> args;
    // Set only for a graphical front end: it talks to the user instead of
    // running as a daemon, and needs a console of its own.
    bool interactive;
    bool needs_console;
};

class Product {
public:
    // The global product configuration file, "/etc/qel.info".
    static fs::Path m_global_cfg;

    // Loads the product's entry from the global configuration unless kind
    // is INVALID_PRODUCT (or any other kind outside the family); a missing file or entry leaves the facts empty.
    // A file with syntax errors raises qel::ConfigError.
    explicit Product(ProductKind kind);
    // By code name ("kest" too for kind 0); an unknown name raises
    // qel::DynError "Invalid product code name:".
    explicit Product(const std::string& code_name);

    // Names by the catalogue; kinds outside 0..6 get those of kind 7.
    static const char* sectionName(ProductKind kind);
    static const char* codeName(ProductKind kind);
    static const char* fullName(ProductKind kind);
    static const char* shortName(ProductKind kind);

    // The kind whose section name is name; INVALID_PRODUCT if none.
    static ProductKind kindOfSection(const std::string& name);

    static std::vector<ProductKind> dependents(ProductKind kind);
    static std::vector<ProductKind> requirements(ProductKind kind);

    // The processes of a product, ordered by number.
    static std::vector<ProcessInfo> processes(ProductKind kind);
    // "qel_args_" and the program name with "-" replaced by "_".
    static std::string argsVariable(const ProcessInfo& process);

    // The product that the program at path belongs to: by the first piece
    // of its file name, else by the directories of the running executable;
    // INVALID_PRODUCT when neither names one.
    static Product identify(const std::string& program);
    // One product per entry of the global configuration, in file order.
    static std::vector<Product> installedProducts();

    ProductKind kind() const { return m_kind; }
    const char* sectionName() const { return sectionName(m_kind); }
    const char* codeName() const { return codeName(m_kind); }
    const char* fullName() const { return fullName(m_kind); }
    const char* shortName() const { return shortName(m_kind); }

    const BuildInfo& build() const { return m_build; }
    void setBuild(const BuildInfo& build) { m_build = build; }
    const std::string& root() const { return m_root; }
    void setRoot(const std::string& root) { m_root = root; }
    const std::string& group() const { return m_group; }
    void setGroup(const std::string& group) { m_group = group; }

    // Writes the description; without a newline at the end. Values of the
    // build block that differ from other are marked, in colour when the
    // caller asks for it and otherwise between "*".
    void print(std::ostream& out, const BuildInfo* other = nullptr, bool colour = false) const;

    // The package information file, a plain configuration file: the code
    // name under "product" and, when arch is known, the build facts.
    void writeDescription(const std::string& path) const;
    // The product named under "product" (an unknown name raises as the
    // constructor does) with the build facts of the file.
    static Product readDescription(const std::string& path);

    // The product's entry in m_global_cfg. load returns whether an entry
    // with a root was found; save creates or updates the entry; purge
    // removes it, and the file with its last entry.
    bool loadConfig();
    void saveConfig() const;
    void purgeConfig() const;

private:
    void printBuild(std::ostream& out, const BuildInfo* other, bool colour) const;

    ProductKind m_kind;
    BuildInfo m_build;
    std::string m_root;
    std::string m_group;
};

std::ostream& operator<<(std::ostream& out, const Product& product);

} // namespace qel
