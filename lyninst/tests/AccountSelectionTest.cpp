// Selection of the user and group to install for; only products of kind 0
// offer the switches.
#include "InstallerSwitches.h"
#include "TranslatedStdOutput.h"

#include "StreamCapture.h"
#include "term/Color.h"
#include "user/UserInfo.h"

#include <gtest/gtest.h>

#include <iostream>
#include <unistd.h>

namespace {

using qel::test::StreamCapture;

class AccountSelection : public ::testing::Test {
protected:
    AccountSelection() : m_cmd("", ' ', "", true), m_switches(m_cmd) {
        m_cmd.setOutput(&m_output);
        m_cmd.setExceptionHandling(false);
        qel::UserInfo::captureProcessUsers();
    }

    // Parses the switches for a product of the given kind and selects.
    bool select(qel::ProductKind kind, std::vector<std::string> args) {
        m_switches.addAccountSwitches(m_cmd, qel::Product(kind).kind());
        args.insert(args.begin(), "./inst");
        m_cmd.parse(args);
        StreamCapture err(std::cerr);
        const bool ok = m_switches.selectAccounts(m_group, m_user);
        m_err = err.text();
        return ok;
    }

    qel::TranslatedStdOutput m_output;
    TCLAP::CmdLine m_cmd;
    qel::InstallerSwitches m_switches;
    std::string m_group;
    std::string m_user;
    std::string m_err;
};

TEST_F(AccountSelection, DefaultsAreQelAndTheRealUser) {
    ASSERT_TRUE(select(qel::TOLVANE_CLIENT, {}));
    EXPECT_EQ(m_group, "qel");
    ASSERT_FALSE(qel::UserInfo::m_real_info.loginName().empty());
    EXPECT_EQ(m_user, qel::UserInfo::m_real_info.loginName());
    EXPECT_EQ(m_err, "");
}

TEST_F(AccountSelection, GivenAccountsAreLookedUp) {
    ASSERT_TRUE(select(qel::TOLVANE_CLIENT, {"--group", "root", "-u", "root"}));
    EXPECT_EQ(m_group, "root");
    EXPECT_EQ(m_user, "root");
}

TEST_F(AccountSelection, QelIsTakenWithoutLookUp) {
    // Whether or not the group exists yet: the installation routine makes it.
    ASSERT_TRUE(select(qel::TOLVANE_CLIENT, {"-g", "qel"}));
    EXPECT_EQ(m_group, "qel");
}

TEST_F(AccountSelection, UnknownGroupIsRefusedInTheErrorColour) {
    const bool out = qel::term::Terminal::m_stdout_color;
    const bool err = qel::term::Terminal::m_stderr_color;
    qel::term::Terminal::m_stderr_color = true;
    const bool ok = select(qel::TOLVANE_CLIENT, {"--group", "no-such-group-qel"});
    qel::term::Terminal::m_stdout_color = out;
    qel::term::Terminal::m_stderr_color = err;
    EXPECT_FALSE(ok);
    EXPECT_EQ(m_err, "\x1b[2m\x1b[31mThe selected group 'no-such-group-qel' is not known in the "
                     "system\n\x1b[0m");
}

TEST_F(AccountSelection, UnknownUserIsRefusedWithTheReason) {
    EXPECT_FALSE(select(qel::TOLVANE_CLIENT, {"--user", "no-such-user-qel"}));
    EXPECT_EQ(m_err.rfind("The selected user 'no-such-user-qel' is invalid:\n", 0), 0u) << m_err;
    EXPECT_NE(m_err.find("No such user"), std::string::npos) << m_err;
}

TEST_F(AccountSelection, OtherKindsHaveNoAccountSwitches) {
    EXPECT_THROW(select(qel::ZOP_SERVER, {"--group", "root"}), TCLAP::CmdLineParseException);
    EXPECT_THROW(select(qel::ZOP_SERVER, {"-u", "root"}), TCLAP::CmdLineParseException);
}

TEST_F(AccountSelection, OtherKindsTakeQelAndTheRealUser) {
    ASSERT_TRUE(select(qel::ZOP_SERVER, {}));
    EXPECT_EQ(m_group, "qel");
    EXPECT_EQ(m_user, qel::UserInfo::m_real_info.loginName());
}

} // namespace
