#include "storage/EngineObjects.h"

#include <algorithm>
#include <array>

namespace valdmoor {

bool HasOwnSegments(std::string_view name) {
    if (name.size() < 2) {
        return false;
    }
    return !(name[0] == 'K' && name[1] >= '2' && name[1] <= '6');
}

std::string SegmentsNameOf(std::string_view name) {
    if (name.size() >= 2 && name[0] == 'K' && (name[1] == '0' || name[1] == '1')) {
        return "K0";
    }
    static constexpr std::array<std::string_view, 2> SharedLayouts = {"G2Square06", "G2Square09"};
    for (std::string_view prefix : SharedLayouts) {
        if (prefix.size() < name.size() && name.starts_with(prefix)) {
            return std::string(prefix);
        }
    }
    return std::string(name);
}

const TTokenChars& SegmentTokenChars() {
    static const TTokenChars chars = [] {
        TTokenChars set;
        for (int c = 'A'; c <= 'Z'; ++c) {
            set.set(static_cast<std::size_t>(c));
            set.set(static_cast<std::size_t>(c - 'A' + 'a'));
        }
        for (int c = '0'; c <= '9'; ++c) {
            set.set(static_cast<std::size_t>(c));
        }
        set.set('-');
        set.set('_');
        return set;
    }();
    return chars;
}

void ParserInit(TSimpleParser& parser, std::string text) {
    parser.Text = std::move(text);
    parser.Position = 1;
}

bool ParserHasMore(const TSimpleParser& parser) {
    return parser.Position >= 1 && static_cast<std::size_t>(parser.Position) <= parser.Text.size();
}

std::string_view ParserNextToken(TSimpleParser& parser, const TTokenChars& tokenChars) {
    const std::string_view text = parser.Text;
    // A position moved out of range by hand is treated as the end, never read through.
    if (parser.Position < 1) {
        parser.Position = static_cast<int32_t>(text.size()) + 1;
    }
    std::size_t at = static_cast<std::size_t>(parser.Position) - 1;
    auto inSet = [&](std::size_t i) {
        return tokenChars.test(static_cast<unsigned char>(text[i]));
    };
    while (at < text.size() && !inSet(at)) {
        ++at;
    }
    const std::size_t begin = at;
    while (at < text.size() && inSet(at)) {
        ++at;
    }
    parser.Position = static_cast<int32_t>(std::min(at, text.size()) + 1);
    return text.substr(std::min(begin, text.size()), at - std::min(begin, text.size()));
}

} // namespace valdmoor
