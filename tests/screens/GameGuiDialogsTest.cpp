#include "screens/GameGuiDialogs.h"

#include "ScreensFixture.h"
#include "audio/EngineAudio.h"
#include "screens/GameGuiCursors.h"
#include "screens/GameGuiHints.h"
#include "screens/GameGuiTransitions.h"
#include "texts/EngineTexts.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

int calls = 0;

class GameLook : public test::ScreensFixture {
protected:
    void SetUp() override {
        ScreensFixture::SetUp();
        calls = 0;
        RegisterCursor(std::make_unique<TGuiCursorCustom>("Custom"));
        RegisterHint(std::make_unique<TGuiHintCustom>("Custom", 0.85f, 0.25f, 0.25f));
        RegisterHint(std::make_unique<TGuiHintDefault>("Default", 0.75f, 0.0f, 0.0f));
        for (const char* name : {"MessageCustom", "QueryCustom", "InputLineCustom"}) {
            const std::string n(name);
            if (n == "MessageCustom") {
                RegisterDialog(
                    std::make_unique<TGuiDialogMessageCustom>(n, 0.3f, 0.3f, "Custom", "Custom"));
            } else if (n == "QueryCustom") {
                RegisterDialog(
                    std::make_unique<TGuiDialogQueryCustom>(n, 0.3f, 0.3f, "Custom", "Custom"));
            } else {
                RegisterDialog(
                    std::make_unique<TGuiDialogInputLineCustom>(n, 0.3f, 0.3f, "Custom", "Custom"));
            }
        }
        RegisterDialog(
            std::make_unique<TGuiDialogSettings>("Settings", 0.3f, 0.3f, "Custom", "Custom"));
        RegisterDialog(std::make_unique<TGuiDialogAbout>("About", 0.3f, 0.3f, "Custom", "Custom"));
        RegisterTransition(
            std::make_unique<TGuiTransitionCover>("Fade", 0.3f, 0.0f, 0.3f, ColorBlack));
        RegisterTransition(std::make_unique<TGuiTransitionCover>("FadeEnding", 4.0f, 2.0f, 2.0f,
                                                                 ColorBlack, "LabelTheEnd", 3));
        RegisterForm(std::make_unique<test::TBuildForm>("Languages"));
        form =
            static_cast<test::TGameForm*>(RegisterForm(std::make_unique<test::TGameForm>("Play")));
        SetCurrentForm("Play");
        Frames(1);
    }
    static void Called(void*) { ++calls; }

    test::TGameForm* form = nullptr;
};

TEST(VersionText, ShowsTwoDigitsAfterThePoint) {
    EXPECT_EQ(VersionText(100), "1.00");
    EXPECT_EQ(VersionText(105), "1.05");
    EXPECT_EQ(VersionText(GameVersion), "1.01");
    EXPECT_EQ(VersionText(1234), "12.34");
}

TEST_F(GameLook, MessageAndQueryUseTheTextAsKeyAndKeepTheirCallbacks) {
    TGuiDialog* message = Open("MessageCustom", "MsgTooManyProfiles");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(Control(message, "Prompt")->TextKey, "MsgTooManyProfiles");
    EXPECT_EQ(message->Shortcuts[0], Control(message, "OK"));
    Click(Control(message, "OK"));
    EXPECT_EQ(message->DialogState, dsClosed);

    TDialogArguments arguments;
    arguments.Text = "QueryExitToMenu";
    arguments.Callback = Called;
    FindDialog("QueryCustom")->FadeInTime = 0;
    TGuiDialog* query = ShowDialog("QueryCustom", arguments);
    Frames(1);
    EXPECT_EQ(Control(query, "Prompt")->TextKey, "QueryExitToMenu");
    EXPECT_EQ(query->Shortcuts[1], Control(query, "Yes"));
    Click(Control(query, "Yes"));
    EXPECT_EQ(calls, 1);
}

