#include "world/GameHint.h"

#include "ScenarioModel.h"
#include "WorldTestWorld.h"
#include "storage/EngineStorage.h"
#include "world/GameRecords.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

class Hints : public test::WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        region = Region(1);
        site = Site(region, 1);
        gold = Prop(pkProperty, 3);
    }
    THint* Resolve(THint* hint, int32_t amount = 1) {
        shown = -1;
        return ResolveHint(hint, amount, site, shown);
    }

    TRegion* region = nullptr;
    TSite* site = nullptr;
    TProp* gold = nullptr;
    int32_t shown = 0;
};

TEST_F(Hints, LoadsTheRecordAndNamesItsTextInDecimal) {
    TLoadContext context;
    context.Props = {gold};
    context.Sites = {site};
    context.Regions = {region};
    THint* hint = Hint(0);
    context.Hints = {hint, Hint(2)};
    scenario::THintModel record;
    record.Number = 26;
    record.UntilProp = 1;
    record.NeedAmount = -4;
    record.UntilSiteEntered = 1;
    record.NotInRegion = 1;
    record.Subhints = {0, 2, 3};
    record.SubAmounts[1] = -2;
    record.GroupOnly = 1;
    record.Display = {0, 1};
    TMemoryStream stream(scenario::RecordBytes(record));
    hint->Load(stream, context);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(hint->UntilProp, gold);
    EXPECT_EQ(hint->NeedAmount, -4);
    EXPECT_EQ(hint->NotInRegion, region);
    EXPECT_EQ(hint->Subhints[1], context.Hints[1]);
    EXPECT_EQ(hint->Subhints[2], nullptr);
    EXPECT_EQ(hint->SubAmounts[1], -2);
    EXPECT_EQ(hint->Display[1], 1);
    EXPECT_EQ(hint->Legend(), "HintLegendH26");
}

TEST_F(Hints, EachConditionStopsTheHintFromApplying) {
    THint* hint = Hint(1);
    TSite* other = Site(region, 2);
    EXPECT_EQ(Resolve(hint, 7), hint);
    EXPECT_EQ(shown, 7);

    hint->UntilProp = gold; // 3 held
    EXPECT_EQ(Resolve(hint, 3), nullptr);
    EXPECT_EQ(Resolve(hint, 4), hint);
    hint->UntilProp = nullptr;

    hint->NeedProp = gold;
    hint->NeedAmount = 4;
    EXPECT_EQ(Resolve(hint), nullptr);
    hint->NeedAmount = 3;
    EXPECT_EQ(Resolve(hint), hint);

    hint->UntilVisited = other;
    other->Visits = 1;
    EXPECT_EQ(Resolve(hint), nullptr);
    hint->UntilVisited = nullptr;
    hint->NeedVisited = other;
    EXPECT_EQ(Resolve(hint), hint);
    other->Visits = 0;
    EXPECT_EQ(Resolve(hint), nullptr);
    hint->NeedVisited = nullptr;

    hint->UntilEntered = 1;
    site->Entered = true;
    EXPECT_EQ(Resolve(hint), nullptr);
    hint->UntilEntered = 0;
    hint->UntilSiteEntered = other;
    EXPECT_EQ(Resolve(hint), hint);
    other->Entered = true;
    EXPECT_EQ(Resolve(hint), nullptr);
    hint->UntilSiteEntered = nullptr;

    SetScenarioRegions(nullptr, region, nullptr);
    ResetWorld();
    hint->NotInRegion = region;
    EXPECT_EQ(Resolve(hint), nullptr);
    ChangeRegion(nullptr);
    EXPECT_EQ(Resolve(hint), hint);
}

