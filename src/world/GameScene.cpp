#include "world/GameScene.h"

#include "audio/EngineAudio.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "world/GameAchievement.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRecords.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace valdmoor {
namespace {

constexpr std::array<TSceneType, SceneTypeCount> SceneTypes = {{
    {"None", false, false, false, true, false, 0, 0},
    {"Floating text", false, true, true, true, false, 0, 0},
    {"Text", true, false, true, true, false, 0, 0},
    {"Text stop", true, false, true, false, true, 0, 0},
    {"Illustration", true, true, false, true, false, 0, 0},
    {"Illustrated text (top)", true, true, true, true, false, 0, 0},
    {"Illustrated text (left)", true, true, true, true, false, 0, 0},
    {"Hidden requirements 1", true, false, true, true, true, 1, 0},
    {"Hidden requirements 2", true, false, true, true, true, 2, 0},
    {"Hidden requirements 3", true, false, true, true, true, 3, 0},
    {"Hidden requirements 4", true, false, true, true, true, 4, 0},
    {"Hidden requirements 5", true, false, true, true, true, 5, 0},
    {"Requirements 1", true, false, true, true, true, 1, 0},
    {"Requirements 2", true, false, true, true, true, 2, 0},
    {"Requirements 3", true, false, true, true, true, 3, 0},
    {"Requirements 4", true, false, true, true, true, 4, 0},
    {"Requirements 5", true, false, true, true, true, 5, 0},
    {"Requirements 6", true, false, true, true, true, 6, 0},
    {"Requirements 7", true, false, true, true, true, 7, 0},
    {"Requirements 8", true, false, true, true, true, 8, 0},
    {"Floating loss", false, false, false, true, false, 1, 0},
    {"Losses 1", true, false, true, true, false, 1, 0},
    {"Losses 2", true, false, true, true, false, 2, 0},
    {"Losses 3", true, false, true, true, false, 3, 0},
    {"Losses 4", true, false, true, true, false, 4, 0},
    {"Losses 5", true, false, true, true, false, 5, 0},
    {"Losses 6", true, false, true, true, false, 6, 0},
    {"Losses 7", true, false, true, true, false, 7, 0},
    {"Losses 8", true, false, true, true, false, 8, 0},
    {"Floating reward", false, false, false, true, false, 0, 1},
    {"Rewards 1", true, false, true, true, false, 0, 1},
    {"Rewards 2", true, false, true, true, false, 0, 2},
    {"Rewards 3", true, false, true, true, false, 0, 3},
    {"Rewards 4", true, false, true, true, false, 0, 4},
    {"Rewards 5", true, false, true, true, false, 0, 5},
    {"Rewards 6", true, false, true, true, false, 0, 6},
    {"Rewards 7", true, false, true, true, false, 0, 7},
    {"Rewards 8", true, false, true, true, false, 0, 8},
    {"Barter 1", true, false, true, true, true, 1, 1},
    {"Barter 2", true, false, true, true, true, 2, 2},
    {"Barter 3", true, false, true, true, true, 3, 3},
    {"Barter 4", true, false, true, true, true, 4, 4},
    {"Barter 5", true, false, true, true, true, 5, 5},
    {"Barter 6", true, false, true, true, true, 6, 6},
    {"Barter 7", true, false, true, true, true, 7, 7},
    {"Barter 8", true, false, true, true, true, 8, 8},
    {"Make 11", true, false, true, true, true, 1, 1},
    {"Make 12", true, false, true, true, true, 1, 2},
    {"Make 13", true, false, true, true, true, 1, 3},
    {"Make 14", true, false, true, true, true, 1, 4},
    {"Make 15", true, false, true, true, true, 1, 5},
    {"Make 16", true, false, true, true, true, 1, 6},
    {"Make 17", true, false, true, true, true, 1, 7},
    {"Make 18", true, false, true, true, true, 1, 8},
    {"Make 21", true, false, true, true, true, 2, 1},
    {"Make 31", true, false, true, true, true, 3, 1},
    {"Make 41", true, false, true, true, true, 4, 1},
    {"Make 51", true, false, true, true, true, 5, 1},
    {"Make 61", true, false, true, true, true, 6, 1},
    {"Make 71", true, false, true, true, true, 7, 1},
    {"Make 81", true, false, true, true, true, 8, 1},
}};

TRegion* RegionOf(const TScene& scene) {
    return scene.Site != nullptr ? scene.Site->Region : nullptr;
}

void SetTint(TRegion* region, const TTint& tint) {
    if (region != nullptr) {
        region->Tint = tint;
    }
}

void ResetTint(TRegion* region) {
    if (region != nullptr) {
        region->Tint = region->DefaultTint;
    }
}

// Countable props may not go below 0; held-or-not props stay 0 or 1.
void Normalise(TProp* prop) {
    if (prop == nullptr) {
        return;
    }
    if (prop->IsCountable()) {
        prop->Count = std::max(prop->Count, 0);
    } else {
        prop->Count = std::clamp(prop->Count, 0, 1);
    }
}

} // namespace

