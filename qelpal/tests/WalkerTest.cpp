#include "fs/Dir.h"
#include "fs/Ops.h"
#include "fs/Walker.h"

#include "Exception.h"
#include "ScratchDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>

namespace {

using qel::fs::Walker;

// Records every call as "<v|e><pre|post|node> depth relative-path".
class Recorder : public Walker::Visitor {
public:
    explicit Recorder(const std::string& root) : m_root(root) {}

    unsigned visit(const std::string& path, const Walker& walker) override {
        return record('v', path, walker);
    }
    unsigned nodeError(const std::string& path, const Walker& walker) override {
        EXPECT_NE(walker.error(), nullptr) << path;
        return record('e', path, walker);
    }

    std::vector<std::string> calls;
    // Result for a call, by its recorded text; 0 otherwise.
    std::map<std::string, unsigned> results;

private:
    unsigned record(char kind, const std::string& path, const Walker& walker) {
        std::string rel = path == m_root ? "." : path.substr(m_root.size() + 1);
        EXPECT_EQ(path.substr(walker.nameOffset()), rel == "." ? path.substr(path.rfind('/') + 1)
                                                               : rel.substr(rel.rfind('/') + 1));
        if (path == m_root) {
            EXPECT_EQ(walker.parentFd(), -1);
        } else {
            // The parent descriptor holds the node under its name.
            struct stat byFd, byPath;
            EXPECT_EQ(::fstatat(walker.parentFd(), path.substr(walker.nameOffset()).c_str(), &byFd,
                                AT_SYMLINK_NOFOLLOW), 0) << path;
            EXPECT_EQ(::lstat(path.c_str(), &byPath), 0) << path;
            EXPECT_EQ(byFd.st_ino, byPath.st_ino) << path;
        }
        const char* phase = walker.isPostVisit()                    ? "post"
                            : walker.info() && walker.info()->isDir() ? "pre"
                                                                      : "node";
        std::string call = std::string(1, kind) + phase + " " + std::to_string(walker.depth()) +
                           " " + rel;
        calls.push_back(call);
        const auto found = results.find(call);
        return found == results.end() ? 0 : found->second;
    }

    std::string m_root;
};

class Walk : public ::testing::Test {
protected:
    // root: a/ (x, b/ (y)), z, link -> a
    void SetUp() override {
        qel::fs::mkdir(m_dir / "a");
        qel::fs::mkdir(m_dir / "a/b");
        std::ofstream(m_dir / "a/x") << "x";
        std::ofstream(m_dir / "a/b/y") << "y";
        std::ofstream(m_dir / "z") << "z";
        qel::fs::symlink(m_dir / "link", "a");
    }

    std::vector<std::string> walk(unsigned options, Recorder& recorder) {
        Walker walker;
        walker.setRoot(m_dir.path());
        walker.setOptions(options);
        walker.setVisitor(&recorder);
        walker.run();
        return recorder.calls;
    }

    // Position of a call in the record; fails the test when it is missing.
    static size_t at(const std::vector<std::string>& calls, const std::string& call) {
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i] == call)
                return i;
        ADD_FAILURE() << "missing call " << call;
        return calls.size();
    }

    ScratchDir m_dir;
};

TEST_F(Walk, PostVisitsComeAfterContentAndRootLast) {
    Recorder recorder(m_dir.path());
    const auto calls = walk(Walker::POST_VISIT, recorder);
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls.back(), "vpost 0 .");
    EXPECT_LT(at(calls, "vnode 2 a/x"), at(calls, "vpost 1 a"));
    EXPECT_LT(at(calls, "vnode 3 a/b/y"), at(calls, "vpost 2 a/b"));
    EXPECT_LT(at(calls, "vpost 2 a/b"), at(calls, "vpost 1 a"));
    at(calls, "vnode 1 z");
    at(calls, "vnode 1 link");   // a link to a directory is not entered
}

TEST_F(Walk, WithoutDirectoryOptionsOnlyNonDirectoriesAreVisited) {
    Recorder recorder(m_dir.path());
    const auto calls = walk(0, recorder);
    EXPECT_EQ(calls.size(), 4u);
    for (const auto& call : calls)
        EXPECT_EQ(call.rfind("vnode", 0), 0u) << call;
}

TEST_F(Walk, FollowingLinksEntersLinkedDirectories) {
    Recorder recorder(m_dir.path());
    const auto calls = walk(Walker::PRE_VISIT | Walker::FOLLOW_LINKS, recorder);
    at(calls, "vpre 1 link");
    at(calls, "vnode 2 link/x");
    at(calls, "vnode 3 link/b/y");
}