TEST_F(GameLook, NameEntryButtonsFollowTheOptionBits) {
    TGuiDialog* first = Open("InputLineCustom", "InputName", "", 14);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Control(first, "Cancel"), nullptr);
    EXPECT_EQ(Control(first, "Store"), nullptr);
    EXPECT_FALSE(Control(first, "OK")->Enabled) << "a name is required";
    EXPECT_EQ(first->Shortcuts[0], nullptr) << "Escape cannot skip the first name";
    Input("1 text Ida\n");
    Frames(2);
    EXPECT_TRUE(Control(first, "OK")->Enabled);
    Click(Control(first, "OK"));
    EXPECT_EQ(first->DialogState, dsClosed);

    TGuiDialog* more = Open("InputLineCustom", "InputName", "Bo", 8);
    EXPECT_NE(Control(more, "Cancel"), nullptr);
    EXPECT_TRUE(Control(more, "OK")->Enabled);
    EXPECT_EQ(TextEntryText(), "Bo");
}

TEST_F(GameLook, SettingsVolumeStepsReachTheProfile) {
    ASSERT_NE(CurrentPlayer(), nullptr);
    SetGroupVolume(0, 1);
    TGuiDialog* settings = Open("Settings");
    ASSERT_NE(settings, nullptr);
    auto* effects = static_cast<TGuiControlLabelSuffix*>(Control(settings, "Effects"));
    EXPECT_EQ(effects->Suffix, ": 10%");
    EXPECT_EQ(Control(settings, "DotEffects1")->Frame, 1);
    EXPECT_EQ(Control(settings, "DotEffects2")->Frame, 0);
    Click(Control(settings, "EffectsDown"));
    EXPECT_EQ(GroupVolume(0), 0);
    EXPECT_EQ(effects->Suffix, ": Off");
    EXPECT_FALSE(Control(settings, "EffectsDown")->Enabled);
    EXPECT_EQ(Control(settings, "DotEffects1")->Frame, 0);
    PlayersUpdate();
    EXPECT_EQ(CurrentPlayer()->Volume(0), 0);

    SetGroupVolume(MusicGroup, 9);
    static_cast<TGuiDialogSettings*>(settings)->RefreshParts(spMusic);
    Click(Control(settings, "MusicUp"));
    EXPECT_EQ(GroupVolume(MusicGroup), 10);
    EXPECT_FALSE(Control(settings, "MusicUp")->Enabled);
    EXPECT_EQ(static_cast<TGuiControlLabelSuffix*>(Control(settings, "Music"))->Suffix, ": 100%");
    PlayersUpdate();
    EXPECT_EQ(CurrentPlayer()->Volume(MusicGroup), 10);
    EXPECT_TRUE(ProfilesChanged()) << "the next save point writes the new volumes";
}

// The player's clicks in the settings reach the save: the volumes come back with the profile.
TEST_F(GameLook, SettingsVolumesClickedAreSavedWithTheProfileAndLoadedAgain) {
    CurrentPlayer()->SetName("Ida");
    SetGroupVolume(0, 6);
    SetGroupVolume(MusicGroup, 3);
    PlayersUpdate();
    SaveProfiles();
    TGuiDialog* settings = Open("Settings");
    ASSERT_NE(settings, nullptr);
    Click(Control(settings, "EffectsDown"));
    Click(Control(settings, "EffectsDown"));
    Click(Control(settings, "MusicUp"));
    Click(Control(settings, "Close"));
    Frames(2);
    EXPECT_EQ(settings->DialogState, dsClosed);
    // The frame's profile upkeep, then the save at the end of the run.
    PlayersUpdate();
    PlayersStop();

    SetGroupVolume(0, 10);
    SetGroupVolume(MusicGroup, 10);
    PlayersStart();
    ASSERT_NE(CurrentPlayer(), nullptr);
    EXPECT_EQ(CurrentPlayer()->Name(), "Ida");
    EXPECT_EQ(CurrentPlayer()->Volume(0), 4);
    EXPECT_EQ(CurrentPlayer()->Volume(MusicGroup), 4);
    EXPECT_EQ(GroupVolume(0), 4) << "the loaded profile's volumes are the ones heard";
    EXPECT_EQ(GroupVolume(MusicGroup), 4);
}

