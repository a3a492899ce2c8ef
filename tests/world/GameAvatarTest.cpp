#include "world/GameAvatar.h"

#include "TestSupport.h"
#include "WorldTestWorld.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "world/GameMap.h"
#include "world/GameWorldState.h"

#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

// Screens the test drives: a dialog stays open until the test answers it, a transition until
// the test completes it.
class TScriptedScreens final : public TAvatarScreens {
public:
    void OpenSceneDialog(TScene& scene) override {
        Dialog = &scene;
        ++Dialogs;
    }
    void OpenAchievementDialog(TAchievement& achievement) override {
        Achievements.push_back(achievement.Number);
        AddAchievement(CurrentPlayer(), achievement.Number);
    }
    void SwitchForm(std::string_view form, std::string_view transition,
                    std::function<void()> completed) override {
        Forms.push_back(std::string(form) + "/" + std::string(transition));
        Pending = std::move(completed);
    }
    void PlaySceneExecutionEffects(const TScene&) override { ++Effects; }
    void SaveProfiles() override { ++Saves; }
    bool PlayFormShown() const override { return Shown; }

    void CompleteTransition() {
        auto completed = std::move(Pending);
        Pending = nullptr;
        if (completed) {
            completed();
        }
    }

    bool Shown = false;
    TScene* Dialog = nullptr;
    int32_t Dialogs = 0;
    int32_t Effects = 0;
    int32_t Saves = 0;
    std::vector<int32_t> Achievements;
    std::vector<std::string> Forms;
    std::function<void()> Pending;
};

// Every position lies on uncovered cells.
class TOpenMap final : public TMapView {
public:
    bool IsRevealedPoint(float, float) const override { return true; }
};

class Avatar : public test::WorldTest {
protected:
    void SetUp() override {
        test::WorldTest::SetUp();
        ASSERT_TRUE(ServiceInit(temp.Path().string()));
        SetStorageFolderPath(sfUser, temp.Path().string());
        PlayersStart();
        game = CurrentGameState();
        ASSERT_NE(game, nullptr);
        BuildWorld();
        AvatarStart();
        ResetWorld();
    }
    void TearDown() override {
        AvatarStop();
        PlayersStop();
        ServiceShutdown();
        test::WorldTest::TearDown();
    }

