#include "screens/GameGuiDialogScene.h"

#include "SceneFixture.h"
#include "app/EngineApplication.h"
#include "gui/EngineGuiControls.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "screens/GameGuiControlProp.h"
#include "storage/EngineScript.h"
#include "video/PictureFiles.h"
#include "world/GameAvatar.h"
#include "world/GameMap.h"
#include "world/GamePool.h"

#include <limits>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Lines = std::vector<std::string>;

class SceneDialog : public test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        gold = Prop(pkProperty, 5, "Gold");
        sword = Prop(pkItem, 0, "Sword");
        bread = Prop(pkItem, 1, "Bread");
        lore = Prop(pkKnowledge, 0, "Lore");
    }
    std::string Shown(const std::string& name) {
        TGuiControl* control = Control(name);
        return control != nullptr ? control->Text : "<none>";
    }

    TProp* gold = nullptr;
    TProp* sword = nullptr;
    TProp* bread = nullptr;
    TProp* lore = nullptr;
};

TEST_F(SceneDialog, BarterRunsUpToWhatThePropsAllowAndAcceptHandsTheUnitsOver) {
    TScene* barter = Scene(38, {{gold, 2}}, {{sword, 1}}); // "Barter 1"
    Open(barter);
    EXPECT_FALSE(Enabled("Accept"));
    EXPECT_TRUE(Enabled("Cancel"));
    EXPECT_EQ(Shown("ChangeCountA1"), "LabelIHave: 5");

    Click("ChangePerf1");
    Click("ChangePerf1");
    EXPECT_EQ(Shown("ChangeCountA1"), "LabelIHave: 1");
    EXPECT_EQ(Shown("ChangeCountB1"), "LabelIHave: 2");
    EXPECT_FALSE(Enabled("ChangePerf1")) << "one gold left, two needed";
    Click("ChangePerf1");
    EXPECT_EQ(Shown("ChangeCountA1"), "LabelIHave: 1");
    // The preview changed nothing the hero holds.
    EXPECT_EQ(gold->Count, 5);
    EXPECT_EQ(sword->Count, 0);
    ASSERT_TRUE(Enabled("Accept"));

    Click("Accept");
    EXPECT_EQ(avatar.calls, (Lines{"accept 2 0 0 0 0 0 0 0"}));
    EXPECT_EQ(gold->Count, 1);
    EXPECT_EQ(sword->Count, 2);
    Frames(30);
    EXPECT_EQ(DialogInSlot(0), nullptr);
}

TEST_F(SceneDialog, CancellingABarterLeavesEveryPropAsItWas) {
    TScene* barter = Scene(39, {{gold, 1}, {bread, 1}}, {{sword, 1}, {lore, 1}}); // "Barter 2"
    Open(barter);
    Click("ChangePerf1");
    Click("ChangePerf2");
    EXPECT_EQ(Shown("ChangeCountA2"), "0");
    EXPECT_EQ(Shown("ChangeCountB2"), "1");
    Click("Cancel");
    EXPECT_EQ(avatar.calls, (Lines{"cancel"}));
    EXPECT_EQ(gold->Count, 5);
    EXPECT_EQ(bread->Count, 1);
    EXPECT_EQ(sword->Count, 0);
    EXPECT_EQ(lore->Count, 0);
}

TEST_F(SceneDialog, APressDuringAnotherSlotsExchangeFinishesItFirst) {
    TScene* barter = Scene(39, {{gold, 1}, {bread, 1}}, {{sword, 1}, {lore, 1}});
    Open(barter);
    const auto at = [&](const std::string& name) {
        const TGuiControl* c = Control(name);
        return std::to_string(c->Origin.X + c->Position.X) + " " +
               std::to_string(c->Origin.Y + c->Position.Y);
    };
    // The second press comes two frames after the first, while its exchange still runs.
    Input("1 down " + at("ChangePerf1") + "\n2 up\n3 down " + at("ChangePerf2") +
          "\n4 up\n5 move 0 0\n");
    Frames(25);
    Click("Accept");
    EXPECT_EQ(avatar.calls, (Lines{"accept 1 1 0 0 0 0 0 0"}));
    EXPECT_EQ(gold->Count, 4);
    EXPECT_EQ(lore->Count, 1);
}

