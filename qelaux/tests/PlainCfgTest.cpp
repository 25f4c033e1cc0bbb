#include "config/PlainCfg.h"

#include "Exception.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using qel::aux::PlainCfg;
using Entries = std::map<std::string, std::string>;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlainCfgFile : public ::testing::Test {
protected:
    PlainCfg read(const std::string& text) {
        const std::string path = m_dir.write("cfg", text);
        PlainCfg cfg;
        cfg.open(path);
        return cfg;
    }

    ScratchDir m_dir;
};

TEST_F(PlainCfgFile, LinesAreKeyAndTrimmedRest) {
    struct Case {
        const char* text;
        Entries entries;
    } cases[] = {
        {"product zop\n\n# note\nversion_nr 2.00\n", {{"product", "zop"}, {"version_nr", "2.00"}}},
        {"  arch \t x86  \n", {{"arch", "x86"}}},
        {"Ver=2.00\nVerNr = 100\n", {{"Ver=2.00", ""}, {"VerNr", "= 100"}}},
        {"label release candidate  one\n", {{"label", "release candidate  one"}}},
        {"   # indented comment\n \t \nkey\n", {{"key", ""}}},
        {"k first\nk second\n", {{"k", "second"}}},
        {"dos value\r\n", {{"dos", "value"}}},
        // The last line counts even without its line end.
        {"a 1\nlast line", {{"a", "1"}, {"last", "line"}}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(read(c.text).entries(), c.entries) << '"' << c.text << '"';
}

TEST_F(PlainCfgFile, OpenReplacesTheContent) {
    PlainCfg cfg = read("old 1\n");
    cfg.open(m_dir.write("other", "new 2\n"));
    EXPECT_EQ(cfg.entries(), (Entries{{"new", "2"}}));
    EXPECT_THROW(cfg.open(m_dir / "missing"), qel::FsError);
    EXPECT_TRUE(cfg.entries().empty());
    EXPECT_THROW(cfg.open(m_dir.path()), qel::FsError);   // a directory
}

TEST_F(PlainCfgFile, WriteGivesSortedLinesAndRoundTrips) {
    PlainCfg cfg = read("version_nr 2.00\n\n# note\nproduct zop\n");
    cfg.write(m_dir / "out");
    EXPECT_EQ(readFile(m_dir / "out"), "product zop\nversion_nr 2.00\n");

    cfg.set("build_label", "release+zop-200");
    cfg.set("empty", "");
    cfg.set("padded", "x  ");
    cfg.write(m_dir / "out");
    EXPECT_EQ(readFile(m_dir / "out"),
              "build_label release+zop-200\nempty \npadded x  \nproduct zop\nversion_nr 2.00\n");
    cfg.open(m_dir / "out");
    EXPECT_EQ(cfg.get("padded"), "x");
    EXPECT_EQ(cfg.get("empty"), "");
    EXPECT_EQ(cfg.get("build_label"), "release+zop-200");

    EXPECT_THROW(cfg.write(m_dir / "missing/out"), qel::FsError);
}

TEST_F(PlainCfgFile, WriteReportsAFullDisk) {
    PlainCfg cfg;
    cfg.set("key", std::string(100000, 'v'));
    EXPECT_THROW(cfg.write("/dev/full"), qel::FsError);
}

TEST(PlainCfg, GetOfAbsentKeyIsEmptyAndAddsNothing) {
    PlainCfg cfg;
    cfg.set("a", "1");
    EXPECT_EQ(&cfg.get("b"), &PlainCfg::m_invalid);
    EXPECT_EQ(cfg.get("b"), "");
    EXPECT_EQ(cfg.entries().size(), 1u);
    cfg.set("a", "2");
    EXPECT_EQ(cfg.get("a"), "2");
}

TEST(PlainCfg, EntriesThatWouldNotReadBackAreRefused) {
    PlainCfg cfg;
    for (const char* key : {"", "two words", "tab\tkey", "#comment", "line\nend"})
        EXPECT_THROW(cfg.set(key, "v"), qel::UsageError) << '"' << key << '"';
    EXPECT_THROW(cfg.set("key", "one\nproduct evil"), qel::UsageError);
    EXPECT_TRUE(cfg.entries().empty());
}

} // namespace
