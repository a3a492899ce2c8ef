// The world checker: the play screen's offered actions, the static findings, and the prover
// on small worlds built to fail in one way each, and on the test world given an exit.
#include "ScenarioProve.h"

#include "ScenarioCheck.h"
#include "ScenarioScript.h"
#include "ScenarioYaml.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "platform/InputScript.h"
#include "players/EnginePlayers.h"
#include "screens/GameGuiControlSite.h"
#include "storage/EngineStorage.h"
#include "world/GameAvatar.h"
#include "world/GamePlayActions.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameSite.h"
#include "world/GameWorldState.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace valdmoor::scenario {
namespace {

std::string SourceFile(const std::string& relative) {
    return test::ReadFile(std::string(VALDMOOR_SOURCE_DIR) + "/" + relative);
}

TWorldModel ParseFile(const std::string& relative) {
    std::vector<std::string> warnings;
    return ParseWorldYaml(SourceFile(relative), relative, warnings);
}

bool Has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

class ProveTest : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        ScenarioStart();
        AvatarStart();
    }
    void TearDown() override {
        AvatarStop();
        ScenarioStop();
        ApplicationStop();
    }
    static void Load(const TWorldModel& world) {
        TMemoryStream stream(WriteWorldBytes(world));
        LoadScenarioFrom(stream);
    }
    static TProveReport Prove(const std::string& relative) {
        Load(ParseFile(relative));
        return ProveWorld({});
    }
};

// The test world has no ending of its own: a gate beyond the pier, back in the meadow, ends it
// once the port was seen.
TWorldModel TestWorldWithAGate() {
    TWorldModel world = ParseFile("tests/world/TestWorld.yaml");
    TSiteModel gate;
    gate.Name = "Gate";
    gate.Number = 90;
    gate.EndsGame = 1;
    world.Regions[1].Sites.push_back(gate); // Meadow, after Ferry
    const auto sites = world.Names(rkSite);
    world.Regions[1].Sites.back().NeedVisited[0] =
        static_cast<int32_t>(std::find(sites.begin(), sites.end(), "Pier") - sites.begin()) + 1;
    return world;
}

TEST_F(ProveTest, ATextStopOffersOnlyCancelSoNoVisitGetsPastIt) {
    // Home's third scene stops every visit there; the market waits on a finished one.
    Load(TestWorldWithAGate());
    const TProveReport report = ProveWorld({});
    EXPECT_FALSE(report.EndingReachable);
    EXPECT_TRUE(report.Complete);
    EXPECT_TRUE(Has(report.SitesNeverVisited, "Meadow/Market"));
    EXPECT_GT(report.DeadEnds, 0);
}

TEST_F(ProveTest, AWorldThatIsSoundIsProvenFinishableAndItsSaveReplaysToTheLastStep) {
    TWorldModel world = TestWorldWithAGate();
    // Home's stop becomes a plain text, which lets the visit go on.
    world.Regions[1].Sites[0].Scenes[2].SceneType = 2;
    Load(world);

    const TProveReport report = ProveWorld({});
    ASSERT_TRUE(report.EndingReachable);
    EXPECT_TRUE(report.Complete);
    EXPECT_EQ(report.Stuck, 0);
    EXPECT_EQ(report.WinningPath.back().Kind, paSite);
    EXPECT_EQ(FindSite(report.WinningPath.back().Region, report.WinningPath.back().Site)->Name(),
              "Gate");
    EXPECT_TRUE(report.SitesNeverVisited.empty());
    // The path's events rebuild the world as the player left it before the last click.
    TEventList events;
    for (const TData& data : report.EventsBeforeEnding) {
        events.Add(std::make_unique<TEvent>(data));
    }
    EXPECT_TRUE(CheckEvents(events).empty());
    EXPECT_EQ(FirstWorldStateDifference(report.StateBeforeEnding,
                                        CaptureWorldState(TWorldStateOptions{false})),
              "");
    // The written save reads back as one profile holding every event of the path.
    TMemoryStream save(ProofSaveBytes(report.WinningEvents));
    TPlayerList players;
    EXPECT_EQ(ReadSaveData(save, "Proof", players), 1);
    ASSERT_EQ(players.Count(), 1);
    const auto& game = dynamic_cast<const TCustomPlayerState&>(players.ItemAt(1)->State());
    EXPECT_EQ(game.Events().Count(), static_cast<int32_t>(report.WinningEvents.size()));
    // The prover leaves the world as a new game.
    EXPECT_EQ(TheAvatar().AvatarState, asCloseSites);
}

