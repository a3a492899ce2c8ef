#include "gui/EngineGuiControls.h"

#include "GuiFixture.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using test::TBuildForm;

TEST(FitSize, ShrinksByTheSmallerRatioSoTheResultAlwaysFits) {
    // Overflows in units would pick the width here and come out 100 x 75.
    EXPECT_EQ(FitSize({200, 150}, {100, 60}), (TVector2{80, 60}));
    EXPECT_EQ(FitSize({150, 200}, {60, 100}), (TVector2{60, 80}));
    EXPECT_EQ(FitSize({400, 100}, {100, 100}), (TVector2{100, 25}));
    // What fits keeps its size, also when it could grow.
    EXPECT_EQ(FitSize({30, 20}, {100, 60}), (TVector2{30, 20}));
    EXPECT_EQ(FitSize({100, 60}, {100, 60}), (TVector2{100, 60}));
    for (const TVector2 natural : {TVector2{1000, 999}, TVector2{17, 300}, TVector2{640, 481}}) {
        const TVector2 fitted = FitSize(natural, {94.5f, 54.5f});
        EXPECT_LE(fitted.X, 94.5f + 1e-3f);
        EXPECT_LE(fitted.Y, 54.5f + 1e-3f);
        EXPECT_NEAR(fitted.X / fitted.Y, natural.X / natural.Y, 1e-3f);
    }
}

TEST(SquareBorderFromName, ReadsCharactersNineAndTen) {
    EXPECT_EQ(SquareBorderFromName("G2Square09Filled"), 9);
    EXPECT_EQ(SquareBorderFromName("G2Square06Outline"), 6);
    EXPECT_EQ(SquareBorderFromName("G2Square28Border"), 28);
    EXPECT_EQ(SquareBorderFromName("G2SquareXXFilled"), 9);
    EXPECT_EQ(SquareBorderFromName("G2Sq"), 9);
    EXPECT_EQ(SquareBorderFromName(""), 9);
}

class Controls : public test::GuiFixture {};

TEST_F(Controls, ButtonLooksFollowHoverPressCheckAndDisable) {
    TGuiControlButton* button = nullptr;
    ShowBuiltForm([&](TBuildForm* form) {
        form->Layout = {100, 50, 120, 30};
        button = CreateControl<TGuiControlButton>(form, 0, {{0, "OK"}, {21, "OK"}});
    });
    ASSERT_NE(button->Background, nullptr);
    EXPECT_EQ(button->Background->X, 100);
    EXPECT_FLOAT_EQ(button->Background->Red, ColorDarkRed.Red);
    EXPECT_FLOAT_EQ(button->Outline->Red, ColorGold.Red);
    EXPECT_EQ(button->TextObject->Text, "OK");

    Input("1 move 100 50\n2 down\n");
    Frames(1);
    EXPECT_FLOAT_EQ(button->Outline->Blue, ColorHighlight.Blue);
    Frames(1);
    // Plate, caption and outline move together while pressed, and back on release.
    EXPECT_EQ(button->Background->X, 102);
    EXPECT_EQ(button->Background->Y, 52);
    EXPECT_EQ(button->TextObject->X, 102);
    EXPECT_EQ(button->Outline->Y, 52);
    Input("1 up\n2 move 500 300\n");
    Frames(2);
    EXPECT_EQ(button->Background->X, 100);
    EXPECT_EQ(button->TextObject->Y, 50);
    EXPECT_FLOAT_EQ(button->Outline->Blue, ColorGold.Blue);

    SetChecked(button, true);
    Frames(1);
    EXPECT_EQ(button->TextObject->Text, "> OK <");
    EXPECT_FLOAT_EQ(button->Background->Red, ColorRed.Red);

    SetControlEnabled(button, false);
    Frames(1);
    EXPECT_FLOAT_EQ(button->Background->Red, ColorGrey.Red);
    EXPECT_FLOAT_EQ(button->TextObject->Alpha, 0.5f);
}