    virtual void BuildWorld() {
        gold = Prop(pkProperty, 50, "Gold");
        wood = Prop(pkItem, 5, "Wood");
        plank = Prop(pkItem, 0, "Plank");
        lore = Prop(pkKnowledge, 0, "Lore");
        friendProp = Prop(pkCompanion, 1, "Friend");
        TGroup* gateGroup = Group("GateGroup");
        TGroup* millGroup = Group("MillGroup");
        song = PoolSounds().Add(std::make_unique<TSound>("G8Song"));
        goal = Achievement(1, 2);

        home = Region(1, "Home");
        far = Region(2, "Far");
        SetScenarioRegions(nullptr, home, nullptr);
        for (TGroup* group : {gateGroup, millGroup, gateGroup}) {
            TPlotData plot;
            plot.Group = group;
            home->Map.Plots.push_back(plot);
        }

        gate = Site(home, 1, "Gate");
        gate->Group = gateGroup;
        gate->ActionCode = 1;
        Scene(gate, 1, 2);
        TScene* lights = Scene(gate, 2, 0);
        lights->TintAction = 150;
        TScene* reward = Scene(gate, 3, 30);
        reward->Outputs[0] = {gold, 10};
        reward->Achievement = goal;
        reward->AchievementAmount = 1;
        TScene* barter = Scene(gate, 4, 38, true);
        barter->Inputs[0] = {gold, 3};
        barter->Outputs[0] = {wood, 1};

        mill = Site(home, 2, "Mill");
        mill->NeedVisited[0] = gate;
        mill->ActionCode = 31;
        TScene* make = Scene(mill, 1, 46, true);
        make->Inputs[0] = {wood, 1};
        make->Outputs[0] = {plank, 2};
        make->EffectDuration = 0.5f;
        make->EffectValue = 1;
        TScene* toll = Scene(mill, 2, 21, true);
        toll->Inputs[0] = {gold, 2};
        toll->Groups[0] = millGroup;
        toll->Achievement = goal;
        toll->AchievementAmount = 1;
        TScene* tune = Scene(mill, 3, 0, true);
        tune->SoundAction = 3;
        tune->Sound = song;

        road = Site(home, 3, "Road");
        road->NeedEntered = gate;
        road->Destination = far;
        road->ActionCode = 600;

        shrine = Site(home, 4, "Shrine");
        shrine->NeedVisited[0] = mill;
        shrine->AutoVisit = 1;
        shrine->ActionCode = 24;
        TScene* stop = Scene(shrine, 1, 3);
        stop->LeavesSite = 1;
        Scene(shrine, 2, 2);

        hut = Site(home, 5, "Hut");
        hut->CloseAfter[0] = mill;
        hut->ActionCode = 23;
        Scene(hut, 1, 2);

        lookout = Site(home, 6, "Lookout");
        lookout->OnlyWhenInView = 1;
        lookout->NeedEntered = gate;
        Scene(lookout, 1, 2, true);

        port = Site(far, 7, "Port");
        port->Destination = home;
        port->ActionCode = 30;
        TScene* gift = Scene(port, 1, 31);
        gift->Outputs[0] = {lore, 1};
        gift->Outputs[1] = {friendProp, 1};

        market = Site(far, 8, "Market");
        TScene* trade = Scene(market, 1, 39, true);
        trade->Inputs[0] = {gold, 4};
        trade->Outputs[0] = {plank, 1};
        trade->Inputs[1] = {plank, 3};
        trade->Outputs[1] = {gold, 5};
        TScene* dusk = Scene(market, 2, 0, true);
        dusk->TintAction = 230;
        dusk->SoundAction = 4;
        dusk->Sound = song;

        tower = Site(far, 9, "Tower");
        tower->ActionCode = 2;
        TScene* test = Scene(tower, 1, 12);
        test->Inputs[0] = {lore, 1};
        Scene(tower, 2, 2);

        ending = Site(far, 10, "Ending");
        ending->NeedVisited[0] = tower;
        ending->EndsGame = 1;
        ending->ActionCode = 3;
    }

    // Runs the avatar until it waits for the player: idle, or a dialog open.
    void Settle(float frameTime = 0.5f) {
        for (int32_t i = 0; i < 1000; ++i) {
            if ((TheAvatar().AvatarState == asIdle || TheAvatar().AvatarState == asDialogOpen) &&
                !screens.Pending) {
                return;
            }
            if (screens.Pending) {
                screens.CompleteTransition();
            }
            TheAvatar().UpdateBy(true, &map, frameTime);
        }
        FAIL() << "the avatar never settled, state " << TheAvatar().AvatarState;
    }

    std::vector<int32_t> Kinds() const {
        std::vector<int32_t> kinds;
        for (const TEvent& event : game->Events()) {
            kinds.push_back(event.Data.Kind);
        }
        return kinds;
    }
    std::vector<int32_t> KindsSince(std::size_t from) const {
        std::vector<int32_t> kinds = Kinds();
        return {kinds.begin() + static_cast<std::ptrdiff_t>(std::min(from, kinds.size())),
                kinds.end()};
    }

    // The model as played, against the model rebuilt from the events. A game left inside a
    // visit resumes it: the comparison is made once the resumed visit is back at its dialog.
    void ExpectReplayEqualsLive(const std::string& context,
                                const TWorldStateOptions& options = {}) {
        const std::vector<TWorldStateEntry> live = CaptureWorldState(options);
        TSite* liveSite = TheAvatar().AvatarState == asDialogOpen ? TheAvatar().Site : nullptr;
        TScene* liveScene = liveSite != nullptr ? screens.Dialog : nullptr;
        game->Restart();
        if (liveSite != nullptr) {
            EXPECT_EQ(TheAvatar().AvatarState, asStartVisit) << context;
            EXPECT_EQ(TheAvatar().Site, liveSite) << context;
            screens.Dialog = nullptr;
            const std::size_t events = game->Events().Count();
            Settle();
            EXPECT_EQ(screens.Dialog, liveScene) << context;
            EXPECT_EQ(game->Events().Count(), events) << context;
        } else {
            EXPECT_EQ(TheAvatar().AvatarState, asCloseSites) << context;
        }
        const std::vector<TWorldStateEntry> replayed = CaptureWorldState(options);
        EXPECT_EQ(FirstWorldStateDifference(live, replayed), "") << context;
        EXPECT_EQ(WorldStateDigest(live), WorldStateDigest(replayed)) << context;
    }

