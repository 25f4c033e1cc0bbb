#include "product/Product.h"

#include "Exception.h"
#include "GlobalCfgFixture.h"
#include "RunCommand.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using qel::Product;
using qel::ProductKind;

TEST(ProductCatalogue, NamesOfEveryKind) {
    struct Row {
        int32_t kind;
        const char* section;
        const char* code;
        const char* full;
        const char* short_name;
    };
    const Row rows[] = {
        {0, "kest", "vmo", "QEL Tolvane Client", "Tolvane Client"},
        {1, "dax", "dax", "QEL Tolvane Server", "Tolvane Server"},
        {2, "pir", "pir", "QEL Tolvane Standby Server", "Tolvane Standby Server"},
        {3, "hovon", "tuk", "QEL Pentry Control Server", "Pentry Server"},
        {4, "hovext", "tuk-ext", "QEL Keyward Add-On", "Keyward Add-On"},
        {5, "zop", "zop", "QEL Zonal Outpost Probe Server", "ZOP Server"},
        {6, "wyv", "wyv", "QEL Brindle Virtual Server", "Brindle Virtual Server"},
        {7, "unknown", "invalid", "QEL Invalid Product", "QEL Invalid Product"},
        {8, "unknown", "invalid", "QEL Invalid Product", "QEL Invalid Product"},
        {-1, "unknown", "invalid", "QEL Invalid Product", "QEL Invalid Product"},
    };
    for (const Row& row : rows) {
        const auto kind = static_cast<ProductKind>(row.kind);
        EXPECT_STREQ(Product::sectionName(kind), row.section) << row.kind;
        EXPECT_STREQ(Product::codeName(kind), row.code) << row.kind;
        EXPECT_STREQ(Product::fullName(kind), row.full) << row.kind;
        EXPECT_STREQ(Product::shortName(kind), row.short_name) << row.kind;
    }
    EXPECT_EQ(qel::ZOP_SERVER, 5);
    EXPECT_EQ(sizeof(ProductKind), 4u);
}

TEST_F(GlobalCfgTest, ConstructionFromCodeNames) {
    const std::pair<const char*, ProductKind> codes[] = {
        {"kest", qel::TOLVANE_CLIENT}, {"vmo", qel::TOLVANE_CLIENT},
        {"dax", qel::TOLVANE_SERVER},  {"pir", qel::TOLVANE_STANDBY},
        {"tuk", qel::PENTRY_SERVER},   {"tuk-ext", qel::KEYWARD_ADDON},
        {"zop", qel::ZOP_SERVER},      {"wyv", qel::BRINDLE_VIRTUAL},
    };
    for (const auto& code : codes) {
        EXPECT_EQ(Product(code.first).kind(), code.second) << code.first;
    }
    for (const char* bad : {"hovon", "hovext", "invalid", "ZOP", ""}) {
        try {
            Product product{std::string(bad)};
            FAIL() << bad << " was accepted";
        } catch (const qel::DynError& e) {
            EXPECT_STREQ(e.function(), "Product");
            EXPECT_NE(std::string(e.what()).find("\n\nInvalid product code name:" +
                                                 std::string(bad)),
                      std::string::npos) << e.what();
        }
    }
}

TEST_F(GlobalCfgTest, InvalidKindNeverReadsTheFile) {
    writeCfg("zop = { root = \"/opt\" \n broken");
    EXPECT_NO_THROW(Product(qel::INVALID_PRODUCT));
    EXPECT_NO_THROW(Product(static_cast<ProductKind>(8)));
    EXPECT_THROW(Product(qel::ZOP_SERVER), qel::ConfigError);
}

