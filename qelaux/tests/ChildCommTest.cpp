#include "ChildComm.h"

#include "Exception.h"
#include "QelPal.h"
#include "ScratchDir.h"
#include "TextDomains.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

using qel::ChildComm;

// Children need the platform layer: the collector and the null device.
class CallTest : public testing::Test {
protected:
    void SetUp() override {
        m_pal = std::make_unique<qel::QelPal>(true, false, 2);
        const char* path = std::getenv("PATH");
        m_had_path = path != nullptr;
        m_path = path ? path : "";
    }
    void TearDown() override {
        if (m_had_path)
            setenv("PATH", m_path.c_str(), 1);
        else
            unsetenv("PATH");
        m_pal.reset();
    }

    // A call of "sh -c script".
    static void shell(ChildComm& call, const std::string& script) {
        ASSERT_TRUE(call.tryProgram("/bin/sh", true));
        call.arguments().push_back("-c");
        call.arguments().push_back(script);
    }

    static std::string readAll(ChildComm& call, bool fromOutput) {
        std::string text;
        char buffer[256];
        while (std::size_t got = call.readOutput(buffer, sizeof buffer, false, fromOutput))
            text.append(buffer, got);
        return text;
    }

    // The message part of an error's text (after its location heading).
    static std::string message(const qel::Exception& e) {
        const std::string text = e.what();
        const std::string::size_type start = text.find("\n\n");
        return start == std::string::npos ? text : text.substr(start + 2);
    }

    std::unique_ptr<qel::QelPal> m_pal;
    bool m_had_path = false;
    std::string m_path;
};

std::string ownLink(int fd) {
    char target[256];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target,
                                 sizeof target - 1);
    return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

// What a child finds on its descriptors 0, 1 and 2, told on the pipes that
// the case provides.
struct WiringCase {
    const char* name;
    unsigned flags;
    const char* script;
    const char* output; // regular expression; null: no output pipe to read
    const char* error;  // regular expression; null: no error pipe to read
};

std::ostream& operator<<(std::ostream& out, const WiringCase& c) { return out << c.name; }

class Wiring : public CallTest, public testing::WithParamInterface<WiringCase> {};

TEST_P(Wiring, ConnectsTheStandardStreams) {
    const WiringCase& c = GetParam();
    ChildComm call;
    shell(call, c.script);
    call.create(c.flags);
    if (c.flags & ChildComm::PIPE_IN) {
        call.writeInput("fed\n", 4);
        call.closeInput();
    }
    const std::string output = c.output ? readAll(call, true) : "";
    const std::string error = c.error ? readAll(call, false) : "";
    EXPECT_TRUE(call.succeeded());
    if (c.output) {
        EXPECT_TRUE(std::regex_match(output, std::regex(c.output))) << output;
    }
    if (c.error) {
        EXPECT_TRUE(std::regex_match(error, std::regex(c.error))) << error;
    }
}

const char* const pipe_re = "pipe:\\[[0-9]+\\]\n";

INSTANTIATE_TEST_SUITE_P(
    Flags, Wiring,
    testing::Values(
        WiringCase{"PipeInAndOut", ChildComm::PIPE_IN | ChildComm::PIPE_OUT, "cat", "fed\n",
                   nullptr},
        WiringCase{"PipeOutAndErr", ChildComm::PIPE_OUT | ChildComm::PIPE_ERR,
                   "echo out; echo err >&2", "out\n", "err\n"},
        WiringCase{"MergeErr", ChildComm::PIPE_OUT | ChildComm::PIPE_ERR | ChildComm::MERGE_ERR,
                   "echo out; echo err >&2; readlink /proc/self/fd/1 /proc/self/fd/2",
                   "out\nerr\n(pipe:\\[[0-9]+\\])\n\\1\n", nullptr},
        WiringCase{"MergeWithoutPipeOutKeepsAnErrorPipe",
                   ChildComm::PIPE_ERR | ChildComm::MERGE_ERR | ChildComm::NULL_OUT,
                   "echo out; echo err >&2", nullptr, "err\n"},
        WiringCase{"NullIn", ChildComm::NULL_IN | ChildComm::PIPE_OUT,
                   "readlink /proc/self/fd/0; cat", "/dev/null\n", nullptr},
        WiringCase{"NullOut", ChildComm::NULL_OUT | ChildComm::PIPE_ERR,
                   "link=$(readlink /proc/$$/fd/1); echo $link >&2; echo lost", nullptr, "/dev/null\n"},
        WiringCase{"NullErr", ChildComm::NULL_ERR | ChildComm::PIPE_OUT,
                   "readlink /proc/self/fd/2; echo lost >&2", "/dev/null\n", nullptr},
        WiringCase{"PipeInWinsOverNullIn", ChildComm::PIPE_IN | ChildComm::NULL_IN | ChildComm::PIPE_OUT,
                   "readlink /proc/self/fd/0; cat", "pipe:\\[[0-9]+\\]\nfed\n", nullptr},
        WiringCase{"PipeOutWinsOverNullOut", ChildComm::PIPE_OUT | ChildComm::NULL_OUT,
                   "readlink /proc/self/fd/1", pipe_re, nullptr},
        WiringCase{"PipeErrWinsOverNullErr", ChildComm::PIPE_ERR | ChildComm::NULL_ERR,
                   "readlink /proc/self/fd/2 >&2", nullptr, pipe_re},
        WiringCase{"PipeErrOnly", ChildComm::PIPE_ERR, "echo err >&2", nullptr, "err\n"}),
    [](const testing::TestParamInfo<WiringCase>& info) { return std::string(info.param.name); });