    struct TSessionCounts {
        int32_t Undos = 0;
        int32_t Cancels = 0;
        int32_t Resumed = 0;
        std::set<const TSite*> Chosen;
    };
    // Random play through the avatar: site choices, accepts with random exchange counters,
    // cancels, travel between Regions and undo; after each session the events are replayed
    // over a reset world, which must come out as played.
    TSessionCounts PlayRandomSessions(uint32_t seed, int32_t sessions,
                                      const std::vector<TRegion*>& regions) {
        SetAvatarScreens(&screens);
        std::mt19937 random(seed);
        auto chance = [&](int32_t percent) {
            return std::uniform_int_distribution<int32_t>(0, 99)(random) < percent;
        };
        const float frameTimes[] = {0, 0.016f, 0.3f, 1};
        TSessionCounts counts;
        for (int32_t session = 0; session < sessions; ++session) {
            game->ClearEvents();
            // A cancelled dialog's tint and music actions stay live and are in no event.
            bool cancelled = false;
            for (int32_t step = 0; step < 400; ++step) {
                TAvatar& avatar = TheAvatar();
                if (screens.Pending && chance(50)) {
                    screens.CompleteTransition();
                }
                avatar.UpdateBy(chance(90), &map, frameTimes[random() % 4]);
                if (avatar.AvatarState == asDialogOpen && chance(70)) {
                    if (chance(15)) {
                        ++counts.Cancels;
                        cancelled = true;
                        avatar.CancelVisit();
                    } else {
                        avatar.Choices = {};
                        for (int32_t slot = 1; slot <= 8; ++slot) {
                            SetChoice(avatar.Choices, slot, random() % 4);
                        }
                        avatar.AcceptScene();
                    }
                } else if (avatar.AvatarState == asIdle && !screens.Pending) {
                    const int32_t roll = static_cast<int32_t>(random() % 100);
                    if (roll < 8) {
                        avatar.TravelTo(regions[random() % regions.size()]);
                    } else if (roll < 12) {
                        ++counts.Undos;
                        game->UndoLastMove();
                        game->Restart();
                    } else {
                        std::vector<TSite*> open;
                        for (TSite& site : CurrentRegion()->Sites) {
                            if (site.Revealed && !site.Closed) {
                                open.push_back(&site);
                            }
                        }
                        if (!open.empty()) {
                            TSite* site = open[random() % open.size()];
                            counts.Chosen.insert(site);
                            avatar.GoToSite(site, true);
                        }
                    }
                }
            }
            Settle();
            if (TheAvatar().AvatarState == asDialogOpen) {
                ++counts.Resumed;
            }
            ExpectReplayEqualsLive("session " + std::to_string(session),
                                   {.TintsAndMusic = !cancelled});
            if (HasFailure()) {
                break;
            }
        }
        return counts;
    }

    test::TTempFolder temp;
    TCustomPlayerState* game = nullptr;
    TScriptedScreens screens;
    TOpenMap map;
    TProp* gold = nullptr;
    TProp* wood = nullptr;
    TProp* plank = nullptr;
    TProp* lore = nullptr;
    TProp* friendProp = nullptr;
    TSound* song = nullptr;
    TAchievement* goal = nullptr;
    TRegion* home = nullptr;
    TRegion* far = nullptr;
    TSite* gate = nullptr;
    TSite* mill = nullptr;
    TSite* road = nullptr;
    TSite* shrine = nullptr;
    TSite* hut = nullptr;
    TSite* lookout = nullptr;
    TSite* port = nullptr;
    TSite* market = nullptr;
    TSite* tower = nullptr;
    TSite* ending = nullptr;
};