TEST_F(GameLook, SettingsLanguageButtonOpensTheLanguageForm) {
    TGuiDialog* settings = Open("Settings");
    TGuiControl* language = Control(settings, "Language");
    EXPECT_FALSE(language->Enabled) << "no second language to choose";
    SetControlEnabled(language, true);
    Frames(1);
    Click(language);
    Frames(40);
    ASSERT_NE(CurrentForm(), nullptr);
    EXPECT_EQ(CurrentForm()->Name(), "Languages");
    EXPECT_EQ(settings->DialogState, dsClosed);
}

TEST_F(GameLook, SettingsProfilesButtonCannotSwitchOffSeveralNamedProfiles) {
    CurrentPlayer()->SetName("Ida");
    SelectOrCreatePlayer("Bo");
    TGuiDialog* settings = Open("Settings");
    TGuiControl* profiles = Control(settings, "UserProfiles");
    EXPECT_EQ(profiles->TextKey, "LabelEnabled");
    EXPECT_FALSE(profiles->Enabled);
    EXPECT_EQ(Control(settings, "DisplayMode")->TextKey,
              IsFullScreen() ? "LabelFullScreen" : "LabelWindowed");
}

TEST_F(GameLook, AboutShowsTheVersion) {
    TGuiDialog* about = Open("About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(static_cast<TGuiControlLabelSuffix*>(Control(about, "Version"))->Suffix, "\xC2\xA0"
                                                                                       "1.01");
    EXPECT_NE(Control(about, "Title"), nullptr) << "the script's title is not the built-in one";
}

TEST_F(GameLook, ClickStartsOneRippleBelowTheCursor) {
    EXPECT_EQ(CurrentCursor()->Name(), "Custom");
    const auto ripples = [] {
        std::vector<const TPerformer*> found;
        for (const TPerformer& performer : *Performers()) {
            if (!performer.Held) {
                found.push_back(&performer);
            }
        }
        return found;
    };
    Input("1 move 100 50\n3 down 100 50\n4 up\n");
    Frames(2);
    EXPECT_TRUE(ripples().empty()) << "moving is no click";
    Frames(4);
    const std::vector<const TPerformer*> started = ripples();
    ASSERT_EQ(started.size(), 1u) << "one ripple for one press, however long it is held";
    EXPECT_EQ(started[0]->Owner, CurrentCursor());
    EXPECT_EQ(started[0]->Canvas, MainCanvas());
    EXPECT_EQ(started[0]->Layer, CursorLayer - 10);
    EXPECT_NEAR(started[0]->X, 100, 0.01);
    EXPECT_NEAR(started[0]->Y, 50, 0.01);
}

TEST_F(GameLook, CustomHintIsABalloonThatFadesWithItsText) {
    form->Build = [](test::TBuildForm* f) {
        f->Layout = {0, 100, 200, 80};
        CreateControl<TGuiControlButton>(f, 0, {{0, "B"}, {21, "B"}, {23, "A long way home"}});
    };
    SetCurrentForm("Languages");
    SetCurrentForm("Play");
    Input("1 move 0 100\n");
    Frames(60);
    auto* hint = dynamic_cast<TGuiHintDefault*>(CurrentHint());
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->Name(), "Custom");
    ASSERT_NE(hint->Ballon, nullptr);
    ASSERT_NE(hint->TextObject, nullptr);
    EXPECT_EQ(hint->TextObject->Text, "A long way home");
    EXPECT_EQ(hint->TextObject->FontIndex, FontGame);
    EXPECT_EQ(hint->Ballon->PointerSide, (hint->Side + 4) % 8);
    EXPECT_FLOAT_EQ(hint->Ballon->Alpha, 0.8f * hint->Fade);
    EXPECT_FLOAT_EQ(hint->TextObject->Alpha, hint->Fade);
    Input("1 move 700 -400\n");
    Frames(30);
    EXPECT_EQ(hint->Ballon, nullptr);
    EXPECT_EQ(hint->TextObject, nullptr);
}

