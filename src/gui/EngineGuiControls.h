// The ready-made controls every form and dialog is assembled from: pictures, plates and
// borders, labels, the one-line input, the dimming cover, effect and canvas holders, and two
// kinds of button. Each draws through sprites, texts, squares and performers that it makes in
// Refresh(true) and gives back in Refresh(false); parts of one control stack at fixed depths.
#pragma once

#include "gui/EngineGui.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

class TCanvas;
class TPerformer;
class TSprite;
class TSquare;
class TText;

// Shared engine colours.
constexpr TColor3 ColorDarkRed{0.4f, 0, 0};
constexpr TColor3 ColorRed{0.8f, 0, 0};
constexpr TColor3 ColorGrey{0.5f, 0.5f, 0.5f};
constexpr TColor3 ColorGold{170 / 255.0f, 119 / 255.0f, 0};
constexpr TColor3 ColorHighlight{1, 0.8f, 0.2f};
constexpr TColor3 ColorDarkBrown{51 / 255.0f, 34 / 255.0f, 17 / 255.0f};
constexpr TColor3 ColorBlack{0, 0, 0};

// Depths of a control's drawing objects above its Layer.
constexpr int32_t DepthCover = -1;
constexpr int32_t DepthBackground = 0;
constexpr int32_t DepthPicture = 3;
constexpr int32_t DepthCaret = 5;
constexpr int32_t DepthText = 6;
constexpr int32_t DepthOutline = 9;
constexpr int32_t DepthEffect = 12;

// Natural shrunk into Box keeping its aspect; a size that already fits is kept.
TVector2 FitSize(TVector2 natural, TVector2 box);
// The border width named by characters 9 and 10 of a square picture's name ("G2Square06Filled"
// gives 6); 9 when they are no number.
int32_t SquareBorderFromName(std::string_view name);

// Owns an off-screen canvas the size of the control, which becomes its form's canvas for the
// controls created after it, and shows it as a sprite.
class TGuiControlCanvas : public TGuiControl {
public:
    void Initialize() override;
    void Finalize() override;
    void Refresh(bool visible) override;

    TCanvas* OwnCanvas = nullptr;
    TSprite* Sprite = nullptr;
};

// A half-transparent black rectangle over its whole canvas, one layer below the control.
class TGuiControlScreenCover : public TGuiControl {
public:
    void Initialize() override;
    void Update() override;
    void Refresh(bool visible) override;

    TSprite* Sprite = nullptr;
};

// One sprite with two texture layers.
class TGuiControlPicture : public TGuiControl {
public:
    void Refresh(bool visible) override;

    TSprite* Sprite = nullptr;
};

// A filled nine-part square, by default "G2Square09Filled", black at half alpha.
class TGuiControlPlate : public TGuiControl {
public:
    void Initialize() override;
    void Refresh(bool visible) override;

    TSquare* Square = nullptr;
};

// A nine-part outline, by default "G2Square09Outline".
class TGuiControlBorder : public TGuiControlPlate {
public:
    void Initialize() override;
};

// Runs the particle effect EffectName in the control's rectangle.
class TGuiControlEffect : public TGuiControl {
public:
    void Refresh(bool visible) override;

    TPerformer* Performer = nullptr;
};

class TGuiControlLabel : public TGuiControl {
public:
    void Refresh(bool visible) override;

    TText* TextObject = nullptr;

protected:
    virtual std::string Shown() const { return Text; }
};

// A label showing Text immediately followed by Suffix.
class TGuiControlLabelSuffix : public TGuiControlLabel {
public:
    std::string Suffix;
    void SetSuffix(std::string_view suffix);

protected:
    std::string Shown() const override { return Text + Suffix; }
};

// A one-line field mirroring the text entry of the input unit, with a caret that does not
// blink. It handles no keys: the dialog that owns it starts and ends the entry.
class TGuiControlInput : public TGuiControl {
public:
    void Update() override;
    void Refresh(bool visible) override;
    void SetCaret(int32_t caret);

    int32_t Caret = 1; // 1 before the first character
    TSquare* Background = nullptr;
    TSprite* CaretSprite = nullptr;
    TText* TextObject = nullptr;
    TSquare* Outline = nullptr;
};

// A text button: moved 2 units while pressed, red and "> caption <" while checked, grey with
// half-transparent text while disabled, a bright outline while hovered. It plays no sound.
class TGuiControlButton : public TGuiControl {
public:
    void Initialize() override;
    void Refresh(bool visible) override;

    TSquare* Background = nullptr;
    TText* TextObject = nullptr;
    TSquare* Outline = nullptr;

protected:
    // Background and outline in the button's state; returns where the face goes.
    TVector2 RefreshPlate();
    void ReleasePlate();
};

// A button whose face is a picture (TextureName), else a text, else a particle effect run on a
// canvas of its own, in that order of precedence.
class TGuiControlButtonChoose : public TGuiControlButton {
public:
    void Refresh(bool visible) override;

    TItem* Item = nullptr; // what the button stands for in a choose dialog
    TSprite* Picture = nullptr;
    TCanvas* EffectCanvas = nullptr;
    TPerformer* Performer = nullptr;
    TSprite* EffectSprite = nullptr;

private:
    void ReleasePicture();
    void ReleaseEffect();
    void ReleaseFaceText();
    std::string performedEffect_;
};

} // namespace valdmoor