TEST_F(SceneDialog, MakeTakesEveryIngredientAndStopsWhenOneRunsShort) {
    TProp* wood = Prop(pkItem, 3, "Wood");
    TProp* rope = Prop(pkItem, 2, "Rope");
    TProp* nails = Prop(pkItem, 5, "Nails");
    TProp* boat = Prop(pkItem, 0, "Boat");
    TScene* make = Scene(55, {{wood, 1}, {rope, 1}, {nails, 2}}, {{boat, 1}}); // "Make 31"
    Open(make);
    EXPECT_FALSE(Enabled("Accept"));
    Click("ChangePerf");
    Click("ChangePerf");
    EXPECT_EQ(Shown("ChangeCountA2"), "0");
    EXPECT_EQ(Shown("ChangeCountA3"), "1");
    EXPECT_EQ(Shown("ChangeCountB1"), "LabelIHave: 2");
    EXPECT_FALSE(Enabled("ChangePerf"));
    Click("ChangePerf");
    Click("Accept");
    EXPECT_EQ(avatar.calls, (Lines{"accept 2 0 0 0 0 0 0 0"}));
    EXPECT_EQ(wood->Count, 1);
    EXPECT_EQ(rope->Count, 0);
    EXPECT_EQ(nails->Count, 1);
    EXPECT_EQ(boat->Count, 2);
}

TEST_F(SceneDialog, AcceptDuringAnExchangeCountsTheUnitInFlight) {
    TScene* make = Scene(46, {{gold, 1}}, {{sword, 1}}); // "Make 11"
    Open(make);
    Click("ChangePerf");
    TGuiControl* perform = Control("ChangePerf");
    TGuiControl* accept = Control("Accept");
    const auto at = [](const TGuiControl* c) {
        return std::to_string(c->Origin.X + c->Position.X) + " " +
               std::to_string(c->Origin.Y + c->Position.Y);
    };
    Input("1 down " + at(perform) + "\n2 up\n3 down " + at(accept) + "\n4 up\n");
    Frames(6);
    EXPECT_EQ(avatar.calls, (Lines{"accept 2 0 0 0 0 0 0 0"}));
    EXPECT_EQ(sword->Count, 2);
}

TEST_F(SceneDialog, UnmetRequirementsOfferOnlyCancelWithAcceptDisabled) {
    site->ActionCode = 111;
    TScene* needs = Scene(13, {{gold, 10}, {bread, 1}}); // "Requirements 2"
    TGuiDialog* dialog = Open(needs);
    ASSERT_NE(Control("Accept"), nullptr);
    EXPECT_FALSE(Enabled("Accept"));
    EXPECT_EQ(Control("Skip"), nullptr);
    EXPECT_EQ(dialog->Focus, Control("Cancel"));
    EXPECT_EQ(dialog->FocusStyle, 1);
    const auto* tile = static_cast<TGuiControlPropRequirement*>(Control("Requirement1"));
    ASSERT_NE(tile->Marker, nullptr);
    EXPECT_EQ(tile->Marker->Layers[0].Frame, 10);
    const auto* held = static_cast<TGuiControlPropRequirement*>(Control("Requirement2"));
    EXPECT_EQ(held->Marker->Layers[0].Frame, 11);

    Click("Accept");
    Key("enter");
    EXPECT_TRUE(avatar.calls.empty());
    Key("escape");
    EXPECT_EQ(avatar.calls, (Lines{"cancel"}));
}

TEST_F(SceneDialog, DebugModeAddsSkipForUnmetRequirements) {
    SetSwitches(ParseSwitches({"-debug"}));
    TScene* needs = Scene(12, {{gold, 10}}); // "Requirements 1"
    Open(needs);
    ASSERT_NE(Control("Skip"), nullptr);
    EXPECT_EQ(Control("Skip")->HintText, "Force to skip the requirements");
    Click("Skip");
    EXPECT_EQ(avatar.calls, (Lines{"accept 0 0 0 0 0 0 0 0"}));
}

TEST_F(SceneDialog, MetRequirementsAcceptAndPointTheArrowAtAccept) {
    site->ActionCode = 111;
    TScene* needs = Scene(12, {{gold, 5}});
    TGuiDialog* dialog = Open(needs);
    EXPECT_TRUE(Enabled("Accept"));
    EXPECT_EQ(dialog->Focus, Control("Accept"));
    EXPECT_EQ(dialog->FocusStyle, 0);
    Key("enter");
    EXPECT_EQ(avatar.calls, (Lines{"accept 0 0 0 0 0 0 0 0"}));
}

TEST_F(SceneDialog, CancelOnTheFirstAndOnALaterSceneHandsOverOnce) {
    TScene* first = Scene(2);
    TScene* later = Scene(39, {{gold, 1}}, {{sword, 1}});
    Open(first);
    EXPECT_EQ(Control("Cancel"), nullptr) << "a text scene has no cancel";
    Click("Accept");
    Frames(30);
    Open(later);
    const TGuiControl* cancel = Control("Cancel");
    const std::string at = std::to_string(cancel->Origin.X + cancel->Position.X) + " " +
                           std::to_string(cancel->Origin.Y + cancel->Position.Y);
    // A second click and Escape while the dialog fades hand nothing more over.
    Input("1 down " + at + "\n2 up\n3 down\n4 up\n5 key escape\n6 release escape\n");
    Frames(30);
    EXPECT_EQ(avatar.calls, (Lines{"accept 0 0 0 0 0 0 0 0", "cancel"}));
}

