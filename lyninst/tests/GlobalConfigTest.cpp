#include "product/Product.h"

#include "Exception.h"
#include "GlobalCfgFixture.h"

#include <gtest/gtest.h>
#include <libconfig.h++>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using qel::Product;

const char* const two_products =
    "dax = { root = \"/opt/qel/dax\"; group = \"vpn\"; version_nr = \"5.1\"; };\n"
    "wyv = { root = \"/opt/qel/wyv\"; };\n";

// The names of the settings of group, in file order.
std::vector<std::string> names(const libconfig::Setting& group) {
    std::vector<std::string> result;
    for (int i = 0; i < group.getLength(); ++i) {
        result.push_back(group[i].getName());
    }
    return result;
}

using Names = std::vector<std::string>;

TEST_F(GlobalCfgTest, LoadsTheEntryOfTheProduct) {
    writeCfg("zop = { root = \"/opt/qel/zop\"; version_nr = \"2.00\"; };\n");
    const Product zop(qel::ZOP_SERVER);
    EXPECT_EQ(zop.root(), "/opt/qel/zop");
    EXPECT_EQ(zop.build().version_nr, "2.00");
    EXPECT_EQ(zop.build().arch, "");
    EXPECT_EQ(zop.group(), "");

    writeCfg("zop = { root = \"/r\"; arch = \"x86\"; os = \"linux\"; build_type = \"opt\";\n"
             "  build_label = \"l\"; lib_type = \"static\"; build_nr = \"rev1\"; group = \"qel\"; };\n");
    const Product full("zop");
    EXPECT_EQ(full.build(), (qel::BuildInfo{"x86", "linux", "opt", "l", "static", "", "rev1"}));
    EXPECT_EQ(full.group(), "qel");
}

TEST_F(GlobalCfgTest, MissingFileOrEntryLeavesTheProductEmpty) {
    EXPECT_EQ(Product(qel::ZOP_SERVER).root(), "");
    writeCfg(two_products);
    Product zop(qel::ZOP_SERVER);
    EXPECT_FALSE(zop.loadConfig());
    EXPECT_EQ(zop.root(), "");
    EXPECT_EQ(Product(qel::TOLVANE_SERVER).group(), "vpn");
}

TEST_F(GlobalCfgTest, EntryWithoutStringRootIsStrange) {
    for (const char* text : {"zop = { version_nr = \"2.00\"; group = \"qel\"; };\n",
                             "zop = { root = 17; group = \"qel\"; };\n"}) {
        writeCfg(text);
        testing::internal::CaptureStderr();
        const Product zop(qel::ZOP_SERVER);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Strange product section in global configuration file. Missing root setting.\n");
        EXPECT_EQ(zop.root(), "");
        EXPECT_EQ(zop.group(), "") << text;
        EXPECT_EQ(zop.build().version_nr, "") << text;
    }
}

TEST_F(GlobalCfgTest, SyntaxErrorsNameTheFileAndLineInEveryOperation) {
    writeCfg("dax = { root = \"/opt/qel/dax\"; };\n\nzop = { root = \"/x\" \n");
    Product zop(qel::INVALID_PRODUCT);
    const std::vector<std::function<void()>> operations = {
        [] { Product p(qel::ZOP_SERVER); },
        [] { Product p("dax"); },
        [] { Product::installedProducts(); },
        [&zop] { zop = Product(qel::INVALID_PRODUCT); zop.setRoot("/r"); zop.saveConfig(); },
        [] { Product(qel::INVALID_PRODUCT).purgeConfig(); },
    };
    for (const auto& operation : operations) {
        try {
            operation();
            FAIL() << "no error";
        } catch (const qel::ConfigError& e) {
            EXPECT_STREQ(e.function(), "openConfig");
            const std::string text = e.what();
            EXPECT_NE(text.find("\n\nConfig Error error occured. The global product configuration "
                                "file '" + path() + "' contains errors:\n" + path() + ":4 - "),
                      std::string::npos) << text;
        }
    }
    EXPECT_EQ(readCfg(), "dax = { root = \"/opt/qel/dax\"; };\n\nzop = { root = \"/x\" \n")
        << "nothing is written over a file with errors";
}