// The descriptors that a child of this process receives anyway: the
// standard streams and whatever this process inherited without close-on-exec.
std::set<std::string> inheritable() {
    std::set<std::string> fds = {"0", "1", "2"};
    for (int fd = 3; fd < 1024; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags != -1 && !(flags & FD_CLOEXEC))
            fds.insert(std::to_string(fd));
    }
    return fds;
}

TEST_F(CallTest, NoDescriptorLeaksIntoTheChild) {
    ChildComm call;
    // ls lists the descriptors of the shell, which opens none of its own.
    shell(call, "ls /proc/$$/fd");
    const std::set<std::string> expected = inheritable();
    call.create(ChildComm::PIPE_IN | ChildComm::PIPE_OUT | ChildComm::PIPE_ERR);
    std::set<std::string> seen;
    std::istringstream listing(readAll(call, true));
    for (std::string fd; std::getline(listing, fd);)
        seen.insert(fd);
    EXPECT_TRUE(call.succeeded());
    EXPECT_EQ(seen, expected);
}

TEST_F(CallTest, WithoutFlagsTheChildInheritsTheStreams) {
    ChildComm call;
    shell(call, "readlink /proc/self/fd/0 /proc/self/fd/2");
    call.create(ChildComm::PIPE_OUT);
    EXPECT_EQ(readAll(call, true), ownLink(0) + "\n" + ownLink(2) + "\n");
    EXPECT_TRUE(call.succeeded());
}

TEST_F(CallTest, LargeDataPassesThroughAFilter) {
    // More than a pipe holds, read back by the caller in pieces.
    const std::string data(200000, 'x');
    ChildComm call;
    shell(call, "wc -c");
    call.create(ChildComm::PIPE_IN | ChildComm::PIPE_OUT);
    call.writeInput(data.data(), data.size());
    call.closeInput();
    char answer[32] = {};
    const std::size_t got = call.readOutput(answer, sizeof answer - 1, true, true);
    EXPECT_EQ(std::string(answer, got), "200000\n");
    EXPECT_TRUE(call.succeeded());
}

TEST_F(CallTest, ReadFullyStopsAtTheEndOfData) {
    ChildComm call;
    shell(call, "printf abc; sleep 0.1; printf def");
    call.create(ChildComm::PIPE_OUT);
    char buffer[64];
    EXPECT_EQ(call.readOutput(buffer, sizeof buffer, true, true), 6u);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    EXPECT_TRUE(call.succeeded());
}

TEST_F(CallTest, SucceededTellsTheOutcome) {
    struct {
        const char* script;
        bool success;
    } cases[] = {{"exit 0", true}, {"exit 1", false}, {"exit 3", false}, {"kill -TERM $$", false}};
    ChildComm call;
    for (const auto& c : cases) {
        call.arguments().resize(1);
        shell(call, c.script);
        call.create(0);
        EXPECT_EQ(call.succeeded(), c.success) << c.script;
        EXPECT_TRUE(call.lastResult().done);
    }
    EXPECT_TRUE(call.lastResult().signalled());
    EXPECT_EQ(call.lastResult().termSignal(), SIGTERM);
}

