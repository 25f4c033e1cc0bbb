#include "console/WrapText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct WrapCase {
    const char* name;
    std::string text;
    unsigned indent;
    std::string expected;
};

const std::string chunk40 = std::string(39, 'a') + " "; // 40 characters, ending in a blank

const WrapCase cases[] = {
    {"79CharactersStayOnOneLine", chunk40 + std::string(39, 'b'), 0,
     chunk40 + std::string(39, 'b')},
    // The last chunk counts one more, so 40 + 41 exceeds 80.
    {"80CharactersMoveTheLastChunk", chunk40 + std::string(40, 'b'), 0,
     chunk40 + "\n" + std::string(40, 'b')},
    {"LongChunkStaysWhole", std::string(100, 'x'), 0, std::string(100, 'x')},
    {"LongChunkStandsAloneOnItsLine", "ab " + std::string(100, 'x') + " cd", 0,
     "ab \n" + std::string(100, 'x') + " \ncd"},
    {"BreaksAfterHyphen", std::string(70, 'a') + "-" + std::string(20, 'b'), 0,
     std::string(70, 'a') + "-\n" + std::string(20, 'b')},
    {"IndentationStartsEveryLine", chunk40 + std::string(40, 'b'), 1,
     "\t" + chunk40 + "\n\t" + std::string(40, 'b')},
    {"IndentationDoesNotCount", chunk40 + std::string(39, 'b'), 3,
     "\t\t\t" + chunk40 + std::string(39, 'b')},
    {"LineFeedsAreKept", "one\ntwo", 0, "one\ntwo"},
    {"TrailingLineFeedGivesIndentedEmptyLine", "text\n", 1, "\ttext\n\t"},
    {"EmptyText", "", 1, "\t"},
    {"LengthRestartsOnEveryInputLine", std::string(70, 'a') + "\n" + chunk40 + "b", 0,
     std::string(70, 'a') + "\n" + chunk40 + "b"},
    {"WrappedLineCountsFromTheMovedChunk",
     chunk40 + chunk40 + chunk40 + "end", 0, chunk40 + chunk40 + "\n" + chunk40 + "end"},
};

class WrapText : public ::testing::TestWithParam<WrapCase> {};

TEST_P(WrapText, Wraps) {
    const WrapCase& c = GetParam();
    EXPECT_EQ(qel::wrapText(c.text, 80, c.indent), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, WrapText, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<WrapCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(WrapTextOptions, OtherWidthAndCharacters) {
    EXPECT_EQ(qel::wrapText("aa,bb,cc", 5, 1, ",", '|', '>'), ">aa,|>bb,|>cc");
    EXPECT_EQ(qel::wrapText("one two|three", 8, 0, " ", '|', ' '), "one two|three");
}

} // namespace