const TSceneType& SceneTypeOf(int32_t sceneType) {
    return sceneType >= 0 && sceneType < SceneTypeCount
               ? SceneTypes[static_cast<std::size_t>(sceneType)]
               : SceneTypes[0];
}

void SetChoice(TChoices& choices, int32_t slot, int64_t value) {
    if (slot < 1 || slot > SceneSlotCount) {
        return;
    }
    choices[static_cast<std::size_t>(slot - 1)] =
        static_cast<uint16_t>(std::clamp<int64_t>(value, 0, std::numeric_limits<uint16_t>::max()));
}

void AddChoice(TChoices& choices, int32_t slot, int64_t delta) {
    if (slot < 1 || slot > SceneSlotCount) {
        return;
    }
    SetChoice(choices, slot, choices[static_cast<std::size_t>(slot - 1)] + delta);
}

namespace {

// The legend name without allocating, for the per-frame dialog test.
std::string_view LegendInto(std::array<char, 24>& buffer, int32_t number) {
    const int length = std::snprintf(buffer.data(), buffer.size(), "SceneLegendH%X",
                                     static_cast<uint32_t>(number));
    return std::string_view(buffer.data(), static_cast<std::size_t>(length));
}

} // namespace

std::string SceneLegendName(int32_t number) {
    std::array<char, 24> buffer;
    return std::string(LegendInto(buffer, number));
}

void TScene::Load(TStream& stream, const TLoadContext& context) {
    TRecordBytes<SceneRecordSize> record;
    TRecordReader r = ReadRecord(stream, record);
    Number = r.Int32();
    Repeatable = r.Byte();
    LeavesSite = r.Byte();
    Flag3 = r.Byte();
    ScreenX = r.Float();
    ScreenY = r.Float();
    TintAction = r.Int32();
    SoundAction = r.Int32();
    Sound = Resolve(context.Sounds, r.Int32());
    SceneType = r.Int32();
    Picture = Resolve(context.Pictures, r.Int32());
    PictureFrame = r.Int32();
    const TSceneType& type = Type();
    // Only the type's slots are taken; the others stay empty whatever the file holds.
    auto slots = [&](std::array<TPropAmount, SceneSlotCount>& pairs, int32_t used) {
        for (int32_t i = 0; i < SceneSlotCount; ++i) {
            const int32_t prop = r.Int32();
            const int32_t amount = r.Int32();
            TPropAmount& pair = pairs[static_cast<std::size_t>(i)];
            pair = i < used ? TPropAmount{Resolve(context.Props, prop), amount} : TPropAmount{};
        }
    };
    slots(Inputs, type.InputSlots);
    slots(Outputs, type.OutputSlots);
    Achievement = Resolve(context.Achievements, r.Int32());
    AchievementAmount = r.Int32();
    EffectDuration = r.Float();
    EffectSound = Resolve(context.Sounds, r.Int32());
    EffectEffector = Resolve(context.Effectors, r.Int32());
    EffectValue = r.Int32();
    for (TGroup*& group : Groups) {
        group = Resolve(context.Groups, r.Int32());
    }
    r.Finish();
}

std::string TScene::Legend() const {
    return SceneLegendName(Number);
}

