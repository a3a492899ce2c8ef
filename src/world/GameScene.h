// Scenes: the steps of a site visit. A built-in table of 61 types fixes what each scene shows
// and how many requirement, loss, reward, barter or make slots it has; the scene's record
// fills only those slots. The rules here change props, tints, music, achievements and plots.
#pragma once

#include "app/EngineClasses.h"
#include "world/GameSite.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

class TSound;
class TPicture;
class TEffector;
class TAchievement;
class TGroup;

constexpr int32_t SceneRecordSize = 207;
constexpr int32_t SceneTypeCount = 61;
constexpr int32_t SceneSlotCount = 8;

struct TSceneType {
    std::string_view Name;
    bool Dialog;
    bool ShowsPicture;
    bool ShowsText;
    bool HasAccept;
    bool HasCancel;
    int32_t InputSlots;
    int32_t OutputSlots;
};

// The built-in types 0..60; any other value reads as type 0 ("None": no slots, no dialog).
const TSceneType& SceneTypeOf(int32_t sceneType);

// The exchange counters of a barter or make scene: one unsigned 16-bit counter per slot.
using TChoices = std::array<uint16_t, SceneSlotCount>;
// Slot is 1-based; the counter stays within 0 .. 65535 whatever Value is.
void SetChoice(TChoices& choices, int32_t slot, int64_t value);
void AddChoice(TChoices& choices, int32_t slot, int64_t delta);

// "SceneLegendH" + the number in upper-case hexadecimal (two's complement for negatives).
std::string SceneLegendName(int32_t number);

class TScene : public TItem {
public:
    // One 207-byte record.
    void Load(TStream& stream, const TLoadContext& context);

    const TSceneType& Type() const { return SceneTypeOf(SceneType); }
    std::string Legend() const;
    bool IsRequirements() const { return SceneType >= 7 && SceneType <= 19; }
    bool IsHiddenRequirements() const { return SceneType >= 7 && SceneType <= 11; }
    bool IsLoss() const { return SceneType >= 20 && SceneType <= 28; }
    bool IsReward() const { return SceneType >= 29 && SceneType <= 37; }
    bool IsBarter() const { return SceneType >= 38 && SceneType <= 45; }
    bool IsMake() const { return SceneType >= 46 && SceneType <= 60; }
    bool RequirementsMet() const;
    bool NeedsDialog() const;

    void ApplyTintAction() const;
    void ApplyMusicAction() const;
    void ApplyLossesAndRewards() const;
    void ApplyBarter(const TChoices& choices) const;
    void ApplyMake(const TChoices& choices) const;
    void ApplyAchievement() const;
    void ToggleGroups() const;
    // Loads the sounds, picture and effect this scene will play.
    void PrepareAssets() const;

    TScene* NextScene() const { return static_cast<TScene*>(Next()); }
    TScene* PreviousScene() const { return static_cast<TScene*>(Previous()); }

    // The scene a visit of Site starts with, or none.
    static TScene* FirstSceneToShow(const TSite* site);
    // The skip loop from Scene on: the first scene that plays, counting the skipped
    // non-repeatable ones as executed; none at the end. After a scene has executed the visit
    // goes on with SceneToShowFrom(its NextScene()).
    static TScene* SceneToShowFrom(TScene* scene);
    // Replay of an execution: counts it, first bringing up earlier scenes that fell behind,
    // and applies the effects that an execution has outside the dialog.
    void CatchUp();

    // A live execution after Accept: losses and rewards, barter, make, achievement, in order.
    void ApplyAccepted(const TChoices& choices) const;
    // The scene that follows this one once it has executed: none when it leaves the site.
    TScene* SceneAfter() const;
    // Replayed events: an execution recorded with the count it reached, and the exchanges
    // recorded with their choices (applied only when the execution took effect).
    void ReplayExecuted(int32_t executions);
    void ReplayExchange(const TChoices& choices) const;

    TSite* Site = nullptr;
    int32_t Number = 0;
    int32_t Executions = 0;
    uint8_t Repeatable = 0;
    uint8_t LeavesSite = 0;
    uint8_t Flag3 = 0;
    float ScreenX = 0;
    float ScreenY = 0;
    int32_t TintAction = 0;
    int32_t SoundAction = 0;
    TSound* Sound = nullptr;
    int32_t SceneType = 0;
    TPicture* Picture = nullptr;
    int32_t PictureFrame = 0;
    std::array<TPropAmount, SceneSlotCount> Inputs{};
    std::array<TPropAmount, SceneSlotCount> Outputs{};
    TAchievement* Achievement = nullptr;
    int32_t AchievementAmount = 0;
    float EffectDuration = 0;
    TSound* EffectSound = nullptr;
    TEffector* EffectEffector = nullptr;
    int32_t EffectValue = 0;
    std::array<TGroup*, 4> Groups{};

private:
    // Effects of an execution that catch-up replays.
    void ApplyExecutionEffects() const;
};

} // namespace valdmoor
