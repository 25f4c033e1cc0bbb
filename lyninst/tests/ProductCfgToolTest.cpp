// The helper that installation routines use to record their product.
#include "GlobalCfgFixture.h"
#include "RunCommand.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Runs the tool with args (shell words) against the file cfg; standard error
// is merged into the output.
CommandResult tool(const std::string& cfg, const std::string& args) {
    return runCommand(std::string(QEL_PRODUCTCFG) + " --file " + cfg + " " + args + " 2>&1");
}

// The tool works on the fixture's file through --file.
class ProductCfgTool : public GlobalCfgTest {};

TEST_F(ProductCfgTool, SetGetRemoveKeepOtherProducts) {
    m_dir.write("qel.info", "dax = { root = \"/opt/qel/dax\"; group = \"vpn\"; };\n");
    EXPECT_EQ(tool(path(), "get zop root").status, 1) << "no entry yet";
    CommandResult run = tool(path(), "set zop --root /opt/qel/zop --group qel");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(tool(path(), "get zop root").output, "/opt/qel/zop\n");
    EXPECT_EQ(tool(path(), "get zop group").output, "qel\n");
    EXPECT_EQ(tool(path(), "get dax group").output, "vpn\n");

    // An update without --group keeps the recorded group.
    ASSERT_EQ(tool(path(), "set zop --root /srv/zop").status, 0);
    EXPECT_EQ(tool(path(), "get zop root").output, "/srv/zop\n");
    EXPECT_EQ(tool(path(), "get zop group").output, "qel\n");

    ASSERT_EQ(tool(path(), "remove zop").status, 0);
    EXPECT_EQ(tool(path(), "get zop root").status, 1);
    EXPECT_EQ(tool(path(), "get dax root").output, "/opt/qel/dax\n");
    ASSERT_EQ(tool(path(), "remove zop").status, 0) << "removing twice is no error";
    ASSERT_EQ(tool(path(), "remove dax").status, 0);
    EXPECT_NE(access(path().c_str(), F_OK), 0);
}

TEST_F(ProductCfgTool, SetTakesTheBuildFactsOfThePackageInformation) {
    const std::string info = m_dir.write("package.info",
        "arch x86\nbuild_label release+zop-200\nbuild_nr rev17595\nbuild_type opt-debug\n"
        "lib_type static\nos linux\nproduct zop\nversion_nr 2.00\n");
    CommandResult run = tool(path(), "set zop --root /opt/qel/zop --description " + info);
    ASSERT_EQ(run.status, 0) << run.output;
    const qel::Product zop(qel::ZOP_SERVER);
    EXPECT_EQ(zop.root(), "/opt/qel/zop");
    EXPECT_EQ(zop.build(), (qel::BuildInfo{"x86", "linux", "opt-debug", "release+zop-200",
                                           "static", "2.00", "rev17595"}));

    m_dir.write("package.info", "product dax\n");
    run = tool(path(), "set zop --root /x --description " + info);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("The package information is for another product: dax"),
              std::string::npos) << run.output;
    EXPECT_EQ(tool(path(), "get zop root").output, "/opt/qel/zop\n");
}

TEST_F(ProductCfgTool, Errors) {
    const std::pair<const char*, const char*> usage_errors[] = {
        {"", "A command and a product are required."},
        {"set zop", "The set command needs --root DIR."},
        {"set zop --root", "Invalid argument: --root"},
        {"set zop --prefix /x", "Invalid argument: --prefix"},
        {"get zop", "Wrong number of arguments for the command: get"},
        {"get zop colour", ""},
        {"list zop", "Unknown command: list"},
    };
    m_dir.write("qel.info", "zop = { root = \"/opt/qel/zop\"; };\n");
    for (const auto& error : usage_errors) {
        const CommandResult run = tool(path(), error.first);
        EXPECT_EQ(run.status, 2) << error.first;
        EXPECT_NE(run.output.find(error.second), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("Usage: qel-productcfg"), std::string::npos) << run.output;
    }
    CommandResult run = tool(path(), "get zop colour");
    EXPECT_NE(run.output.find("Unknown setting: colour"), std::string::npos) << run.output;

    run = tool(path(), "set hovon --root /x");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("Invalid product code name:hovon"), std::string::npos) << run.output;

    m_dir.write("qel.info", "zop = { root = \"/x\"\n oops };\n");
    run = tool(path(), "set zop --root /y");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("contains errors:\n\t" + path() + ":2 - "), std::string::npos) << run.output;
    EXPECT_EQ(readCfg(), "zop = { root = \"/x\"\n oops };\n");
}

TEST_F(ProductCfgTool, Help) {
    const CommandResult run = tool(path(), "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("Usage: qel-productcfg [--file PATH] COMMAND PRODUCT", 0), 0u) << run.output;
}

} // namespace
