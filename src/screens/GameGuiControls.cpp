#include "screens/GameGuiControls.h"

#include "audio/EngineAudio.h"
#include "effects/EngineEffects.h"
#include "platform/EngineTimer.h"
#include "texts/EngineTexts.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"

#include <algorithm>
#include <cmath>

namespace valdmoor {

namespace {

// U+2013, U+0008 (the font steps back so dash and bracket make an arrow), ">", U+00A0.
constexpr std::string_view CheckedBefore = "\xE2\x80\x93\x08>\xC2\xA0";
constexpr std::string_view CheckedAfter = "\xC2\xA0\xE2\x80\x93\x08<";

void Tint(TSprite* sprite, const TColor3& color, float alpha) {
    sprite->Red = color.Red;
    sprite->Green = color.Green;
    sprite->Blue = color.Blue;
    sprite->Alpha = alpha;
}

} // namespace

void PlayGuiSound(std::string_view name) {
    PlaySound(nullptr, name, false, 0);
}

std::string_view ButtonTextureFor(float width) {
    if (width < 100) {
        return "G2Button60x60";
    }
    if (width < 250) {
        return "G2Button200x60";
    }
    return "G2Button300x60";
}

// ---- custom button ----

void TGuiControlButtonCustom::Initialize() {
    Enabled = true;
    Font = 1;
    ChooseTexture();
}

void TGuiControlButtonCustom::ChooseTexture() {
    TextureName = std::string(ButtonTextureFor(Size.X));
}

void TGuiControlButtonCustom::MouseEnter() {
    PlayGuiSound(SoundButtonFocus);
}

void TGuiControlButtonCustom::Click() {
    PlayGuiSound(SoundButtonClick);
}

void TGuiControlButtonCustom::Refresh(bool visible) {
    if (!visible) {
        ReleaseSprite(Face);
        ReleaseText(Caption);
        ReleaseSprite(Highlight);
        return;
    }
    if (Face == nullptr) {
        CreateSprite(Face, Canvas, Layer + DepthBackground);
    }
    if (Caption == nullptr) {
        CreateText(Caption, Canvas, Layer + DepthText, Option, Font, Size.X - 20, Size.Y - 20);
    }
    if (Highlight == nullptr) {
        CreateSprite(Highlight, Canvas, Layer + DepthOutline);
    }
    const TVector2 at{Position.X + (Pressed ? 2.0f : 0.0f), Position.Y + (Pressed ? 2.0f : 0.0f)};
    if (Face != nullptr) {
        Face->X = at.X;
        Face->Y = at.Y;
        Face->Width = Size.X;
        Face->Height = Size.Y;
        SetSpriteTextureByName(Face, 0, TextureName);
        SetSpriteFrame(Face, 0, Enabled ? 2 : 3);
        Tint(Face, Checked ? ColorCheckedTint : ColorWhite, Alpha);
    }
    if (Caption != nullptr) {
        SetTextPosition(Caption, at.X, at.Y);
        SetTextColor(Caption, Color.Red, Color.Green, Color.Blue);
        SetTextAlpha(Caption, (Enabled ? 1.0f : 0.5f) * Alpha);
        if (Checked) {
            std::string framed;
            framed.reserve(CheckedBefore.size() + Text.size() + CheckedAfter.size());
            framed.append(CheckedBefore).append(Text).append(CheckedAfter);
            SetText(Caption, framed);
        } else {
            SetText(Caption, Text);
        }
    }
    if (Highlight != nullptr) {
        Highlight->X = at.X;
        Highlight->Y = at.Y;
        Highlight->Width = Size.X;
        Highlight->Height = Size.Y;
        SetSpriteTextureByName(Highlight, 0, TextureName);
        SetSpriteFrame(Highlight, 0, Hovered ? 1 : 0);
        Highlight->Alpha = Alpha;
    }
}

// ---- link button ----

void TGuiControlButtonLink::Initialize() {
    Enabled = true;
}

void TGuiControlButtonLink::MouseEnter() {
    PlayGuiSound(SoundButtonFocus);
}

void TGuiControlButtonLink::Click() {
    PlayGuiSound(SoundButtonClick);
}

void TGuiControlButtonLink::Refresh(bool visible) {
    if (!visible) {
        ReleaseText(Caption);
        return;
    }
    if (Caption == nullptr) {
        CreateText(Caption, Canvas, Layer + DepthText, Option, Font, Size.X, Size.Y);
        if (Caption == nullptr) {
            return;
        }
    }
    const float shift = Pressed ? 2.0f : 0.0f;
    SetTextPosition(Caption, Position.X + shift, Position.Y + shift);
    const TColor3& color = Hovered ? ColorAmber : ColorWhite;
    SetTextColor(Caption, color.Red, color.Green, color.Blue);
    SetTextAlpha(Caption, Enabled ? 1.0f : 0.5f);
    SetText(Caption, Text);
}

// ---- recommended arrow ----

void TGuiControlRecommendedArrow::Initialize() {
    Size = {64, 64};
    Alpha = 0;
    TextureName = "G2Arrows";
    EffectName = "G2Arrows";
}

void TGuiControlRecommendedArrow::Update() {
    const float dt = FrameTime();
    Clock = std::fmod(Clock + dt, 1.0f);
    const TGuiControl* target = Form != nullptr ? Form->Focus : nullptr;
    const bool aimed = Form != nullptr && Form->HasInput && target != nullptr && target->Enabled &&
                       target->Visible;
    if (aimed) {
        if (!Active) {
            Active = true;
            SetControlAlpha(this, 0);
        }
        const int32_t style = Form->FocusStyle;
        TVector2 start{-40, 40};
        TVector2 end{-30, 30};
        if (style == 0) {
            start = {-40, -40};
            end = {-30, -30};
        } else if (style == 1) {
            start = {40, -40};
            end = {30, -30};
        } else if (style == 2) {
            start = {40, 40};
            end = {30, 30};
        }
        if (Frame != style) {
            Frame = style;
            Dirty = true;
        }
        const float bob = EvaluateCurve("0-1-0", Clock);
        SetControlPosition(this, target->Position.X + start.X + (end.X - start.X) * bob,
                           target->Position.Y + start.Y + (end.Y - start.Y) * bob);
        SetControlAlpha(this, std::min(1.0f, Alpha + 5 * dt));
    } else if (Active) {
        SetControlAlpha(this, std::max(0.0f, Alpha - 5 * dt));
        if (Alpha <= 0) {
            Active = false;
        }
    }
}

void TGuiControlRecommendedArrow::Refresh(bool visible) {
    if (!visible || !Active) {
        ReleaseSprite(Sprite);
        ReleasePerformer(Performer);
        return;
    }
    if (Sprite == nullptr) {
        CreateSprite(Sprite, Canvas, Layer + DepthPicture);
        if (Sprite != nullptr) {
            Sprite->Width = Size.X;
            Sprite->Height = Size.Y;
        }
    }
    if (Performer == nullptr) {
        CreatePerformer(Performer, Canvas, Layer + DepthEffect, EffectName);
        if (Performer != nullptr) {
            Performer->Width = Size.X;
            Performer->Height = Size.Y;
            SetPerformerActive(Performer, true);
        }
    }
    if (Sprite != nullptr) {
        Sprite->X = Position.X;
        Sprite->Y = Position.Y;
        SetSpriteTextureByName(Sprite, 0, TextureName);
        SetSpriteFrame(Sprite, 0, Frame);
        Sprite->Alpha = Alpha;
    }
    if (Performer != nullptr) {
        Performer->X = Position.X;
        Performer->Y = Position.Y;
        Performer->Alpha = Alpha;
    }
}

} // namespace valdmoor
