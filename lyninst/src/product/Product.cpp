#include "product/Product.h"

#include "Exception.h"
#include "fs/Ops.h"
#include "fs/StringOps.h"
#include "gettext/Tr.h"
#include "term/Color.h"

namespace qel {

fs::Path Product::m_global_cfg("/etc/qel.info");

namespace {

struct Names {
    const char* section;
    const char* code;
    const char* full;
    const char* short_name;
};

const Names names[] = {
    {"kest", "vmo", "QEL Tolvane Client", "Tolvane Client"},
    {"dax", "dax", "QEL Tolvane Server", "Tolvane Server"},
    {"pir", "pir", "QEL Tolvane Standby Server", "Tolvane Standby Server"},
    {"hovon", "tuk", "QEL Pentry Control Server", "Pentry Server"},
    {"hovext", "tuk-ext", "QEL Keyward Add-On", "Keyward Add-On"},
    {"zop", "zop", "QEL Zonal Outpost Probe Server", "ZOP Server"},
    {"wyv", "wyv", "QEL Brindle Virtual Server", "Brindle Virtual Server"},
};
const int32_t valid_kinds = sizeof names / sizeof names[0];

bool isValid(ProductKind kind) { return kind >= 0 && kind < valid_kinds; }

ProductKind kindOfCode(const std::string& code) {
    if (code == "kest") {
        return TOLVANE_CLIENT;
    }
    for (int32_t kind = 0; kind < valid_kinds; ++kind) {
        if (code == names[kind].code) {
            return static_cast<ProductKind>(kind);
        }
    }
    DynError e(std::string(QEL_TR_INFO("Invalid product code name")) + ":", nullptr);
    // Reported as the constructor's error: that is what callers see.
    e.setLocation(__FILE__, __LINE__, "Product");
    e.stream() << code;
    e.raise();
}

} // namespace

ProductKind Product::kindOfSection(const std::string& name) {
    for (int32_t kind = 0; kind < valid_kinds; ++kind) {
        if (name == names[kind].section) {
            return static_cast<ProductKind>(kind);
        }
    }
    return INVALID_PRODUCT;
}

bool operator==(const BuildInfo& a, const BuildInfo& b) {
    return a.arch == b.arch && a.os == b.os && a.build_type == b.build_type &&
           a.build_label == b.build_label && a.lib_type == b.lib_type &&
           a.version_nr == b.version_nr && a.build_nr == b.build_nr;
}

Product::Product(ProductKind kind) : m_kind(kind) {
    // Out-of-range kinds are the invalid product in every respect.
    if (isValid(m_kind)) {
        loadConfig();
    }
}

Product::Product(const std::string& code_name) : Product(kindOfCode(code_name)) {}

const char* Product::sectionName(ProductKind kind) {
    return isValid(kind) ? names[kind].section : QEL_TR_INFO("unknown");
}

const char* Product::codeName(ProductKind kind) {
    return isValid(kind) ? names[kind].code : QEL_TR_INFO("invalid");
}

const char* Product::fullName(ProductKind kind) {
    return isValid(kind) ? names[kind].full : QEL_TR_INFO("QEL Invalid Product");
}

const char* Product::shortName(ProductKind kind) {
    return isValid(kind) ? names[kind].short_name : QEL_TR_INFO("QEL Invalid Product");
}

std::vector<ProductKind> Product::dependents(ProductKind kind) {
    switch (kind) {
    case TOLVANE_SERVER:
        return {TOLVANE_STANDBY};
    case PENTRY_SERVER:
        return {KEYWARD_ADDON};
    default:
        return {};
    }
}

std::vector<ProductKind> Product::requirements(ProductKind kind) {
    switch (kind) {
    case TOLVANE_STANDBY:
        return {TOLVANE_SERVER};
    case KEYWARD_ADDON:
        return {PENTRY_SERVER};
    default:
        return {};
    }
}

Product Product::identify(const std::string& program) {
    std::string name = program;
    fs::baseName(name);
    std::vector<std::string> pieces;
    fs::split(name, '-', pieces);
    if (pieces.size() >= 2) {
        const ProductKind kind = kindOfSection(pieces[0]);
        if (kind != INVALID_PRODUCT) {
            return Product(kind);
        }
    }
    std::string exe;
    fs::readlink("/proc/self/exe", exe);
    std::vector<std::string> dirs = fs::split(exe);
    if (!dirs.empty()) {
        dirs.pop_back(); // the executable's own name
    }
    for (auto dir = dirs.rbegin(); dir != dirs.rend(); ++dir) {
        const ProductKind kind = kindOfSection(*dir);
        if (kind != INVALID_PRODUCT) {
            return Product(kind);
        }
    }
    return Product(INVALID_PRODUCT);
}

namespace {

// Writes "label: value"; a value that differs from the other block's is
// marked, in colour or else between "*".
void printField(std::ostream& out, const char* label, const std::string& value,
                const std::string* other, bool colour) {
    out << label << ": ";
    if (other == nullptr || *other == value) {
        out << value;
    } else if (colour) {
        // The caller has decided that this stream gets colour.
        term::ColorSpec mark;
        mark.foreground = term::YELLOW;
        mark.foreground_bright = true;
        mark.force = true;
        term::AttrSpec reset;
        reset.flags = term::ATTR_RESET;
        reset.force = true;
        out << mark << value << reset;
    } else {
        out << "*" << value << "*";
    }
}

} // namespace

void Product::printBuild(std::ostream& out, const BuildInfo* other, bool colour) const {
    auto theirs = [other](std::string BuildInfo::*field) {
        return other ? &(other->*field) : nullptr;
    };
    if (!m_build.version_nr.empty()) {
        printField(out, QEL_TR_INFO("Product version"), m_build.version_nr,
                   theirs(&BuildInfo::version_nr), colour);
        out << "\n";
    }
    printField(out, QEL_TR_INFO("Target architecture"), m_build.arch, theirs(&BuildInfo::arch),
               colour);
    out << "\n";
    // The target OS is never marked.
    printField(out, QEL_TR_INFO("Target OS"), m_build.os, nullptr, colour);
    out << "\n";
    printField(out, QEL_TR_INFO("Build type"), m_build.build_type,
               theirs(&BuildInfo::build_type), colour);
    out << "\n";
    printField(out, QEL_TR_INFO("Library type"), m_build.lib_type, theirs(&BuildInfo::lib_type),
               colour);
    if (!m_build.build_label.empty()) {
        out << "\n";
        printField(out, QEL_TR_INFO("Build label"), m_build.build_label,
                   theirs(&BuildInfo::build_label), colour);
    }
    if (!m_build.build_nr.empty()) {
        out << "\n";
        printField(out, QEL_TR_INFO("Build revision"), m_build.build_nr,
                   theirs(&BuildInfo::build_nr), colour);
    }
}

void Product::print(std::ostream& out, const BuildInfo* other, bool colour) const {
    out << QEL_TR_INFO("Product code name") << ": " << codeName() << "\n";
    out << QEL_TR_INFO("Product full name") << ": " << fullName() << "\n";
    if (!m_build.arch.empty()) {
        printBuild(out, other, colour);
    }
    if (!m_group.empty()) {
        out << "\n" << QEL_TR_INFO("Group Account") << ": " << m_group;
    }
}

std::ostream& operator<<(std::ostream& out, const Product& product) {
    product.print(out);
    return out;
}

} // namespace qel
