#include "world/GameScene.h"

#include "ScenarioModel.h"
#include "WorldTestWorld.h"
#include "storage/EngineStorage.h"
#include "world/GameRecords.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

constexpr int32_t Max32 = std::numeric_limits<int32_t>::max();

class Scenes : public test::WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        region = Region(1, "Home");
        site = Site(region, 1);
        gold = Prop(pkProperty, 0, "Gold");
        sword = Prop(pkItem, 0, "Sword");
        lore = Prop(pkKnowledge, 0, "Lore");
    }
    TScene* Typed(int32_t type, std::vector<TPropAmount> inputs,
                  std::vector<TPropAmount> outputs = {}) {
        TScene* scene = Scene(site, 1, type);
        std::copy(inputs.begin(), inputs.end(), scene->Inputs.begin());
        std::copy(outputs.begin(), outputs.end(), scene->Outputs.begin());
        return scene;
    }

    TRegion* region = nullptr;
    TSite* site = nullptr;
    TProp* gold = nullptr;
    TProp* sword = nullptr;
    TProp* lore = nullptr;
};

TEST(SceneTypes, TheTableHoldsSixtyOneTypesWithTheirSlots) {
    EXPECT_EQ(SceneTypeOf(0).Name, "None");
    EXPECT_FALSE(SceneTypeOf(1).Dialog);
    EXPECT_FALSE(SceneTypeOf(3).HasAccept);
    EXPECT_TRUE(SceneTypeOf(3).HasCancel);
    EXPECT_EQ(SceneTypeOf(11).Name, "Hidden requirements 5");
    EXPECT_EQ(SceneTypeOf(11).InputSlots, 5);
    EXPECT_EQ(SceneTypeOf(19).InputSlots, 8);
    EXPECT_EQ(SceneTypeOf(20).Name, "Floating loss");
    EXPECT_EQ(SceneTypeOf(37).OutputSlots, 8);
    EXPECT_EQ(SceneTypeOf(41).InputSlots, 4);
    EXPECT_EQ(SceneTypeOf(41).OutputSlots, 4);
    EXPECT_EQ(SceneTypeOf(53).Name, "Make 18");
    EXPECT_EQ(SceneTypeOf(53).OutputSlots, 8);
    EXPECT_EQ(SceneTypeOf(54).Name, "Make 21");
    EXPECT_EQ(SceneTypeOf(60).Name, "Make 81");
    EXPECT_EQ(SceneTypeOf(60).InputSlots, 8);
    EXPECT_EQ(SceneTypeOf(60).OutputSlots, 1);
    EXPECT_EQ(SceneTypeOf(61).Name, "None");
    EXPECT_EQ(SceneTypeOf(-1).InputSlots, 0);
}

TEST_F(Scenes, LoadTakesOnlyTheTypesSlotsAndBuildsTheHexLegend) {
    TLoadContext context;
    context.Props = {gold, sword, lore};
    scenario::TSceneModel record;
    record.Number = 26;
    record.SceneType = 13; // "Requirements 2"
    record.Inputs = {{{1, 5}, {2, 1}, {3, 1}}};
    record.Outputs[0] = {1, 9};
    record.EffectDuration = 0.75f;
    TMemoryStream stream(scenario::RecordBytes(record));
    TScene* scene = Scene(site, 0);
    scene->Load(stream, context);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(scene->Inputs[1].Prop, sword);
    EXPECT_EQ(scene->Inputs[2].Prop, nullptr);
    EXPECT_EQ(scene->Outputs[0].Prop, nullptr);
    EXPECT_EQ(scene->EffectDuration, 0.75f);
    EXPECT_EQ(scene->Legend(), "SceneLegendH1A");
    EXPECT_EQ(SceneLegendName(0), "SceneLegendH0");
}

TEST_F(Scenes, RequirementsAndHiddenRequirements) {
    struct TCase {
        int32_t Type;
        int32_t Gold, Sword;
        bool Met, Dialog;
    };
    // Needs: 5 gold and 1 sword; a third slot without a prop is ignored.
    const TCase cases[] = {
        {13, 5, 1, true, true},  // just met: the dialog still opens
        {13, 4, 1, false, true}, // one gold short
        {13, 9, 0, false, true}, // sword missing
        {8, 5, 1, true, false},  // hidden and met: passes silently
        {8, 4, 1, false, true},  // hidden and missed: the dialog explains
        {2, 0, 0, true, true},   // not a requirement scene
    };
    for (const TCase& c : cases) {
        TScene* scene = Typed(c.Type, {{gold, 5}, {sword, 1}, {nullptr, 3}});
        gold->Count = c.Gold;
        sword->Count = c.Sword;
        EXPECT_EQ(scene->RequirementsMet(), c.Met) << c.Type << " " << c.Gold;
        EXPECT_EQ(scene->NeedsDialog(), c.Dialog) << c.Type << " " << c.Gold;
    }
    TScene* zero = Typed(12, {{lore, 0}});
    EXPECT_TRUE(zero->RequirementsMet());
}

