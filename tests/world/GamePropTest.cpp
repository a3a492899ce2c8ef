#include "world/GameProp.h"

#include "ScenarioModel.h"
#include "WorldTestWorld.h"
#include "storage/EngineStorage.h"
#include "world/GameRecords.h"

#include <limits>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Props = test::WorldTest;

TEST_F(Props, LoadsTheRecordAndResetsToTheInitialCount) {
    TLoadContext context;
    context.Captions = {PoolCaptions().Add(std::make_unique<TCaption>("PropGold"))};
    scenario::TPropModel record;
    record.Number = 12;
    record.Kind = pkCompanion;
    record.HideSingleCount = 1;
    record.Picture = 1; // the picture list is empty: none
    record.PictureFrame = 3;
    record.Caption = 1;
    record.InitialCount = 7;
    TMemoryStream stream(scenario::RecordBytes(record));
    TProp* prop = Prop(0);
    prop->Load(stream, context);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(prop->Number, 12);
    EXPECT_EQ(prop->Kind, pkCompanion);
    EXPECT_EQ(prop->Picture, nullptr);
    EXPECT_EQ(prop->PictureFrame, 3);
    EXPECT_EQ(prop->Caption, context.Captions[0]);
    prop->Count = 1;
    prop->ShownCount = 2;
    prop->StashedCount = 3;
    prop->Reset();
    EXPECT_EQ(prop->Count, 7);
    EXPECT_EQ(prop->ShownCount, 0);
    EXPECT_EQ(prop->StashedCount, 0);
}

TEST_F(Props, OnlyPropertyCompanionAndItemAreCountable) {
    const bool countable[] = {true, false, false, true, true};
    for (int32_t kind = 0; kind < PropKindCount; ++kind) {
        EXPECT_EQ(Prop(kind)->IsCountable(), countable[kind]) << PropKindName(kind);
    }
    EXPECT_EQ(PropKindName(3), "Companion");
    EXPECT_EQ(PropKindName(5), "");
}

TEST_F(Props, CountsSaturateAtTheThirtyTwoBitLimit) {
    TProp* gold = Prop(pkProperty, std::numeric_limits<int32_t>::max() - 2);
    gold->AddCount(10);
    EXPECT_EQ(gold->Count, std::numeric_limits<int32_t>::max());
    gold->AddCount(-int64_t{1} << 40);
    EXPECT_EQ(gold->Count, std::numeric_limits<int32_t>::min());
}

TEST_F(Props, HintsHideTheSingleAmountOnlyWhereTheyShould) {
    TProp* coin = Prop(pkItem, 4);
    coin->HideSingleCount = 1;
    coin->ShownCount = 9;
    // Texts are missing here, so labels show their identifiers and the name is empty.
    EXPECT_EQ(coin->RequirementHint(1), "LabelRequirement\n");
    EXPECT_EQ(coin->RequirementHint(2), "LabelRequirement\n: 2\nLabelIHave: 4");
    EXPECT_EQ(coin->LossHint(1), "LabelLoss\n");
    EXPECT_EQ(coin->RewardHint(3), "LabelReward\n: +3");
    EXPECT_EQ(coin->CostHint(1), "LabelCost\n: -1\nLabelIHave: 9");
    EXPECT_EQ(coin->ProductHint(2), "LabelProduct\n: +2\nLabelIHave: 9");
    coin->HideSingleCount = 0;
    EXPECT_EQ(coin->LossHint(1), "LabelLoss\n: -1");

    TProp* lore = Prop(pkKnowledge, 1);
    EXPECT_EQ(lore->RequirementHint(5), "LabelRequirement\n");
    EXPECT_EQ(lore->PurchaseHint(5), "LabelPurchase\n");
    EXPECT_EQ(lore->ResourceHint(5), "LabelResource\n");
    EXPECT_EQ(lore->InventoryLabel(), "");

    coin->Count = 1;
    coin->HideSingleCount = 1;
    EXPECT_EQ(coin->InventoryLabel(), "");
    coin->Count = 2;
    EXPECT_EQ(coin->InventoryLabel(), ": 2");
}

} // namespace
} // namespace valdmoor