TEST_F(ProveTest, EachBrokenWorldIsFoundAndNamed) {
    const TProveReport unreachable = Prove("tests/tools/worlds/Unreachable.yaml");
    EXPECT_TRUE(unreachable.EndingReachable);
    EXPECT_EQ(unreachable.SitesNeverVisited, std::vector<std::string>{"Meadow/Vault"});
}

TEST_F(ProveTest, ALossBeforeTheShopIsADeadEndOnTheWayToAReachableEnding) {
    const TProveReport report = Prove("tests/tools/worlds/DeadEnd.yaml");
    ASSERT_TRUE(report.EndingReachable);
    // The shortest win buys the key with both coins.
    ASSERT_EQ(report.WinningPath.size(), 3u);
    EXPECT_EQ(report.WinningPath[1].Kind, paAccept);
    EXPECT_EQ(report.WinningPath[1].Choices[0], 1);
    EXPECT_GT(report.DeadEnds, 0);
    ASSERT_FALSE(report.DeadEndPath.empty());
    EXPECT_TRUE(report.Complete);
}

TEST_F(ProveTest, AnAchievementThatCannotCompleteIsNamed) {
    const TProveReport report = Prove("tests/tools/worlds/Achievement.yaml");
    EXPECT_TRUE(report.EndingReachable);
    EXPECT_EQ(report.AchievementsNeverCompleted, std::vector<std::string>{"Collector"});
}

TEST_F(ProveTest, AStoryStageThatHoldsEverySiteControlIsALock) {
    const TProveReport report = Prove("tests/tools/worlds/StageLock.yaml");
    EXPECT_FALSE(report.EndingReachable);
    EXPECT_GT(report.StageLocks, 0);
    EXPECT_EQ(report.LockedStage, 3);
    ASSERT_FALSE(report.StageLockPath.empty());
    EXPECT_TRUE(Has(report.SitesNeverVisited, "Meadow/Exit"));
}

TEST_F(ProveTest, TheBoundsStopTheSearchAndSayItIsIncomplete) {
    Load(ParseFile("tests/playthrough/PlayWorld.yaml"));
    TProveOptions options;
    options.MaxStates = 5;
    const TProveReport report = ProveWorld(options);
    EXPECT_FALSE(report.Complete);
    EXPECT_LE(report.States, 5 + 20);
}

TEST_F(ProveTest, SiteControlsTakeClicksOnlyWhenIdleAndNoButtonIsPointedAt) {
    Load(ParseFile("tests/tools/worlds/Cycle.yaml"));
    ResetWorld();
    TAvatar& avatar = TheAvatar();
    EXPECT_TRUE(OfferedPlayActions(avatar, true).Sites.empty()); // not idle yet
    while (avatar.AvatarState != asIdle) {
        avatar.UpdateBy(true, nullptr, 10.0f);
    }
    EXPECT_EQ(OfferedPlayActions(avatar, true).Sites.size(), 2u);
    EXPECT_TRUE(OfferedPlayActions(avatar, false).Sites.empty());
    SetStoryStage(2);
    EXPECT_TRUE(OfferedPlayActions(avatar, true).Sites.empty());
    EXPECT_FALSE(OfferedPlayActions(avatar, true).InventoryButton);
    SetStoryFlag(2);
    EXPECT_TRUE(OfferedPlayActions(avatar, true).InventoryButton);
    CloseHintDialog(); // the hint dialog does not clear the inventory's stage
    EXPECT_EQ(StoryStage(), 2);
    CloseInventoryDialog();
    EXPECT_EQ(StoryStage(), 0);
    EXPECT_EQ(OfferedPlayActions(avatar, true).Sites.size(), 2u);
    // The map button goes nowhere without a world map.
    SetStoryFlag(3);
    EXPECT_TRUE(OfferedPlayActions(avatar, true).MapButton);
    EXPECT_EQ(OfferedPlayActions(avatar, true).MapTarget, nullptr);
}

