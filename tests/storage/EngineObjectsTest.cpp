#include "storage/EngineObjects.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

TEST(SegmentNames, FamiliesDecideWhoHasOwnSegments) {
    EXPECT_TRUE(HasOwnSegments("G2Props"));
    EXPECT_TRUE(HasOwnSegments("K7Tiles"));
    EXPECT_TRUE(HasOwnSegments("K1Tiles"));
    EXPECT_FALSE(HasOwnSegments("K"));
    EXPECT_FALSE(HasOwnSegments("K2"));
    EXPECT_FALSE(HasOwnSegments("K3Terrain"));
    EXPECT_FALSE(HasOwnSegments("K6x"));
    EXPECT_FALSE(HasOwnSegments("G"));
    EXPECT_FALSE(HasOwnSegments(""));
}

TEST(SegmentNames, SharedLayoutsNeedALongerName) {
    EXPECT_EQ(SegmentsNameOf("G2Square06Filled"), "G2Square06");
    EXPECT_EQ(SegmentsNameOf("G2Square09Dark"), "G2Square09");
    EXPECT_EQ(SegmentsNameOf("G2Square06"), "G2Square06");
    EXPECT_EQ(SegmentsNameOf("G2Square0"), "G2Square0");
    EXPECT_EQ(SegmentsNameOf("K1Anything"), "K0");
    EXPECT_EQ(SegmentsNameOf("K0"), "K0");
    EXPECT_EQ(SegmentsNameOf("K2Tiles"), "K2Tiles");
    EXPECT_EQ(SegmentsNameOf("G2Props"), "G2Props");
    EXPECT_EQ(SegmentsNameOf(""), "");
}

std::vector<std::string> Tokens(std::string text, const TTokenChars& chars) {
    TSimpleParser parser;
    ParserInit(parser, std::move(text));
    std::vector<std::string> tokens;
    for (int guard = 0; guard < 100; ++guard) {
        const std::string_view token = ParserNextToken(parser, chars);
        tokens.emplace_back(token);
        if (token.empty()) {
            break;
        }
    }
    return tokens;
}

TEST(TSimpleParser, SplitsSegmentLinesIntoTokens) {
    EXPECT_EQ(Tokens("SEGMENT 0 16\t32  48\r\n-1", SegmentTokenChars()),
              (std::vector<std::string>{"SEGMENT", "0", "16", "32", "48", "-1", ""}));
    EXPECT_EQ(Tokens("a_b,c-d;;e", SegmentTokenChars()),
              (std::vector<std::string>{"a_b", "c-d", "e", ""}));
    EXPECT_EQ(Tokens("", SegmentTokenChars()), (std::vector<std::string>{""}));
    EXPECT_EQ(Tokens(" ,.; \n", SegmentTokenChars()), (std::vector<std::string>{""}));
    EXPECT_EQ(Tokens("\xc3\xa9t\xc3\xa9", SegmentTokenChars()),
              (std::vector<std::string>{"t", ""}));
}

TEST(TSimpleParser, PositionFollowsTheTokens) {
    TSimpleParser parser;
    ParserInit(parser, "ab  cd");
    EXPECT_TRUE(ParserHasMore(parser));
    EXPECT_EQ(parser.Position, 1);
    EXPECT_EQ(ParserNextToken(parser, SegmentTokenChars()), "ab");
    EXPECT_EQ(parser.Position, 3);
    EXPECT_EQ(ParserNextToken(parser, SegmentTokenChars()), "cd");
    EXPECT_EQ(parser.Position, 7);
    EXPECT_FALSE(ParserHasMore(parser));
    EXPECT_EQ(ParserNextToken(parser, SegmentTokenChars()), "");

    // A position set out of range by hand ends the text instead of reading outside it.
    parser.Position = 1000;
    EXPECT_EQ(ParserNextToken(parser, SegmentTokenChars()), "");
    parser.Position = -5;
    EXPECT_EQ(ParserNextToken(parser, SegmentTokenChars()), "");
    EXPECT_FALSE(ParserHasMore(parser));

    TTokenChars digits;
    for (char c = '0'; c <= '9'; ++c) {
        digits.set(static_cast<unsigned char>(c));
    }
    ParserInit(parser, "x12y345");
    EXPECT_EQ(ParserNextToken(parser, digits), "12");
    EXPECT_EQ(ParserNextToken(parser, digits), "345");
}

} // namespace
} // namespace valdmoor
