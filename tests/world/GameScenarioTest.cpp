#include "world/GameScenario.h"

#include "ScenarioModel.h"
#include "TestSupport.h"
#include "WorldRecords.h"
#include "WorldTestWorld.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Scenario = test::WorldTest;

TEST_F(Scenario, ResetWorldRestoresTheNewGameState) {
    TRegion* start = Region(1, "Start");
    TRegion* other = Region(2, "Other");
    SetScenarioRegions(other, start, nullptr);
    TProp* gold = Prop(pkProperty, 10);
    TAchievement* achievement = Achievement(1, 5);
    achievement->Hidden = 1;
    TSite* site = Site(start, 1);
    TGroup* group = Group();
    start->Map.Plots.resize(2);
    start->Map.Plots[1].Group = group;
    start->Map.Plots[1].InitiallyHidden = 1;
    bool avatarReset = false;
    static bool* flag = nullptr;
    flag = &avatarReset;
    SetAvatarResetHook([] { *flag = true; });

    ResetWorld();
    EXPECT_TRUE(avatarReset);
    ASSERT_EQ(group->Members.size(), 1u);
    EXPECT_EQ(CurrentRegion(), start);
    EXPECT_EQ(PreviousRegion(), start);
    EXPECT_EQ(StoryStage(), 9);

    gold->Count = 1;
    gold->StashedCount = 4;
    gold->ShownCount = 3;
    achievement->AddProgress(3);
    site->Visits = 2;
    FlipGroup(group);
    ChangeRegion(other);
    SetStoryFlag(2);
    SetStoryStage(1);

    ResetWorld();
    EXPECT_EQ(group->Members.size(), 1u); // registered once per run
    EXPECT_EQ(gold->Count, 10);
    EXPECT_EQ(gold->StashedCount, 0);
    EXPECT_EQ(gold->ShownCount, 0);
    EXPECT_EQ(achievement->Progress, 0);
    EXPECT_FALSE(achievement->Revealed);
    EXPECT_EQ(site->Visits, 0);
    EXPECT_EQ(start->Map.Plots[1].Hidden, 1);
    EXPECT_EQ(CurrentRegion(), start);
    EXPECT_FALSE(StoryFlag(2));
    EXPECT_EQ(StoryStage(), 9);
    SetAvatarResetHook(nullptr);
}

TEST_F(Scenario, StoryFlagsActOnlyForOneToThree) {
    SetStoryFlag(0);
    SetStoryFlag(4);
    SetStoryFlag(3);
    EXPECT_FALSE(StoryFlag(0));
    EXPECT_FALSE(StoryFlag(4));
    EXPECT_TRUE(StoryFlag(3));
    ClearStoryFlag(3);
    EXPECT_FALSE(StoryFlag(3));
}

TEST_F(Scenario, LookUpsUseTheirCachesAndFindScenesInSiteOrder) {
    TRegion* one = Region(1);
    TRegion* two = Region(2);
    TSite* a = Site(one, 10);
    TSite* b = Site(two, 20);
    TScene* first = Scene(b, 7);
    Scene(b, 7);
    EXPECT_EQ(FindRegionByNumber(2), two);
    EXPECT_EQ(FindRegionByNumber(3), nullptr);
    EXPECT_EQ(FindSite(1, 10), a);
    EXPECT_EQ(FindSite(2, 10), a); // the cached site answers whatever the region
    EXPECT_EQ(FindSite(2, 20), b);
    EXPECT_EQ(FindSite(1, 20), b);
    EXPECT_EQ(FindSite(5, 99), nullptr);
    EXPECT_EQ(FindScene(2, 20, 7), first);
    EXPECT_EQ(FindScene(2, 20, 8), nullptr);
    EXPECT_EQ(FindRegionByName("Region"), one);
}

TEST_F(Scenario, StashAndRestoreMoveOnlyCompanionsAndItems) {
    TProp* gold = Prop(pkProperty, 5);
    TProp* friendProp = Prop(pkCompanion, 1);
    TProp* sword = Prop(pkItem, 2);
    TProp* lore = Prop(pkKnowledge, 1);
    StashCompanionsAndItems();
    EXPECT_EQ(gold->Count, 5);
    EXPECT_EQ(lore->Count, 1);
    EXPECT_EQ(friendProp->Count, 0);
    EXPECT_EQ(sword->StashedCount, 2);
    sword->Count = 3; // found another meanwhile
    RestoreCompanionsAndItems();
    EXPECT_EQ(sword->Count, 5);
    EXPECT_EQ(sword->StashedCount, 0);
    EXPECT_EQ(friendProp->Count, 1);

    std::array<int32_t, 5> counts{};
    gold->Count = 0;
    Prop(pkSkill, 0);
    CountPropsByKind(counts);
    EXPECT_EQ(counts, (std::array<int32_t, 5>{1, 1, 0, 1, 1}));
}