bool TScene::RequirementsMet() const {
    if (!IsRequirements()) {
        return true;
    }
    for (int32_t i = 0; i < Type().InputSlots; ++i) {
        const TPropAmount& need = Inputs[static_cast<std::size_t>(i)];
        if (need.Prop != nullptr && need.Prop->Count < need.Amount) {
            return false;
        }
    }
    return true;
}

bool TScene::NeedsDialog() const {
    if (SceneType < 0 || SceneType >= SceneTypeCount) {
        // A type the table does not know has nothing a dialog could show.
        return false;
    }
    switch (SceneType) {
        case 0:
            return false;
        case 1: {
            std::array<char, 24> buffer;
            return Picture != nullptr || ScriptTextExists(LegendInto(buffer, Number));
        }
        case 20:
            return Inputs[0].Prop != nullptr;
        case 29:
            return Outputs[0].Prop != nullptr;
        default:
            if (IsHiddenRequirements()) {
                return !RequirementsMet();
            }
            return true;
    }
}

void TScene::ApplyTintAction() const {
    TRegion* region = RegionOf(*this);
    if (region == nullptr) {
        return;
    }
    const int32_t v = TintAction;
    if (v >= 1 && v <= 100) {
        const float level = static_cast<float>(v) * 0.01f;
        region->Tint = {level, level, level};
    } else if (v >= 101 && v <= 300) {
        const float step = static_cast<float>(v <= 200 ? v - 100 : -(v - 200)) * 0.01f;
        for (float& component : region->Tint) {
            component = std::clamp(component + step, 0.0f, 1.0f);
        }
    } else if (v == 900 || v == 901) {
        const TTint night{0.1f, 0.1f, 0.2f};
        SetTint(region, night);
        if (v == 901) {
            SetTint(FindRegionByName("M13"), night);
            SetTint(FindRegionByName("M14"), night);
        }
    } else if (v == 1000 || v == 1001) {
        ResetTint(region);
        if (v == 1001) {
            ResetTint(FindRegionByName("M13"));
        }
    }
}

void TScene::ApplyMusicAction() const {
    if (SoundAction == 3) {
        SetMusicNow(Sound);
    } else if (SoundAction == 4) {
        if (TRegion* region = RegionOf(*this)) {
            region->CurrentMusic = Sound;
        }
        // The region's music starts again with the new sound.
        PlayMusic({});
    }
}

void TScene::ApplyLossesAndRewards() const {
    if (IsLoss()) {
        for (int32_t i = 0; i < Type().InputSlots; ++i) {
            const TPropAmount& loss = Inputs[static_cast<std::size_t>(i)];
            if (loss.Prop == nullptr) {
                continue;
            }
            if (loss.Prop->IsCountable()) {
                loss.Prop->Count =
                    std::max(AddSaturated(loss.Prop->Count, -int64_t{loss.Amount}), 0);
            } else {
                loss.Prop->Count = 0;
            }
        }
    } else if (IsReward()) {
        for (int32_t i = 0; i < Type().OutputSlots; ++i) {
            const TPropAmount& reward = Outputs[static_cast<std::size_t>(i)];
            if (reward.Prop == nullptr) {
                continue;
            }
            if (reward.Prop->IsCountable()) {
                reward.Prop->AddCount(reward.Amount);
            } else {
                reward.Prop->Count = 1;
            }
        }
    }
}

void TScene::ApplyBarter(const TChoices& choices) const {
    if (!IsBarter()) {
        return;
    }
    const int32_t slots = Type().InputSlots;
    auto each = [&](auto&& step) {
        for (int32_t i = 0; i < slots; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (Inputs[k].Prop != nullptr && Outputs[k].Prop != nullptr && choices[k] > 0) {
                step(k);
            }
        }
    };
    // Products of a 16-bit counter and a 32-bit amount are worked out in 64 bits.
    each([&](std::size_t k) {
        Inputs[k].Prop->AddCount(-int64_t{choices[k]} * Inputs[k].Amount);
        Outputs[k].Prop->AddCount(int64_t{choices[k]} * Outputs[k].Amount);
    });
    each([&](std::size_t k) {
        Normalise(Inputs[k].Prop);
        Normalise(Outputs[k].Prop);
    });
}