TEST_F(Hints, SubhintsAreTriedInOrderWithTheirAmounts) {
    THint* root = Hint(1);
    THint* fixed = Hint(2);
    THint* scaled = Hint(3);
    root->UntilProp = gold; // 3 held
    root->Subhints = {fixed, scaled};
    root->SubAmounts = {5, -2};
    fixed->UntilProp = gold;
    fixed->GroupOnly = 1;
    // The fixed subhint is only a container: the scaled one gets |-2| x (10 - 3).
    EXPECT_EQ(Resolve(root, 10), scaled);
    EXPECT_EQ(shown, 14);
    root->SubAmounts[1] = 0;
    EXPECT_EQ(Resolve(root, 10), scaled);
    EXPECT_EQ(shown, 10);
    scaled->GroupOnly = 1;
    EXPECT_EQ(Resolve(root, 10), root);
    root->GroupOnly = 1;
    EXPECT_EQ(Resolve(root, 10), nullptr); // every leaf is a container
    EXPECT_EQ(ResolveHint(nullptr, 1, site, shown), nullptr);
}

TEST_F(Hints, ASubhintLoopEndsAndIsLoggedOnce) {
    THint* a = Hint(1);
    THint* b = Hint(2);
    a->Subhints[0] = b;
    b->Subhints[0] = a;
    b->GroupOnly = 1;
    a->GroupOnly = 1;
    EXPECT_EQ(Resolve(a), nullptr);
    EXPECT_EQ(Resolve(a), nullptr);
    EXPECT_EQ(LogCount("Hint chain loop"), 1);
    b->GroupOnly = 0;
    EXPECT_EQ(Resolve(a), b);

    THint* self = Hint(3);
    self->Subhints.fill(self);
    EXPECT_EQ(Resolve(self), self);
}

TEST_F(Hints, AWideSharedTreeIsWalkedOncePerHint) {
    // Eight subhints at every level, all pointing at the next level: without a visit mark
    // this is 8^40 paths.
    std::vector<THint*> levels;
    for (int32_t i = 0; i < 40; ++i) {
        levels.push_back(Hint(i));
        levels.back()->GroupOnly = 1;
    }
    for (int32_t i = 0; i + 1 < 40; ++i) {
        levels[static_cast<std::size_t>(i)]->Subhints.fill(levels[static_cast<std::size_t>(i + 1)]);
    }
    EXPECT_EQ(Resolve(levels[0]), nullptr);
    EXPECT_EQ(LogCount("loop"), 0);
}

TEST_F(Hints, TheRecommendationChainSkipsVisitedAndClosedSites) {
    TSite* first = site;
    TSite* second = Site(region, 2);
    TSite* third = Site(region, 3);
    first->NextRecommended = second;
    second->NextRecommended = third;
    THint* hint = Hint(7);
    third->Hint = hint;
    TSite* found = nullptr;
    int32_t amount = 0;
    EXPECT_EQ(NextRecommendedHint(found, amount), nullptr); // no chain
    SetRecommendationStart(first);
    EXPECT_EQ(NextRecommendedHint(found, amount), nullptr); // the first site has no hint
    EXPECT_EQ(found, first);
    first->Visits = 1;
    second->Closed = true;
    EXPECT_EQ(NextRecommendedHint(found, amount), hint);
    EXPECT_EQ(found, third);
    EXPECT_EQ(amount, 1);
    third->Visits = 1;
    EXPECT_EQ(NextRecommendedHint(found, amount), nullptr);
    EXPECT_EQ(found, nullptr);
}

TEST_F(Hints, ARecommendationLoopEndsWithNoHint) {
    TSite* other = Site(region, 2);
    site->NextRecommended = other;
    other->NextRecommended = site;
    site->Visits = 1;
    other->Visits = 1;
    SetRecommendationStart(site);
    TSite* found = nullptr;
    int32_t amount = 0;
    EXPECT_EQ(NextRecommendedHint(found, amount), nullptr);
    EXPECT_EQ(NextRecommendedHint(found, amount), nullptr);
    EXPECT_EQ(LogCount("Recommendation chain loop"), 1);
}

} // namespace
} // namespace valdmoor