TEST(ProductCatalogue, Relations) {
    using V = std::vector<ProductKind>;
    EXPECT_EQ(Product::dependents(qel::TOLVANE_SERVER), V{qel::TOLVANE_STANDBY});
    EXPECT_EQ(Product::dependents(qel::PENTRY_SERVER), V{qel::KEYWARD_ADDON});
    EXPECT_EQ(Product::requirements(qel::TOLVANE_STANDBY), V{qel::TOLVANE_SERVER});
    EXPECT_EQ(Product::requirements(qel::KEYWARD_ADDON), V{qel::PENTRY_SERVER});
    for (int32_t kind : {0, 5, 6, 7}) {
        EXPECT_TRUE(Product::dependents(static_cast<ProductKind>(kind)).empty()) << kind;
        EXPECT_TRUE(Product::requirements(static_cast<ProductKind>(kind)).empty()) << kind;
    }
}

TEST(ProductCatalogue, Processes) {
    const auto zop = Product::processes(qel::ZOP_SERVER);
    ASSERT_EQ(zop.size(), 1u);
    EXPECT_EQ(zop[0].number, 1);
    EXPECT_EQ(zop[0].program, "qelzopd");
    EXPECT_EQ(zop[0].display_name, "Zonal Outpost Probe Daemon");
    EXPECT_EQ(zop[0].description, "The single zonal outpost probe daemon");
    EXPECT_EQ(zop[0].args, std::vector<std::string>{"-f"});

    // Kind 6 has no policy server: its numbers after 3 are one lower.
    const auto wyv = Product::processes(qel::BRINDLE_VIRTUAL);
    ASSERT_EQ(wyv.size(), 5u);
    EXPECT_EQ(wyv[3].program, "qelsivnd");
    EXPECT_EQ(wyv[3].number, 4);
    EXPECT_EQ(wyv[4].program, "wyv-frontend");
    EXPECT_TRUE(wyv[4].args.empty());
    EXPECT_TRUE(wyv[4].interactive && wyv[4].needs_console);
    EXPECT_EQ(Product::argsVariable(wyv[4]), "qel_args_wyv_frontend");

    const auto pentry = Product::processes(qel::PENTRY_SERVER);
    ASSERT_EQ(pentry.size(), 6u);
    EXPECT_EQ(pentry[1].args, (std::vector<std::string>{"-sn", "sess", "-rsu"}));
    EXPECT_EQ(pentry[5].display_name, "Replication Client Daemon");

    const auto standby = Product::processes(qel::TOLVANE_STANDBY);
    ASSERT_EQ(standby.size(), 1u);
    EXPECT_EQ(standby[0].number, 10);
    EXPECT_TRUE(standby[0].args.empty());

    EXPECT_EQ(Product::processes(qel::TOLVANE_SERVER).size(), 6u);
    EXPECT_EQ(Product::processes(qel::TOLVANE_CLIENT).size(), 2u);
    EXPECT_TRUE(Product::processes(qel::KEYWARD_ADDON).empty());
    EXPECT_TRUE(Product::processes(qel::INVALID_PRODUCT).empty());

    // Numbers are unique and ascending within every product; only the
    // graphical front end carries the flags.
    for (int32_t kind = 0; kind <= 7; ++kind) {
        int32_t last = 0;
        for (const auto& process : Product::processes(static_cast<ProductKind>(kind))) {
            EXPECT_GT(process.number, last) << kind << " " << process.program;
            last = process.number;
            EXPECT_EQ(process.interactive, process.program == "wyv-frontend");
        }
    }
}

qel::BuildInfo zopBuild() {
    return {"x86", "linux", "opt-debug", "release+zop-200", "static", "2.00", "rev17595"};
}

std::string printed(const Product& product, const qel::BuildInfo* other = nullptr,
                    bool colour = false) {
    std::ostringstream out;
    product.print(out, other, colour);
    return out.str();
}

