#include "world/GameSite.h"

#include "ScenarioModel.h"
#include "WorldTestWorld.h"
#include "storage/EngineStorage.h"
#include "world/GameMap.h"
#include "world/GameRecords.h"

#include <set>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

// Answers the in-view test from a set of uncovered positions.
class TTestMapView : public TMapView {
public:
    bool IsRevealedPoint(float x, float y) const override { return uncovered.count({x, y}) > 0; }
    std::set<std::pair<float, float>> uncovered;
};

using Sites = test::WorldTest;

TEST_F(Sites, LoadsTheBlockWithItsScenesAndResolvesForwardReferences) {
    TRegion* region = Region(1);
    TLoadContext context;
    context.Regions = {region};
    TSite* first = Site(region, 0, "First");
    auto later = std::make_unique<TSite>("Later");
    context.Sites = {first, later.get()};
    context.Props = {Prop(pkItem)};
    context.Groups = {Group()};

    scenario::TSiteModel record;
    record.Number = 77;
    record.X = -12.5f;
    record.Flag1 = 1;
    record.AutoVisit = 1;
    record.Flag4 = 1;
    record.EndsGame = 1;
    record.ActionCode = 23;
    record.Destination = 1;
    record.NeedRevealed = 2;
    record.NeedVisited = {2, 0, 9};
    record.NeedProps[1] = {1, 3};
    record.Group = 1;
    record.RevealCells[13] = 0x80;
    record.CloseAfter = {0, 2};
    record.NextRecommended = 2;
    record.Scenes.resize(2);
    record.Scenes[1].Number = 5;
    TMemoryStream stream(scenario::RecordBytes(record));
    first->Load(stream, context);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(first->Number, 77);
    EXPECT_EQ(first->X, -12.5f);
    EXPECT_EQ(first->AutoVisit, 1);
    EXPECT_EQ(first->KeepAssets, 0);
    EXPECT_EQ(first->EndsGame, 1);
    EXPECT_EQ(first->Destination, region);
    EXPECT_EQ(first->NeedRevealed, later.get());
    EXPECT_EQ(first->NeedVisited[2], nullptr);
    EXPECT_EQ(first->NeedProps[1].Amount, 3);
    EXPECT_EQ(first->CloseAfter[1], later.get());
    EXPECT_TRUE(first->RevealsCell(13 * 8 + 7));
    EXPECT_FALSE(first->RevealsCell(13 * 8 + 6));
    ASSERT_EQ(first->Scenes.Count(), 2);
    EXPECT_EQ(first->Scenes.Last()->Number, 5);
    EXPECT_EQ(first->Scenes.Last()->Site, first);
}

TEST_F(Sites, ASceneCountBeyondTheDataIsRejectedBeforeAnySceneIsMade) {
    TSite* site = Site(Region(1), 1);
    scenario::TSiteModel record;
    record.Scenes.resize(1);
    std::string bytes = scenario::RecordBytes(record);
    bytes[133] = 0x10; // 4096 + 1 scenes claimed, one present
    TMemoryStream stream(bytes);
    EXPECT_THROW(site->Load(stream, TLoadContext{}), EngineError);
    EXPECT_EQ(site->Scenes.Count(), 0);
}

TEST_F(Sites, RevealNeedsEveryPresentPrerequisite) {
    TRegion* region = Region(1);
    TSite* site = Site(region, 1);
    TSite* other = Site(region, 2);
    TProp* gold = Prop(pkProperty, 4);
    EXPECT_TRUE(site->CanReveal()); // nothing required

    site->NeedProps[0] = {gold, 5};
    site->NeedProps[1] = {nullptr, 1000};      // no prop: ignored
    site->NeedProps[2] = {Prop(pkItem, 0), 0}; // amount 0: always met
    EXPECT_FALSE(site->CanReveal());
    gold->Count = 5;
    EXPECT_TRUE(site->CanReveal());

    site->NeedVisited[1] = other;
    EXPECT_FALSE(site->CanReveal());
    other->Visits = 1;
    EXPECT_TRUE(site->CanReveal());

    site->NeedEntered = other;
    EXPECT_FALSE(site->CanReveal());
    other->Entered = true;
    site->NeedRevealed = other;
    EXPECT_FALSE(site->CanReveal());
    other->Revealed = true;
    EXPECT_TRUE(site->CanReveal());
}

TEST_F(Sites, NextSiteToRevealTakesTheFirstQualifyingSiteInOrder) {
    TRegion* region = Region(1);
    TSite* waiting = Site(region, 1);
    TSite* inView = Site(region, 2);
    TSite* plain = Site(region, 3);
    TSite* last = Site(region, 4);
    waiting->NeedVisited[0] = last;
    inView->OnlyWhenInView = 1;
    inView->X = 10;
    inView->Y = 20;
    TTestMapView view;
    EXPECT_EQ(region->NextSiteToReveal(&view), plain);
    EXPECT_EQ(region->NextSiteToReveal(nullptr), plain);
    view.uncovered.insert({10.0f, 20.0f});
    EXPECT_EQ(region->NextSiteToReveal(&view), inView);
    inView->Revealed = true;
    plain->Closed = true;
    EXPECT_EQ(region->NextSiteToReveal(&view), last);
    last->Revealed = true;
    EXPECT_EQ(region->NextSiteToReveal(&view), nullptr);
}