TEST_F(Scenario, StopFreesTheWorldAndAcceptsAWorldNeverStarted) {
    Region(1);
    SetScenarioRegions(ScenarioRegions().First(), nullptr, nullptr);
    ScenarioStop();
    EXPECT_EQ(ScenarioRegions().Count(), 0);
    EXPECT_EQ(MenuRegion(), nullptr);
    ScenarioStop();
    ScenarioStart();
    EXPECT_EQ(NewRegionNumber(), 1);
}

// The scenario file read from the ordinary data folder of a temporary game folder.
class ScenarioLoading : public test::WorldTest {
protected:
    void SetUp() override {
        test::WorldTest::SetUp();
        std::filesystem::create_directories(temp.Path() / "Ordinary");
        SetStorageFolderPath(sfOrdinary, (temp.Path() / "Ordinary").string() + "/");
    }
    void TearDown() override {
        test::WorldTest::TearDown();
        StorageReset();
    }
    static std::string TestWorldBytes() {
        return test::ReadFile(VALDMOOR_TEST_WORLD "/Ordinary/S0Scenario.dat");
    }
    void WriteScenario(const std::string& bytes) const {
        temp.Write("Ordinary/S0Scenario.dat", bytes);
    }
    static void LoadBytes(const std::string& bytes) {
        TMemoryStream stream(bytes);
        LoadScenarioFrom(stream);
    }
    template <class T>
    static T* Named(TContainerOf<T>& list, std::string_view name) {
        for (T& item : list) {
            if (item.Name() == name) {
                return &item;
            }
        }
        return nullptr;
    }

    test::TTempFolder temp;
};

TEST_F(ScenarioLoading, TheTestWorldLoadsWithEveryReferenceResolvedForward) {
    const std::string bytes = TestWorldBytes();
    ASSERT_FALSE(bytes.empty()) << "the build makes the test world";
    WriteScenario(bytes);
    LoadScenario();
    ASSERT_TRUE(ScenarioLoaded());
    EXPECT_EQ(ScenarioProps().Count(), 6);
    ASSERT_EQ(ScenarioRegions().Count(), 3);
    EXPECT_EQ(ScenarioHints().Count(), 3);
    EXPECT_EQ(ScenarioAchievements().Count(), 3);
    EXPECT_EQ(PoolGroups().Count(), 2);

    TRegion* meadow = FindRegionByName("Meadow");
    TRegion* port = FindRegionByName("Port");
    ASSERT_NE(meadow, nullptr);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(MenuRegion(), FindRegionByName("Menu"));
    EXPECT_EQ(StartRegion(), meadow);
    EXPECT_EQ(WorldMapRegion(), port);
    EXPECT_EQ(NewRegionNumber(), 4); // the counter follows the highest region number

    TSite* home = Named(meadow->Sites, "Home");
    TSite* market = Named(meadow->Sites, "Market");
    TSite* ferry = Named(meadow->Sites, "Ferry");
    TSite* pier = Named(port->Sites, "Pier");
    ASSERT_TRUE(home && market && ferry && pier);
    // Sites keep file order (Home, Market, Ferry is not name order), and a look-up by name
    // finds each of them in any order of asking.
    EXPECT_EQ(meadow->Sites.First(), home);
    EXPECT_EQ(meadow->Sites.Last(), ferry);
    for (TSite* site : {market, home, ferry, market, ferry, home}) {
        EXPECT_EQ(meadow->Sites.Find(site->Name()), site) << site->Name();
    }
    for (const char* name : {"Lore", "Gold", "Haggling", "Bread"}) {
        EXPECT_EQ(ScenarioProps().Find(name), Named(ScenarioProps(), name)) << name;
    }
    EXPECT_EQ(RecommendationStart(), home);
    EXPECT_EQ(home->Region, meadow);
    EXPECT_EQ(pier->Region, port);
    // Forward references: to a later site, a site of a later region, a later region, a hint.
    EXPECT_EQ(home->NextRecommended, market);
    EXPECT_EQ(market->CloseAfter[0], pier);
    EXPECT_EQ(ferry->Destination, port);
    EXPECT_EQ(home->Hint, Named(ScenarioHints(), "FindMarket"));
    EXPECT_EQ(Named(ScenarioHints(), "FindMarket")->Subhints[1],
              Named(ScenarioHints(), "BuyBread"));
    EXPECT_EQ(Named(ScenarioAchievements(), "Rich")->RevealedBy,
              Named(ScenarioAchievements(), "FirstSteps"));

    // Scenes numbered by the compiler, unique across the world, fixed ones kept.
    ASSERT_EQ(home->Scenes.Count(), 8);
    EXPECT_EQ(home->Scenes.First()->Number, 1);
    EXPECT_EQ(home->Scenes.First()->Site, home);
    EXPECT_EQ(FindScene(3, pier->Number, 100), pier->Scenes.First());
    EXPECT_EQ(market->Scenes.Last()->Number, 100);

    ResetWorld();
    EXPECT_EQ(CurrentRegion(), meadow);
    EXPECT_EQ(Named(PoolGroups(), "Bridge")->Members.size(), 1u);
    EXPECT_EQ(Named(ScenarioProps(), "Gold")->Count, 10);
}