TEST_F(SceneDialog, EveryDialogClassOpensWithItsSlotsAndButtons) {
    struct TCase {
        int32_t type;
        const char* slot; // a control the class shows
        bool accept;
        bool cancel;
    };
    const TCase cases[] = {
        {2, nullptr, true, false},        {3, nullptr, false, true},
        {4, "Picture", true, false},      {6, "Picture", true, false},
        {8, "Requirement1", true, true},  {19, "Requirement1", true, true},
        {21, "Loss1", true, false},       {30, "Reward1", true, false},
        {45, "ChangePerf1", true, true},  {53, "ChangePerf", true, true},
        {60, "ChangePropA1", true, true},
    };
    auto picture = std::make_unique<TPicture>("G2Unknown");
    TPicture* shown = picture.get();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.type);
        TScene* scene = Scene(c.type, {{bread, 5}}, {{sword, 1}});
        scene->Picture = shown;
        Open(scene);
        ASSERT_NE(DialogInSlot(0), nullptr);
        if (c.slot != nullptr) {
            EXPECT_NE(Control(c.slot), nullptr);
        }
        EXPECT_EQ(Control("Accept") != nullptr, c.accept);
        EXPECT_EQ(Control("Cancel") != nullptr, c.cancel);
        CloseAllDialogs();
        Frames(1);
    }
}

TEST(ScenePictureFit, KeepsTheShapeInsideTheBox) {
    const TVector2 top{400, 260};
    const TVector2 left{300, 300};
    const auto expectSize = [](TVector2 seen, float width, float height) {
        EXPECT_FLOAT_EQ(seen.X, width);
        EXPECT_FLOAT_EQ(seen.Y, height);
    };
    expectSize(FitScenePicture(top, 400.0f / 260.0f), 400, 260);
    expectSize(FitScenePicture(left, 400.0f / 260.0f), 300, 195);
    expectSize(FitScenePicture(top, 1), 260, 260);
    expectSize(FitScenePicture(top, 4), 400, 100);
    expectSize(FitScenePicture(left, 0.5f), 150, 300);
    // Nothing to go by: the box as it is, never a zero or endless size.
    expectSize(FitScenePicture(top, 0), 400, 260);
    expectSize(FitScenePicture(top, -2), 400, 260);
    expectSize(FitScenePicture(top, std::numeric_limits<float>::infinity()), 400, 260);
    expectSize(FitScenePicture(top, std::numeric_limits<float>::quiet_NaN()), 400, 260);
}

TEST_F(SceneDialog, PicturesAreShownInTheirOwnShapeAboveAndBesideTheText) {
    TPictureImage image;
    image.Width = 400;
    image.Height = 260;
    image.Pitch = image.Width * 4;
    image.Pixels.assign(static_cast<std::size_t>(image.Pitch) * image.Height, 0xff);
    home.Write("Wide.png", EncodePng(image));
    auto picture = std::make_unique<TPicture>("Wide");
    struct TCase {
        int32_t type;
        float width;
        float height;
    };
    for (const TCase& c : {TCase{4, 400, 260}, TCase{5, 400, 260}, TCase{6, 300, 195}}) {
        SCOPED_TRACE(c.type);
        TScene* scene = Scene(c.type);
        scene->Picture = picture.get();
        Open(scene);
        TGuiControl* shown = Control("Picture");
        ASSERT_NE(shown, nullptr);
        EXPECT_FLOAT_EQ(shown->Size.X, c.width);
        EXPECT_FLOAT_EQ(shown->Size.Y, c.height);
        CloseAllDialogs();
        Frames(1);
    }
}

TEST_F(SceneDialog, FloatingScenesCloseThemselvesOrOnTheRewardsClick) {
    home.Write("ScriptScenario.xml",
               "<script><text id=\"SceneLegendH1\">Twenty bytes of text</text></script>");
    LoadScript(ssScenario, true);
    TScene* floating = Scene(1); // number 1: its legend has 20 bytes, 2.8 s
    Open(floating);
    Frames(60 * 2);
    EXPECT_TRUE(avatar.calls.empty());
    Frames(60);
    EXPECT_EQ(avatar.calls.size(), 1u);

    TScene* loss = Scene(20, {{gold, 2}});
    Open(loss);
    EXPECT_EQ(avatar.calls.size(), 2u) << "a floating loss goes as soon as it is shown";
    EXPECT_EQ(gold->Count, 3);

    Frames(30);
    TScene* reward = Scene(29, {}, {{sword, 4}});
    Open(reward);
    Frames(30);
    ASSERT_NE(dynamic_cast<TGuiControlPropRewardClick*>(Control("Accept")), nullptr);
    EXPECT_EQ(avatar.calls.size(), 2u);
    Click("Accept");
    EXPECT_EQ(avatar.calls.size(), 3u);
    EXPECT_EQ(sword->Count, 4);
}