TEST_F(Avatar, HeadlessItPlaysAWholeVisitAndEarnsTheAchievement) {
    // Nothing plugged in: every dialog is accepted at once, transitions end at once.
    Settle();
    EXPECT_EQ(Kinds(), (std::vector<int32_t>{evSiteRevealed, evSiteRevealed}));
    EXPECT_TRUE(gate->Revealed);
    EXPECT_TRUE(hut->Revealed);
    EXPECT_FALSE(lookout->Revealed);
    EXPECT_TRUE(home->Map.Plots[0].Hidden != home->Map.Plots[0].InitiallyHidden);

    goal->Target = 1;
    TheAvatar().GoToSite(gate, true);
    Settle();
    EXPECT_EQ(gold->Count, 60);
    EXPECT_EQ(gate->Visits, 1);
    EXPECT_TRUE(StoryFlag(1));
    EXPECT_EQ(StoryStage(), 1);
    EXPECT_TRUE(HasAchievement(CurrentPlayer(), 1));
    EXPECT_EQ(KindsSince(2),
              (std::vector<int32_t>{evSiteChosen, evSiteEntered, evSceneExecuted, evSceneExecuted,
                                    evSceneExecuted, evSceneExecuted, evBarterDone,
                                    evVisitCompleted, evStoryFlagSet, evStoryStageSet,
                                    // The road, the mill and, now in view, the lookout.
                                    evSiteRevealed, evSiteRevealed, evSiteRevealed}));
    EXPECT_TRUE(ProfilesChanged());
}

TEST_F(Avatar, ASiteWithoutScenesFinishesAtOnceAndTravels) {
    SetAvatarScreens(&screens);
    Settle();
    TheAvatar().GoToSite(gate, true);
    Settle();
    screens.Dialog = nullptr;
    TheAvatar().CancelVisit();
    Settle();
    ASSERT_TRUE(road->Revealed);
    const std::size_t before = game->Events().Count();
    TheAvatar().GoToSite(road, true);
    TheAvatar().UpdateBy(true, &map, 0);
    EXPECT_EQ(KindsSince(before),
              (std::vector<int32_t>{evSiteChosen, evSiteEntered, evVisitCompleted}));
    // Travel waits for the slow transition of code 600, then closes and reveals in Far.
    EXPECT_EQ(screens.Forms.back(), "Play/FadeAfterWhile");
    EXPECT_EQ(TheAvatar().AvatarState, asIdle);
    EXPECT_EQ(CurrentRegion(), home);
    screens.CompleteTransition();
    EXPECT_EQ(CurrentRegion(), far);
    EXPECT_EQ(TheAvatar().AvatarState, asCloseSites);
    // The gate's visit asked for a save after the next travel.
    EXPECT_EQ(screens.Saves, 1);
    ExpectReplayEqualsLive("after travel");
}

TEST_F(Avatar, CancelOnFirstEntryLeavesTheMoveAndLaterDropsIt) {
    SetAvatarScreens(&screens);
    Settle();
    const std::size_t start = game->Events().Count();
    TheAvatar().GoToSite(gate, true);
    Settle();
    ASSERT_EQ(screens.Dialog, gate->Scenes.First());
    TheAvatar().CancelVisit();
    EXPECT_EQ(KindsSince(start), (std::vector<int32_t>{evSiteChosen, evSiteEntered, evSiteLeft}));
    EXPECT_EQ(TheAvatar().AvatarState, asRevealSites);
    Settle();

    // Entered before: the cancelled move leaves no trace at all.
    const std::size_t second = game->Events().Count();
    TheAvatar().GoToSite(gate, true);
    Settle();
    TheAvatar().CancelVisit();
    EXPECT_EQ(game->Events().Count(), second);

    // A cancel after a scene executed in this visit records the leave.
    TheAvatar().GoToSite(gate, true);
    Settle();
    TheAvatar().AcceptScene();
    Settle();
    TheAvatar().CancelVisit();
    EXPECT_EQ(KindsSince(second),
              (std::vector<int32_t>{evSiteChosen, evSceneExecuted, evSceneExecuted, evSiteLeft}));
    // The tint of the scene without a dialog came with its execution event.
    ExpectReplayEqualsLive("after cancels");
}

TEST_F(Avatar, CancelOnALaterVisitUndoesTheSkippedScenes) {
    SetAvatarScreens(&screens);
    Settle();
    TheAvatar().GoToSite(gate, true);
    for (int32_t i = 0; i < 3; ++i) {
        Settle();
        TheAvatar().AcceptScene();
    }
    Settle();
    ASSERT_EQ(gate->Visits, 1);
    const std::vector<TWorldStateEntry> before = CaptureWorldState();
    // The second visit skips the three scenes that do not repeat and opens the barter.
    TheAvatar().GoToSite(gate, true);
    Settle();
    ASSERT_EQ(screens.Dialog, gate->Scenes.Last());
    TheAvatar().CancelVisit();
    Settle();
    EXPECT_EQ(FirstWorldStateDifference(before, CaptureWorldState()), "");
}