void TScene::ApplyMake(const TChoices& choices) const {
    if (!IsMake() || choices[0] == 0) {
        return;
    }
    const int64_t n = choices[0];
    const TSceneType& type = Type();
    for (int32_t i = 0; i < type.InputSlots; ++i) {
        const TPropAmount& input = Inputs[static_cast<std::size_t>(i)];
        if (input.Prop != nullptr) {
            input.Prop->AddCount(-n * input.Amount);
        }
    }
    for (int32_t i = 0; i < type.OutputSlots; ++i) {
        const TPropAmount& output = Outputs[static_cast<std::size_t>(i)];
        if (output.Prop != nullptr) {
            output.Prop->AddCount(n * output.Amount);
        }
    }
    for (int32_t i = 0; i < type.InputSlots; ++i) {
        Normalise(Inputs[static_cast<std::size_t>(i)].Prop);
    }
    for (int32_t i = 0; i < type.OutputSlots; ++i) {
        Normalise(Outputs[static_cast<std::size_t>(i)].Prop);
    }
}

void TScene::ApplyAchievement() const {
    if (Achievement != nullptr) {
        Achievement->AddProgress(AchievementAmount);
    }
}

void TScene::ToggleGroups() const {
    for (TGroup* group : Groups) {
        FlipGroup(group);
    }
}

void TScene::PrepareAssets() const {
    if (SoundAction == 1) {
        PrepareSound(Sound);
    } else if (SoundAction == 2) {
        PrepareSound(Sound, true);
    }
    PrepareSound(EffectSound);
    if (Picture != nullptr && !Picture->Loaded) {
        Picture->Load();
    }
    if (EffectEffector != nullptr && !EffectEffector->Loaded) {
        EffectEffector->Load();
    }
}

TScene* TScene::FirstSceneToShow(const TSite* site) {
    if (site == nullptr) {
        return nullptr;
    }
    TScene* scene = site->Scenes.Last();
    if (scene == nullptr || scene->Executions > site->Visits) {
        return nullptr;
    }
    // Back to the first scene not yet executed in this visit.
    while (scene->PreviousScene() != nullptr &&
           scene->PreviousScene()->Executions == scene->Executions) {
        scene = scene->PreviousScene();
    }
    return SceneToShowFrom(scene);
}

TScene* TScene::SceneToShowFrom(TScene* scene) {
    while (scene != nullptr) {
        if (scene->Repeatable != 0 || scene->Executions == 0) {
            return scene;
        }
        scene->Executions = AddSaturated(scene->Executions, 1);
        scene = scene->NextScene();
    }
    return nullptr;
}

void TScene::CatchUp() {
    // Earlier scenes that fell behind are brought up first, walking back without recursion so
    // that a long scene list cannot exhaust the stack.
    Executions = AddSaturated(Executions, 1);
    TScene* first = this;
    while (first->PreviousScene() != nullptr &&
           first->PreviousScene()->Executions < first->Executions) {
        first = first->PreviousScene();
        first->Executions = AddSaturated(first->Executions, 1);
    }
    for (TScene* scene = first;; scene = scene->NextScene()) {
        scene->ApplyExecutionEffects();
        if (scene == this) {
            break;
        }
    }
}

void TScene::ApplyAccepted(const TChoices& choices) const {
    ApplyLossesAndRewards();
    ApplyBarter(choices);
    ApplyMake(choices);
    ApplyAchievement();
}

TScene* TScene::SceneAfter() const {
    return LeavesSite != 0 ? nullptr : SceneToShowFrom(NextScene());
}

void TScene::ReplayExecuted(int32_t executions) {
    if (Executions < executions) {
        CatchUp();
    }
}

void TScene::ReplayExchange(const TChoices& choices) const {
    if (Repeatable != 0 || Executions == 1) {
        ApplyBarter(choices);
        ApplyMake(choices);
    }
}

void TScene::ApplyExecutionEffects() const {
    if (Repeatable != 0 || Executions == 1) {
        ApplyTintAction();
        ApplyMusicAction();
        ApplyLossesAndRewards();
        ApplyAchievement();
        ToggleGroups();
    }
}

} // namespace valdmoor