TEST_F(Sites, NextSiteToCloseAndTheGroupFlipsOfRevealAndClose) {
    TRegion* region = Region(1);
    TGroup* group = Group();
    TPlotData plot;
    group->Members.push_back(&plot);
    TSite* trigger = Site(region, 9);
    TSite* closer = Site(region, 1);
    closer->Group = group;
    closer->CloseAfter[1] = trigger;
    EXPECT_EQ(region->NextSiteToClose(), nullptr);
    trigger->Visits = 1;
    EXPECT_EQ(region->NextSiteToClose(), closer);

    // Revealed, then closed unvisited: two flips restore the plot.
    closer->Reveal();
    EXPECT_EQ(plot.Hidden, 1);
    closer->Close();
    EXPECT_EQ(plot.Hidden, 0);
    EXPECT_TRUE(closer->Closed);
    EXPECT_EQ(region->NextSiteToClose(), nullptr);

    // Visited before closing: one flip only.
    closer->Reset();
    closer->Reveal();
    closer->Visits = 1;
    closer->Close();
    EXPECT_EQ(plot.Hidden, 1);

    // Never revealed: never flipped.
    plot.Hidden = 0;
    closer->Reset();
    closer->Close();
    EXPECT_EQ(plot.Hidden, 0);
}

TEST_F(Sites, QuickRevealNeedsAFlagAndNothingToUncover) {
    TSite* site = Site(Region(1), 1);
    EXPECT_FALSE(site->QuickReveal());
    site->AutoVisit = 1;
    EXPECT_TRUE(site->QuickReveal());
    site->AutoVisit = 0;
    site->Flag1 = 1;
    EXPECT_TRUE(site->QuickReveal());
    site->RevealCells[25] = 0x01; // beyond cell 109, still not empty
    EXPECT_FALSE(site->RevealCellsEmpty());
    EXPECT_FALSE(site->QuickReveal());
    EXPECT_FALSE(site->RevealsCell(-1));
    EXPECT_FALSE(site->RevealsCell(208));
}

TEST_F(Sites, AvailableFromOutsideLooksOnlyAtPrerequisitesInOtherRegions) {
    TRegion* home = Region(1);
    TRegion* away = Region(2);
    TSite* site = Site(home, 1);
    TSite* near = Site(home, 2);
    TSite* far = Site(away, 3);
    site->NeedRevealed = near;
    site->NeedProps[0] = {Prop(pkItem), 5};
    EXPECT_TRUE(site->AvailableFromOutside());
    site->NeedVisited[2] = far;
    EXPECT_FALSE(site->AvailableFromOutside());
    far->Visits = 1;
    EXPECT_TRUE(site->AvailableFromOutside());
    site->NeedEntered = far;
    EXPECT_FALSE(site->AvailableFromOutside());
}

TEST_F(Sites, CompletingAVisitCatchesUpScenesAndTravels) {
    TRegion* home = Region(1);
    TRegion* away = Region(2);
    SetScenarioRegions(home, home, nullptr);
    ResetWorld();
    TSite* site = Site(home, 1);
    TScene* a = Scene(site, 1);
    TScene* b = Scene(site, 2);
    site->Destination = away;
    site->CompleteVisit();
    EXPECT_EQ(site->Visits, 1);
    EXPECT_EQ(a->Executions, 1);
    EXPECT_EQ(b->Executions, 1);
    EXPECT_EQ(CurrentRegion(), away);
    EXPECT_EQ(PreviousRegion(), home);
    site->ActionCode = 200;
    EXPECT_EQ(site->ShownIconStyle(), 0);
    site->Destination = home;
    EXPECT_EQ(site->ShownIconStyle(), 2);
}

TEST_F(Sites, RegionResetRestoresTintMusicMapAndSites) {
    TRegion* region = Region(1);
    region->DefaultTint = {0.5f, 0.25f, 1};
    region->Music = PoolSounds().Add(std::make_unique<TSound>("G8Song"));
    region->Map.Plots.resize(1);
    region->Map.Plots[0].InitiallyHidden = 1;
    TSite* site = Site(region, 1);
    TScene* scene = Scene(site, 1);
    site->Revealed = site->Entered = site->Closed = true;
    site->Visits = 3;
    scene->Executions = 3;
    region->Reset();
    EXPECT_EQ(region->Tint, region->DefaultTint);
    EXPECT_EQ(region->CurrentMusic, region->Music);
    EXPECT_EQ(region->Map.Plots[0].Hidden, 1);
    EXPECT_FALSE(site->Revealed || site->Entered || site->Closed);
    EXPECT_EQ(site->Visits, 0);
    EXPECT_EQ(scene->Executions, 0);
}

TEST_F(Sites, RegionRecordRejectsATintThatIsNotANumber) {
    scenario::TRegionModel record;
    record.Number = 4;
    record.DefaultTint = {0.5f, 0.5f, 0.5f};
    TRegion* region = Region(0);
    TMemoryStream good(scenario::RecordBytes(record));
    region->Load(good, TLoadContext{});
    EXPECT_EQ(region->Number, 4);
    EXPECT_EQ(region->Tint[2], 0.5f);
    record.DefaultTint[1] = std::numeric_limits<float>::quiet_NaN();
    TMemoryStream bad(scenario::RecordBytes(record));
    EXPECT_THROW(region->Load(bad, TLoadContext{}), EngineError);
}

} // namespace
} // namespace valdmoor