// libconfig opens the file and its includes itself and would wait for ever
// on a named pipe: such a file is refused before libconfig reads anything.
TEST_F(GlobalCfgTest, NamedPipesAreRefusedInsteadOfRead) {
    const std::string fifo = m_dir.path() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    m_dir.write("part.cfg", "zop = { root = \"/opt/from-part\"; };\n");
    m_dir.write("chain.cfg", "  @include \"" + fifo + "\"\n");
    struct Case {
        std::string text;
        std::string culprit;
    };
    const Case cases[] = {
        {"@include \"" + fifo + "\"\n", fifo},
        {"dax = { root = \"/d\"; };\n\t@include  \"" + m_dir.path() + "/chain.cfg\"\n",
         fifo},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        if (text.empty()) {
            // The file itself.
            ASSERT_EQ(unlink(path().c_str()), 0);
            ASSERT_EQ(mkfifo(path().c_str(), 0600), 0);
        } else {
            writeCfg(text);
        }
        const std::string culprit = c.culprit.empty() ? path() : c.culprit;
        try {
            Product zop(qel::ZOP_SERVER);
            FAIL() << "no error for " << culprit;
        } catch (const qel::ConfigError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("The global product configuration file '" + path() +
                                "' cannot be read:\n'" + culprit + "' is not a regular file.\n"),
                      std::string::npos)
                << what;
        }
    }
    // Regular included files are read as before; a missing one is
    // libconfig's to report.
    ASSERT_EQ(unlink(path().c_str()), 0);
    writeCfg("@include \"" + m_dir.path() + "/part.cfg\"\n");
    EXPECT_EQ(Product(qel::ZOP_SERVER).root(), "/opt/from-part");
    writeCfg("@include \"" + m_dir.path() + "/missing.cfg\"\n");
    EXPECT_THROW(Product p(qel::ZOP_SERVER), qel::ConfigError);
}

TEST_F(GlobalCfgTest, SavingAppendsAnEntryAndKeepsTheOthers) {
    writeCfg(two_products);
    Product zop(qel::ZOP_SERVER);
    zop.setRoot("/opt/qel/zop");
    zop.setGroup("qel");
    zop.setBuild({"x86", "linux", "opt-debug", "release+zop-200", "static", "2.00", "rev17595"});
    zop.saveConfig();

    libconfig::Config cfg;
    cfg.readFile(path().c_str());
    EXPECT_EQ(names(cfg.getRoot()), (Names{"dax", "wyv", "zop"}));
    EXPECT_EQ(names(cfg.lookup("zop")), (Names{"root", "arch", "os", "build_type", "build_label",
                                               "lib_type", "build_nr", "version_nr", "group"}));
    EXPECT_EQ(names(cfg.lookup("dax")), (Names{"root", "group", "version_nr"}));
    EXPECT_EQ(std::string(cfg.lookup("dax.group").c_str()), "vpn");
    EXPECT_EQ(std::string(cfg.lookup("wyv.root").c_str()), "/opt/qel/wyv");
    EXPECT_EQ(readCfg().find("  "), std::string::npos) << "tab width 0: indented with tabs";

    const Product loaded(qel::ZOP_SERVER);
    EXPECT_EQ(loaded.root(), "/opt/qel/zop");
    EXPECT_EQ(loaded.group(), "qel");
    EXPECT_EQ(loaded.build(), zop.build());
}

TEST_F(GlobalCfgTest, SavingUpdatesSettingsInPlace) {
    writeCfg("zop = { group = \"staff\"; note = \"kept\"; root = \"/old\"; };\n");
    Product zop(qel::ZOP_SERVER);
    ASSERT_EQ(zop.group(), "staff");
    zop.setRoot("/new");
    zop.setGroup("");
    zop.saveConfig();
    libconfig::Config cfg;
    cfg.readFile(path().c_str());
    EXPECT_EQ(names(cfg.lookup("zop")), (Names{"group", "note", "root", "arch", "os", "build_type",
                                               "build_label", "lib_type", "build_nr",
                                               "version_nr"}));
    EXPECT_EQ(std::string(cfg.lookup("zop.root").c_str()), "/new");
    EXPECT_EQ(std::string(cfg.lookup("zop.group").c_str()), "staff")
        << "an empty group leaves the recorded one";
}

