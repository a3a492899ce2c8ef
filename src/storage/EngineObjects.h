// Name rules for texture segment files, and the tokenizer that reads those files.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

// Whether the picture Name comes with a segments file of its own: not for names shorter than
// two characters, nor for the "K2".."K6" families.
bool HasOwnSegments(std::string_view name);
// The name of the segments file the picture Name uses: "K0" for the K0 and K1 families, the
// shared "G2Square06" / "G2Square09" layouts for the pictures named after them, else Name.
std::string SegmentsNameOf(std::string_view name);

// A set of byte values.
using TTokenChars = std::bitset<256>;

// The token characters of segments files: letters, digits, "-" and "_".
const TTokenChars& SegmentTokenChars();

struct TSimpleParser {
    std::string Text;
    int32_t Position = 1; // 1-based: the next byte to look at
};

void ParserInit(TSimpleParser& parser, std::string text);
bool ParserHasMore(const TSimpleParser& parser);
// Skips bytes outside TokenChars and returns the longest run of bytes inside it; empty at the
// end of the text. The token points into the parser's text.
std::string_view ParserNextToken(TSimpleParser& parser, const TTokenChars& tokenChars);

} // namespace valdmoor
