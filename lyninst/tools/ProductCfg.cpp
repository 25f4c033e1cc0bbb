// qel-productcfg: records, reads and removes a product's entry in the global
// product configuration file for the products' own installation routines.
#include "product/Product.h"

#include "Exception.h"
#include "gettext/Locale.h"
#include "gettext/Tr.h"

#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const usage_text = QEL_N_INFO(
    "Usage: qel-productcfg [--file PATH] COMMAND PRODUCT [ARGUMENTS]\n"
    "\n"
    "Records, reads and removes the entry of a product (a code name such as\n"
    "zop) in the global product configuration file (default /etc/qel.info).\n"
    "Entries of other products are always kept.\n"
    "\n"
    "Commands:\n"
    "  set PRODUCT --root DIR [--group NAME] [--description FILE]\n"
    "      Creates or updates the entry: installation root, group account and,\n"
    "      from the package information file FILE (qel.info of the package),\n"
    "      the build facts. Settings that are not given keep their recorded\n"
    "      values.\n"
    "  get PRODUCT KEY\n"
    "      Prints the value of KEY (root, group, arch, os, build_type,\n"
    "      build_label, lib_type, version_nr, build_nr). Status 1 when the\n"
    "      product has no entry.\n"
    "  remove PRODUCT\n"
    "      Removes the entry, and the file with its last entry. Nothing\n"
    "      happens when there is none.\n"
    "\n"
    "Exit status: 0 success, 1 no entry (get), 2 error.\n");

int usageError(const char* program, const std::string& detail) {
    std::cerr << program << ": " << detail << "\n\n" << QEL_TR_INFO(usage_text);
    return 2;
}

// Options of "set": each takes one value.
bool takeOptions(const std::vector<std::string>& args, size_t from,
                 std::map<std::string, std::string>& options, std::string& bad) {
    for (size_t i = from; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if ((name != "--root" && name != "--group" && name != "--description") ||
            i + 1 >= args.size()) {
            bad = name;
            return false;
        }
        options[name] = args[i + 1];
    }
    return true;
}

bool printSetting(const qel::Product& product, const std::string& key) {
    const qel::BuildInfo& build = product.build();
    const std::map<std::string, const std::string*> values = {
        {"root", &product.root()},         {"group", &product.group()},
        {"arch", &build.arch},             {"os", &build.os},
        {"build_type", &build.build_type}, {"build_label", &build.build_label},
        {"lib_type", &build.lib_type},     {"version_nr", &build.version_nr},
        {"build_nr", &build.build_nr},
    };
    const auto value = values.find(key);
    if (value == values.end()) {
        return false;
    }
    std::cout << *value->second << "\n";
    return true;
}

int run(const char* program, std::vector<std::string> args) {
    if (args.size() >= 2 && args[0] == "--file") {
        qel::Product::m_global_cfg = qel::fs::Path(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << QEL_TR_INFO(usage_text);
        return 0;
    }
    if (args.size() < 2) {
        return usageError(program, QEL_TR_INFO("A command and a product are required."));
    }
    const std::string& command = args[0];
    if (command != "get" && command != "set" && command != "remove") {
        return usageError(program, QEL_TR_INFO("Unknown command: ") + command);
    }
    qel::Product product(args[1]);
    if (command == "get" && args.size() == 3) {
        if (product.root().empty()) {
            return 1;
        }
        return printSetting(product, args[2])
            ? 0 : usageError(program, QEL_TR_INFO("Unknown setting: ") + args[2]);
    }
    if (command == "remove" && args.size() == 2) {
        product.purgeConfig();
        return 0;
    }
    std::map<std::string, std::string> options;
    std::string bad;
    if (command == "set") {
        if (!takeOptions(args, 2, options, bad)) {
            return usageError(program, QEL_TR_INFO("Invalid argument: ") + bad);
        }
        if (options["--root"].empty()) {
            return usageError(program, QEL_TR_INFO("The set command needs --root DIR."));
        }
        if (!options["--description"].empty()) {
            const qel::Product described = qel::Product::readDescription(options["--description"]);
            if (described.kind() != product.kind()) {
                return usageError(program,
                                  std::string(QEL_TR_INFO("The package information is for another product: ")) +
                                      described.codeName());
            }
            product.setBuild(described.build());
        }
        product.setRoot(options["--root"]);
        if (!options["--group"].empty()) {
            product.setGroup(options["--group"]);
        }
        product.saveConfig();
        return 0;
    }
    return usageError(program, QEL_TR_INFO("Wrong number of arguments for the command: ") +
                                   command);
}

} // namespace

int main(int argc, char** argv) {
    const char* slash = std::strrchr(argv[0], '/');
    const char* program = slash ? slash + 1 : argv[0];
    try {
        qel::Locale::setup(qel::Locale::ENVIRONMENT);
        qel::Locale::bindDomain("lyninfo");
        return run(program, std::vector<std::string>(argv + 1, argv + argc));
    } catch (const qel::Exception& e) {
        std::cerr << program << ": " << QEL_TR_INFO("Error occured") << ":\n"
                  << qel::describe(e) << std::endl;
    }
    return 2;
}
