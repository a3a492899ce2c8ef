// The play form on the test world, driven by clicks through the framework: a visit from the
// click to the reveal of the next site, the corner buttons sliding out and back, travel to the
// world map and back, and the exit question.
#include "screens/GameGuiFormPlay.h"

#include "ScreensFixture.h"
#include "screens/GameGuiControlSite.h"
#include "screens/GameGuiDialogAchievement.h"
#include "screens/GameGuiDialogScene.h"
#include "screens/GameGuiScriptHooks.h"
#include "screens/GameRegistry.h"
#include "storage/EngineStorage.h"
#include "world/GameAvatar.h"
#include "world/GameRegion.h"
#include "world/GameSite.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

class PlayForm : public test::ScreensFixture {
protected:
    void SetUp() override {
        test::ScreensFixture::SetUp();
        AvatarStart();
        TMemoryStream stream(test::ReadFile(VALDMOOR_TEST_WORLD "/Ordinary/S0Scenario.dat"));
        LoadScenarioFrom(stream);
        ASSERT_NE(CurrentGameState(), nullptr);
        CurrentGameState()->Restart();
        RegisterEngineObjects();
        // These tests are about the form, not the scene dialog (which has its own): scenes are
        // accepted at once, as by the headless player.
        UnplugSceneDialog();
        FindDialog("QueryCustom")->FadeInTime = 0;
        FindDialog("QueryCustom")->FadeOutTime = 0;
        SetCurrentForm(FormPlayName);
        Frames(1);
    }
    void TearDown() override {
        UnplugPlayForm();
        AvatarStop();
        test::ScreensFixture::TearDown();
    }
    static TGuiFormPlay* Play() { return dynamic_cast<TGuiFormPlay*>(CurrentForm()); }
    static TGuiControlSite* SiteControl(std::string_view siteName) {
        for (TGuiControl& control : Play()->Controls) {
            auto* site = dynamic_cast<TGuiControlSite*>(&control);
            if (site != nullptr && site->Site != nullptr && site->Site->Name() == siteName) {
                return site;
            }
        }
        return nullptr;
    }
    // Runs frames until the avatar is idle and the buttons are fully in.
    void Settle(int most = 600) {
        for (int i = 0; i < most; ++i) {
            Frames(1);
            // A newly earned achievement is shown; the player presses its OK at once.
            for (int32_t slot = 0; slot < DialogSlotCount; ++slot) {
                auto* shown = dynamic_cast<TGuiDialogAchievement*>(DialogInSlot(slot));
                if (shown != nullptr && shown->DialogState == dsOpen) {
                    shown->Sender = FindControl(shown, "OK");
                    shown->ControlClicked();
                }
            }
            if (Play() != nullptr && TheAvatar().AvatarState == asIdle && Play()->Slide >= 1 &&
                NextForm() == nullptr && CurrentTransition() == nullptr) {
                return;
            }
        }
        FAIL() << "the play form did not settle";
    }
    static TSite* Site(std::string_view region, std::string_view name) {
        TRegion* found = FindRegionByName(region);
        return found != nullptr ? found->Sites.Find(name) : nullptr;
    }
};

TEST_F(PlayForm, AVisitFromTheClickRevealsTheNextSiteWhileTheButtonsSlideOutAndBack) {
    Settle();
    TGuiFormPlay* play = Play();
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(CurrentRegion()->Name(), "Meadow");
    TSite* market = Site("Meadow", "Market");
    ASSERT_NE(market, nullptr);
    EXPECT_FALSE(market->Revealed);
    // Without story flags only the exit button is enabled.
    EXPECT_TRUE(play->ExitButton->Enabled);
    EXPECT_FALSE(play->HintButton->Enabled);
    EXPECT_FALSE(play->MapButton->Enabled);
    EXPECT_FALSE(play->MapButton->Visible);
    EXPECT_FLOAT_EQ(play->ExitButton->Position.X, 800 - 30 - 33);
    EXPECT_FLOAT_EQ(play->MapButton->Position.X, -(800 - 30));

    TGuiControlSite* homeControl = SiteControl("Home");
    ASSERT_NE(homeControl, nullptr);
    ASSERT_TRUE(homeControl->Visible);
    Click(homeControl);
    EXPECT_NE(TheAvatar().AvatarState, asIdle);
    bool slidOut = false;
    for (int i = 0; i < 600 && TheAvatar().AvatarState != asIdle; ++i) {
        Frames(1);
        slidOut = slidOut || !play->ExitButton->Enabled;
    }
    EXPECT_TRUE(slidOut) << "the buttons stayed in during the visit";
    EXPECT_EQ(Site("Meadow", "Home")->Visits, 1);
    Settle();
    EXPECT_TRUE(market->Revealed);
    EXPECT_TRUE(play->ExitButton->Enabled);
    // The visit's story action unlocked the hint button.
    EXPECT_TRUE(StoryFlag(1));
    EXPECT_TRUE(play->HintButton->Enabled);
    const std::vector<TData> events = Events();
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const TData& d) {
        return d.Kind == 2 && d.SiteNumber == Site("Meadow", "Home")->Number;
    }));
}

TEST_F(PlayForm, TheMapButtonTravelsToTheWorldMapAndBackToTheRegionLeft) {
    Settle();
    SetStoryFlag(3);
    Frames(1);
    ASSERT_TRUE(Play()->MapButton->Enabled);
    Click(Play()->MapButton);
    Settle();
    ASSERT_NE(Play(), nullptr);
    EXPECT_EQ(CurrentRegion(), WorldMapRegion());
    EXPECT_TRUE(Play()->OnWorldMap);
    EXPECT_NE(SiteControl("Pier"), nullptr);
    EXPECT_EQ(SiteControl("Home"), nullptr);
    Click(Play()->MapButton);
    Settle();
    EXPECT_EQ(CurrentRegion()->Name(), "Meadow");
    EXPECT_FALSE(Play()->OnWorldMap);
    EXPECT_NE(SiteControl("Home"), nullptr);
}