TEST_F(GameLook, DefaultHintUsesTheEngineFont) {
    form->Build = [](test::TBuildForm* f) {
        f->Layout = {0, 0, 200, 80};
        CreateControl<TGuiControlButton>(f, 0,
                                         {{0, "B"}, {21, "B"}, {23, "Plain"}, {26, "Default"}});
    };
    SetCurrentForm("Languages");
    SetCurrentForm("Play");
    Input("1 move 0 0\n");
    Frames(60);
    auto* hint = dynamic_cast<TGuiHintDefault*>(CurrentHint());
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->Name(), "Default");
    ASSERT_NE(hint->TextObject, nullptr);
    EXPECT_EQ(hint->TextObject->FontIndex, FontEngine);
    EXPECT_FLOAT_EQ(hint->Ballon->Alpha, 0.8f);
}

TEST_F(GameLook, EndingCoverHoldsItsTextBetweenCoveringAndUncovering) {
    SwitchForm("Languages", "FadeEnding");
    auto* cover = static_cast<TGuiTransitionCover*>(FindTransition("FadeEnding"));
    Frames(121); // 2 s of the 4 s cover
    ASSERT_NE(cover->Cover, nullptr);
    EXPECT_NEAR(cover->CoverAlpha(), 0.5f, 0.05f);
    ASSERT_NE(cover->TextObject, nullptr);
    EXPECT_EQ(cover->TextObject->Text, "The End");
    EXPECT_FLOAT_EQ(cover->TextObject->Scale, 3) << "the ending's words stand as a title";
    EXPECT_FLOAT_EQ(cover->TextObject->Alpha, cover->CoverAlpha());
    EXPECT_EQ(cover->Cover->Width, MainCanvas()->Width);
    Frames(150); // covered, swapped, then a second of the hold
    EXPECT_EQ(CurrentForm()->Name(), "Languages");
    EXPECT_FLOAT_EQ(cover->CoverAlpha(), 1);
    Frames(120); // the rest of the hold and half the uncover
    EXPECT_LT(cover->CoverAlpha(), 0.9f);
    EXPECT_GT(cover->CoverAlpha(), 0.1f);
    Frames(120);
    EXPECT_EQ(CurrentTransition(), nullptr);
    EXPECT_EQ(cover->Cover, nullptr);
    EXPECT_EQ(cover->TextObject, nullptr);
}

TEST_F(GameLook, OpenDialogsHintsAndCoversAllocateNothingInSteadyFrames) {
    form->Build = [](test::TBuildForm* f) {
        f->Layout = {0, 300, 200, 80};
        CreateControl<TGuiControlButton>(f, 0, {{0, "B"}, {21, "B"}, {23, "Steady"}});
    };
    SetCurrentForm("Languages");
    SetCurrentForm("Play");
    Input("1 move 0 300\n");
    Frames(60);
    ASSERT_NE(CurrentHint(), nullptr);
    Open("Settings");
    Open("About");
    Frames(2);
    const auto steady = [this](const char* what) {
        const int64_t before = test::AllocationCount();
        Frames(30);
        EXPECT_EQ(test::AllocationCount(), before) << what;
    };
    steady("dialogs and a hint");
    CloseAllDialogs();
    SwitchForm("Languages", "FadeEnding");
    Frames(2);
    steady("a cover with its text");
}

} // namespace
} // namespace valdmoor
