// Hints: for each recommended site a tree of hints; the first that applies is shown with the
// amount still needed.
#pragma once

#include "app/EngineClasses.h"

#include <array>
#include <cstdint>
#include <string>

namespace valdmoor {

class TStream;
class TProp;
class TSite;
class TRegion;
struct TLoadContext;

constexpr int32_t HintRecordSize = 100;
constexpr int32_t SubhintCount = 8;
// Deeper sub-hint trees than this are treated as damage: the rest of the branch is none.
constexpr int32_t MaxHintDepth = 64;

class THint : public TNamedItem {
public:
    using TNamedItem::TNamedItem;

    void Load(TStream& stream, const TLoadContext& context);
    // "HintLegendH" + the number in decimal (unlike the scene and achievement texts).
    std::string Legend() const;

    int32_t Number = 0;
    TProp* UntilProp = nullptr;
    TProp* NeedProp = nullptr;
    int32_t NeedAmount = 0;
    TSite* UntilVisited = nullptr;
    TSite* NeedVisited = nullptr;
    uint8_t UntilEntered = 0;
    TSite* UntilSiteEntered = nullptr;
    TRegion* NotInRegion = nullptr;
    std::array<THint*, SubhintCount> Subhints{};
    std::array<int32_t, SubhintCount> SubAmounts{};
    uint8_t GroupOnly = 0;
    std::array<uint8_t, 2> Display{};

    uint32_t WalkMark = 0;
    bool OnPath = false;
    bool CycleLogged = false;
};

// The hint of the tree under Hint that applies for Amount at Site, or none; Shown receives the
// amount to show. Each hint is tried at most once per call, so a tree that loops ends.
THint* ResolveHint(THint* hint, int32_t amount, const TSite* site, int32_t& shown);

// The hint of the first recommended site not yet visited or closed; none without one.
THint* NextRecommendedHint(TSite*& site, int32_t& amount);

} // namespace valdmoor