TEST_F(GlobalCfgTest, PrintingTheDescription) {
    Product product(qel::ZOP_SERVER);
    EXPECT_EQ(printed(product),
              "Product code name: zop\nProduct full name: QEL Zonal Outpost Probe Server\n");
    product.setBuild(zopBuild());
    std::ostringstream streamed;
    streamed << product;
    EXPECT_EQ(streamed.str(),
              "Product code name: zop\n"
              "Product full name: QEL Zonal Outpost Probe Server\n"
              "Product version: 2.00\n"
              "Target architecture: x86\n"
              "Target OS: linux\n"
              "Build type: opt-debug\n"
              "Library type: static\n"
              "Build label: release+zop-200\n"
              "Build revision: rev17595");
    product.setGroup("qel");
    EXPECT_EQ(printed(product), streamed.str() + "\nGroup Account: qel");

    qel::BuildInfo bare = zopBuild();
    bare.build_label.clear();
    bare.build_nr.clear();
    bare.version_nr.clear();
    product.setBuild(bare);
    product.setGroup("");
    const std::string text = printed(product);
    EXPECT_EQ(text.substr(text.rfind('\n') + 1), "Library type: static");
    EXPECT_EQ(text.find("Product version"), std::string::npos);
}

TEST_F(GlobalCfgTest, PrintingAgainstAnotherBuildMarksDifferences) {
    Product product(qel::ZOP_SERVER);
    product.setBuild(zopBuild());
    qel::BuildInfo other = zopBuild();
    EXPECT_EQ(printed(product, &other), printed(product)) << "equal blocks: nothing marked";
    other.version_nr = "1.00";
    other.os = "solaris";
    other.build_nr = "rev1";
    const std::string text = printed(product, &other);
    EXPECT_NE(text.find("Product version: *2.00*\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Target OS: linux\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Target architecture: x86\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Build revision: *rev17595*"), std::string::npos) << text;

    // In colour the marks are escape sequences around the value, written
    // even into a stream that is no terminal: the caller asked for them.
    const std::string coloured = printed(product, &other, true);
    EXPECT_EQ(coloured.find('*'), std::string::npos) << coloured;
    const size_t version = coloured.find("Product version: \033[");
    ASSERT_NE(version, std::string::npos) << coloured;
    const size_t value = coloured.find("m2.00\033[", version);
    EXPECT_NE(value, std::string::npos) << coloured;
    EXPECT_LT(value, coloured.find('\n', version));
    EXPECT_NE(coloured.find("Target OS: linux\n"), std::string::npos) << coloured;
}

TEST_F(GlobalCfgTest, IdentifyByProgramName) {
    const std::pair<const char*, ProductKind> programs[] = {
        {"zop-uninstall", qel::ZOP_SERVER},
        {"/opt/qel/bin/dax-tool", qel::TOLVANE_SERVER},
        {"kest--setup", qel::TOLVANE_CLIENT},
        {"hovext-x", qel::KEYWARD_ADDON},
    };
    for (const auto& program : programs) {
        EXPECT_EQ(Product::identify(program.first).kind(), program.second) << program.first;
    }
    // Neither the name nor the directories of this test program name one.
    for (const char* program : {"zop", "vmo-x", "/usr/bin/foo-bar", "-zop-"}) {
        EXPECT_EQ(Product::identify(program).kind(), qel::INVALID_PRODUCT) << program;
    }
}

// Without a family prefix in the name, the directories of the running
// executable decide: a copy of this test program below wyv/bin reports it.
TEST_F(GlobalCfgTest, IdentifyFallsBackToTheExecutablesDirectories) {
    if (std::getenv("QEL_TEST_IDENTIFY")) {
        std::cout << "identified:" << Product::identify("uninstall").kind() << "\n";
        return;
    }
    mkdir((m_dir.path() + "/wyv").c_str(), 0700);
    mkdir((m_dir.path() + "/wyv/bin").c_str(), 0700);
    const std::string copy = m_dir.path() + "/wyv/bin/tests";
    const std::string command = "cp " + selfExe() + " " + copy +
        " && QEL_TEST_IDENTIFY=1 " + copy +
        " --gtest_filter=GlobalCfgTest.IdentifyFallsBackToTheExecutablesDirectories";
    const CommandResult child = runCommand(command);
    EXPECT_EQ(child.status, 0) << child.output;
    EXPECT_NE(child.output.find("identified:6\n"), std::string::npos) << child.output;
}

} // namespace