TEST_F(ScenarioLoading, AMissingFileGivesTheOneRegionFallbackAndASecondLoadDoesNothing) {
    LoadScenario();
    ASSERT_TRUE(ScenarioLoaded());
    ASSERT_EQ(ScenarioRegions().Count(), 1);
    TRegion* region = ScenarioRegions().First();
    EXPECT_EQ(region->Name(), "Region01");
    EXPECT_EQ(region->Number, 1);
    EXPECT_EQ(MenuRegion(), region);
    EXPECT_EQ(StartRegion(), region);
    EXPECT_EQ(WorldMapRegion(), nullptr);
    EXPECT_EQ(ScenarioProps().Count(), 0);

    // Once per run: a file that appears later is not read.
    WriteScenario(TestWorldBytes());
    LoadScenario();
    EXPECT_EQ(ScenarioRegions().Count(), 1);
    ResetWorld();
    EXPECT_EQ(CurrentRegion(), region);
}

TEST_F(ScenarioLoading, ATruncatedFileRaisesNamingTheFileAndStaysUnloaded) {
    const std::string bytes = TestWorldBytes();
    WriteScenario(bytes.substr(0, bytes.size() - 3));
    try {
        LoadScenario();
        FAIL() << "a cut file loaded";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("S0Scenario.dat"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(ScenarioLoaded());
    // What was read before the damage stays in the lists.
    EXPECT_EQ(ScenarioRegions().Count(), 3);
}

TEST_F(ScenarioLoading, EveryCutOfTheFileIsAnErrorAndNeverACrash) {
    const std::string bytes = TestWorldBytes();
    ASSERT_FALSE(bytes.empty());
    // Every length, so every section boundary and every record boundary is among them.
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        ScenarioStop();
        ScenarioStart();
        EXPECT_THROW(LoadBytes(bytes.substr(0, size)), EngineError) << "cut at " << size;
    }
    ScenarioStop();
    ScenarioStart();
    LoadBytes(bytes);
    EXPECT_EQ(ScenarioRegions().Count(), 3);
}

TEST_F(ScenarioLoading, SitesBeyondTheRegionsStayUnattachedButTooManyAreDamage) {
    // The compiler's model with the last region's site moved out of every region.
    scenario::TWorldModel world = scenario::ReadWorldBytes(TestWorldBytes());
    world.UnattachedSites.push_back(world.Regions.back().Sites.back());
    world.Regions.back().Sites.pop_back();
    LoadBytes(scenario::WriteWorldBytes(world));
    EXPECT_EQ(UnattachedSiteCount(), 1);
    TRegion* port = FindRegionByName("Port");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->Sites.Count(), 0);
    TSite* market = Named(FindRegionByName("Meadow")->Sites, "Market");
    ASSERT_NE(market->CloseAfter[0], nullptr); // still a valid object
    EXPECT_EQ(market->CloseAfter[0]->Name(), "Pier");
    EXPECT_EQ(market->CloseAfter[0]->Region, nullptr);
    ResetWorld();

    // One region claiming a site while no site name was declared.
    ScenarioStop();
    ScenarioStart();
    test::TRecordWriter w;
    w.Raw(scenario::PoolBytes({}));
    w.Int32(0);              // props
    w.Int32(1).Name("Only"); // regions
    w.Int32(0);              // sites
    w.Int32(0).Int32(0);     // hints, achievements
    w.Int32(1);              // the region's site count
    w.Raw(scenario::RecordBytes(scenario::TSiteModel()));
    try {
        LoadBytes(w.Bytes());
        FAIL() << "a site without a name was read";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Damaged scenario data (site count)");
    }
}

TEST_F(ScenarioLoading, AnEmptyWorldLoads) {
    test::TRecordWriter w;
    w.Raw(scenario::PoolBytes({}));
    w.Int32(0).Int32(1).Name("Alone").Int32(0).Int32(0).Int32(0);
    w.Int32(0); // section 7: the region's zero sites
    scenario::TRegionModel region;
    region.Number = 5;
    w.Raw(scenario::RecordBytes(region)).Raw(scenario::MapBytes(region));
    w.Int32(1).Int32(1).Int32(0).Int32(0).Int32(5);
    LoadBytes(w.Bytes());
    ASSERT_EQ(ScenarioRegions().Count(), 1);
    EXPECT_EQ(FindRegionByNumber(5), StartRegion());
    EXPECT_EQ(NewRegionNumber(), 6);
}

} // namespace
} // namespace valdmoor
