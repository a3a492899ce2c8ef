#include "screens/GameGuiDialogInventory.h"

#include "ScreensFixture.h"
#include "screens/GameGuiControlProp.h"
#include "screens/GameGuiDialogAchievement.h"
#include "screens/GameGuiDialogAchievements.h"
#include "screens/GameGuiDialogHint.h"

#include <random>
#include <set>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Counts = std::array<int32_t, 5>;

// ---- layout ----

TEST(InventoryLayout, NoPropsGivesAnEmptyGrid) {
    const TInventoryLayout layout = ChooseInventoryLayout({});
    EXPECT_EQ(layout.UsedRows, 0);
    EXPECT_EQ(InventoryGridSize(layout).X, 0);
    EXPECT_EQ(InventoryGridSize(layout).Y, 0);
}

TEST(InventoryLayout, AGroupFillsOneRowBesideItsIconAndWrapsWhenFull) {
    const TInventoryLayout fits = SimulateInventoryLayout({13, 0, 0, 0, 0}, 1, 14);
    EXPECT_EQ(fits.UsedRows, 1);
    EXPECT_EQ(fits.UsedWidth, 14);
    EXPECT_EQ(fits.Waste, 0);
    const TInventoryLayout wraps = SimulateInventoryLayout({14, 0, 0, 0, 0}, 1, 14);
    EXPECT_EQ(wraps.UsedRows, 2);
    EXPECT_EQ(wraps.Waste, 12); // thirteen beside the icon, one alone in the second row
    const TVector2 size = InventoryGridSize(fits);
    EXPECT_EQ(size.X, 14 * InventoryCell + 13 * InventoryGap);
    EXPECT_EQ(size.Y, InventoryCell);
}

TEST(InventoryLayout, TiesKeepTheFirstOrderAndTheNarrowestGrid) {
    // One property: every width wastes nothing once the unused columns are discounted.
    const TInventoryLayout one = ChooseInventoryLayout({1, 0, 0, 0, 0});
    EXPECT_EQ(one.Order, 1);
    EXPECT_EQ(one.Columns, 2);
    EXPECT_EQ(one.Waste, 0);
    // Two props of each kind: the chosen grid never needs more than six rows.
    const TInventoryLayout even = ChooseInventoryLayout({2, 2, 2, 2, 2});
    EXPECT_LE(even.UsedRows, InventoryMaxRows);
    for (int32_t order = 1; order <= InventoryOrderCount; ++order) {
        for (int32_t w = InventoryMinColumns; w <= InventoryMaxColumns; ++w) {
            const TInventoryLayout other = SimulateInventoryLayout({2, 2, 2, 2, 2}, order, w);
            if (other.UsedRows <= InventoryMaxRows) {
                EXPECT_GE(other.Waste, even.Waste) << order << " " << w;
            }
        }
    }
}

TEST(InventoryLayout, GridsOfMoreThanSixRowsAreNeverChosen) {
    // 60 skills need five rows of thirteen at width 14; narrower grids need more than six.
    const TInventoryLayout layout = ChooseInventoryLayout({0, 0, 60, 0, 0});
    EXPECT_EQ(layout.Columns, 11) << "ten beside the icon in six rows; narrower needs seven";
    EXPECT_LE(layout.UsedRows, InventoryMaxRows);
    // Too many for any grid: still a layout, the widest, without a crash.
    const TInventoryLayout huge = ChooseInventoryLayout({0, 0, 0, 0, 500});
    EXPECT_EQ(huge.Columns, InventoryMaxColumns);
}

// The placement walk and the simulation must agree, or tiles would overlap or fall outside the
// dialog.
TEST(InventoryLayout, PlacedCellsStayInsideTheGridAndNeverOverlap) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> count(0, 16);
    for (int run = 0; run < 300; ++run) {
        const Counts counts{count(random), count(random) / 2, count(random) / 3, count(random) / 3,
                            count(random)};
        const TInventoryLayout layout = ChooseInventoryLayout(counts);
        std::set<std::pair<int32_t, int32_t>> used;
        int32_t cells = 0;
        ForEachInventoryCell(counts, layout, [&](const TInventoryCell& cell) {
            ++cells;
            EXPECT_GE(cell.Column, 1);
            EXPECT_LE(cell.Column, layout.UsedWidth);
            EXPECT_GE(cell.Row, 1);
            EXPECT_LE(cell.Row, layout.UsedRows);
            EXPECT_TRUE(used.insert({cell.Column, cell.Row}).second)
                << "cell " << cell.Column << "," << cell.Row << " twice";
        });
        int32_t expected = 0;
        for (const int32_t n : counts) {
            expected += n > 0 ? n + 1 : 0;
        }
        EXPECT_EQ(cells, expected);
    }
}

