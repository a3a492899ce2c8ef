#include "world/GameScenario.h"

#include "WorldTestWorld.h"

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

} // namespace
} // namespace valdmoor
