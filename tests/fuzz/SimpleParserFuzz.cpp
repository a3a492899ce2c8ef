// Feeds arbitrary bytes to the segments tokenizer and the segment-name rules. The first 32
// bytes choose the token characters, the rest is the text.
#include "storage/EngineObjects.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    valdmoor::TTokenChars chars = valdmoor::SegmentTokenChars();
    std::size_t offset = 0;
    if (size >= 32) {
        chars.reset();
        for (std::size_t bit = 0; bit < 256; ++bit) {
            if ((data[bit / 8] >> (bit % 8)) & 1) {
                chars.set(bit);
            }
        }
        offset = 32;
    }
    const std::string text(reinterpret_cast<const char*>(data) + offset, size - offset);

    valdmoor::TSimpleParser parser;
    valdmoor::ParserInit(parser, text);
    std::size_t tokens = 0;
    for (;;) {
        const int32_t before = parser.Position;
        const std::string_view token = valdmoor::ParserNextToken(parser, chars);
        if (token.empty()) {
            break;
        }
        for (char c : token) {
            if (!chars.test(static_cast<unsigned char>(c))) {
                std::abort();
            }
        }
        if (parser.Position <= before || ++tokens > text.size()) {
            std::abort();
        }
    }
    if (valdmoor::ParserHasMore(parser)) {
        std::abort();
    }

    const std::string name = valdmoor::SegmentsNameOf(text);
    if (name.size() > text.size() && name != "K0") {
        std::abort();
    }
    valdmoor::HasOwnSegments(text);
    return 0;
}