TEST_F(ProveTest, TheSceneDialogOffersWhatItsTypeShows) {
    Load(ParseFile("tests/playthrough/PlayWorld.yaml"));
    ResetWorld();
    auto scene = [](std::string_view name, int32_t index) -> const TScene* {
        for (const TSite& site : FindRegionByName("Vale")->Sites) {
            if (site.Name() != name) {
                continue;
            }
            for (const TScene& s : site.Scenes) {
                if (index-- == 0) {
                    return &s;
                }
            }
        }
        return nullptr;
    };
    for (const auto& [name, index] :
         {std::pair{"Gate", 0}, {"Fair", 0}, {"Fair", 1}, {"Camp", 1}, {"Loom", 0}}) {
        ASSERT_NE(scene(name, index), nullptr) << name << " " << index;
    }
    // Text stop: only Cancel; a floating loss goes by itself; a text only Accept.
    const TSceneActions stop = OfferedSceneActions(*scene("Gate", 0));
    EXPECT_FALSE(stop.Accept);
    EXPECT_TRUE(stop.Cancel);
    const TSceneActions loss = OfferedSceneActions(*scene("Fair", 0));
    EXPECT_TRUE(loss.ClosesByItself);
    EXPECT_TRUE(loss.Accept);
    EXPECT_FALSE(loss.Cancel);
    const TSceneActions text = OfferedSceneActions(*scene("Camp", 1));
    EXPECT_TRUE(text.Accept && !text.Cancel && !text.ClosesByItself);
    // A barter or make is accepted after one exchange at least.
    TChoices choices{};
    EXPECT_FALSE(SceneChoicesAcceptable(*scene("Fair", 1), choices));
    EXPECT_FALSE(SceneChoicesAcceptable(*scene("Loom", 0), choices));
    EXPECT_TRUE(SceneChoicesAcceptable(*scene("Camp", 1), choices));
    choices[0] = 1;
    EXPECT_TRUE(SceneChoicesAcceptable(*scene("Fair", 1), choices));
    EXPECT_TRUE(SceneChoicesAcceptable(*scene("Loom", 0), choices));
}

TEST_F(ProveTest, TheWinningScriptPlaysEveryKindOfActionThroughTheScreens) {
    Load(ParseFile("tests/playthrough/PlayWorld.yaml"));
    const TProveReport report = ProveWorld({});
    ASSERT_TRUE(report.EndingReachable);
    ASSERT_EQ(report.WinningSteps.size(), report.WinningPath.size());
    EXPECT_EQ(report.WinningSteps.back().Rest, TPlayStep::rEnding);
    EXPECT_EQ(report.WinningAchievements, (std::vector<int32_t>{1, 2}));
    const std::string script = PlayInputScript(report);
    // Valid for the game's reader.
    EXPECT_NO_THROW(TInputScript::Parse(script, "Play.txt"));
    auto count = [&](const std::string& line) {
        std::size_t n = 0;
        for (std::size_t at = script.find(line); at != std::string::npos;
             at = script.find(line, at + 1)) {
            ++n;
        }
        return n;
    };
    // The first start: the language form only when it is up, then the menu's New game.
    EXPECT_EQ(script.find("+1 wait idle Languages Menu\n+1 if Languages capture Languages\n+1 if "
                          "Languages click OK\n+1 wait idle Menu\n+0 capture Menu\n+1 click "
                          "NewGame\n"),
              script.find("+1 wait idle"));
    // Sites at their markers' points, both corner buttons the story points at, Cancel on the
    // gate, one exchange each on the barter's slot and the make's one button, the map button.
    const TVector2 at = SiteControlPoint(*FindRegionByName("Vale")->Sites.First());
    EXPECT_EQ(count("+1 click " + std::to_string(static_cast<int>(at.X)) + " " +
                    std::to_string(static_cast<int>(at.Y)) + "\n"),
              1u);
    EXPECT_EQ(count("+1 click Hint\n+1 wait idle Hint\n+0 capture DialogHint\n+1 click "
                    "Close\n+1 wait idle Play\n"),
              1u);
    EXPECT_EQ(count("+1 click Inventory\n+1 wait idle Inventory\n+0 capture DialogInventory\n+1 "
                    "click Close\n"),
              1u);
    EXPECT_EQ(count("+1 click Cancel\n"), 1u);
    EXPECT_EQ(count("+1 click ChangePerf1\n+1 wait idle Scene\n+1 click Accept\n"), 1u);
    EXPECT_EQ(count("+1 click ChangePerf\n+1 wait idle Scene\n+1 click Accept\n"), 1u);
    // Each achievement is closed; only the first is captured.
    EXPECT_EQ(count("+1 wait idle Achievement\n+0 capture DialogAchievement\n+1 click OK\n"), 1u);
    EXPECT_EQ(count("+1 wait idle Achievement\n+1 click OK\n"), 1u);
    EXPECT_EQ(count("+1 click Map\n+1 wait idle Play\n"), 1u);
    // The floating loss goes by itself: nothing waits for it to rest or clicks it.
    EXPECT_EQ(count("# accept\n+1 wait idle"), 1u);
    // The ending, back on the menu, and out through the quit question.
    EXPECT_NE(script.find("+150 capture Ending\n+1 wait idle Menu\n+0 capture EndingMenu\n# The "
                          "ending is over: back on the menu, quit.\n+1 click Quit\n+1 wait idle "
                          "QueryCustom\n+1 click Yes\n"),
              std::string::npos)
        << script;
    // Every region's and every dialog kind's first resting frame, each once, right where the
    // script waited for it.
    for (const char* name :
         {"RegionVale", "RegionIsle", "SceneText", "SceneReward", "SceneBarter", "SceneMake"}) {
        EXPECT_EQ(count(std::string(" idle ") + (name[0] == 'R' ? "Play" : "Scene") +
                        "\n+0 capture " + name + "\n"),
                  1u)
            << name;
        EXPECT_EQ(count(std::string("capture ") + name + "\n"), 1u) << name;
    }
}

