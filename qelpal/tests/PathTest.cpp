#include "fs/Ops.h"
#include "fs/Path.h"
#include "fs/StringOps.h"

#include "Exception.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;

TEST(StringOps, SplitDropsEmptyPiecesAndTrimsOnRequest) {
    struct Case {
        const char* text;
        char sep;
        bool trim;
        Strings pieces;
    } cases[] = {
        {"", ':', false, {}},
        {":::", ':', false, {}},
        {"/usr//bin/", '/', false, {"usr", "bin"}},
        {"a:b", ':', false, {"a", "b"}},
        {" ID = opensuse ", '=', true, {"ID", "opensuse"}},
        {"Name:\tbash", ':', true, {"Name", "bash"}},
        {"key=  =x", '=', true, {"key", "", "x"}},
        {"CentOS release 6.5", ' ', false, {"CentOS", "release", "6.5"}},
    };
    for (const Case& c : cases) {
        Strings pieces{"stale"};
        qel::fs::split(c.text, c.sep, pieces, c.trim);
        EXPECT_EQ(pieces, c.pieces) << '"' << c.text << '"';
    }
}

TEST(StringOps, TrimWhiteSpaceOrGivenCharacter) {
    struct Case {
        const char* text;
        char c;
        const char* result;
    } cases[] = {
        {"  a b \t\n", 0, "a b"},
        {" \t ", 0, ""},
        {"", 0, ""},
        {"//a/b//", '/', "a/b"},
        {" x ", '/', " x "},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        qel::fs::trim(text, c.c);
        EXPECT_EQ(text, c.result) << '"' << c.text << '"';
    }
}

TEST(StringOps, ReplaceAllCountsAndSearchesAfterInsertedText) {
    std::string text = "aaa";
    EXPECT_EQ(qel::fs::replaceAll(text, "a", "aa"), 3u);
    EXPECT_EQ(text, "aaaaaa");

    text = "it's";
    EXPECT_EQ(qel::fs::replaceAll(text, "'", "'\\''"), 1u);
    EXPECT_EQ(text, "it'\\''s");

    text = "none";
    EXPECT_EQ(qel::fs::replaceAll(text, "x", "y"), 0u);
    EXPECT_THROW(qel::fs::replaceAll(text, "", "y"), qel::UsageError);
}

TEST(Path, ConstructionStripsTrailingSlashes) {
    EXPECT_EQ(qel::fs::Path("/").str(), "/");
    EXPECT_EQ(qel::fs::Path("///").str(), "/");
    EXPECT_EQ(qel::fs::Path("/a//").str(), "/a");
    EXPECT_EQ(qel::fs::Path("foo/").str(), "foo");
    EXPECT_EQ(qel::fs::Path("").str(), "");
}

TEST(Path, QueriesAndJoin) {
    EXPECT_TRUE(qel::fs::isAbsolute("/x"));
    EXPECT_FALSE(qel::fs::isAbsolute("x/"));
    EXPECT_FALSE(qel::fs::isAbsolute(""));
    EXPECT_EQ(qel::fs::root("/x"), "/");
    EXPECT_EQ(qel::fs::root("x"), "");
    EXPECT_EQ(qel::fs::Path("//opt//qel/zop").split(), (Strings{"opt", "qel", "zop"}));
    EXPECT_EQ(qel::fs::join({"opt", "qel"}, true), "/opt/qel");
    EXPECT_EQ(qel::fs::join({"opt", "qel"}, false), "opt/qel");
    EXPECT_EQ(qel::fs::join({}, true), "/");
}

TEST(Path, InPlaceEdits) {
    struct Case {
        const char* path;
        const char* parent;
        const char* dropTwo;
        const char* base;
    } cases[] = {
        {"/opt/qel/zop", "/opt/qel", "/opt", "zop"},
        {"opt/qel/zop", "opt/qel", "opt", "zop"},
        {"/a", "/", "/", "a"},
        {"a", ".", "", "a"},
        {"/", "/", "/", ""},
    };
    for (const Case& c : cases) {
        qel::fs::Path parent(c.path), drop(c.path), base(c.path);
        EXPECT_EQ(parent.parent().str(), c.parent) << c.path;
        EXPECT_EQ(drop.dropLast(2).str(), c.dropTwo) << c.path;
        EXPECT_EQ(base.baseName().str(), c.base) << c.path;
    }
}

class WorkingDir : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = qel::fs::cwd();
        qel::fs::setCWD(m_dir.path());
        m_here = qel::fs::cwd();
    }
    void TearDown() override { qel::fs::setCWD(m_saved); }

    ScratchDir m_dir;
    std::string m_saved;
    std::string m_here;
};

TEST_F(WorkingDir, MakeAbsolute) {
    std::string up = m_here;
    qel::fs::parent(up);
    struct Case {
        std::string path;
        std::string result;
    } cases[] = {
        {"foo/", m_here + "/foo"},
        {"./foo//bar", m_here + "/foo/bar"},
        {"../foo", up + "/foo"},
        {"//opt//qel/", "/opt/qel"},
        {"", ""},
    };
    for (const Case& c : cases) {
        qel::fs::Path path(c.path);
        EXPECT_EQ(path.makeAbsolute().str(), c.result) << c.path;
    }
}

TEST_F(WorkingDir, AssignCanonicalResolvesLinksAndFailsOnMissing) {
    qel::fs::mkdir("real");
    qel::fs::symlink("link", "real");
    qel::fs::Path path("link/../link");
    EXPECT_EQ(path.assignCanonical().str(), m_here + "/real");

    std::string missing = "nope/x";
    try {
        qel::fs::assignCanonical(missing);
        FAIL();
    } catch (const qel::FsError& e) {
        EXPECT_EQ(missing, "nope/x");
        EXPECT_NE(std::string(e.what()).find("\"nope/x\""), std::string::npos);
    }
}

TEST_F(WorkingDir, SetCwdFailureNamesThePath) {
    try {
        qel::fs::setCWD("missing-dir");
        FAIL();
    } catch (const qel::FsError& e) {
        EXPECT_EQ(e.errorNumber(), ENOENT);
        EXPECT_NE(std::string(e.what()).find("At location: \"missing-dir\""), std::string::npos);
    }
    EXPECT_EQ(qel::fs::cwd(), m_here);
}

} // namespace
