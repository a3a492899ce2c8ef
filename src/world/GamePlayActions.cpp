#include "world/GamePlayActions.h"

#include "world/GameAvatar.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

namespace valdmoor {
namespace {

constexpr int32_t HintStage = 1;
constexpr int32_t InventoryStage = 2;
constexpr int32_t MapStage = 3;

void ClearStage(int32_t stage) {
    if (StoryStage() == stage) {
        SetStoryStage(0);
        RecordGameEvent(ValueEvent(evStoryStageSet, 0));
    }
}

} // namespace

bool SiteControlShown(const TSite& site) {
    return site.Revealed && !site.Closed && !(site.Visits > 0 && site.KeepAssets == 0);
}

TPlayActions OfferedPlayActions(const TAvatar& avatar, bool hasInput) {
    TPlayActions actions;
    if (!hasInput || avatar.AvatarState != asIdle) {
        return actions;
    }
    const int32_t stage = StoryStage();
    const bool buttonFocused = stage >= HintStage && stage <= MapStage;
    if (TRegion* region = CurrentRegion(); region != nullptr && !buttonFocused) {
        for (TSite& site : region->Sites) {
            if (SiteControlShown(site)) {
                actions.Sites.push_back(&site);
            }
        }
    }
    actions.HintButton = StoryFlag(1);
    actions.InventoryButton = StoryFlag(2);
    actions.MapButton = StoryFlag(3);
    if (actions.MapButton) {
        TRegion* target = CurrentRegion() == WorldMapRegion() ? PreviousRegion() : WorldMapRegion();
        actions.MapTarget = target != CurrentRegion() ? target : nullptr;
    }
    return actions;
}

TSceneActions OfferedSceneActions(const TScene& scene) {
    TSceneActions actions;
    const TSceneType& type = scene.Type();
    if (scene.SceneType == 1 || scene.SceneType == 20) {
        actions.Accept = true;
        actions.ClosesByItself = true;
        return actions;
    }
    actions.Accept = type.HasAccept && scene.RequirementsMet();
    actions.Cancel = type.HasCancel;
    return actions;
}

bool SceneChoicesAcceptable(const TScene& scene, const TChoices& choices) {
    if (scene.IsBarter()) {
        for (int32_t i = 0; i < scene.Type().InputSlots; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (choices[k] > 0 && scene.Inputs[k].Prop != nullptr &&
                scene.Outputs[k].Prop != nullptr) {
                return true;
            }
        }
        return false;
    }
    if (scene.IsMake()) {
        return choices[0] > 0;
    }
    return true;
}

void CloseHintDialog() {
    ClearStage(HintStage);
}

void CloseInventoryDialog() {
    ClearStage(InventoryStage);
}

} // namespace valdmoor
