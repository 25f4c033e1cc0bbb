// These run the system's real group tools and so change /etc/group: they run
// only inside testsupport/sandbox-run, with a private copy of /etc.
#include "distro/GroupTools.h"

#include "Exception.h"
#include "QelPal.h"
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <grp.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

class GroupTools : public testing::Test {
protected:
    void SetUp() override {
        QEL_REQUIRE_SANDBOX();
        // The tools' complaints in their original words.
        setenv("LC_ALL", "C", 1);
        m_pal = std::make_unique<qel::QelPal>(true, false, 2);
    }
    void TearDown() override { m_pal.reset(); }

    static bool groupExists(const char* name) { return ::getgrnam(name) != nullptr; }

    static bool isMember(const char* user, const char* group) {
        const struct group* entry = ::getgrnam(group);
        if (!entry)
            return false;
        for (char** member = entry->gr_mem; *member; ++member)
            if (std::string(*member) == user)
                return true;
        return false;
    }

    // The message part of an error's text (after its location heading).
    static std::string message(const qel::Exception& e) {
        const std::string text = e.what();
        return text.substr(text.find("\n\n") + 2);
    }

    std::unique_ptr<qel::QelPal> m_pal;
};

const char* const group = "qeltestgrp";

TEST_F(GroupTools, AddJoinAndDelete) {
    ASSERT_FALSE(groupExists(group));
    qel::addGroup(group);
    EXPECT_TRUE(groupExists(group));

    qel::addUserToGroup("root", group);
    EXPECT_TRUE(isMember("root", group));

    qel::deleteGroup(group);
    EXPECT_FALSE(groupExists(group));
}

TEST_F(GroupTools, FailuresCarryTheToolsComplaint) {
    qel::addGroup(group);
    try {
        qel::addGroup(group);
        ADD_FAILURE() << "no error";
    } catch (const qel::DynError& e) {
        EXPECT_EQ(message(e), "/usr/sbin/groupadd failed:\n\ngroupadd: group 'qeltestgrp' already exists");
    }
    try {
        qel::addUserToGroup("qel-no-such-user", group);
        ADD_FAILURE() << "no error";
    } catch (const qel::DynError& e) {
        EXPECT_EQ(message(e).rfind("/usr/bin/gpasswd failed:\n\ngpasswd: ", 0), 0u) << e.what();
        EXPECT_NE(message(e).find("qel-no-such-user"), std::string::npos) << e.what();
    }
    qel::deleteGroup(group);
    try {
        qel::deleteGroup(group);
        ADD_FAILURE() << "no error";
    } catch (const qel::DynError& e) {
        EXPECT_EQ(message(e), "/usr/sbin/groupdel failed:\n\ngroupdel: group 'qeltestgrp' does not exist");
    }
}

} // namespace
