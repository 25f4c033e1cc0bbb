// The helper that installation routines use to record their product.
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

struct Outcome {
    int status;
    std::string out;
};

// Runs the tool with args (shell words) against the file cfg; stderr is
// merged into the output.
Outcome tool(const std::string& cfg, const std::string& args) {
    const std::string command =
        std::string(QEL_PRODUCTCFG) + " --file " + cfg + " " + args + " 2>&1";
    FILE* child = popen(command.c_str(), "r");
    Outcome run{-1, ""};
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, child)) {
        run.out.append(buffer, n);
    }
    const int status = pclose(child);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ProductCfgTool : public ::testing::Test {
protected:
    std::string cfg() const { return m_dir.path() + "/qel.info"; }
    std::string content() const {
        std::ifstream in(cfg());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    ScratchDir m_dir;
};

TEST_F(ProductCfgTool, SetGetRemoveKeepOtherProducts) {
    m_dir.write("qel.info", "dax = { root = \"/opt/qel/dax\"; group = \"vpn\"; };\n");
    EXPECT_EQ(tool(cfg(), "get zop root").status, 1) << "no entry yet";
    Outcome run = tool(cfg(), "set zop --root /opt/qel/zop --group qel");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(tool(cfg(), "get zop root").out, "/opt/qel/zop\n");
    EXPECT_EQ(tool(cfg(), "get zop group").out, "qel\n");
    EXPECT_EQ(tool(cfg(), "get dax group").out, "vpn\n");

    // An update without --group keeps the recorded group.
    ASSERT_EQ(tool(cfg(), "set zop --root /srv/zop").status, 0);
    EXPECT_EQ(tool(cfg(), "get zop root").out, "/srv/zop\n");
    EXPECT_EQ(tool(cfg(), "get zop group").out, "qel\n");

    ASSERT_EQ(tool(cfg(), "remove zop").status, 0);
    EXPECT_EQ(tool(cfg(), "get zop root").status, 1);
    EXPECT_EQ(tool(cfg(), "get dax root").out, "/opt/qel/dax\n");
    ASSERT_EQ(tool(cfg(), "remove zop").status, 0) << "removing twice is no error";
    ASSERT_EQ(tool(cfg(), "remove dax").status, 0);
    EXPECT_NE(access(cfg().c_str(), F_OK), 0);
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
        const Outcome run = tool(cfg(), error.first);
        EXPECT_EQ(run.status, 2) << error.first;
        EXPECT_NE(run.out.find(error.second), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Usage: qel-productcfg"), std::string::npos) << run.out;
    }
    Outcome run = tool(cfg(), "get zop colour");
    EXPECT_NE(run.out.find("Unknown setting: colour"), std::string::npos) << run.out;

    run = tool(cfg(), "set hovon --root /x");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("Invalid product code name:hovon"), std::string::npos) << run.out;

    m_dir.write("qel.info", "zop = { root = \"/x\"\n oops };\n");
    run = tool(cfg(), "set zop --root /y");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("contains errors:\n\t" + cfg() + ":2 - "), std::string::npos) << run.out;
    EXPECT_EQ(content(), "zop = { root = \"/x\"\n oops };\n");
}

TEST_F(ProductCfgTool, Help) {
    const Outcome run = tool(cfg(), "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: qel-productcfg [--file PATH] COMMAND PRODUCT", 0), 0u) << run.out;
}

} // namespace