TEST_F(Walk, PreVisitResultsSkipAndStop) {
    {
        Recorder recorder(m_dir.path());
        recorder.results["vpre 1 a"] = 2;   // do not enter a
        const auto calls = walk(Walker::PRE_VISIT | Walker::POST_VISIT, recorder);
        for (const auto& call : calls)
            EXPECT_EQ(call.find(" a/"), std::string::npos) << call;
        at(calls, "vnode 1 z");
        at(calls, "vpost 0 .");
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "vpost 1 a"), 0);
    }
    {
        Recorder recorder(m_dir.path());
        recorder.results["vnode 2 a/x"] = Walker::SKIP_REST;
        recorder.results["vpre 2 a/b"] = Walker::SKIP_REST;
        const auto calls = walk(Walker::PRE_VISIT | Walker::POST_VISIT, recorder);
        // Whichever of x and b/ comes first ends the reading of a.
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "vnode 2 a/x") +
                      std::count(calls.begin(), calls.end(), "vpre 2 a/b"),
                  1);
        at(calls, "vpost 1 a");
        at(calls, "vpost 0 .");
    }
    {
        Recorder recorder(m_dir.path());
        recorder.results["vnode 3 a/b/y"] = Walker::STOP;
        const auto calls = walk(Walker::PRE_VISIT | Walker::POST_VISIT, recorder);
        EXPECT_EQ(calls.back(), "vnode 3 a/b/y");
    }
}

TEST_F(Walk, RootMustBeAReadableDirectoryAndAVisitorIsNeeded) {
    Walker walker;
    walker.setRoot(m_dir / "z");
    EXPECT_THROW(walker.run(), qel::UsageError);
    Recorder recorder(m_dir.path());
    walker.setVisitor(&recorder);
    EXPECT_THROW(walker.run(), qel::FsError);
    walker.setRoot(m_dir / "missing");
    EXPECT_THROW(walker.run(), qel::FsError);
}

TEST_F(Walk, UnreadableDirectoryGoesToNodeError) {
    unprivileged::handOver(m_dir.path());
    ASSERT_EQ(::chmod((m_dir / "a").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((m_dir / "a/b").c_str(), 0), 0);
    const auto calls = [&](unsigned options) {
        return unprivileged::run([&] {
            Recorder recorder(m_dir.path());
            std::string text;
            for (const auto& call : walk(options, recorder))
                text += call + ";";
            return text;
        });
    };
    const std::string both = calls(Walker::PRE_VISIT | Walker::POST_VISIT);
    EXPECT_NE(both.find("epre 2 a/b;epost 2 a/b;"), std::string::npos) << both;
    const std::string after = calls(Walker::POST_VISIT);
    EXPECT_NE(after.find("epost 2 a/b;"), std::string::npos) << after;
    EXPECT_EQ(after.find("epre"), std::string::npos) << after;
    const std::string none = calls(0);
    EXPECT_EQ(none.find("a/b"), std::string::npos) << none;
    EXPECT_NE(none.find("vnode 2 a/x;"), std::string::npos) << none;
}

TEST_F(Walk, VisitorExceptionsEndTheWalk) {
    struct Thrower : Walker::Visitor {
        unsigned visit(const std::string&, const Walker&) override {
            QEL_THROW(qel::RuntimeError, "visitor failed");
        }
        unsigned nodeError(const std::string&, const Walker&) override { return 0; }
    } thrower;
    Walker walker;
    walker.setRoot(m_dir.path());
    walker.setVisitor(&thrower);
    EXPECT_THROW(walker.run(), qel::RuntimeError);
}

TEST_F(Walk, DirReadsEntriesRelativeToItself) {
    qel::fs::Dir dir;
    qel::fs::Info info;
    EXPECT_THROW(dir.dirInfo(info), qel::UsageError);
    dir.open(m_dir / "a");
    EXPECT_THROW(dir.entryInfo(info, false), qel::UsageError);
    qel::fs::Dir sub;
    EXPECT_THROW(dir.entryDir(sub), qel::UsageError);

    std::vector<std::string> names;
    while (dir.nextEntry()) {
        names.push_back(dir.entryName());
        if (dir.entryName() == "b") {
            dir.entryInfo(info, false);
            EXPECT_TRUE(info.isDir());
            dir.entryDir(sub);
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "b", "x"}));
    ASSERT_TRUE(sub.isOpen());
    sub.dirInfo(info);
    EXPECT_EQ(info.stat().st_ino, qel::fs::Info::get(m_dir / "a/b", false).stat().st_ino);
    EXPECT_THROW(dir.open(m_dir / "z"), qel::FsError);
    EXPECT_FALSE(dir.isOpen());
}

TEST_F(Walk, EntryDirWithoutFollowRefusesLinks) {
    qel::fs::Dir dir, sub;
    dir.open(m_dir.path());
    bool seen = false;
    while (dir.nextEntry()) {
        if (dir.entryName() == "link") {
            seen = true;
            EXPECT_THROW(dir.entryDir(sub, false), qel::OsError);
            dir.entryDir(sub, true);
            EXPECT_TRUE(sub.isOpen());
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(Walk, IsEmptyDir) {
    qel::fs::mkdir(m_dir / "empty");
    EXPECT_TRUE(qel::fs::Dir::isEmptyDir(m_dir / "empty"));
    EXPECT_FALSE(qel::fs::Dir::isEmptyDir(m_dir / "a"));
    EXPECT_THROW(qel::fs::Dir::isEmptyDir(m_dir / "missing"), qel::FsError);
}

} // namespace