TEST_F(Avatar, TimedPhasesAndEffectDurationZero) {
    SetAvatarScreens(&screens);
    gate->RevealCells[0] = 1;
    TheAvatar().UpdateBy(true, &map, 0); // close
    TheAvatar().UpdateBy(true, &map, 0); // the gate's reveal starts
    ASSERT_EQ(TheAvatar().Site, gate);
    EXPECT_FALSE(TheAvatar().QuickReveal);
    EXPECT_FALSE(gate->Revealed);
    TheAvatar().UpdateBy(true, &map, 0.45f);
    EXPECT_FALSE(gate->Revealed);
    TheAvatar().UpdateBy(false, &map, 0.45f); // the timer runs even under a dialog
    EXPECT_TRUE(gate->Revealed);
    Settle();

    TheAvatar().GoToSite(gate, true);
    Settle();
    TheAvatar().AcceptScene();
    TheAvatar().UpdateBy(false, &map, 0); // execution waits for the form's input
    EXPECT_EQ(TheAvatar().AvatarState, asExecute);
    TheAvatar().UpdateBy(true, &map, 0);
    EXPECT_EQ(TheAvatar().AvatarState, asEffectFirst);
    TheAvatar().UpdateBy(true, &map, 0);
    EXPECT_EQ(TheAvatar().AvatarState, asEffectSecond);
    TheAvatar().UpdateBy(true, &map, 0);
    EXPECT_EQ(TheAvatar().AvatarState, asNextScene);
    EXPECT_EQ(gate->Scenes.First()->Executions, 1);

    // 0.5 s: a third in the first part, two thirds in the second.
    gate->Scenes.First()->EffectDuration = 0.6f;
    gate->Scenes.First()->Repeatable = 1;
    Settle();
    Settle();
    TheAvatar().AcceptScene();
    Settle();
    TheAvatar().AcceptScene();
    Settle();
    TheAvatar().AcceptScene();
    Settle();
    ASSERT_EQ(gate->Visits, 1);
    TheAvatar().GoToSite(gate, true);
    Settle();
    TheAvatar().AcceptScene();
    TheAvatar().UpdateBy(true, &map, 0);
    TheAvatar().UpdateBy(true, &map, 0.1f);
    EXPECT_EQ(TheAvatar().AvatarState, asEffectFirst);
    TheAvatar().UpdateBy(true, &map, 0.1f);
    EXPECT_EQ(TheAvatar().AvatarState, asEffectSecond);
    TheAvatar().UpdateBy(true, &map, 0.3f);
    EXPECT_EQ(TheAvatar().AvatarState, asEffectSecond);
    TheAvatar().UpdateBy(true, &map, 0.1f);
    EXPECT_EQ(TheAvatar().AvatarState, asNextScene);
}

TEST_F(Avatar, AnActionCodeRunsOncePerGame) {
    Settle();
    TheAvatar().GoToSite(gate, true);
    Settle();
    ClearStoryFlag(1);
    SetStoryStage(7);
    TheAvatar().GoToSite(gate, true);
    Settle();
    EXPECT_EQ(gate->Visits, 2);
    EXPECT_FALSE(StoryFlag(1));
    EXPECT_EQ(StoryStage(), 7);

    // Stash and restore: the hut stashes once, the shrine (auto-visit after the mill)
    // restores.
    TheAvatar().GoToSite(hut, true);
    Settle();
    EXPECT_EQ(wood->Count, 0);
    EXPECT_EQ(friendProp->Count, 0);
    TheAvatar().GoToSite(mill, true);
    Settle();
    EXPECT_TRUE(hut->Closed);
    EXPECT_EQ(shrine->Visits, 0) << "the shrine's first scene leaves the site";
    EXPECT_TRUE(shrine->Entered);
    EXPECT_TRUE(StoryFlag(3));
}