TEST(ScenarioCheck, CyclesUngivenPropsAndImpossibleSitesAreErrorsWithTheirLines) {
    const std::string text = SourceFile("tests/tools/worlds/Cycle.yaml");
    std::vector<std::string> warnings;
    const TWorldModel cycle = ParseWorldYaml(text, "Cycle.yaml", warnings);
    const auto findings = CheckWorldSource(cycle, text, "Cycle.yaml", {}, "");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(FormatFinding(findings[0]),
              "Cycle.yaml:5: error: site Home: the recommended-site chain returns to Home");

    const std::string broken = R"(props:
  - {name: Key, kind: item}
regions:
  - name: Meadow
    sites:
      - name: Door
        need-props: [{prop: Key, amount: 1}]
      - name: Hall
        need-visited: [Door]
start-region: Meadow
hints:
  - {name: A, subhints: [B]}
  - {name: B, subhints: [A]}
)";
    const TWorldModel world = ParseWorldYaml(broken, "B.yaml", warnings);
    std::vector<std::string> lines;
    for (const TFinding& finding : CheckWorldSource(world, broken, "B.yaml", {}, "")) {
        lines.push_back(FormatFinding(finding));
    }
    EXPECT_TRUE(Has(lines, "B.yaml:12: error: hint A: the chain of sub-hints returns to A"));
    EXPECT_TRUE(Has(lines, "B.yaml:2: error: prop Key: site Door requires or takes it, but "
                           "nothing gives it"));
    EXPECT_TRUE(Has(lines, "B.yaml:6: error: site Door: its prerequisites can never hold"));
    EXPECT_TRUE(Has(lines, "B.yaml:8: error: site Hall: its prerequisites can never hold"));
}

TEST(ScenarioCheck, MediaMissingFromTheGameFolderAreReported) {
    const test::TTempFolder folder;
    std::filesystem::create_directories(folder.Path() / "Ordinary");
    std::ofstream(folder.Path() / "Ordinary" / "G1Meadow.png") << "x";
    TWorldModel world;
    world.Pool[rkPicture] = {"G1Meadow", "G5Market"};
    std::vector<std::string> lines;
    for (const TFinding& finding :
         CheckWorldSource(world, "", "W.yaml", {}, folder.Path().string())) {
        lines.push_back(FormatFinding(finding));
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("picture G5Market: no such file"), std::string::npos);
}

} // namespace
} // namespace valdmoor::scenario

namespace valdmoor::scenario {
namespace {

TEST(ScenarioProveTool, ExitsByTheVerdictAndWritesTheWinningSaveAndScript) {
    const test::TTempFolder temp;
    const std::string tool = VALDMOOR_SCENARIO_TOOL;
    const std::string worlds = std::string(VALDMOOR_SOURCE_DIR) + "/tests/tools/worlds/";
    const auto save = (temp.Path() / "Proof.sav").string();
    const auto script = (temp.Path() / "Proof.txt").string();
    const auto actions = (temp.Path() / "Actions.txt").string();
    test::TProcessResult run =
        test::RunProcess(tool, {"prove", worlds + "DeadEnd.yaml", "--save", save, "--script",
                                script, "--actions", actions});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("ending reachable in 3 actions"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("dead ends: "), std::string::npos);
    const std::string lines = test::ReadFile(actions);
    EXPECT_NE(lines.find("site 1 1 \"Shop\"\naccept 1 0 0 0 0 0 0 0\nsite 1 3 \"Exit\"\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(test::ReadFile(script).find("+1 click ChangePerf1\n"), std::string::npos);
    TMemoryStream stream(test::ReadFile(save));
    TPlayerList players;
    EXPECT_EQ(ReadSaveData(stream, save, players), 1);

    run = test::RunProcess(tool, {"prove", worlds + "StageLock.yaml"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Out.find("stage lock: story stage 3"), std::string::npos) << run.Out;
    run = test::RunProcess(tool, {"check", worlds + "Cycle.yaml"});
    EXPECT_EQ(run.ExitCode, 1);
    run = test::RunProcess(tool, {"check", worlds + "DeadEnd.yaml"});
    EXPECT_EQ(run.ExitCode, 0) << run.Out;
}

} // namespace
} // namespace valdmoor::scenario
