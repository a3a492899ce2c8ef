// The world prover: plays the loaded world headless through the real avatar, from a new game,
// trying every choice the play screen offers, breadth-first over distinct world states. It
// answers whether the game can be finished and what can never happen.
#pragma once

#include "players/GameState.h"
#include "world/GameWorldState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace valdmoor::scenario {

enum TPlayActionKind : int32_t {
    paSite = 0,      // click the site control (Region, Site)
    paTravel = 1,    // the map button, to Region
    paHint = 2,      // open and close the hint dialog
    paInventory = 3, // open and close the inventory dialog
    paAccept = 4,    // the scene dialog's Accept, with the exchange counters
    paCancel = 5,    // the scene dialog's Cancel
};

struct TPlayAction {
    int32_t Kind = paSite;
    int32_t Region = 0;
    int32_t Site = 0;
    TChoices Choices{};
    bool operator==(const TPlayAction&) const = default;
};

// One action of the winning path with what the play screen shows around it, for a script that
// plays it through the real screens.
struct TPlayStep {
    TPlayAction Action;
    // For Accept and Cancel: the scene's dialog goes by itself (nothing to press), and the
    // scene is a barter (a perform button per slot) rather than a make (one perform button).
    bool ClosesByItself = false;
    bool Barter = false;
    // What the action leads to, once everything comes to rest.
    enum TRest : int32_t {
        rPlay,
        rScene,
        rEnding
    } Rest = rPlay;
    // Achievement dialogs shown on the way there, each closed with its OK.
    int32_t Achievements = 0;
    // Where it comes to rest: the region's number, and the type of the scene whose dialog is
    // open (-1: none), so a script can tell which screens it meets first.
    int32_t RestRegion = -1;
    int32_t RestSceneType = -1;
};

struct TProveOptions {
    int64_t MaxStates = 200000;
    double Seconds = 60;
    // At most this many values per exchange counter (0 and the largest always among them).
    int32_t Choices = 4;
    // A progress line on stderr.
    bool Progress = false;
};

struct TProveReport {
    bool EndingReachable = false;
    std::vector<TPlayAction> WinningPath;
    // The events the winning path records, and the world just before its last action.
    std::vector<TData> WinningEvents;
    std::vector<TData> EventsBeforeEnding;
    // The winning path step by step, after what a new game shows before the first action.
    TPlayStep StartStep;
    std::vector<TPlayStep> WinningSteps;
    // The achievements the winning path earns, by number.
    std::vector<int32_t> WinningAchievements;
    std::vector<TWorldStateEntry> StateBeforeEnding;
    std::vector<std::string> SitesNeverVisited;
    std::vector<std::string> ScenesNeverExecuted;
    std::vector<std::string> AchievementsNeverCompleted;
    // States from which no ending can be reached (only proven when the search was complete,
    // otherwise states with nothing left to do), and the shortest path into one.
    int64_t DeadEnds = 0;
    std::vector<TPlayAction> DeadEndPath;
    // Resting states, with no ending reachable from them, whose story stage holds every site
    // control while no button can clear it; the stage, and the shortest path into one.
    int64_t StageLocks = 0;
    int32_t LockedStage = 0;
    std::vector<TPlayAction> StageLockPath;
    // States where the avatar never came to rest (a world that loops by itself).
    int64_t Stuck = 0;
    int64_t States = 0;
    int64_t Expanded = 0;
    bool Complete = false;
    double Seconds = 0;
};

// The world must be loaded and the avatar started. The avatar's screens, event recorder and
// achievement query are the prover's while it runs; afterwards the headless screens, the
// current profile and the profile's achievements answer again, and the world is a new game.
TProveReport ProveWorld(const TProveOptions& options);

// "site 1 2 \"Gate\"", "accept 3 0 0 0 0 0 0 0", ...
std::string DescribePlayAction(const TPlayAction& action);
// The path, one action a line in DescribePlayAction's words ("site R S", "travel R", "hint",
// "inventory", "accept C1 .. C8", "cancel"), for people to read.
std::string PlayActionScript(const std::vector<TPlayAction>& path);
// A save file holding one profile "Proof" whose game is Events, with those achievements.
std::string ProofSaveBytes(const std::vector<TData>& events,
                           const std::vector<int32_t>& achievements = {});

} // namespace valdmoor::scenario