TEST_F(Controls, RadioGroupKeepsOneCheckedAndAReclickIsNoClick) {
    std::vector<TGuiControlButton*> buttons;
    TBuildForm* form = ShowBuiltForm([&](TBuildForm* f) {
        for (int i = 0; i < 3; ++i) {
            f->Layout = {static_cast<float>(i) * 200, 0, 120, 30};
            buttons.push_back(CreateControl<TGuiControlButton>(
                f, 0, {{0, "R" + std::to_string(i)}, {1, "Radio"}, {5, true}, {21, "R"}}));
        }
    });
    Input("1 down 0 0\n2 up\n4 down 200 0\n5 up\n7 down 200 0\n8 up\n");
    Frames(9);
    EXPECT_FALSE(buttons[0]->Checked);
    EXPECT_TRUE(buttons[1]->Checked);
    EXPECT_FALSE(buttons[2]->Checked);
    EXPECT_EQ(buttons[0]->TextObject->Text, "R");
    EXPECT_EQ(buttons[1]->TextObject->Text, "> R <");
    // The second press on the checked button gives no click.
    EXPECT_EQ(form->Clicked, (std::vector<std::string>{"R0", "R1"}));
}

TEST_F(Controls, InputMirrorsTheEntryAndPutsTheCaretAfterMultiByteText) {
    TGuiControlInput* input = nullptr;
    ShowBuiltForm([&](TBuildForm* form) {
        form->Layout = {0, 0, 300, 40};
        input = CreateControl<TGuiControlInput>(form, 0);
    });
    StartTextEntry(Font(0), "", 10, false, false, false);
    Frames(1);
    ASSERT_NE(input->CaretSprite, nullptr);
    // An empty entry puts the caret at its first stop.
    float x = 0;
    float y = 0;
    CharacterPosition(input->TextObject, 1, x, y);
    EXPECT_FLOAT_EQ(input->CaretSprite->X, x + 2.5f);
    EXPECT_EQ(input->CaretSprite->Width, 5);

    Input("1 text Ünïcödé\n2 key left\n3 release left\n");
    Frames(3);
    EXPECT_EQ(input->Text, "Ünïcödé");
    EXPECT_EQ(input->Caret, 7);
    EXPECT_EQ(input->TextObject->Text, "Ünïcödé");
    CharacterPosition(input->TextObject, 7, x, y);
    EXPECT_FLOAT_EQ(input->CaretSprite->X, x + 2.5f);
    EXPECT_FLOAT_EQ(input->Outline->Green, ColorGold.Green);
    EXPECT_FLOAT_EQ(input->Background->Red, ColorDarkBrown.Red);
    EndTextEntry();
}

TEST_F(Controls, ChooseButtonShowsPictureBeforeTextAndNothingForAMissingEffect) {
    TGuiControlButtonChoose* both = nullptr;
    TGuiControlButtonChoose* text = nullptr;
    TGuiControlButtonChoose* effect = nullptr;
    ShowBuiltForm([&](TBuildForm* form) {
        form->Layout = {0, 0, 100, 60};
        both = CreateControl<TGuiControlButtonChoose>(form, 0, {{12, "G2Props"}, {21, "Both"}});
        form->Layout = {200, 0, 100, 60};
        text = CreateControl<TGuiControlButtonChoose>(form, 0, {{21, "Text"}});
        form->Layout = {400, 0, 100, 60};
        effect = CreateControl<TGuiControlButtonChoose>(form, 0, {{18, "G2NoSuchEffect"}});
    });
    ASSERT_NE(both->Picture, nullptr);
    EXPECT_EQ(both->TextObject, nullptr);
    EXPECT_LE(both->Picture->Width, 94.5f);
    EXPECT_LE(both->Picture->Height, 54.5f);
    EXPECT_EQ(text->Picture, nullptr);
    ASSERT_NE(text->TextObject, nullptr);
    EXPECT_EQ(text->TextObject->Text, "Text");
    EXPECT_EQ(effect->Picture, nullptr);
    EXPECT_EQ(effect->TextObject, nullptr);
    EXPECT_EQ(effect->EffectSprite, nullptr);
    EXPECT_NE(effect->Background, nullptr);

    // Dropping the picture lets the text show.
    both->TextureName.clear();
    both->Dirty = true;
    Frames(1);
    EXPECT_EQ(both->Picture, nullptr);
    ASSERT_NE(both->TextObject, nullptr);
    EXPECT_EQ(both->TextObject->Text, "Both");
}