TEST_F(CallTest, AChildThatCannotStartEndsWith125) {
    ChildComm call;
    call.arguments()[0] = "/nonexistent/program";
    call.create(ChildComm::PIPE_ERR);
    const std::string error = readAll(call, false);
    EXPECT_FALSE(call.succeeded());
    EXPECT_TRUE(call.lastResult().exited());
    EXPECT_EQ(call.lastResult().exitCode(), 125);
    EXPECT_NE(error.find("In child process "), std::string::npos) << error;
    EXPECT_NE(error.find("(/nonexistent/program):\n"), std::string::npos) << error;
}

TEST_F(CallTest, ASecondCreateWhileAChildRunsIsRefused) {
    ChildComm call;
    shell(call, "read line");
    call.create(ChildComm::PIPE_IN);
    try {
        call.create(ChildComm::PIPE_IN);
        ADD_FAILURE() << "no error";
    } catch (const qel::UsageError& e) {
        EXPECT_NE(message(e).find("A child is still present"), std::string::npos) << e.what();
        EXPECT_STREQ(e.function(), "create");
    }
    call.writeInput("x\n", 2);
    EXPECT_TRUE(call.succeeded());
}

TEST_F(CallTest, NoExecutableStartsNothingAndLeaksNoPipe) {
    ChildComm call;
    EXPECT_FALSE(call.findProgram("qel-no-such-program"));
    EXPECT_EQ(call.arguments()[0], "");
    const int first_free = ::dup(0);
    ::close(first_free);
    EXPECT_THROW(call.create(ChildComm::PIPE_IN | ChildComm::PIPE_OUT | ChildComm::PIPE_ERR),
                 qel::UsageError);
    const int next_free = ::dup(0);
    ::close(next_free);
    EXPECT_EQ(next_free, first_free);
    EXPECT_EQ(call.pid(), qel::proc::INVAL_PROC_ID);
}

TEST_F(CallTest, TheObjectRunsAgainAfterTheWait) {
    ChildComm call;
    shell(call, "echo one");
    call.create(ChildComm::PIPE_OUT);
    EXPECT_EQ(readAll(call, true), "one\n");
    EXPECT_TRUE(call.succeeded());
    call.arguments().back() = "echo two";
    call.create(ChildComm::PIPE_OUT);
    EXPECT_EQ(readAll(call, true), "two\n");
    EXPECT_TRUE(call.succeeded());
    EXPECT_EQ(call.commandText(), "/bin/sh -c echo two");
}

// --- assureCall ---------------------------------------------------------------

struct AssureCase {
    const char* name;
    unsigned flags;
    const char* script;
    const char* complaint; // null: the call succeeds
};

std::ostream& operator<<(std::ostream& out, const AssureCase& c) { return out << c.name; }

class AssureCall : public CallTest, public testing::WithParamInterface<AssureCase> {};