// ---- dialogs on a small world ----

class GameDialogs : public test::ScreensFixture {
protected:
    void SetUp() override {
        ScreensFixture::SetUp();
        RegisterStandardDialogs();
        RegisterDialog(
            std::make_unique<TGuiDialogInventory>("Inventory", 0.3f, 0.3f, "Custom", "Custom"));
        RegisterDialog(std::make_unique<TGuiDialogShowAllProps>("ShowAllProps", 0.0f, 0.0f,
                                                                "Custom", "Default"));
        RegisterDialog(std::make_unique<TGuiDialogHint>("Hint", 0.3f, 0.3f, "Custom", "Custom"));
        RegisterDialog(
            std::make_unique<TGuiDialogAchievement>("Achievement", 0.3f, 0.3f, "Custom", "Custom"));
        RegisterDialog(std::make_unique<TGuiDialogAchievements>("Achievements", 0.3f, 0.3f,
                                                                "Custom", "Custom"));
        ShowBuiltForm(nullptr);
    }
    void Debug() { SetSwitches(ParseSwitches({"-debug"})); }
};

TEST_F(GameDialogs, InventoryShowsPropertiesAlwaysAndOtherKindsWhileHeld) {
    TProp* gold = Prop(pkProperty, 0, "Gold");
    Prop(pkKnowledge, 0, "Map");
    TProp* rope = Prop(pkItem, 2, "Rope");
    rope->Picture = PoolPictures().Add(std::make_unique<TPicture>("G2Props"));
    rope->PictureFrame = 5;
    TGuiDialog* inventory = Open("Inventory");
    ASSERT_NE(inventory, nullptr);
    const std::vector<TGuiControl*> icons = WithTexture(inventory, "G2Inventory");
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_EQ(icons[0]->Frame, pkProperty);
    EXPECT_EQ(icons[1]->Frame, pkItem);
    // The tiles are the game's prop tiles, holding the counts the hero has now.
    std::vector<TGuiControlPropInventory*> tiles;
    for (TGuiControl& control : inventory->Controls) {
        if (auto* tile = dynamic_cast<TGuiControlPropInventory*>(&control)) {
            tiles.push_back(tile);
        }
    }
    ASSERT_EQ(tiles.size(), 2u);
    EXPECT_EQ(tiles[0]->Entry.Prop, gold);
    EXPECT_EQ(tiles[0]->Entry.Amount, 0);
    EXPECT_EQ(tiles[1]->Entry.Prop, rope);
    EXPECT_EQ(tiles[1]->Entry.Amount, 2);
    EXPECT_EQ(tiles[1]->HintText, rope->InventoryLabel());
    ASSERT_NE(tiles[1]->Plate, nullptr) << "the tile was never drawn";
    EXPECT_EQ(tiles[1]->Plate->Layers[1].Frame, 5);
    // Two columns win: each group on a row of its own, the tile beside its kind's icon.
    EXPECT_EQ(static_cast<TGuiDialogInventory*>(inventory)->Arrangement.Columns, 2);
    EXPECT_EQ(tiles[1]->Position.X - icons[1]->Position.X, InventoryCell + InventoryGap);
    EXPECT_EQ(tiles[1]->Position.Y, icons[1]->Position.Y);
    EXPECT_GT(icons[1]->Position.Y, icons[0]->Position.Y);
    EXPECT_NE(Control(inventory, "Achievements"), nullptr);
    EXPECT_EQ(Control(inventory, "ShowItems"), nullptr) << "debug mode only";
    EXPECT_EQ(inventory->Shortcuts[3], Control(inventory, "Close")) << "I closes it again";
}