TEST_F(Avatar, UndoAfterAChoiceAndAfterAFullVisit) {
    SetAvatarScreens(&screens);
    Settle();
    const std::vector<TWorldStateEntry> start = CaptureWorldState();
    const std::size_t count = game->Events().Count();
    TheAvatar().GoToSite(gate, true);
    Settle();
    game->UndoLastMove();
    game->Restart();
    EXPECT_EQ(game->Events().Count(), count);
    EXPECT_EQ(FirstWorldStateDifference(start, CaptureWorldState()), "");
    EXPECT_EQ(TheAvatar().AvatarState, asCloseSites);

    Settle();
    TheAvatar().GoToSite(gate, true);
    for (int32_t i = 0; i < 3; ++i) {
        Settle();
        SetChoice(TheAvatar().Choices, 1, 2);
        TheAvatar().AcceptScene();
    }
    Settle();
    ASSERT_EQ(gate->Visits, 1);
    ASSERT_EQ(wood->Count, 7);
    game->UndoLastMove();
    game->Restart();
    EXPECT_EQ(game->Events().Count(), count);
    EXPECT_EQ(FirstWorldStateDifference(start, CaptureWorldState()), "");
}

TEST_F(Avatar, AGameSavedInsideAVisitResumesIt) {
    SetAvatarScreens(&screens);
    Settle();
    TheAvatar().GoToSite(gate, true);
    Settle();
    TheAvatar().AcceptScene();
    Settle();
    ASSERT_EQ(screens.Dialog, gate->Scenes.First()->NextScene()->NextScene());

    // Through the save file and back, as a restart of the game would.
    TMemoryStream stream;
    game->Save(stream);
    stream.Seek(0);
    game->Events().Clear();
    game->Load(stream);
    // The visit goes on at the reward, not at the start.
    ExpectReplayEqualsLive("saved in the visit");
    EXPECT_EQ(screens.Dialog, gate->Scenes.First()->NextScene()->NextScene());
    EXPECT_TRUE(gate->Entered);
}

TEST_F(Avatar, TravelOnlyWhenIdleAndToAnotherRegion) {
    SetAvatarScreens(&screens);
    const std::size_t start = game->Events().Count();
    TheAvatar().TravelTo(far);
    EXPECT_EQ(game->Events().Count(), start) << "not idle yet";
    Settle();
    const std::size_t idle = game->Events().Count();
    TheAvatar().TravelTo(home);
    TheAvatar().TravelTo(nullptr);
    EXPECT_EQ(game->Events().Count(), idle);
    TheAvatar().TravelTo(far);
    EXPECT_EQ(KindsSince(idle), (std::vector<int32_t>{evRegionChanged}));
    EXPECT_EQ(screens.Forms.back(), "Play/Fade");
    // A reset while the transition runs leaves nothing for it to complete.
    game->Restart();
    screens.CompleteTransition();
    EXPECT_EQ(CurrentRegion(), far);
    EXPECT_EQ(PreviousRegion(), home);
}

TEST_F(Avatar, ReplayEqualsLivePlayOverRandomSessions) {
    const TSessionCounts counts = PlayRandomSessions(20261208, 60, {home, far});
    // The sessions reached the cases that matter.
    EXPECT_GT(counts.Undos, 10);
    EXPECT_GT(counts.Cancels, 10);
    EXPECT_GT(counts.Resumed, 5);
    EXPECT_GT(ending->Visits + tower->Visits + market->Visits, 0);
}

TEST_F(Avatar, TheMainLoopStepsTheAvatarOnlyWhileThePlayFormShows) {
    // Headless, no play form shows: the world waits rather than playing by itself.
    ASSERT_EQ(TheAvatar().AvatarState, asCloseSites);
    AvatarFrame();
    EXPECT_EQ(TheAvatar().AvatarState, asCloseSites);
    SetAvatarScreens(&screens);
    AvatarFrame();
    EXPECT_EQ(TheAvatar().AvatarState, asCloseSites);
    screens.Shown = true;
    AvatarFrame();
    EXPECT_EQ(TheAvatar().AvatarState, asRevealSites);
    AvatarStop();
    AvatarFrame(); // after the stop: nothing to step
}

