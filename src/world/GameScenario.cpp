#include "world/GameScenario.h"

#include "audio/EngineAudio.h"
#include "world/GameAchievement.h"
#include "world/GameHint.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRecords.h"
#include "world/GameRegion.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>

namespace valdmoor {
namespace {

struct TScenarioState {
    std::unique_ptr<TContainerOf<TProp>> props;
    std::unique_ptr<TContainerOf<TRegion>> regions;
    std::unique_ptr<TContainerOf<THint>> hints;
    std::unique_ptr<TContainerOf<TAchievement>> achievements;
    TRegion* menuRegion = nullptr;
    TRegion* startRegion = nullptr;
    TRegion* worldMapRegion = nullptr;
    TSite* recommendationStart = nullptr;
    TRegion* currentRegion = nullptr;
    TRegion* previousRegion = nullptr;
    TSound* musicNow = nullptr;
    std::array<bool, 3> storyFlags{};
    int32_t storyStage = 9;
    int32_t regionCounter = 0;
    bool groupsRegistered = false;
    TRegion* lastRegion = nullptr;
    TSite* lastSite = nullptr;
    TAvatarResetHook avatarReset = nullptr;
};
TScenarioState world;

template <class T>
TContainerOf<T>& Ensure(std::unique_ptr<TContainerOf<T>>& list) {
    if (list == nullptr) {
        list = std::make_unique<TContainerOf<T>>(true, true);
    }
    return *list;
}

} // namespace

void ScenarioStart() {
    PoolStart();
    ScenarioProps();
    ScenarioRegions();
    ScenarioHints();
    ScenarioAchievements();
}

void ScenarioStop() {
    const TAvatarResetHook hook = world.avatarReset;
    // Achievements, hints, regions with their sites and scenes, props; the pool last, as the
    // others point into it.
    world.achievements.reset();
    world.hints.reset();
    world.regions.reset();
    world.props.reset();
    world = TScenarioState();
    world.avatarReset = hook;
    PoolStop();
}

TContainerOf<TProp>& ScenarioProps() {
    return Ensure(world.props);
}
TContainerOf<TRegion>& ScenarioRegions() {
    return Ensure(world.regions);
}
TContainerOf<THint>& ScenarioHints() {
    return Ensure(world.hints);
}
TContainerOf<TAchievement>& ScenarioAchievements() {
    return Ensure(world.achievements);
}

TRegion* MenuRegion() {
    return world.menuRegion;
}
TRegion* StartRegion() {
    return world.startRegion;
}
TRegion* WorldMapRegion() {
    return world.worldMapRegion;
}
TSite* RecommendationStart() {
    return world.recommendationStart;
}

void SetScenarioRegions(TRegion* menu, TRegion* start, TRegion* worldMap) {
    world.menuRegion = menu;
    world.startRegion = start;
    world.worldMapRegion = worldMap;
}

void SetRecommendationStart(TSite* site) {
    world.recommendationStart = site;
}

void SetRegionCounter(int32_t counter) {
    world.regionCounter = counter;
}

int32_t NewRegionNumber() {
    world.regionCounter = AddSaturated(world.regionCounter, 1);
    return world.regionCounter;
}

TRegion* CurrentRegion() {
    return world.currentRegion;
}
TRegion* PreviousRegion() {
    return world.previousRegion;
}

void ChangeRegion(TRegion* region) {
    world.previousRegion = world.currentRegion;
    world.currentRegion = region;
}

TSound* MusicNow() {
    return world.musicNow;
}

void SetMusicNow(TSound* sound) {
    if (sound == world.musicNow) {
        return;
    }
    if (world.musicNow != nullptr && !CurrentMusicName().empty() &&
        CurrentMusicName() == world.musicNow->Name()) {
        PlayMusic({});
    }
    world.musicNow = sound;
}

bool StoryFlag(int32_t i) {
    return i >= 1 && i <= 3 && world.storyFlags[static_cast<std::size_t>(i - 1)];
}
void SetStoryFlag(int32_t i) {
    if (i >= 1 && i <= 3) {
        world.storyFlags[static_cast<std::size_t>(i - 1)] = true;
    }
}
void ClearStoryFlag(int32_t i) {
    if (i >= 1 && i <= 3) {
        world.storyFlags[static_cast<std::size_t>(i - 1)] = false;
    }
}
int32_t StoryStage() {
    return world.storyStage;
}
void SetStoryStage(int32_t stage) {
    world.storyStage = stage;
}

TRegion* FindRegionByNumber(int32_t number) {
    if (world.lastRegion != nullptr && world.lastRegion->Number == number) {
        return world.lastRegion;
    }
    for (TRegion& region : ScenarioRegions()) {
        if (region.Number == number) {
            world.lastRegion = &region;
            return &region;
        }
    }
    return nullptr;
}

TRegion* FindRegionByName(std::string_view name) {
    for (TRegion& region : ScenarioRegions()) {
        if (region.Name() == name) {
            return &region;
        }
    }
    return nullptr;
}

TSite* FindSite(int32_t regionNumber, int32_t siteNumber) {
    // Site numbers are unique across regions, so the last site found answers at once.
    if (world.lastSite != nullptr && world.lastSite->Number == siteNumber) {
        return world.lastSite;
    }
    TRegion* region = FindRegionByNumber(regionNumber);
    if (region == nullptr) {
        return nullptr;
    }
    for (TSite& site : region->Sites) {
        if (site.Number == siteNumber) {
            world.lastSite = &site;
            return &site;
        }
    }
    return nullptr;
}

TScene* FindScene(int32_t regionNumber, int32_t siteNumber, int32_t sceneNumber) {
    TSite* site = FindSite(regionNumber, siteNumber);
    if (site == nullptr) {
        return nullptr;
    }
    for (TScene& scene : site->Scenes) {
        if (scene.Number == sceneNumber) {
            return &scene;
        }
    }
    return nullptr;
}

void CountPropsByKind(std::array<int32_t, 5>& counts) {
    for (const TProp& prop : ScenarioProps()) {
        if ((prop.Count != 0 || prop.Kind == pkProperty) && prop.Kind >= 0 &&
            prop.Kind < PropKindCount) {
            ++counts[static_cast<std::size_t>(prop.Kind)];
        }
    }
}

void StashCompanionsAndItems() {
    for (TProp& prop : ScenarioProps()) {
        if ((prop.Kind == pkCompanion || prop.Kind == pkItem) && prop.Count != 0) {
            prop.StashedCount = prop.Count;
            prop.Count = 0;
        }
    }
}

void RestoreCompanionsAndItems() {
    for (TProp& prop : ScenarioProps()) {
        if ((prop.Kind == pkCompanion || prop.Kind == pkItem) && prop.StashedCount != 0) {
            prop.AddCount(prop.StashedCount);
            prop.StashedCount = 0;
        }
    }
}

void SetAvatarResetHook(TAvatarResetHook hook) {
    world.avatarReset = hook;
}

void ResetWorld() {
    SetMusicNow(nullptr);
    if (world.avatarReset != nullptr) {
        world.avatarReset();
    }
    for (TProp& prop : ScenarioProps()) {
        prop.Reset();
    }
    for (TRegion& region : ScenarioRegions()) {
        region.Reset();
    }
    for (TAchievement& achievement : ScenarioAchievements()) {
        achievement.Reset();
    }
    world.lastRegion = nullptr;
    world.lastSite = nullptr;
    if (!world.groupsRegistered) {
        world.groupsRegistered = true;
        for (TRegion& region : ScenarioRegions()) {
            region.Map.RegisterGroups();
        }
    }
    world.currentRegion = world.startRegion;
    world.previousRegion = world.startRegion;
    world.storyFlags = {};
    world.storyStage = 9;
}

} // namespace valdmoor