TEST_F(GameDialogs, InventoryFadesAsOnePicture) {
    Prop(pkProperty, 3, "Gold");
    TGuiDialog* inventory = FindDialog("Inventory");
    ShowDialog("Inventory");
    Frames(9); // 0.15 s of a 0.3 s fade
    auto* inv = static_cast<TGuiDialogInventory*>(inventory);
    ASSERT_NE(inv->CanvasControl, nullptr);
    EXPECT_GT(inventory->Fade, 0.3f);
    EXPECT_LT(inventory->Fade, 0.7f);
    EXPECT_FLOAT_EQ(inv->CanvasControl->Alpha, inventory->Fade);
    for (TGuiControl& control : inventory->Controls) {
        if (&control != inv->CanvasControl) {
            EXPECT_EQ(control.Canvas,
                      static_cast<TGuiControlCanvas*>(inv->CanvasControl)->OwnCanvas)
                << control.Name() << " drawn outside the dialog's picture";
        }
    }
}

TEST_F(GameDialogs, InventoryAtStoryStageTwoPointsAtCloseAndRecordsTheStageOnClose) {
    SetStoryStage(2);
    TGuiDialog* inventory = Open("Inventory");
    EXPECT_EQ(inventory->Focus, Control(inventory, "Close"));
    EXPECT_EQ(Control(inventory, "Achievements"), nullptr);
    Click(Control(inventory, "Close"));
    EXPECT_EQ(StoryStage(), 0);
    const std::vector<TData> events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Kind, evStoryStageSet);
    EXPECT_EQ(events[0].Value(), 0);
    EXPECT_EQ(inventory->DialogState, dsClosed);
}

TEST_F(GameDialogs, DebugInventoryOpensTheListOfAllProps) {
    Debug();
    Prop(pkItem, 0, "Lantern");
    Prop(pkSkill, 0, "Swim");
    TGuiDialog* inventory = Open("Inventory");
    Click(Control(inventory, "ShowItems"));
    TGuiDialog* all = DialogInSlot(1);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->Name(), "ShowAllProps");
    EXPECT_EQ(static_cast<TGuiDialogChoose*>(all)->ShownItems->Count(), 2);
}

TEST_F(GameDialogs, HintTextAddsNeedAndHaveOnlyWhenAsked) {
    auto hint = std::make_unique<THint>("H7");
    hint->Number = 7;
    EXPECT_EQ(HintDialogText(nullptr, 3), "");
    EXPECT_EQ(HintDialogText(hint.get(), 3), "Find the ferry.");
    hint->Display[1] = 1;
    EXPECT_EQ(HintDialogText(hint.get(), 0), "Find the ferry.") << "nothing more for amount 0";
    EXPECT_EQ(HintDialogText(hint.get(), 3), "Find the ferry. I need\xC2\xA0"
                                             "3.");
    TProp* coins = Prop(pkProperty, 2, "Coins");
    hint->UntilProp = coins;
    EXPECT_EQ(HintDialogText(hint.get(), 3), "Find the ferry. I need\xC2\xA0"
                                             "3. I have\xC2\xA0"
                                             "2.");
}