TEST_P(AssureCall, CarriesTheProgramsComplaint) {
    const AssureCase& c = GetParam();
    ChildComm call;
    shell(call, c.script);
    if (!c.complaint) {
        EXPECT_NO_THROW(call.assureCall(c.flags));
        return;
    }
    try {
        call.assureCall(c.flags);
        ADD_FAILURE() << "no error";
    } catch (const qel::DynError& e) {
        EXPECT_EQ(message(e), std::string("/bin/sh failed:\n\n") + c.complaint);
        EXPECT_STREQ(e.function(), "assureCall");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, AssureCall,
    testing::Values(
        AssureCase{"OneLine", ChildComm::NULL_OUT, "echo 'no such group' >&2; exit 1",
                   "no such group"},
        AssureCase{"LastFragmentWithoutLineEnd", ChildComm::NULL_OUT,
                   "printf 'first line\\nlast fragment' >&2; exit 1", "first line\nlast fragment"},
        AssureCase{"OnlyAFragment", ChildComm::NULL_OUT, "printf 'bad' >&2; exit 2", "bad"},
        AssureCase{"WhiteSpaceTrimmed", ChildComm::NULL_OUT,
                   "printf '\\n  \\t spaced out \\n\\n' >&2; exit 1", "spaced out"},
        AssureCase{"Silent", ChildComm::NULL_OUT, "exit 4", ""},
        AssureCase{"KilledBySignal", ChildComm::NULL_OUT, "echo dying >&2; kill -KILL $$",
                   "dying"},
        AssureCase{"MergedOutput",
                   ChildComm::PIPE_OUT | ChildComm::PIPE_ERR | ChildComm::MERGE_ERR,
                   "echo out; echo err >&2; exit 1", "out\nerr"},
        AssureCase{"SuccessWithErrorOutput", ChildComm::NULL_OUT, "echo warning >&2; exit 0",
                   nullptr}),
    [](const testing::TestParamInfo<AssureCase>& info) { return std::string(info.param.name); });

TEST_F(CallTest, AssureCallTakesAComplaintLargerThanAPipe) {
    ChildComm call;
    shell(call, "i=0; while [ $i -lt 5000 ]; do echo 'complaint line' >&2; i=$((i+1)); done; "
                "exit 1");
    try {
        call.assureCall(ChildComm::NULL_OUT);
        ADD_FAILURE() << "no error";
    } catch (const qel::DynError& e) {
        std::string expected = "/bin/sh failed:\n\n";
        for (int i = 0; i < 5000; ++i)
            expected += "complaint line\n";
        expected.pop_back();
        EXPECT_EQ(message(e), expected);
    }
}

TEST_F(CallTest, AssureCallReportsAProgramThatCannotStart) {
    ScratchDir dir;
    const std::string program = dir.write("not-executable", "#!/bin/sh\nexit 0\n");
    ChildComm call;
    ASSERT_TRUE(call.tryProgram(program, true));
    try {
        call.assureCall(ChildComm::NULL_OUT);
        ADD_FAILURE() << "no error";
    } catch (const qel::DynError& e) {
        const std::string text = message(e);
        EXPECT_EQ(text.rfind(program + " failed:\n\nIn child process ", 0), 0u) << text;
    }
    EXPECT_EQ(call.lastResult().exitCode(), 125);
}

// --- settling the executable ------------------------------------------------------

TEST_F(CallTest, TryProgramKeepsAPathThatExists) {
    ScratchDir dir;
    const std::string program = dir.script("tool", "exit 0\n");
    ChildComm call;
    EXPECT_TRUE(call.tryProgram(program, true));
    EXPECT_EQ(call.arguments()[0], program);

    // A relative path that exists stays relative.
    char here[4096];
    ASSERT_NE(::getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const bool found = call.tryProgram("./tool", true);
    const std::string settled = call.arguments()[0];
    ASSERT_EQ(::chdir(here), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(settled, "./tool");
}

TEST_F(CallTest, TryProgramFallsBackToTheNameOnPath) {
    ScratchDir dir;
    dir.mkdir("bin");
    const std::string found = dir.script("bin/groupadd", "exit 0\n");
    setenv("PATH", (dir.path() + "/bin").c_str(), 1);
    ChildComm call;
    EXPECT_TRUE(call.tryProgram("/qel/nonexistent/sbin/groupadd", true));
    EXPECT_EQ(call.arguments()[0], found);
}

TEST_F(CallTest, TryProgramThatFindsNothing) {
    setenv("PATH", "/qel/nonexistent", 1);
    ChildComm call;
    EXPECT_FALSE(call.tryProgram("/usr/sbin/qel-missing", false));
    EXPECT_EQ(call.arguments()[0], "");
    try {
        call.tryProgram("/usr/sbin/qel-missing", true);
        ADD_FAILURE() << "no error";
    } catch (const qel::DynError& e) {
        EXPECT_EQ(message(e), "Couldn't find the 'qel-missing' program");
        EXPECT_STREQ(e.function(), "tryProgram");
    }
}

TEST_F(CallTest, FindProgramSearchesThePathInOrder) {
    ScratchDir dir;
    dir.mkdir("first");
    dir.mkdir("second");
    dir.mkdir("third");
    dir.write("first/tool", "not executable\n");
    const std::string second = dir.script("second/tool", "exit 0\n");
    dir.script("third/tool", "exit 0\n");
    setenv("PATH", ("::" + dir.path() + "/first::" + dir.path() + "/second:" + dir.path() +
                    "/third:")
                       .c_str(),
           1);
    ChildComm call;
    EXPECT_TRUE(call.findProgram("tool"));
    EXPECT_EQ(call.arguments()[0], second);
    EXPECT_EQ(call.arguments().size(), 1u);
}

TEST_F(CallTest, WithoutPathNothingIsFound) {
    unsetenv("PATH");
    ChildComm call;
    EXPECT_FALSE(call.findProgram("sh"));
    EXPECT_EQ(call.arguments()[0], "");
}

TEST_F(CallTest, FindProgramOnAnEmptyListAppends) {
    ChildComm call;
    call.arguments().clear();
    EXPECT_TRUE(call.findProgram("sh"));
    ASSERT_EQ(call.arguments().size(), 1u);
    EXPECT_EQ(call.arguments()[0].back(), 'h');
}

} // namespace
