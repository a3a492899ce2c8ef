#include "world/GameAchievement.h"

#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRecords.h"
#include "world/GameScenario.h"

#include <cstdio>

namespace valdmoor {
namespace {

TAchievementEarnedQuery earnedQuery = nullptr;
uint32_t walk = 0;

std::string Hex(int32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<uint32_t>(number));
    return text;
}

} // namespace

std::string AchievementLegendName(int32_t number) {
    return "AchievementLegendH" + Hex(number);
}

std::string AchievementStatsName(int32_t number) {
    return "H" + Hex(number);
}

void TAchievement::Load(TStream& stream, const TLoadContext& context) {
    TRecordBytes<AchievementRecordSize> record;
    TRecordReader r = ReadRecord(stream, record);
    Number = r.Int32();
    Order = r.Int32();
    Caption = Resolve(context.Captions, r.Int32());
    Hidden = r.Byte();
    Target = r.Int32();
    TrackedProp = Resolve(context.Props, r.Int32());
    Parent = Resolve(context.Achievements, r.Int32());
    RevealedBy = Resolve(context.Achievements, r.Int32());
    r.Finish();
}

void TAchievement::Reset() {
    Revealed = Hidden == 0;
    Progress = 0;
}

int32_t TAchievement::Value() const {
    const int64_t tracked = TrackedProp != nullptr ? TrackedProp->Count : 0;
    return SaturateInt32(static_cast<int64_t>(Progress) + tracked);
}

void TAchievement::AddProgress(int32_t amount) {
    if (amount > 0) {
        ++walk;
        for (TAchievement* a = this; a != nullptr; a = a->Parent) {
            if (a->WalkMark == walk) {
                // A parent chain that loops: every member was credited once.
                if (!CycleLogged) {
                    CycleLogged = true;
                    LogMessage("Achievement parents loop at \"" + a->Name() + "\"");
                }
                break;
            }
            a->WalkMark = walk;
            a->Progress = AddSaturated(a->Progress, amount);
        }
    }
    if (RevealedBy == nullptr) {
        Revealed = true;
    }
}

bool TAchievement::Completed() const {
    return Value() >= Target || AchievementEarned(Number);
}

bool TAchievement::NewlyCompleted() const {
    return Value() >= Target && !AchievementEarned(Number);
}

bool TAchievement::IsVisible() {
    if (!Revealed && RevealedBy != nullptr && RevealedBy->Completed()) {
        Revealed = true;
    }
    return Revealed;
}

std::string TAchievement::Title() const {
    return Caption != nullptr ? Caption->Name() : std::string();
}

std::string TAchievement::Legend() const {
    return AchievementLegendName(Number);
}

TAchievement* FirstNewlyCompletedAchievement() {
    for (TAchievement& achievement : ScenarioAchievements()) {
        if (achievement.NewlyCompleted()) {
            return &achievement;
        }
    }
    return nullptr;
}

void SetAchievementEarnedQuery(TAchievementEarnedQuery query) {
    earnedQuery = query;
}

bool AchievementEarned(int32_t number) {
    return earnedQuery != nullptr && earnedQuery(number);
}

} // namespace valdmoor
