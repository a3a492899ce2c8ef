#include "world/GameScenario.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "world/GameAchievement.h"
#include "world/GameHint.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRecords.h"
#include "world/GameRegion.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>
#include <string>

namespace valdmoor {
namespace {

struct TScenarioState {
    std::unique_ptr<TContainerOf<TProp>> props;
    std::unique_ptr<TContainerOf<TRegion>> regions;
    std::unique_ptr<TContainerOf<THint>> hints;
    std::unique_ptr<TContainerOf<TAchievement>> achievements;
    // Sites the file declared but no region took; they own themselves here so that
    // references to them never dangle.
    std::unique_ptr<TContainerOf<TSite>> unattachedSites;
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
    bool loaded = false;
};
TScenarioState world;

template <class T>
TContainerOf<T>& Ensure(std::unique_ptr<TContainerOf<T>>& list) {
    if (list == nullptr) {
        // File order, which references index; not name order, or look-ups by name would miss.
        list = std::make_unique<TContainerOf<T>>(false, true);
    }
    return *list;
}

constexpr std::string_view ScenarioFileName = "S0Scenario";

// Sections 3 to 6: a count and that many names.
template <class T>
void LoadNamedObjects(TStream& stream, std::vector<T*>& table, TContainerOf<T>& list) {
    const int32_t count = ReadCount(stream, 4);
    table.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        table.push_back(list.Add(std::make_unique<T>(ReadName(stream))));
    }
}

// The world of a missing file: one empty region to stand in.
void LoadFallbackWorld() {
    auto region = std::make_unique<TRegion>("Region01");
    region->Number = NewRegionNumber();
    TRegion* added = ScenarioRegions().Add(std::move(region), true);
    SetScenarioRegions(added, added, nullptr);
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
    world.unattachedSites.reset();
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

void LoadScenarioFrom(TStream& stream) {
    TLoadContext context;
    LoadPoolNames(stream, context);

    const int32_t propCount = ReadCount(stream, 4 + PropRecordSize);
    context.Props.reserve(static_cast<std::size_t>(propCount));
    for (int32_t i = 0; i < propCount; ++i) {
        auto prop = std::make_unique<TProp>(ReadName(stream));
        TProp* added = ScenarioProps().Add(std::move(prop));
        context.Props.push_back(added);
        added->Load(stream, context);
    }

    LoadNamedObjects(stream, context.Regions, ScenarioRegions());
    if (world.unattachedSites == nullptr) {
        world.unattachedSites = std::make_unique<TContainerOf<TSite>>(false, true);
    }
    LoadNamedObjects(stream, context.Sites, *world.unattachedSites);
    LoadNamedObjects(stream, context.Hints, ScenarioHints());
    LoadNamedObjects(stream, context.Achievements, ScenarioAchievements());

    // Sites fill the declared names in order; a region claiming more than were declared has
    // no objects to fill, which is damage.
    std::size_t next = 0;
    for (TRegion* region : context.Regions) {
        const int32_t count = ReadCount(stream, SiteRecordSize);
        if (static_cast<std::size_t>(count) > context.Sites.size() - next) {
            RaiseDamaged("site count");
        }
        for (int32_t i = 0; i < count; ++i) {
            TSite* site = context.Sites[next++];
            site->Region = region;
            site->Load(stream, context);
            region->Sites.Add(site);
        }
    }

    for (TRegion* region : context.Regions) {
        region->Load(stream, context);
        region->LoadMap(stream, context);
    }

    TRegion* menu = Resolve(context.Regions, ReadInt32(stream));
    TRegion* start = Resolve(context.Regions, ReadInt32(stream));
    TRegion* worldMap = Resolve(context.Regions, ReadInt32(stream));
    SetScenarioRegions(menu, start, worldMap);

    for (THint* hint : context.Hints) {
        hint->Load(stream, context);
    }
    SetRecommendationStart(Resolve(context.Sites, ReadInt32(stream)));
    for (TAchievement* achievement : context.Achievements) {
        achievement->Load(stream, context);
    }
    SetRegionCounter(ReadInt32(stream));
}

void LoadScenario() {
    if (world.loaded) {
        return;
    }
    LoadScript(ssScenario, false);
    if (!StorageExists(sfOrdinary, ScenarioFileName, fkData)) {
        LoadFallbackWorld();
        world.loaded = true;
        return;
    }
    const std::string fileName =
        std::string(ScenarioFileName) + std::string(FileKindExtension(fkData));
    std::unique_ptr<TStream> stream = StorageOpen(sfOrdinary, ScenarioFileName, fkData);
    try {
        LoadScenarioFrom(*stream);
    } catch (const EngineError& error) {
        stream.reset();
        throw EngineError(std::string(error.what()) + " in \"" + fileName + "\"");
    }
    stream.reset();
    world.loaded = true;
}

bool ScenarioLoaded() {
    return world.loaded;
}

int32_t UnattachedSiteCount() {
    return world.unattachedSites == nullptr ? 0 : world.unattachedSites->Count();
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
