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

} // namespace
