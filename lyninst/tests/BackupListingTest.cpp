#include "payload/BackupListing.h"

#include <gtest/gtest.h>

namespace {

using qel::payload::BackupListing;

BackupListing listing(std::initializer_list<const char*> members) {
    BackupListing result("zop-sentinel");
    for (const char* member : members)
        result.addMember(member);
    return result;
}

std::vector<std::string> sharedPaths(const BackupListing& l) {
    std::vector<std::string> paths;
    for (const auto& file : l.sharedFiles())
        paths.push_back(file.path);
    return paths;
}

TEST(BackupListingTest, ProductRootLiesTwoLevelsAboveTheSentinel) {
    struct Case {
        std::initializer_list<const char*> members;
        bool found;
        std::string root;
    };
    const Case cases[] = {
        {{"opt/x/y/", "opt/x/y/sbin/", "opt/x/y/sbin/zop-sentinel"}, true, "/opt/x/y"},
        {{"opt/qel/zop/sbin/zop-sentinel/"}, true, "/opt/qel/zop"},
        {{"a/sbin/zop-sentinel"}, true, "/a"},
        // Directly below "/": nothing is left for a root.
        {{"sbin/zop-sentinel"}, true, ""},
        {{"zop-sentinel"}, true, ""},
        // The last sentinel member decides.
        {{"opt/a/sbin/zop-sentinel", "srv/b/sbin/zop-sentinel"}, true, "/srv/b"},
        // Only the last component counts, and only exactly.
        {{"opt/zop-sentinel/sbin/x", "opt/y/sbin/zop-sentinel.bak", "opt/y/sbin/ZOP-sentinel"},
         false, ""},
        {{}, false, ""},
    };
    for (const Case& c : cases) {
        BackupListing l = listing(c.members);
        EXPECT_EQ(l.sentinelFound(), c.found) << *c.members.begin();
        EXPECT_EQ(l.productRoot(), c.root);
    }
}

TEST(BackupListingTest, SharedFilesAreTheMembersDirectlyInEtc) {
    BackupListing l = listing({"etc/", "etc/qel.info", "etc/init.d/x", "opt/etc/y",
                               "etcetera/z", "etc/licence.dat", "opt/qel/zop/etc/qel.info"});
    EXPECT_EQ(sharedPaths(l), (std::vector<std::string>{"/etc/qel.info", "/etc/licence.dat"}));
    // The member name stays as listed, for the archive tool to match it.
    EXPECT_EQ(l.sharedFiles()[0].member, "etc/qel.info");
}

TEST(BackupListingTest, FilterKeepsOrderOfTheListing) {
    BackupListing l = listing({"etc/a", "etc/b", "etc/c"});
    l.filterShared([](const std::string& path) { return path != "/etc/b"; });
    EXPECT_EQ(sharedPaths(l), (std::vector<std::string>{"/etc/a", "/etc/c"}));
    EXPECT_EQ(l.sharedFiles()[1].member, "etc/c");
}

// A backup of the product holds its root and the files directly in /etc;
// anything else would be written into the system by root.
TEST(BackupListingTest, StrayMembersAreThoseOutsideTheRootAndEtc) {
    struct Case {
        std::initializer_list<const char*> members;
        std::vector<std::string> stray;
    };
    const Case cases[] = {
        {{"opt/qel/zop/", "opt/qel/zop/sbin/zop-sentinel", "opt/qel/zop/etc/zop.conf",
          "etc/qel.info", "./opt/qel/zop/doc/README", "/etc/licence.dat"},
         {}},
        {{"opt/qel/zop/sbin/zop-sentinel", "etc/cron.d/x", "etc/ssh/sshd_config", "etc/",
          "root/.ssh/authorized_keys", "opt/qel/zopper/x", "opt/qel/", "./", "usr/bin/tar"},
         {"etc/cron.d/x", "etc/ssh/sshd_config", "etc/", "root/.ssh/authorized_keys",
          "opt/qel/zopper/x"}},
        // Climbing out of the root is never inside it.
        {{"opt/qel/zop/sbin/zop-sentinel", "opt/qel/zop/../../../etc/shadow", "etc/../x"},
         {"opt/qel/zop/../../../etc/shadow", "etc/../x"}},
        // A sentinel placed in /etc makes no place there the product's.
        {{"etc/cron.d/sbin/zop-sentinel", "etc/cron.d/evil", "etc/qel.info"},
         {"etc/cron.d/sbin/zop-sentinel", "etc/cron.d/evil"}},
        // The last sentinel sets the root: members of another root are stray.
        {{"opt/a/sbin/zop-sentinel", "opt/a/x", "srv/b/sbin/zop-sentinel"},
         {"opt/a/sbin/zop-sentinel", "opt/a/x"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(listing(c.members).strayMembers(5), c.stray) << *c.members.begin();
    }
    EXPECT_EQ(listing({"a/sbin/zop-sentinel", "b", "c"}).strayMembers(1),
              std::vector<std::string>{"b"});
}

} // namespace
