// The world as a whole: every prop, region (with its sites and scenes), hint and achievement,
// the current and previous region, the story flags, the look-ups events use, and the new-game
// reset that every replay of a profile starts from.
#pragma once

#include "app/EngineClasses.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace valdmoor {

class TProp;
class TRegion;
class TSite;
class TScene;
class THint;
class TAchievement;
class TSound;
class TStream;

// Creates the empty lists (and the pool lists); stop frees them and accepts a world never
// started.
void ScenarioStart();
void ScenarioStop();

TContainerOf<TProp>& ScenarioProps();
TContainerOf<TRegion>& ScenarioRegions();
TContainerOf<THint>& ScenarioHints();
TContainerOf<TAchievement>& ScenarioAchievements();

TRegion* MenuRegion();
TRegion* StartRegion();
TRegion* WorldMapRegion();
TSite* RecommendationStart();
// Set by the loader from the file's references.
void SetScenarioRegions(TRegion* menu, TRegion* start, TRegion* worldMap);
void SetRecommendationStart(TSite* site);
void SetRegionCounter(int32_t counter);
int32_t NewRegionNumber();

TRegion* CurrentRegion();
TRegion* PreviousRegion();
void ChangeRegion(TRegion* region);

TSound* MusicNow();
// Stops the music playing as the old MusicNow before recording the new one.
void SetMusicNow(TSound* sound);

// I in 1..3; other values read false and are ignored.
bool StoryFlag(int32_t i);
void SetStoryFlag(int32_t i);
void ClearStoryFlag(int32_t i);
int32_t StoryStage();
void SetStoryStage(int32_t stage);

TRegion* FindRegionByNumber(int32_t number);
// The first region with exactly that name, or none.
TRegion* FindRegionByName(std::string_view name);
TSite* FindSite(int32_t regionNumber, int32_t siteNumber);
TScene* FindScene(int32_t regionNumber, int32_t siteNumber, int32_t sceneNumber);

// Counts[kind] += 1 for every prop held, and every property.
void CountPropsByKind(std::array<int32_t, 5>& counts);
void StashCompanionsAndItems();
void RestoreCompanionsAndItems();

// The avatar lives above the world model's core; it hands its reset in here.
using TAvatarResetHook = void (*)();
void SetAvatarResetHook(TAvatarResetHook hook);

// The new-game state, from which a profile's events are replayed.
void ResetWorld();

// Reads "S0Scenario.dat" from the ordinary data folder once per run; without the file the
// world is one empty region "Region01". Damage raises an error naming the file; what was read
// before it stays, and a later call tries again.
void LoadScenario();
// The sections of a scenario file from Stream, without the once-per-run guard: for the
// loader above, the tools and the tests. Damage raises "Damaged scenario data (...)" or the
// stream's read error.
void LoadScenarioFrom(TStream& stream);
bool ScenarioLoaded();
// Sites no region's list holds: the file named fewer sites by region than it declared. They
// are never shown, but references to them stay valid.
int32_t UnattachedSiteCount();

} // namespace valdmoor