// The story points the player at the hint button, then at the inventory: each opens its dialog,
// whose Close ends that stage of the story and records it.
TEST_F(PlayForm, TheStoryStagePointsAtTheHintAndInventoryButtonsAndTheirDialogsEndIt) {
    Settle();
    for (int32_t flag = 1; flag <= 3; ++flag) {
        SetStoryFlag(flag);
    }
    struct TStage {
        int32_t Stage;
        TGuiControl* TGuiFormPlay::*Button;
        const char* Dialog;
    };
    for (const TStage& stage : {TStage{1, &TGuiFormPlay::HintButton, "Hint"},
                                TStage{2, &TGuiFormPlay::InventoryButton, "Inventory"}}) {
        SetStoryStage(stage.Stage);
        Settle();
        TGuiControl* button = Play()->*stage.Button;
        EXPECT_EQ(Play()->Focus, button) << stage.Dialog;
        EXPECT_EQ(Play()->FocusStyle, stage.Stage - 1);
        const std::size_t before = Events().size();
        Click(button);
        Frames(30);
        TGuiDialog* dialog = DialogInSlot(0);
        ASSERT_NE(dialog, nullptr) << stage.Dialog;
        ASSERT_EQ(dialog->Name(), stage.Dialog);
        EXPECT_EQ(dialog->Focus, Control(dialog, "Close"));
        Click(Control(dialog, "Close"));
        Frames(30);
        EXPECT_EQ(DialogInSlot(0), nullptr);
        EXPECT_EQ(StoryStage(), 0);
        EXPECT_EQ(Play()->Focus, nullptr);
        const std::vector<TData> events = Events();
        ASSERT_EQ(events.size(), before + 1);
        EXPECT_EQ(events.back().Kind, evStoryStageSet);
        EXPECT_EQ(events.back().Value(), 0);
    }
}

TEST_F(PlayForm, TheExitQuestionLeavesForTheMenuOnlyWhenConfirmed) {
    Settle();
    Click(Play()->ExitButton);
    TGuiDialog* query = DialogInSlot(0);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->Name(), "QueryCustom");
    // While the question is open the buttons slide out.
    Frames(30);
    EXPECT_FALSE(Play()->ExitButton->Enabled);
    Click(query->Shortcuts[0]);
    Frames(5);
    EXPECT_EQ(CurrentForm()->Name(), FormPlayName);
    Settle();
    Click(Play()->ExitButton);
    query = DialogInSlot(0);
    ASSERT_NE(query, nullptr);
    Click(Control(query, "Yes"));
    // The menu comes behind the "Fade" cover: 0.3 s each way.
    Frames(10);
    EXPECT_EQ(CurrentForm()->Name(), FormPlayName) << "swapped before the screen was covered";
    Frames(40);
    EXPECT_EQ(CurrentForm()->Name(), "Menu");
    EXPECT_EQ(CurrentTransition(), nullptr);
}

TEST_F(PlayForm, UndoExistsOnlyInDebugModeAndTakesBackTheLastVisit) {
    Settle();
    EXPECT_EQ(Play()->UndoButton, nullptr);
    EXPECT_EQ(Control(Play(), "Undo"), nullptr);
    SetSwitches(ParseSwitches({"-debug"}));
    SetCurrentForm(FormPlayName);
    Settle();
    ASSERT_NE(Play()->UndoButton, nullptr);
    EXPECT_TRUE(Play()->UndoButton->Visible);
    Click(SiteControl("Home"));
    Settle();
    ASSERT_TRUE(Site("Meadow", "Market")->Revealed);
    Click(Play()->UndoButton);
    Settle();
    EXPECT_EQ(Site("Meadow", "Home")->Visits, 0);
    EXPECT_FALSE(Site("Meadow", "Market")->Revealed);
    EXPECT_NE(SiteControl("Home"), nullptr);
}

TEST_F(PlayForm, AnInputScriptSeesThePlayFormRestOnlyWhileItTakesClicks) {
    Settle();
    EXPECT_EQ(RestingInputName(), FormPlayName);
    float x = 0;
    float y = 0;
    ASSERT_TRUE(InputControlPoint("Exit", x, y));
    EXPECT_FLOAT_EQ(x, Play()->ExitButton->Origin.X + Play()->ExitButton->Position.X);
    EXPECT_FLOAT_EQ(y, Play()->ExitButton->Origin.Y + Play()->ExitButton->Position.Y);
    EXPECT_FALSE(InputControlPoint("NoSuchButton", x, y));
    // A recorded path clicks a site where its marker is.
    TGuiControlSite* marker = SiteControl("Home");
    ASSERT_NE(marker, nullptr);
    const TVector2 at = SiteControlPoint(*marker->Site);
    EXPECT_FLOAT_EQ(marker->Position.X, at.X);
    EXPECT_FLOAT_EQ(marker->Position.Y, at.Y);
    Click(marker);
    EXPECT_EQ(RestingInputName(), "") << "the visit runs";
    Settle();
    EXPECT_EQ(RestingInputName(), FormPlayName);
    // A dialog in front takes the input once it is fully open.
    Click(Play()->ExitButton);
    EXPECT_EQ(RestingInputName(), "QueryCustom");
    ASSERT_TRUE(InputControlPoint("Yes", x, y));
}

} // namespace
} // namespace valdmoor
