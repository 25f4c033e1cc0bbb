#include "StrUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(StrUtil, FormatGrowsPastTheFirstBuffer) {
    const std::string long_text(300, 'x');
    EXPECT_EQ(qel::aux::format("<%s>", long_text.c_str()), "<" + long_text + ">");
    EXPECT_EQ(qel::aux::format("%d-%s", 7, "a"), "7-a");
}

TEST(StrUtil, FormatPositional) {
    EXPECT_EQ(qel::aux::format("%2$s %1$s", "world", "hello"), "hello world");
}

TEST(StrUtil, Join) {
    EXPECT_EQ(qel::aux::join({}, ","), "");
    EXPECT_EQ(qel::aux::join({}, ",", true), "");
    EXPECT_EQ(qel::aux::join({"a", "b"}, ", "), "a, b");
    EXPECT_EQ(qel::aux::join({"a", "b"}, "|", true), "|a|b|");
}

TEST(StrUtil, CaseConversionIsBytewise) {
    std::string s = "MiXeD \xc3\x84";
    qel::aux::toLower(s);
    EXPECT_EQ(s, "mixed \xc3\x84");
    qel::aux::toUpper(s);
    EXPECT_EQ(s, "MIXED \xc3\x84");
}

} // namespace
