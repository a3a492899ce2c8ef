#include "gui/EngineGuiControls.h"

#include "effects/EngineEffects.h"
#include "platform/EngineInput.h"
#include "storage/EngineStorage.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

#include <algorithm>

namespace valdmoor {

namespace {

constexpr float CaretWidth = 5;

void SetSpriteColor(TSprite* sprite, const TColor3& color, float alpha) {
    sprite->Red = color.Red;
    sprite->Green = color.Green;
    sprite->Blue = color.Blue;
    sprite->Alpha = alpha;
}

void PlaceSprite(TSprite* sprite, TVector2 position) {
    sprite->X = position.X;
    sprite->Y = position.Y;
}

void SizeSprite(TSprite* sprite, TVector2 size) {
    sprite->Width = size.X;
    sprite->Height = size.Y;
}

void SetSquareTint(TSquare* square, const TColor3& color, float alpha) {
    SetSquareColor(square, color.Red, color.Green, color.Blue);
    SetSquareAlpha(square, alpha);
}

// A square made once at the given size; later refreshes only move and tint it.
void EnsureSquare(TSquare*& square, TCanvas* canvas, int32_t layer, std::string_view picture,
                  TVector2 size, bool withFill = true) {
    if (square == nullptr) {
        CreateSquare(square, canvas, layer, withFill, picture, SquareBorderFromName(picture));
        SetSquareSize(square, size.X, size.Y);
    }
}

void EnsureText(TText*& text, TCanvas* canvas, int32_t layer, uint8_t flags, int32_t font,
                TVector2 box) {
    if (text == nullptr) {
        CreateText(text, canvas, layer, flags, font, box.X, box.Y);
    }
}

void SetTextTint(TText* text, const TColor3& color, float alpha) {
    SetTextColor(text, color.Red, color.Green, color.Blue);
    SetTextAlpha(text, alpha);
}

void SetLayers(TSprite* sprite, const TGuiControl& control) {
    SetSpriteTextureByName(sprite, 0, control.TextureName);
    SetSpriteFrame(sprite, 0, control.Frame);
    SetSpriteTextureByName(sprite, 1, control.SecondTextureName);
    SetSpriteFrame(sprite, 1, control.SecondFrame);
}

} // namespace

TVector2 FitSize(TVector2 natural, TVector2 box) {
    if (natural.X <= box.X && natural.Y <= box.Y) {
        return natural;
    }
    // The smaller ratio decides: comparing overflows in units let a tall picture in a flat box
    // come out taller than the box.
    const float ratioX = natural.X > 0 ? box.X / natural.X : 1;
    const float ratioY = natural.Y > 0 ? box.Y / natural.Y : 1;
    if (ratioY < ratioX) {
        return {natural.X * ratioY, box.Y};
    }
    return {box.X, natural.Y * ratioX};
}

int32_t SquareBorderFromName(std::string_view name) {
    if (name.size() >= 10 && name[8] >= '0' && name[8] <= '9' && name[9] >= '0' && name[9] <= '9') {
        return (name[8] - '0') * 10 + (name[9] - '0');
    }
    return 9;
}

// ---- canvas ----

void TGuiControlCanvas::Initialize() {
    CreateCanvas(OwnCanvas, Layer, Size.X, Size.Y);
    if (Form != nullptr && OwnCanvas != nullptr) {
        Form->Canvas = OwnCanvas;
        Form->ScreenOffset = Position;
    }
}

void TGuiControlCanvas::Finalize() {
    // The form must not keep drawing into a canvas that is gone.
    if (Form != nullptr && OwnCanvas != nullptr && Form->Canvas == OwnCanvas) {
        Form->Canvas = Canvas;
        Form->ScreenOffset = Origin;
    }
    ReleaseSprite(Sprite);
    ReleaseCanvas(OwnCanvas);
}

void TGuiControlCanvas::Refresh(bool visible) {
    if (!visible) {
        ReleaseSprite(Sprite);
        return;
    }
    if (Sprite == nullptr) {
        CreateSprite(Sprite, Canvas, Layer + DepthPicture);
        if (Sprite == nullptr) {
            return;
        }
        SizeSprite(Sprite, Size);
        if (OwnCanvas != nullptr) {
            SetSpriteTexture(Sprite, 0, OwnCanvas->Texture.get());
        }
    }
    PlaceSprite(Sprite, Position);
    Sprite->Scale = Scale;
    Sprite->Orientation = Orientation;
    Sprite->ShadingMode = ShadingMode;
    SetSpriteColor(Sprite, Color, Alpha);
    SetSpriteTextureByName(Sprite, 1, SecondTextureName);
    SetSpriteFrame(Sprite, 1, SecondFrame);
}

// ---- screen cover ----

void TGuiControlScreenCover::Initialize() {
    Color = ColorBlack;
    Alpha = 0.5f;
}

void TGuiControlScreenCover::Update() {
    if (Canvas != nullptr) {
        SetControlSize(this, Canvas->Width, Canvas->Height);
    }
}

void TGuiControlScreenCover::Refresh(bool visible) {
    if (!visible) {
        ReleaseSprite(Sprite);
        return;
    }
    if (Sprite == nullptr) {
        CreateSprite(Sprite, Canvas, Layer + DepthCover);
        if (Sprite == nullptr) {
            return;
        }
        Sprite->ShadingMode = smOnlyTint;
    }
    // It fills the canvas whatever its own place: the canvas origin is the canvas's middle.
    PlaceSprite(Sprite, {});
    SizeSprite(Sprite, Size);
    SetSpriteColor(Sprite, Color, Alpha);
}

// ---- picture ----

void TGuiControlPicture::Refresh(bool visible) {
    if (!visible) {
        ReleaseSprite(Sprite);
        return;
    }
    if (Sprite == nullptr) {
        CreateSprite(Sprite, Canvas, Layer + DepthPicture);
        if (Sprite == nullptr) {
            return;
        }
        SizeSprite(Sprite, Size);
    }
    PlaceSprite(Sprite, Position);
    Sprite->Orientation = Orientation;
    Sprite->ShadingMode = ShadingMode;
    SetSpriteColor(Sprite, Color, Alpha);
    SetLayers(Sprite, *this);
}

// ---- plate and border ----

void TGuiControlPlate::Initialize() {
    TextureName = "G2Square09Filled";
    Color = ColorBlack;
    Alpha = 0.5f;
}

void TGuiControlPlate::Refresh(bool visible) {
    if (!visible) {
        ReleaseSquare(Square);
        return;
    }
    EnsureSquare(Square, Canvas, Layer + DepthBackground, TextureName, Size);
    SetSquarePosition(Square, Position.X, Position.Y);
    SetSquareTint(Square, Color, Alpha);
}

void TGuiControlBorder::Initialize() {
    TextureName = "G2Square09Outline";
}

// ---- effect ----

void TGuiControlEffect::Refresh(bool visible) {
    if (!visible) {
        ReleasePerformer(Performer);
        return;
    }
    if (Performer == nullptr) {
        CreatePerformer(Performer, Canvas, Layer + DepthEffect, EffectName);
        if (Performer == nullptr) {
            return;
        }
        Performer->Width = Size.X;
        Performer->Height = Size.Y;
        SetPerformerActive(Performer, true);
    }
    Performer->X = Position.X;
    Performer->Y = Position.Y;
}

// ---- labels ----

void TGuiControlLabel::Refresh(bool visible) {
    if (!visible) {
        ReleaseText(TextObject);
        return;
    }
    EnsureText(TextObject, Canvas, Layer + DepthText, Option, Font, Size);
    SetTextPosition(TextObject, Position.X, Position.Y);
    SetTextTint(TextObject, Color, Alpha);
    SetText(TextObject, Shown());
}

void TGuiControlLabelSuffix::SetSuffix(std::string_view suffix) {
    if (Suffix != suffix) {
        Suffix = suffix;
        Dirty = true;
    }
}

// ---- input ----

void TGuiControlInput::SetCaret(int32_t caret) {
    if (Caret != caret) {
        Caret = caret;
        Dirty = true;
    }
}

void TGuiControlInput::Update() {
    const std::string& entry = TextEntryText();
    if (entry != Text) {
        Text = entry;
        Dirty = true;
    }
    SetCaret(TextEntryCaret());
}

void TGuiControlInput::Refresh(bool visible) {
    if (!visible) {
        ReleaseSquare(Outline);
        ReleaseText(TextObject);
        ReleaseSprite(CaretSprite);
        ReleaseSquare(Background);
        return;
    }
    EnsureSquare(Background, Canvas, Layer + DepthBackground, "G2Square06Filled", Size);
    SetSquarePosition(Background, Position.X, Position.Y);
    SetSquareTint(Background, ColorDarkBrown, 1);

    if (CaretSprite == nullptr) {
        CreateSprite(CaretSprite, Canvas, Layer + DepthCaret);
        if (CaretSprite != nullptr) {
            const TFont* font = valdmoor::Font(Font);
            SizeSprite(CaretSprite, {CaretWidth, font != nullptr ? font->LineHeight : 20});
            SetSpriteTextureByName(CaretSprite, 0, "G2LineVertical");
            SetSpriteColor(CaretSprite, ColorGold, 1);
        }
    }

    if (TextObject == nullptr) {
        EnsureText(TextObject, Canvas, Layer + DepthText, Option, Font, {Size.X - 10, Size.Y - 10});
        SetTextEditable(TextObject, true);
    }
    SetTextPosition(TextObject, Position.X, Position.Y);
    SetText(TextObject, Text);

    if (CaretSprite != nullptr) {
        float x = Position.X;
        float y = Position.Y;
        CharacterPosition(TextObject, Caret, x, y);
        // The caret's left edge stands on the place between the characters.
        PlaceSprite(CaretSprite, {x + CaretWidth / 2, y});
    }

    EnsureSquare(Outline, Canvas, Layer + DepthOutline, "G2Square06Outline", Size, false);
    SetSquarePosition(Outline, Position.X, Position.Y);
    SetSquareTint(Outline, ColorGold, 1);
}

// ---- buttons ----

void TGuiControlButton::Initialize() {
    Enabled = true;
    Color = ColorDarkRed;
}

TVector2 TGuiControlButton::RefreshPlate() {
    const TVector2 at =
        Pressed ? TVector2{Position.X + 2, Position.Y + 2} : TVector2{Position.X, Position.Y};
    EnsureSquare(Background, Canvas, Layer + DepthBackground, "G2Square06Filled", Size);
    SetSquarePosition(Background, at.X, at.Y);
    const TColor3& plate = !Enabled ? ColorGrey : Checked ? ColorRed : Color;
    SetSquareTint(Background, plate, Alpha);

    EnsureSquare(Outline, Canvas, Layer + DepthOutline, "G2Square06Outline", Size, false);
    SetSquarePosition(Outline, at.X, at.Y);
    SetSquareTint(Outline, Hovered ? ColorHighlight : ColorGold, Alpha);
    return at;
}

void TGuiControlButton::ReleasePlate() {
    ReleaseSquare(Outline);
    ReleaseText(TextObject);
    ReleaseSquare(Background);
}

void TGuiControlButton::Refresh(bool visible) {
    if (!visible) {
        ReleasePlate();
        return;
    }
    const TVector2 at = RefreshPlate();
    EnsureText(TextObject, Canvas, Layer + DepthText, Option, Font, {Size.X - 5, Size.Y - 5});
    SetTextPosition(TextObject, at.X, at.Y);
    SetTextTint(TextObject, {1, 1, 1}, Enabled ? Alpha : Alpha * 0.5f);
    SetText(TextObject, Checked ? "> " + Text + " <" : Text);
}

void TGuiControlButtonChoose::ReleasePicture() {
    ReleaseSprite(Picture);
}

void TGuiControlButtonChoose::ReleaseEffect() {
    ReleaseSprite(EffectSprite);
    ReleasePerformer(Performer);
    ReleaseCanvas(EffectCanvas);
    performedEffect_.clear();
}

void TGuiControlButtonChoose::ReleaseFaceText() {
    ReleaseText(TextObject);
}

void TGuiControlButtonChoose::Refresh(bool visible) {
    if (!visible) {
        ReleaseEffect();
        ReleasePicture();
        ReleasePlate();
        return;
    }
    const TVector2 at = RefreshPlate();
    const TVector2 box{Size.X - 5.5f, Size.Y - 5.5f};

    if (!TextureName.empty()) {
        ReleaseEffect();
        ReleaseFaceText();
        if (Picture == nullptr) {
            CreateSprite(Picture, Canvas, Layer + DepthPicture);
        }
        if (Picture == nullptr) {
            return;
        }
        Picture->ShadingMode = ShadingMode;
        SetLayers(Picture, *this);
        int32_t width = 0;
        int32_t height = 0;
        GetFrameSize(GetSpriteTexture(Picture, 0), Frame, width, height);
        SizeSprite(Picture, FitSize({static_cast<float>(width), static_cast<float>(height)}, box));
        PlaceSprite(Picture, at);
        SetSpriteColor(Picture, {1, 1, 1}, Alpha);
        return;
    }

    if (!Text.empty()) {
        ReleasePicture();
        ReleaseEffect();
        EnsureText(TextObject, Canvas, Layer + DepthText, Option, Font, {Size.X - 5, Size.Y - 5});
        SetTextPosition(TextObject, at.X, at.Y);
        SetTextTint(TextObject, {1, 1, 1}, Enabled ? Alpha : Alpha * 0.5f);
        SetText(TextObject, Text);
        return;
    }

    ReleasePicture();
    ReleaseFaceText();
    // Only an effect that has a file: the stand-in effect of a missing one would show as a face.
    if (EffectName.empty() || !StorageExists(sfOrdinary, EffectName, fkEmt)) {
        ReleaseEffect();
        return;
    }
    TEffect* effect = GetEffect(EffectName);
    if (effect == nullptr) {
        ReleaseEffect();
        return;
    }
    const TVector2 natural = effect->Size;
    const TVector2 fitted = FitSize(natural, box);
    if (EffectCanvas == nullptr) {
        CreateCanvas(EffectCanvas, Layer + DepthEffect, natural.X, natural.Y);
    } else {
        SetCanvasSize(EffectCanvas, natural.X, natural.Y);
    }
    if (EffectCanvas == nullptr) {
        return;
    }
    SetCanvasZoom(EffectCanvas, fitted.X > 0 ? natural.X / fitted.X : 1);
    if (performedEffect_ != EffectName) {
        ReleasePerformer(Performer);
        CreatePerformerOf(Performer, EffectCanvas, Layer + DepthEffect, effect);
        if (Performer != nullptr) {
            Performer->Width = natural.X;
            Performer->Height = natural.Y;
            SetPerformerActive(Performer, true);
        }
        performedEffect_ = EffectName;
    }
    if (EffectSprite == nullptr) {
        CreateSprite(EffectSprite, Canvas, Layer + DepthEffect);
        if (EffectSprite == nullptr) {
            return;
        }
        SetSpriteTexture(EffectSprite, 0, EffectCanvas->Texture.get());
    }
    SizeSprite(EffectSprite, fitted);
    PlaceSprite(EffectSprite, at);
    EffectSprite->ShadingMode = ShadingMode;
    SetSpriteColor(EffectSprite, {1, 1, 1}, Alpha);
    SetSpriteTextureByName(EffectSprite, 1, SecondTextureName);
    SetSpriteFrame(EffectSprite, 1, SecondFrame);
}

} // namespace valdmoor
