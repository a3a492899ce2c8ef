// The avatar: the game's turn engine. Each frame it closes and reveals sites, shows newly
// completed achievements, and walks a visit scene by scene, recording every model change it
// makes as an event of the current profile. The same events, replayed, rebuild the world.
#pragma once

#include "players/GameState.h"
#include "world/GameScene.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

class TSite;
class TScene;
class TRegion;
class TSound;
class TAchievement;
class TMapView;

enum TAvatarState : int32_t {
    asIdle = 0,
    asCloseSites = 1,
    asRevealSites = 2,
    asShowAchievements = 3,
    asStartVisit = 4,
    asNextScene = 5,
    asDialogOpen = 6,
    asExecute = 7,
    asEffectFirst = 8,
    asEffectSecond = 9,
};

// Reveal durations in seconds: with nothing to uncover on the map, and with the uncovering.
constexpr float QuickRevealDuration = 0.3f;
constexpr float RevealDuration = 0.9f;

// What the avatar asks of the screens. The screens plug theirs in; without one the avatar
// answers as a player who accepts every dialog at once, so the world runs headless.
class TAvatarScreens {
public:
    virtual ~TAvatarScreens() = default;
    // Opens "Scene"; the dialog fills the avatar's Choices and calls AcceptScene or
    // CancelVisit.
    virtual void OpenSceneDialog(TScene& scene) = 0;
    // Opens "Achievement"; closing it earns the achievement for the current player.
    virtual void OpenAchievementDialog(TAchievement& achievement) = 0;
    // Shows Form with Transition; Completed runs when the transition has finished.
    virtual void SwitchForm(std::string_view form, std::string_view transition,
                            std::function<void()> completed) = 0;
    // The "Play" form's "PlaySceneExecutionEffects" for Scene.
    virtual void PlaySceneExecutionEffects(const TScene& scene) = 0;
    virtual void SaveProfiles() = 0;

    // The play form's frame inputs for the main loop's avatar step: whether it is showing,
    // its HasInput flag and its map control. With no play form the avatar waits.
    virtual bool PlayFormShown() const { return false; }
    virtual bool PlayFormReady() const { return true; }
    virtual const TMapView* PlayMapView() const { return nullptr; }
};

// Nil plugs the headless answers back in.
void SetAvatarScreens(TAvatarScreens* screens);
TAvatarScreens& AvatarScreens();

class TAvatar {
public:
    // Called by the world's reset: closing and revealing rounds run first.
    void Reset();
    // One step of the state machine. Ready is false while a dialog or a transition lies over
    // the play form; MapView answers whether a site lies on uncovered map cells.
    void Update(bool ready, const TMapView* mapView);
    void UpdateBy(bool ready, const TMapView* mapView, float frameTime);

    // A click on a site (Record) or a visit resumed after a replay (not recorded).
    void GoToSite(TSite* site, bool record);
    // The scene dialog's Accept or Skip.
    void AcceptScene();
    // The scene dialog's Cancel: the visit is abandoned.
    void CancelVisit();
    // The map button: only when idle, to another region.
    void TravelTo(TRegion* region);
    void SetMusic(TSound* sound);

    // The model effect of a replayed event: no dialog, transition, sound or recording.
    void ReplayEvent(const TData& data);

    int32_t AvatarState = asIdle;
    float Progress = 0;
    TSite* Site = nullptr;
    TScene* Scene = nullptr;
    bool QuickReveal = false;
    TRegion* TravelRegion = nullptr;
    bool SaveAfterTravel = false;
    // Exchange counters of the current barter or make scene, filled by the scene dialog.
    TChoices Choices{};

private:
    bool Advance(float duration, float frameTime);
    void CloseSites();
    void RevealSites(bool ready, const TMapView* mapView, float frameTime);
    void FinishReveal();
    void StartVisit();
    void PlayScene();
    void Execute();
    void FinishScene();
    void FinishVisit();
    void CompleteTravel();
    void RunStoryAction(int32_t code);
    void MarkEntered(TSite& site);
    void RememberExecutions();
    void RestoreExecutions();

    // Executions of the visited site's scenes as the visit found them, so that a visit
    // abandoned before anything executed leaves no untracked change behind.
    std::vector<int32_t> visitStart_;
    bool executedInVisit_ = false;
};

// Creates the avatar and installs its hooks: the world's reset, the replay of events, and
// achievements earned by the current player. Stop removes them and accepts never-started.
void AvatarStart();
void AvatarStop();
// The avatar; AvatarStart must have run.
TAvatar& TheAvatar();
bool AvatarStarted();
// The main loop's game-data step: one avatar update while the play form is showing; nothing
// before AvatarStart.
void AvatarFrame();

// Appends to the current profile's events; nothing without a current profile.
void RecordGameEvent(const TData& data);
// Records into State instead of the current profile (a headless run without profiles); nil
// goes back to the profile.
void SetEventRecorder(TCustomPlayerState* state);
// Event records as the avatar makes them; none of the objects may be nil.
TData SiteEvent(int32_t kind, const TSite& site, int32_t value = 0);
TData SceneEvent(int32_t kind, const TScene& scene, int32_t value = 0);
TData ChoicesEvent(int32_t kind, const TScene& scene, const TChoices& choices);
TData RegionEvent(int32_t kind, const TRegion& region);
TData ValueEvent(int32_t kind, int32_t value = 0);

// "site revealed" .. "companions and items restored"; empty for a kind outside 0..15.
std::string_view EventKindName(int32_t kind);
// Which fields of an event's record carry meaning for its kind.
bool EventNamesRegion(int32_t kind);
bool EventNamesSite(int32_t kind);
bool EventNamesScene(int32_t kind);
bool EventHasValue(int32_t kind);
bool EventHasChoices(int32_t kind);
// One line for a person: the kind and the fields it uses, with the names of the objects the
// world has ("site chosen: region 1 \"Home\", site 5 \"Gate\"").
std::string DescribeEvent(const TData& data);

struct TEventProblem {
    // 1-based position in the list.
    int32_t Index = 0;
    TData Data;
    std::string Problem;
};
// Resets the world and replays Events onto it, listing every event that names an object the
// world does not have. The avatar's hooks need not be installed; nothing is recorded.
std::vector<TEventProblem> CheckEvents(const TEventList& events);

} // namespace valdmoor