TEST_F(Avatar, CheckListsEventsNamingObjectsTheWorldLacks) {
    Settle();
    TheAvatar().GoToSite(gate, true);
    Settle();
    const std::vector<TWorldStateEntry> played = CaptureWorldState();
    EXPECT_TRUE(CheckEvents(game->Events()).empty());
    EXPECT_EQ(FirstWorldStateDifference(played, CaptureWorldState()), "")
        << "the check replays like the game";

    TData lost = SceneEvent(evSceneExecuted, *gate->Scenes.First(), 1);
    lost.SceneNumber = 99;
    game->RecordEvent(lost);
    game->RecordEvent(SiteEvent(evSiteChosen, *gate));
    game->Events().Last()->Data.SiteNumber = 42;
    game->RecordEvent(ValueEvent(evStoryFlagCleared, 4));
    TData region = RegionEvent(evRegionChanged, *far);
    region.RegionNumber = 3;
    game->RecordEvent(region);
    const std::vector<TEventProblem> problems = CheckEvents(game->Events());
    ASSERT_EQ(problems.size(), 4u);
    const int32_t count = game->Events().Count();
    EXPECT_EQ(problems[0].Index, count - 3);
    EXPECT_EQ(problems[0].Problem, "no scene 99 at site 1");
    EXPECT_EQ(problems[1].Problem, "no site 42 in region 1");
    EXPECT_EQ(problems[2].Problem, "no story flag 4");
    EXPECT_EQ(problems[3].Problem, "no region 3");

    EXPECT_EQ(DescribeEvent(SiteEvent(evSiteChosen, *gate)),
              "site chosen: region 1 \"Home\", site 1 \"Gate\"");
    TData barter = ChoicesEvent(evBarterDone, *gate->Scenes.Last(), {1, 2, 0, 0, 0, 0, 0, 9});
    EXPECT_EQ(DescribeEvent(barter),
              "barter done: region 1 \"Home\", site 1 \"Gate\", scene 4, choices 1 2 0 0 0 0 0 9");
    EXPECT_EQ(DescribeEvent(ValueEvent(evStashed)), "companions and items stashed");
}

TEST_F(Avatar, TheWorldStateNamesItsFirstDifference) {
    const std::vector<TWorldStateEntry> before = CaptureWorldState();
    mill->Visits = 3;
    gold->Count = 1;
    const std::vector<TWorldStateEntry> after = CaptureWorldState();
    EXPECT_EQ(FirstWorldStateDifference(before, after), "prop 1 \"Gold\".Count: 50 against 1");
    EXPECT_NE(WorldStateDigest(before), WorldStateDigest(after));
    EXPECT_EQ(FirstWorldStateDifference(after, after), "");
    // Tints and music can be left out.
    home->Tint[0] = 0.5f;
    EXPECT_EQ(WorldDigest({.TintsAndMusic = false}), WorldStateDigest(CaptureWorldState({false})));
    EXPECT_NE(WorldDigest(), WorldStateDigest(after));
}

// The text-format test world as the compiler builds it, read by the game's own loader.
class AvatarOnTheTestWorld : public Avatar {
protected:
    void BuildWorld() override {
        SetStorageFolderPath(sfOrdinary, VALDMOOR_TEST_WORLD "/Ordinary/");
        LoadScenario();
        ASSERT_TRUE(ScenarioLoaded()) << "the build makes the test world";
    }
    void TearDown() override {
        Avatar::TearDown();
        StorageReset();
    }
};

TEST_F(AvatarOnTheTestWorld, ReplayEqualsLivePlayOverRandomSessions) {
    TRegion* meadowRegion = FindRegionByName("Meadow");
    TRegion* portRegion = FindRegionByName("Port");
    ASSERT_NE(meadowRegion, nullptr);
    ASSERT_NE(portRegion, nullptr);
    ASSERT_EQ(CurrentRegion(), meadowRegion);
    const TSessionCounts counts = PlayRandomSessions(20261209, 200, {meadowRegion, portRegion});
    EXPECT_GT(counts.Undos, 50);
    EXPECT_GT(counts.Cancels, 50);
    // Both regions were played, the market's barter and make scenes among it.
    std::set<std::string> chosen;
    for (const TSite* site : counts.Chosen) {
        chosen.insert(site->Name());
    }
    EXPECT_EQ(chosen, (std::set<std::string>{"Ferry", "Home", "Market", "Pier"}));
}

} // namespace
} // namespace valdmoor