TEST_F(GlobalCfgTest, SavingCreatesTheFileAndKeepsItsMode) {
    Product zop(qel::ZOP_SERVER);
    zop.setRoot("/opt/qel/zop");
    zop.saveConfig();
    EXPECT_EQ(Product(qel::ZOP_SERVER).root(), "/opt/qel/zop");
    ASSERT_EQ(chmod(path().c_str(), 0640), 0);
    struct stat before;
    ASSERT_EQ(stat(path().c_str(), &before), 0);
    zop.setRoot("/srv/zop");
    zop.saveConfig();
    struct stat info;
    ASSERT_EQ(stat(path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // A new file took the old one's name: a reader never sees half a file.
    EXPECT_NE(info.st_ino, before.st_ino);
    EXPECT_EQ(Product(qel::ZOP_SERVER).root(), "/srv/zop");
    EXPECT_NE(access((path() + ".new").c_str(), F_OK), 0) << "no temporary file is left";
}

TEST_F(GlobalCfgTest, SavingErrors) {
    Product zop(qel::ZOP_SERVER);
    try {
        zop.saveConfig();
        FAIL() << "an empty root was saved";
    } catch (const qel::UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("Usage error occured. Tried to save an empty root"),
                  std::string::npos);
    }
    zop.setRoot("/opt/qel/zop");

    qel::Product::m_global_cfg = qel::fs::Path(m_dir.path() + "/missing/qel.info");
    try {
        zop.saveConfig();
        FAIL() << "saved into a missing directory";
    } catch (const qel::DynError& e) {
        EXPECT_STREQ(e.function(), "saveConfig");
        EXPECT_NE(std::string(e.what()).find("Error writing the global product configuration file."),
                  std::string::npos) << e.what();
        ASSERT_NE(e.cause(), nullptr);
        EXPECT_NE(std::string(e.cause()->what()).find(m_dir.path() + "/missing/qel.info"),
                  std::string::npos) << e.cause()->what();
        EXPECT_NE(std::string(e.cause()->what()).find("Reason: No such file or directory."),
                  std::string::npos) << e.cause()->what();
    }

    qel::Product::m_global_cfg = qel::fs::Path(path());
    writeCfg("zop = \"not a group\";\n");
    try {
        zop.saveConfig();
        FAIL() << "saved into a setting that is no group";
    } catch (const qel::ConfigError& e) {
        EXPECT_NE(std::string(e.what()).find("contains errors:\nzop - "), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(readCfg(), "zop = \"not a group\";\n");
}

TEST_F(GlobalCfgTest, PurgeRemovesOnlyTheOneEntry) {
    Product(qel::ZOP_SERVER).purgeConfig(); // no file: nothing happens
    EXPECT_NE(access(path().c_str(), F_OK), 0);

    writeCfg(two_products);
    Product(qel::ZOP_SERVER).purgeConfig(); // no entry: the file stays as it is
    EXPECT_EQ(readCfg(), two_products);

    Product(qel::TOLVANE_SERVER).purgeConfig();
    libconfig::Config cfg;
    cfg.readFile(path().c_str());
    EXPECT_EQ(names(cfg.getRoot()), Names{"wyv"});
    EXPECT_EQ(Product(qel::BRINDLE_VIRTUAL).root(), "/opt/qel/wyv");

    Product(qel::BRINDLE_VIRTUAL).purgeConfig();
    EXPECT_NE(access(path().c_str(), F_OK), 0) << "the last entry takes the file with it";
}

// The administrator keeps the file elsewhere and links to it: saving and
// purging replace the file the link leads to, and the link stays.
TEST_F(GlobalCfgTest, ALinkedFileIsWrittenThroughTheLink) {
    ASSERT_EQ(mkdir((m_dir / "real").c_str(), 0755), 0);
    const std::string target = m_dir.write("real/qel.info", two_products);
    ASSERT_EQ(symlink("real/qel.info", path().c_str()), 0);
    auto linkStays = [&] {
        char text[64] = {};
        EXPECT_EQ(readlink(path().c_str(), text, sizeof text - 1), 13) << "the link is gone";
        EXPECT_STREQ(text, "real/qel.info");
        EXPECT_NE(access((m_dir / "real/qel.info.new").c_str(), F_OK), 0);
        EXPECT_NE(access((m_dir / "qel.info.new").c_str(), F_OK), 0);
    };

    Product zop(qel::ZOP_SERVER);
    zop.setRoot("/opt/qel/zop");
    zop.saveConfig();
    linkStays();
    libconfig::Config cfg;
    cfg.readFile(target.c_str());
    EXPECT_EQ(names(cfg.getRoot()), (Names{"dax", "wyv", "zop"}));

    Product(qel::TOLVANE_SERVER).purgeConfig();
    Product(qel::BRINDLE_VIRTUAL).purgeConfig();
    linkStays();
    cfg.readFile(target.c_str());
    EXPECT_EQ(names(cfg.getRoot()), Names{"zop"});

    zop.purgeConfig();
    linkStays();
    cfg.readFile(target.c_str());
    EXPECT_EQ(cfg.getRoot().getLength(), 0) << "the last entry leaves the linked file empty";
}

TEST_F(GlobalCfgTest, InstalledProducts) {
    EXPECT_TRUE(Product::installedProducts().empty());
    writeCfg("wyv = { root = \"/w\"; };\nhovon = { root = \"/h\"; };\nother = { root = \"/o\"; };\n"
             "kest = { root = \"/k\"; };\n");
    std::vector<std::pair<qel::ProductKind, std::string>> found;
    for (const Product& product : Product::installedProducts()) {
        found.emplace_back(product.kind(), product.root());
    }
    EXPECT_EQ(found, (std::vector<std::pair<qel::ProductKind, std::string>>{
                         {qel::BRINDLE_VIRTUAL, "/w"},
                         {qel::PENTRY_SERVER, "/h"},
                         {qel::TOLVANE_CLIENT, "/k"}}));
}

} // namespace
