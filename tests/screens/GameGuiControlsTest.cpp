#include "screens/GameGuiControls.h"

#include "SceneFixture.h"
#include "screens/GameGuiControlProp.h"
#include "screens/GameGuiControlSite.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

class GameControls : public test::SceneFixture {
protected:
    template <class T>
    T* Make(float x, float y, float w, float h) {
        T* made = nullptr;
        form = ShowBuiltForm([&](test::TBuildForm* f) {
            f->Layout = {x, y, w, h};
            made = CreateControl<T>(f, 0);
        });
        Frames(1);
        return made;
    }
    test::TBuildForm* form = nullptr;
};

TEST_F(GameControls, ButtonTextureFollowsItsWidth) {
    EXPECT_EQ(ButtonTextureFor(99), "G2Button60x60");
    EXPECT_EQ(ButtonTextureFor(100), "G2Button200x60");
    EXPECT_EQ(ButtonTextureFor(249), "G2Button200x60");
    EXPECT_EQ(ButtonTextureFor(250), "G2Button300x60");
}

TEST_F(GameControls, CustomButtonShowsDisabledCheckedAndPressedStates) {
    auto* button = Make<TGuiControlButtonCustom>(0, 0, 200, 60);
    EXPECT_EQ(button->TextureName, "G2Button200x60");
    SetControlText(button, "Go");
    SetControlEnabled(button, false);
    Frames(1);
    ASSERT_NE(button->Face, nullptr);
    EXPECT_EQ(button->Face->Layers[0].Frame, 3);
    EXPECT_FLOAT_EQ(button->Caption->Alpha, 0.5f);
    SetControlEnabled(button, true);
    SetChecked(button, true);
    Frames(1);
    EXPECT_EQ(button->Face->Layers[0].Frame, 2);
    EXPECT_FLOAT_EQ(button->Face->Blue, ColorCheckedTint.Blue);
    EXPECT_EQ(button->Caption->Text, "\xE2\x80\x93\x08>\xC2\xA0Go\xC2\xA0\xE2\x80\x93\x08<");
    SetControlVisible(button, false);
    Frames(1);
    EXPECT_EQ(button->Face, nullptr);
    EXPECT_EQ(button->Caption, nullptr);
}

TEST_F(GameControls, PropTilesWriteTheirCountOnlyWhereItTellsSomething) {
    TProp* coin = Prop(pkProperty, 3, "Coin");
    coin->HideSingleCount = 1;
    TProp* lore = Prop(pkKnowledge, 1, "Lore");
    auto* loss = Make<TGuiControlPropLoss>(0, 0, 88, 88);
    loss->SetEntry({coin, 1}, false);
    Frames(1);
    ASSERT_NE(loss->Plate, nullptr);
    EXPECT_EQ(loss->CountText, nullptr);
    EXPECT_FLOAT_EQ(loss->Plate->ShadingParam, 0.33f);
    EXPECT_EQ(loss->Overlay->Layers[0].Frame, 1);
    loss->SetEntry({coin, 1}, true);
    Frames(1);
    ASSERT_NE(loss->CountText, nullptr);
    EXPECT_EQ(loss->CountText->Text, "-1");
    loss->SetEntry({lore, 4}, true);
    Frames(1);
    EXPECT_EQ(loss->CountText, nullptr) << "knowledge is held or not";
    loss->SetEntry({}, false);
    Frames(1);
    EXPECT_EQ(loss->Plate, nullptr);
}

TEST_F(GameControls, RequirementMarkerIsJudgedWhenTheTileAppears) {
    TProp* coin = Prop(pkProperty, 3, "Coin");
    auto* tile = Make<TGuiControlPropRequirement>(0, 0, 88, 88);
    tile->SetEntry({coin, 3}, false);
    Frames(1);
    ASSERT_NE(tile->Marker, nullptr);
    EXPECT_EQ(tile->Marker->Layers[0].Frame, 11);
    EXPECT_FLOAT_EQ(tile->Marker->Green, 1);
    coin->Count = 0;
    tile->Dirty = true;
    Frames(1);
    EXPECT_EQ(tile->Marker->Layers[0].Frame, 11);
    SetControlVisible(tile, false);
    Frames(1);
    SetControlVisible(tile, true);
    Frames(1);
    EXPECT_EQ(tile->Marker->Layers[0].Frame, 10);
    EXPECT_FLOAT_EQ(tile->Marker->Red, 1);
}

TEST_F(GameControls, SiteMarkerShowsRevealedSitesAndHidesMarkedOnes) {
    auto* marker = Make<TGuiControlSite>(0, 0, 60, 60);
    marker->SetSite(site);
    site->X = 100;
    site->Y = -400;
    Frames(1);
    EXPECT_FALSE(marker->Visible);
    site->Revealed = true;
    Frames(1);
    EXPECT_TRUE(marker->Visible);
    EXPECT_EQ(marker->Position.X, 100);
    EXPECT_NE(marker->Icon, nullptr);
    // Round hit area: the square's corner misses.
    EXPECT_TRUE(marker->HitTest(100, -400));
    EXPECT_FALSE(marker->HitTest(128, -372));

    // In the tutorial stage it claims the arrow, from below near the top edge.
    SetStoryStage(9);
    Frames(1);
    EXPECT_EQ(form->Focus, marker);
    EXPECT_EQ(form->FocusStyle, 3);

    form->Focus = nullptr;
    site->Flag1 = 1;
    Frames(1);
    EXPECT_TRUE(marker->Marked);
    EXPECT_TRUE(marker->Visible) << "a marked site is still a hot spot";
    EXPECT_EQ(marker->Icon, nullptr);
    EXPECT_EQ(form->Focus, nullptr);
    SetStoryStage(0);
}

TEST_F(GameControls, SiteMarkerFadesInWithTheRevealUnlessItVisitsItself) {
    auto* marker = Make<TGuiControlSite>(0, 0, 60, 60);
    marker->SetSite(site);
    SetSiteControlWorld({2, site, 0.5f, 0.8f});
    Frames(1);
    EXPECT_TRUE(marker->Visible);
    EXPECT_FLOAT_EQ(marker->Alpha, 0.4f);
    site->AutoVisit = 1;
    Frames(1);
    EXPECT_FALSE(marker->Visible);
    SetSiteControlWorld({});
}

} // namespace
} // namespace valdmoor

namespace valdmoor {
namespace {

TEST_F(GameControls, SiteMarkerShowsAWaitingRequirementWithoutCountingScenes) {
    TProp* coin = Prop(pkProperty, 1, "Coin");
    // A second visit: the text was shown on the first and is skipped; the repeatable gate waits.
    TScene* done = Scene(2);
    done->Executions = 1;
    TScene* gate = Scene(12, {{coin, 2}});
    gate->Executions = 1;
    gate->Repeatable = 1;
    site->Visits = 1;
    site->KeepAssets = 1;
    site->Revealed = true;
    site->Entered = true;
    auto* marker = Make<TGuiControlSite>(0, 0, 60, 60);
    marker->SetSite(site);
    Frames(1);
    EXPECT_EQ(marker->MarkerScene, gate);
    EXPECT_FALSE(marker->MarkerMet);
    ASSERT_NE(marker->Marker, nullptr);
    EXPECT_EQ(marker->Marker->Layers[0].Frame, 10);
    EXPECT_EQ(done->Executions, 1) << "looking counts nothing";
    coin->Count = 2;
    Frames(1);
    EXPECT_TRUE(marker->MarkerMet);
    EXPECT_EQ(marker->Marker->Layers[0].Frame, 11);
}

} // namespace
} // namespace valdmoor