TEST_F(Scenes, NeedsDialogOfTheFloatingTypes) {
    EXPECT_FALSE(Typed(0, {})->NeedsDialog());
    TScene* text = Typed(1, {});
    EXPECT_FALSE(text->NeedsDialog()); // no text, no picture
    text->Picture = PoolPictures().Add(std::make_unique<TPicture>("G2Pic"));
    EXPECT_TRUE(text->NeedsDialog());
    EXPECT_FALSE(Typed(20, {})->NeedsDialog());
    EXPECT_TRUE(Typed(20, {{gold, 1}})->NeedsDialog());
    EXPECT_FALSE(Typed(29, {})->NeedsDialog());
    EXPECT_TRUE(Typed(29, {}, {{gold, 1}})->NeedsDialog());
    EXPECT_TRUE(Typed(38, {})->NeedsDialog());
    EXPECT_FALSE(Typed(61, {})->NeedsDialog()); // damaged type: no dialog to build
}

TEST_F(Scenes, LossesAndRewards) {
    struct TRow {
        const char* What;
        int32_t Type;
        int32_t Kind;
        int32_t Count;
        int32_t Amount;
        int32_t Expected;
    };
    const TRow rows[] = {
        {"loss within the count", 22, pkProperty, 10, 3, 7},
        {"loss larger than the count", 22, pkProperty, 2, 5, 0},
        {"loss of knowledge", 22, pkKnowledge, 1, 0, 0},
        {"floating loss", 20, pkItem, 4, 4, 0},
        {"reward", 31, pkProperty, 10, 5, 15},
        {"reward of a held skill", 31, pkSkill, 1, 7, 1},
        {"reward of a new skill", 29, pkSkill, 0, 0, 1},
        {"reward near the limit", 31, pkItem, Max32 - 3, 10, Max32},
        {"requirement changes nothing", 13, pkProperty, 10, 3, 10},
    };
    for (const TRow& row : rows) {
        TProp* prop = Prop(row.Kind, row.Count);
        const bool loss = row.Type <= 28;
        TScene* scene = loss ? Typed(row.Type, {{prop, row.Amount}})
                             : Typed(row.Type, {}, {{prop, row.Amount}});
        scene->Outputs[1] = {gold, 1}; // beyond a one-slot type's outputs: never applied
        gold->Count = 0;
        scene->ApplyLossesAndRewards();
        EXPECT_EQ(prop->Count, row.Expected) << row.What;
        if (row.Type == 29) {
            EXPECT_EQ(gold->Count, 0);
        }
    }
}

TEST_F(Scenes, Barter) {
    struct TRow {
        const char* What;
        uint16_t Choice;
        int32_t Gold;
        int32_t ExpectedGold, ExpectedSword, ExpectedLore;
    };
    // Slot 1: 2 gold for 1 sword. Slot 2: 1 gold for the lore.
    const TRow rows[] = {
        {"no exchange", 0, 10, 10, 0, 0},
        {"three swords", 3, 10, 4, 3, 0},
        {"more than the gold held", 6, 10, 0, 6, 0},
        {"counter at its maximum", 65535, 10, 0, 65535, 0},
    };
    for (const TRow& row : rows) {
        TScene* scene = Typed(39, {{gold, 2}, {gold, 1}}, {{sword, 1}, {lore, 1}});
        gold->Count = row.Gold;
        sword->Count = 0;
        lore->Count = 0;
        TChoices choices{};
        choices[0] = row.Choice;
        scene->ApplyBarter(choices);
        EXPECT_EQ(gold->Count, row.ExpectedGold) << row.What;
        EXPECT_EQ(sword->Count, row.ExpectedSword) << row.What;
        EXPECT_EQ(lore->Count, row.ExpectedLore) << row.What;
    }

    // The lore slot: two purchases still hold one; a slot without an output changes nothing.
    TScene* scene = Typed(39, {{gold, 2}, {gold, 1}}, {{nullptr, 1}, {lore, 1}});
    gold->Count = 10;
    TChoices choices{};
    choices = {5, 2};
    scene->ApplyBarter(choices);
    EXPECT_EQ(gold->Count, 8);
    EXPECT_EQ(lore->Count, 1);
    // Barter choices do nothing for other types.
    Typed(46, {{gold, 1}}, {{sword, 1}})->ApplyBarter(choices);
    EXPECT_EQ(gold->Count, 8);
}