TEST_F(Controls, HidingReleasesEveryDrawingObjectAndShowingMakesThemAgain) {
    const int32_t before = MainCanvas()->Sprites.Count();
    TGuiControlLabelSuffix* label = nullptr;
    ShowBuiltForm([&](TBuildForm* form) {
        form->Layout = {0, -200, 300, 40};
        label = CreateControl<TGuiControlLabelSuffix>(form, 0, {{21, "Page"}});
        form->Layout = {0, 0, 300, 40};
        CreateControl<TGuiControlPlate>(form, 0);
        CreateControl<TGuiControlBorder>(form, 1);
        CreateControl<TGuiControlButton>(form, 2, {{21, "Go"}});
        CreateControl<TGuiControlInput>(form, 3);
        CreateControl<TGuiControlPicture>(form, 4, {{12, "G2Props"}});
        CreateControl<TGuiControlScreenCover>(form, 5);
        CreateControl<TGuiControlButtonChoose>(form, 6, {{21, "Choice"}});
    });
    EXPECT_GT(MainCanvas()->Sprites.Count(), before);
    label->SetSuffix(" 2");
    Frames(1);
    EXPECT_EQ(label->TextObject->Text, "Page 2");

    SetControlVisible(label, false);
    Frames(1);
    EXPECT_EQ(label->TextObject, nullptr);
    SetControlVisible(label, true);
    Frames(1);
    ASSERT_NE(label->TextObject, nullptr);
    EXPECT_EQ(label->TextObject->Text, "Page 2");

    HideForm(FindForm("Test"));
    EXPECT_EQ(MainCanvas()->Sprites.Count(), before);
}

TEST_F(Controls, ScreenCoverFillsTheCanvasAndFollowsItsSize) {
    TGuiControlScreenCover* cover = nullptr;
    ShowBuiltForm([&](TBuildForm* form) {
        form->Layout = {300, 100, 50, 50};
        cover = CreateControl<TGuiControlScreenCover>(form, 0);
    });
    Frames(1);
    ASSERT_NE(cover->Sprite, nullptr);
    EXPECT_EQ(cover->Sprite->X, 0);
    EXPECT_EQ(cover->Sprite->Width, MainCanvas()->Width);
    EXPECT_EQ(cover->Sprite->Layer, cover->Layer - 1);
    EXPECT_FLOAT_EQ(cover->Sprite->Alpha, 0.5f);
    EXPECT_EQ(cover->Sprite->ShadingMode, smOnlyTint);
    VideoResize(2400, 900);
    Frames(2);
    EXPECT_EQ(cover->Sprite->Width, MainCanvas()->Width);
    EXPECT_EQ(cover->Sprite->Height, MainCanvas()->Height);
}

TEST_F(Controls, CanvasControlTakesTheControlsCreatedAfterIt) {
    TGuiControlCanvas* canvas = nullptr;
    TGuiControlLabel* inside = nullptr;
    ShowBuiltForm([&](TBuildForm* form) {
        form->Layout = {200, 100, 400, 300};
        canvas = CreateControl<TGuiControlCanvas>(form, 10);
        form->Layout = {250, 120, 100, 30};
        inside = CreateControl<TGuiControlLabel>(form, 0, {{21, "in"}});
    });
    ASSERT_NE(canvas->OwnCanvas, nullptr);
    EXPECT_EQ(inside->Canvas, canvas->OwnCanvas);
    EXPECT_EQ(inside->Position, (TVector2{50, 20}));
    EXPECT_EQ(inside->TextObject->Canvas, canvas->OwnCanvas);
    ASSERT_NE(canvas->Sprite, nullptr);
    EXPECT_EQ(canvas->Sprite->Canvas, MainCanvas());
    EXPECT_EQ(GetSpriteTexture(canvas->Sprite, 0), canvas->OwnCanvas->Texture.get());
    TGuiForm* form = FindForm("Test");
    HideForm(form);
    EXPECT_EQ(form->Canvas, MainCanvas());
    EXPECT_EQ(form->ScreenOffset, (TVector2{}));
}

} // namespace
} // namespace valdmoor
