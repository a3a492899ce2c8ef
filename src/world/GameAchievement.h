// Achievements: goals that scenes advance or that follow a prop's count. Progress climbs to
// parents; a hidden achievement shows once the one that reveals it is completed.
#pragma once

#include "app/EngineClasses.h"

#include <cstdint>
#include <string>

namespace valdmoor {

class TStream;
class TCaption;
class TProp;
struct TLoadContext;

constexpr int32_t AchievementRecordSize = 29;

// "AchievementLegendH" + the number in upper-case hexadecimal.
std::string AchievementLegendName(int32_t number);
// "H" + the number in upper-case hexadecimal: the achievement's name with the stats service.
std::string AchievementStatsName(int32_t number);

class TAchievement : public TNamedItem {
public:
    using TNamedItem::TNamedItem;

    void Load(TStream& stream, const TLoadContext& context);
    void Reset();
    // Progress plus the tracked prop's count, held within 32 bits.
    int32_t Value() const;
    // Adds a positive Amount here and up the parent chain (once per achievement, whatever the
    // data says), then reveals an achievement that nothing else reveals.
    void AddProgress(int32_t amount);
    bool Completed() const;
    bool NewlyCompleted() const;
    bool IsVisible();
    std::string Title() const;
    std::string Legend() const;

    int32_t Number = 0;
    int32_t Order = 0;
    TCaption* Caption = nullptr;
    uint8_t Hidden = 0;
    int32_t Target = 0;
    TProp* TrackedProp = nullptr;
    TAchievement* Parent = nullptr;
    TAchievement* RevealedBy = nullptr;
    bool Revealed = false;
    int32_t Progress = 0;

    uint32_t WalkMark = 0;
    bool CycleLogged = false;
};

// The first achievement in list order that is completed and not yet earned, or none.
TAchievement* FirstNewlyCompletedAchievement();

// Whether the current player already earned achievement Number; the player profiles answer it
// once they exist, until then nothing counts as earned.
using TAchievementEarnedQuery = bool (*)(int32_t number);
void SetAchievementEarnedQuery(TAchievementEarnedQuery query);
bool AchievementEarned(int32_t number);

} // namespace valdmoor