TEST_F(Scenes, Make) {
    TProp* flour = Prop(pkItem, 10, "Flour");
    TProp* water = Prop(pkItem, 1, "Water");
    TProp* bread = Prop(pkItem, 0, "Bread");
    // "Make 12": 2 flour make 1 bread and the lore.
    TScene* make = Typed(47, {{flour, 2}}, {{bread, 1}, {lore, 1}});
    TChoices choices{};
    make->ApplyMake(choices);
    EXPECT_EQ(flour->Count, 10);
    choices[0] = 3;
    make->ApplyMake(choices);
    EXPECT_EQ(flour->Count, 4);
    EXPECT_EQ(bread->Count, 3);
    EXPECT_EQ(lore->Count, 1);
    // "Make 21": 2 flour and 1 water make 2 bread; 3 batches with 1 water clamp water at 0.
    TScene* two = Typed(54, {{flour, 2}, {water, 1}}, {{bread, 2}, {gold, 100}});
    two->ApplyMake(choices);
    EXPECT_EQ(flour->Count, 0);
    EXPECT_EQ(water->Count, 0);
    EXPECT_EQ(bread->Count, 9);
    EXPECT_EQ(gold->Count, 0); // beyond the type's single output
    // The largest batch count times a large amount stays within 32 bits.
    choices[0] = 65535;
    TScene* big = Typed(46, {{nullptr, 0}}, {{gold, Max32}});
    big->ApplyMake(choices);
    EXPECT_EQ(gold->Count, Max32);
}

TEST(Choices, CountersStayWithinSixteenBits) {
    TChoices choices{};
    SetChoice(choices, 1, 70000);
    EXPECT_EQ(choices[0], 65535);
    AddChoice(choices, 1, 1);
    EXPECT_EQ(choices[0], 65535);
    AddChoice(choices, 2, -1);
    EXPECT_EQ(choices[1], 0);
    SetChoice(choices, 9, 5);
    SetChoice(choices, 0, 5);
    AddChoice(choices, 8, 3);
    EXPECT_EQ(choices[7], 3);
}

TEST_F(Scenes, TintActions) {
    TRegion* m13 = Region(13, "M13");
    TRegion* m14 = Region(14, "M14");
    m13->DefaultTint = {0.3f, 0.3f, 0.3f};
    region->DefaultTint = {0.9f, 0.8f, 0.7f};
    struct TRow {
        int32_t Action;
        TTint Before, After;
    };
    const TRow rows[] = {
        {0, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}},   {50, {1, 1, 1}, {0.5f, 0.5f, 0.5f}},
        {130, {0.8f, 0.5f, 0.1f}, {1, 0.8f, 0.4f}},    {230, {0.5f, 0.2f, 0.9f}, {0.2f, 0, 0.6f}},
        {900, {1, 1, 1}, {0.1f, 0.1f, 0.2f}},          {1000, {0, 0, 0}, {0.9f, 0.8f, 0.7f}},
        {999, {0.4f, 0.4f, 0.4f}, {0.4f, 0.4f, 0.4f}},
    };
    for (const TRow& row : rows) {
        TScene* scene = Typed(2, {});
        scene->TintAction = row.Action;
        region->Tint = row.Before;
        scene->ApplyTintAction();
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(region->Tint[i], row.After[i], 1e-6) << row.Action;
        }
    }
    TScene* night = Typed(2, {});
    night->TintAction = 901;
    night->ApplyTintAction();
    EXPECT_EQ(m14->Tint, (TTint{0.1f, 0.1f, 0.2f}));
    night->TintAction = 1001;
    night->ApplyTintAction();
    EXPECT_EQ(m13->Tint, m13->DefaultTint);
    EXPECT_EQ(region->Tint, region->DefaultTint);
    EXPECT_EQ(m14->Tint, (TTint{0.1f, 0.1f, 0.2f}));
}

TEST_F(Scenes, MusicActionsAndAchievementProgress) {
    TSound* song = PoolSounds().Add(std::make_unique<TSound>("G8Song"));
    TScene* scene = Typed(2, {});
    scene->Sound = song;
    scene->SoundAction = 4;
    scene->ApplyMusicAction();
    EXPECT_EQ(region->CurrentMusic, song);
    EXPECT_EQ(MusicNow(), nullptr);
    scene->SoundAction = 3;
    scene->ApplyMusicAction();
    EXPECT_EQ(MusicNow(), song);

    TAchievement* achievement = Achievement(1, 10);
    scene->Achievement = achievement;
    scene->AchievementAmount = 4;
    scene->ApplyAchievement();
    EXPECT_EQ(achievement->Progress, 4);
}

