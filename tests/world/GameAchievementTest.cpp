#include "world/GameAchievement.h"

#include "ScenarioModel.h"
#include "WorldTestWorld.h"
#include "storage/EngineStorage.h"
#include "world/GameRecords.h"

#include <limits>
#include <set>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

std::set<int32_t> earned;

class Achievements : public test::WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        earned.clear();
        SetAchievementEarnedQuery([](int32_t number) { return earned.count(number) > 0; });
    }
};

TEST_F(Achievements, LoadsTheRecordAndNamesItInHexadecimal) {
    TLoadContext context;
    TAchievement* achievement = Achievement(0, 0);
    TAchievement* parent = Achievement(2, 0);
    context.Achievements = {achievement, parent};
    context.Props = {Prop(pkItem)};
    context.Captions = {PoolCaptions().Add(std::make_unique<TCaption>("AchTitle"))};
    scenario::TAchievementModel record;
    record.Number = 255;
    record.Order = 3;
    record.Caption = 1;
    record.Hidden = 1;
    record.Target = 10;
    record.TrackedProp = 1;
    record.Parent = 2;
    record.RevealedBy = 3; // out of range
    TMemoryStream stream(scenario::RecordBytes(record));
    achievement->Load(stream, context);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(achievement->Parent, parent);
    EXPECT_EQ(achievement->RevealedBy, nullptr);
    EXPECT_EQ(achievement->TrackedProp, context.Props[0]);
    EXPECT_EQ(achievement->Title(), "AchTitle");
    EXPECT_EQ(achievement->Legend(), "AchievementLegendHFF");
    EXPECT_EQ(AchievementStatsName(26), "H1A");
    achievement->Reset();
    EXPECT_FALSE(achievement->Revealed);
}

TEST_F(Achievements, ProgressClimbsToParentsAndCompletesThem) {
    TAchievement* parent = Achievement(1, 5);
    TAchievement* left = Achievement(2, 3);
    TAchievement* right = Achievement(3, 3);
    left->Parent = parent;
    right->Parent = parent;
    left->AddProgress(3);
    EXPECT_TRUE(left->Completed());
    EXPECT_FALSE(parent->Completed());
    right->AddProgress(2);
    EXPECT_EQ(parent->Progress, 5);
    EXPECT_TRUE(parent->Completed());
    right->AddProgress(-4); // only positive amounts count
    EXPECT_EQ(right->Progress, 2);
}

TEST_F(Achievements, AParentLoopCreditsEachOnceAndIsLoggedOnce) {
    TAchievement* a = Achievement(1, 100);
    TAchievement* b = Achievement(2, 100);
    a->Parent = b;
    b->Parent = a;
    a->AddProgress(1);
    a->AddProgress(1);
    EXPECT_EQ(a->Progress, 2);
    EXPECT_EQ(b->Progress, 2);
    EXPECT_EQ(LogCount("Achievement parents loop"), 1);
    TAchievement* self = Achievement(3, 100);
    self->Parent = self;
    self->AddProgress(4);
    EXPECT_EQ(self->Progress, 4);
}

TEST_F(Achievements, ProgressAndValueSaturate) {
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    TAchievement* a = Achievement(1, Max);
    a->AddProgress(Max - 1);
    a->AddProgress(5);
    EXPECT_EQ(a->Progress, Max);
    a->TrackedProp = Prop(pkItem, Max);
    EXPECT_EQ(a->Value(), Max);
    EXPECT_TRUE(a->Completed());
}

TEST_F(Achievements, EarnedAchievementsCountAsCompletedButNeverNewlyAgain) {
    TAchievement* first = Achievement(1, 2);
    TAchievement* second = Achievement(2, 1);
    TAchievement* tracked = Achievement(3, 4);
    tracked->TrackedProp = Prop(pkProperty, 3);
    EXPECT_EQ(FirstNewlyCompletedAchievement(), nullptr);
    second->AddProgress(1);
    first->AddProgress(2);
    EXPECT_EQ(FirstNewlyCompletedAchievement(), first);
    earned.insert(1); // the dialog was closed: earned
    EXPECT_EQ(FirstNewlyCompletedAchievement(), second);
    earned.insert(2);
    EXPECT_EQ(FirstNewlyCompletedAchievement(), nullptr);
    tracked->TrackedProp->Count = 4;
    EXPECT_EQ(FirstNewlyCompletedAchievement(), tracked);

    // A new game: no progress, yet the earned ones stay completed.
    ResetWorld();
    EXPECT_TRUE(first->Completed());
    EXPECT_FALSE(first->NewlyCompleted());
}

TEST_F(Achievements, HiddenAchievementsShowWhenRevealed) {
    TAchievement* key = Achievement(1, 1);
    TAchievement* hidden = Achievement(2, 5);
    TAchievement* plain = Achievement(3, 5);
    hidden->Hidden = 1;
    hidden->RevealedBy = key;
    plain->Hidden = 1;
    ResetWorld();
    EXPECT_FALSE(hidden->IsVisible());
    EXPECT_FALSE(plain->IsVisible());
    hidden->AddProgress(1); // revealed by another: progress alone does not show it
    EXPECT_FALSE(hidden->IsVisible());
    plain->AddProgress(0);
    EXPECT_TRUE(plain->IsVisible());
    key->AddProgress(1);
    EXPECT_TRUE(hidden->IsVisible());
}

} // namespace
} // namespace valdmoor
