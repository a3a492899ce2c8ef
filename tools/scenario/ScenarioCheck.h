// The world's static findings: what an author can be told without playing the world.
#pragma once

#include "ScenarioModel.h"
#include "ScenarioTexts.h"

#include <string>
#include <utility>
#include <vector>

namespace valdmoor::scenario {

struct TFinding {
    std::string File;
    // 0 when the object's line is unknown.
    int32_t Line = 0;
    std::string Object; // "site Market", "hint FindMarket", ...
    bool Error = true;
    std::string Message;
};

// References, the texts of every language (Sources: language and its texts), the media the
// world names in the game folder Game (skipped when empty), cycles in sub-hints, achievement
// parents and the recommended-site chain, props required or taken that nothing gives, and
// sites whose prerequisites can never hold. Text is the YAML source, for line numbers.
std::vector<TFinding>
CheckWorldSource(const TWorldModel& world, const std::string& text, const std::string& fileName,
                 const std::vector<std::pair<std::string, TTextSource>>& sources,
                 const std::string& game);

// "FILE:LINE: error: OBJECT: message"
std::string FormatFinding(const TFinding& finding);

} // namespace valdmoor::scenario