TEST_F(Scenes, AVisitPlaysInOrderAndLaterVisitsOnlyRepeatableScenes) {
    TScene* a = Scene(site, 1, 31);
    a->Outputs[0] = {gold, 10};
    TScene* b = Scene(site, 2, 31, true);
    b->Outputs[0] = {sword, 1};
    TScene* c = Scene(site, 3, 2);
    c->LeavesSite = 1;

    std::vector<TScene*> played;
    auto visit = [&] {
        played.clear();
        for (TScene* s = site->FirstSceneToShow(); s != nullptr; s = s->SceneAfter()) {
            played.push_back(s);
            s->ApplyAccepted(TChoices{});
            ++s->Executions;
        }
        site->CompleteVisit();
    };
    visit();
    EXPECT_EQ(played, (std::vector<TScene*>{a, b, c}));
    EXPECT_EQ(gold->Count, 10);
    visit();
    EXPECT_EQ(played, (std::vector<TScene*>{b}));
    EXPECT_EQ(gold->Count, 10); // the first-visit-only reward came once
    EXPECT_EQ(sword->Count, 2);
    EXPECT_EQ(a->Executions, 2);
    EXPECT_EQ(c->Executions, 2);
}

TEST_F(Scenes, AnInterruptedVisitResumesAtTheFirstSceneNotYetExecuted) {
    TScene* a = Scene(site, 1);
    TScene* b = Scene(site, 2);
    Scene(site, 3);
    EXPECT_EQ(site->FirstSceneToShow(), a);
    ++a->Executions;
    EXPECT_EQ(site->FirstSceneToShow(), b);
    site->Visits = 0;
    a->Executions = 2; // executed beyond the visits: nothing to show
    site->Scenes.Last()->Executions = 1;
    EXPECT_EQ(site->FirstSceneToShow(), nullptr);
    Site(region, 2)->Visits = 0;
    EXPECT_EQ(region->Sites.Last()->FirstSceneToShow(), nullptr); // no scenes
}

TEST_F(Scenes, CatchUpAfterAReloadBringsEarlierScenesUpFirst) {
    TScene* a = Scene(site, 1, 31);
    a->Outputs[0] = {gold, 10};
    TScene* b = Scene(site, 2, 2, true);
    b->TintAction = 50;
    TScene* c = Scene(site, 3, 2);
    c->TintAction = 150;
    TGroup* group = Group();
    TPlotData plot;
    group->Members.push_back(&plot);
    c->Groups[3] = group;

    // The recorded events: A executed, then the visit completed.
    a->ReplayExecuted(1);
    a->ReplayExecuted(1); // already there: nothing
    EXPECT_EQ(gold->Count, 10);
    site->CompleteVisit();
    EXPECT_EQ(b->Executions, 1);
    EXPECT_EQ(c->Executions, 1);
    // B's tint (0.5) came before C's (+0.5).
    EXPECT_FLOAT_EQ(region->Tint[0], 1.0f);
    EXPECT_EQ(plot.Hidden, 1);

    // A second visit replayed: the non-repeatable scenes count without effect.
    site->CompleteVisit();
    EXPECT_EQ(a->Executions, 2);
    EXPECT_EQ(gold->Count, 10);
    EXPECT_EQ(plot.Hidden, 1);
}

TEST_F(Scenes, ReplayedExchangesApplyOnlyWhenTheExecutionTookEffect) {
    TScene* barter = Typed(38, {{gold, 1}}, {{sword, 1}});
    gold->Count = 10;
    TChoices choices{};
    choices[0] = 2;
    barter->Executions = 1;
    barter->ReplayExchange(choices);
    EXPECT_EQ(sword->Count, 2);
    barter->Executions = 2;
    barter->ReplayExchange(choices);
    EXPECT_EQ(sword->Count, 2);
    barter->Repeatable = 1;
    barter->ReplayExchange(choices);
    EXPECT_EQ(sword->Count, 4);
}

TEST_F(Scenes, ALongSceneListCatchesUpWithoutDeepRecursion) {
    for (int32_t i = 0; i < 100000; ++i) {
        Scene(site, i);
    }
    site->CompleteVisit();
    EXPECT_EQ(site->Scenes.First()->Executions, 1);
    EXPECT_EQ(site->Scenes.Last()->Executions, 1);
}

} // namespace
} // namespace valdmoor