TEST_F(GameDialogs, HintAtStoryStageOneClearsTheStageOnClose) {
    SetStoryStage(1);
    TGuiDialog* hint = Open("Hint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(static_cast<TGuiDialogHint*>(hint)->ShownText, "") << "no recommended site";
    EXPECT_EQ(hint->Focus, Control(hint, "Close"));
    EXPECT_EQ(hint->Shortcuts[2], Control(hint, "Close")) << "H closes it again";
    Click(Control(hint, "Close"));
    EXPECT_EQ(StoryStage(), 0);
    ASSERT_EQ(Events().size(), 1u);
    EXPECT_EQ(Events()[0].Kind, evStoryStageSet);
}

TEST(AchievementIcons, OrderPicksTheMedalAndNeverTheSealedOne) {
    TAchievement achievement("A");
    for (const auto& [order, frame] : std::vector<std::pair<int32_t, int32_t>>{
             {0, 0}, {2, 2}, {15, 15}, {1, 0}, {16, 0}, {-4, 0}}) {
        achievement.Order = order;
        EXPECT_EQ(AchievementIconFrame(&achievement), frame) << "order " << order;
    }
    EXPECT_EQ(AchievementIconFrame(nullptr), 0);
}

TEST_F(GameDialogs, AchievementDialogShowsItsMedalAndEarnsItOnOk) {
    TAchievement* ferry = Achievement(1, 1, 7);
    ferry->Caption = PoolCaptions().Add(std::make_unique<TCaption>("Medal"));
    TGuiDialog* dialog = Open("Achievement", {}, {}, 0, ferry);
    ASSERT_NE(dialog, nullptr);
    const std::vector<TGuiControl*> medals = WithTexture(dialog, "G2AchievementIcons");
    ASSERT_GE(medals.size(), 1u);
    EXPECT_EQ(medals[0]->Frame, 7);
    EXPECT_EQ(Control(dialog, "Title")->Text, "Ferryman");
    EXPECT_EQ(Control(dialog, "Legend")->Text, "Cross the river.");
    Click(Control(dialog, "OK"));
    EXPECT_TRUE(HasAchievement(CurrentPlayer(), 1));
    EXPECT_EQ(dialog->DialogState, dsClosed);
}

TEST_F(GameDialogs, AchievementListStopsAtFortyEightAndHidesSealedEntries) {
    for (int32_t i = 1; i <= 50; ++i) {
        TAchievement* a = Achievement(i, 4, i % 16);
        a->Hidden = i % 2 == 0 ? 1 : 0;
        a->Progress = i == 1 ? 4 : 1;
    }
    TGuiDialog* dialog = Open("Achievements");
    auto* list = static_cast<TGuiDialogAchievements*>(dialog);
    EXPECT_EQ(list->ShownCount, 48);
    EXPECT_EQ(list->CompletedCount, 1);
    const std::vector<TGuiControl*> icons = WithTexture(dialog, "G2AchievementIcons");
    ASSERT_EQ(icons.size(), 48u);
    EXPECT_EQ(icons[0]->ShadingMode, 0) << "earned: in colour";
    EXPECT_EQ(icons[0]->HintText, "Cross the river.");
    EXPECT_EQ(icons[1]->Frame, AchievementHiddenIcon);
    EXPECT_EQ(icons[1]->HintText, "") << "sealed entries tell nothing";
    EXPECT_EQ(icons[2]->Frame, 3);
    EXPECT_EQ(icons[2]->ShadingMode, 3) << "not earned: sepia";
    EXPECT_EQ(icons[2]->HintText, "AchievementLegendH3\nProgress: 1/4");
    auto* summary = static_cast<TGuiControlLabelSuffix*>(Control(dialog, "Summary"));
    EXPECT_EQ(summary->Suffix, ":\xC2\xA0"
                               "1\xC2\xA0of\xC2\xA0"
                               "48");
    EXPECT_EQ(Control(dialog, "Unlock"), nullptr) << "debug mode only";
}

TEST_F(GameDialogs, DebugUnlockShowsSealedEntriesWithoutEarningThem) {
    Debug();
    Achievement(1, 2, 4)->Hidden = 1;
    TGuiDialog* dialog = Open("Achievements");
    ASSERT_EQ(WithTexture(dialog, "G2AchievementIcons")[0]->Frame, AchievementHiddenIcon);
    Click(Control(dialog, "Unlock"));
    Frames(1);
    const std::vector<TGuiControl*> icons = WithTexture(dialog, "G2AchievementIcons");
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0]->Frame, 4);
    EXPECT_EQ(Control(dialog, "Unlock"), nullptr);
    EXPECT_FALSE(HasAchievement(CurrentPlayer(), 1));
    EXPECT_EQ(static_cast<TGuiDialogAchievements*>(dialog)->CompletedCount, 0);
}

TEST_F(GameDialogs, PulsingAchievementDialogsAllocateNothingInSteadyFrames) {
    TAchievement* ferry = Achievement(1, 1, 7);
    Achievement(2, 5, 3);
    Open("Achievements");
    Open("Achievement", {}, {}, 0, ferry);
    Frames(2);
    const int64_t before = test::AllocationCount();
    Frames(30);
    EXPECT_EQ(test::AllocationCount(), before);
}

} // namespace
} // namespace valdmoor
