#include "Exception.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(Exception, HeadingNamesTheLocation) {
    qel::UsageError e("tried to remove non-registered signal");
    e.setLocation("qelpal/src/os/posix/fs/Ops", 420, "setAccessPriv");
    EXPECT_STREQ(e.what(),
                 "Exception occured at \"qelpal/src/os/posix/fs/Ops:420 (setAccessPriv)\"\n\n"
                 "Usage error occured. tried to remove non-registered signal");
}

TEST(Exception, WithoutLocationHasPlainHeading) {
    qel::StaticError e(nullptr, nullptr);
    EXPECT_STREQ(e.what(), "Exception occured\n\nerror occured.");
}

TEST(Exception, RuntimeKindKeepsItsTrailingBlank) {
    qel::RuntimeError e("boom");
    EXPECT_STREQ(e.what(), "Exception occured\n\nRuntime  error occured. boom");
}

TEST(Exception, DynErrorUsesDefaultLocationAndStream) {
    qel::DynError e("first", "Config");
    e.stream() << " second " << 42;
    EXPECT_STREQ(e.what(),
                 "Exception occured at \"<unknown-file>:0 (<unknown-function>)\"\n\n"
                 "Config error occured. first second 42");
}

TEST(Exception, FsErrorReasonLine) {
    qel::FsError e("/opt/x", EACCES);
    QEL_LOCATE(e);
    const std::string text = e.what();
    EXPECT_NE(text.find("\n\nFile system error occured. At location: \"/opt/x\"\n"
                        "Reason: Permission denied."),
              std::string::npos)
        << text;
}

TEST(Exception, FsErrorWithoutNumberHasNoReason) {
    qel::FsError e("/opt/x", 0);
    EXPECT_EQ(std::string(e.what()).find("Reason"), std::string::npos);
}

TEST(Exception, FsErrorCapturesErrno) {
    errno = ENOENT;
    qel::FsError e("/nope");
    EXPECT_EQ(e.errorNumber(), ENOENT);
}

TEST(Exception, OsErrorNamesCallAndNumber) {
    qel::OsError e(EPERM);
    EXPECT_NE(std::string(e.what()).find("\n\nSystem/Library call error: Operation not permitted (1)"),
              std::string::npos);
}

TEST(Exception, RaiseThrowsMostDerivedType) {
    try {
        QEL_THROW(qel::NoSuchProcessError, ESRCH);
        FAIL();
    } catch (const qel::NoSuchProcessError& e) {
        EXPECT_EQ(e.errorNumber(), ESRCH);
        EXPECT_STREQ(e.function(), "TestBody");
    }
}

TEST(Exception, RaiseFsErrorChoosesSubclassFromErrno) {
    EXPECT_THROW(QEL_RAISE_FS("/a", ENOENT), qel::NoSuchFileError);
    EXPECT_THROW(QEL_RAISE_FS("/a", EEXIST), qel::FileExistsError);
    EXPECT_THROW(QEL_RAISE_FS("/a", ETXTBSY), qel::FileBusyError);
    EXPECT_THROW(QEL_RAISE_FS("/a", EXDEV), qel::NotSameDeviceError);
    try {
        QEL_RAISE_FS("/a", EACCES);
    } catch (const qel::NoSuchFileError&) {
        FAIL();
    } catch (const qel::FsError& e) {
        EXPECT_EQ(e.errorNumber(), EACCES);
    }
}

TEST(Exception, CopyRecomposesAndDeepCopiesCause) {
    qel::DynError inner("inner", nullptr);
    qel::DynError outer("outer", "Outer");
    outer.setCause(inner);
    const std::string first = outer.what();
    qel::DynError copy(outer);
    EXPECT_EQ(first, copy.what());
    ASSERT_NE(copy.cause(), nullptr);
    EXPECT_NE(copy.cause(), outer.cause());
    EXPECT_STREQ(copy.cause()->what(), outer.cause()->what());
}

TEST(Exception, DescribeNumbersTheChain) {
    qel::StaticError a("a", "A"), b("b", "B"), c("c", "C");
    b.setCause(c);
    a.setCause(b);
    EXPECT_EQ(qel::describe(a),
              "\n#1)\n\tException occured\n\t\n\tA error occured. a\n"
              "\n#2)\n\tException occured\n\t\n\tB error occured. b\n"
              "\n#3)\n\tException occured\n\t\n\tC error occured. c\n");
}

} // namespace