TEST_F(SceneDialog, SlotScenesWithoutALegendShowTheSiteTitle) {
    auto caption = std::make_unique<TCaption>("MarketTitle");
    site->Caption = caption.get();
    home.Write("ScriptScenario.xml", "<script><text id=\"MarketTitle\">The market</text></script>");
    LoadScript(ssScenario, true);
    Open(Scene(30, {}, {{sword, 1}}));
    EXPECT_EQ(Shown("Text"), "The market");
    CloseAllDialogs();
    Frames(1);
    Open(Scene(2));
    EXPECT_EQ(Control("Text"), nullptr);
    site->Caption = nullptr;
}

} // namespace
} // namespace valdmoor

namespace valdmoor {
namespace {

class TOpenMap final : public TMapView {
public:
    bool IsRevealedPoint(float, float) const override { return true; }
};

// The dialog plugged into the running avatar: a visit is played through the dialog and judged
// by the events the avatar records.
class SceneDialogAndAvatar : public test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        SetSceneHandOver(nullptr);
        SetStorageFolderPath(sfUser, home.Path().string() + "/");
        PlayersStart();
        game = CurrentGameState();
        ASSERT_NE(game, nullptr);
        gold = Prop(pkProperty, 5, "Gold");
        gold->Number = 1;
        sword = Prop(pkItem, 0, "Sword");
        sword->Number = 2;
        AvatarStart();
        PlugSceneDialog();
    }
    void TearDown() override {
        UnplugSceneDialog();
        AvatarStop();
        PlayersStop();
        SceneFixture::TearDown();
    }
    // A visit of the site from an idle avatar, up to the first dialog.
    void Visit() {
        ResetWorld();
        site->Revealed = true;
        TheAvatar().AvatarState = asIdle;
        TheAvatar().GoToSite(site, true);
        Play(5);
        Frames(25);
    }
    void Play(int frames) {
        for (int i = 0; i < frames; ++i) {
            TheAvatar().Update(DialogInSlot(0) == nullptr, &map);
            Frames(1);
        }
    }
    std::vector<std::string> Events() {
        std::vector<std::string> kinds;
        for (const TEvent& event : game->Events()) {
            std::string line = std::to_string(event.Data.Kind);
            if (event.Data.Kind == 7 || event.Data.Kind == 8) {
                line += " " + std::to_string(event.Data.Choices()[0]);
            }
            kinds.push_back(line);
        }
        return kinds;
    }

    TOpenMap map;
    TCustomPlayerState* game = nullptr;
    TProp* gold = nullptr;
    TProp* sword = nullptr;
};

TEST_F(SceneDialogAndAvatar, ABarterChosenInTheDialogIsRecordedWithItsUnits) {
    Scene(38, {{gold, 2}}, {{sword, 1}});
    Visit();
    ASSERT_NE(Control("ChangePerf1"), nullptr);
    EXPECT_EQ(TheAvatar().AvatarState, asDialogOpen);
    Click("ChangePerf1");
    Click("ChangePerf1");
    Click("Accept");
    Play(40);
    EXPECT_EQ(gold->Count, 1);
    EXPECT_EQ(sword->Count, 2);
    EXPECT_EQ(Events(), (Lines{"2", "3", "6", "7 2", "5"}));
}

TEST_F(SceneDialogAndAvatar, CancelOnFirstEntryIsRecordedAndOnALaterOneLeavesNoTrace) {
    Scene(12, {{gold, 50}}); // "Requirements 1", not met
    Visit();
    ASSERT_NE(Control("Cancel"), nullptr);
    EXPECT_FALSE(Enabled("Accept"));
    Key("escape");
    Play(30);
    EXPECT_EQ(Events(), (Lines{"2", "3", "4"}));

    TheAvatar().AvatarState = asIdle;
    TheAvatar().GoToSite(site, true);
    Play(5);
    Frames(25);
    ASSERT_NE(Control("Cancel"), nullptr);
    Key("escape");
    Play(30);
    EXPECT_EQ(Events(), (Lines{"2", "3", "4"}));
}

} // namespace
} // namespace valdmoor
