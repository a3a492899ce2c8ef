#include "screens/GameGuiControlProp.h"

#include "effects/EngineEffects.h"
#include "screens/GameGuiControls.h"
#include "storage/EngineLanguages.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "world/GamePool.h"
#include "world/GameProp.h"

namespace valdmoor {

namespace {

constexpr uint8_t CountFlags = 12; // right and bottom

void Tint(TSprite* sprite, const TColor3& color, float alpha) {
    sprite->Red = color.Red;
    sprite->Green = color.Green;
    sprite->Blue = color.Blue;
    sprite->Alpha = alpha;
}

} // namespace

void TGuiControlProp::Initialize() {
    Enabled = true;
    Size = {88, 88};
    Color = ColorPropTan;
}

void TGuiControlProp::SetEntry(TPropAmount entry, bool alwaysShowCount) {
    if (entry.Prop != Entry.Prop || entry.Amount != Entry.Amount ||
        alwaysShowCount != AlwaysShowCount) {
        Entry = entry;
        AlwaysShowCount = alwaysShowCount;
        Dirty = true;
    }
    if (Entry.Prop != nullptr && Entry.Prop->Picture != nullptr) {
        Entry.Prop->Picture->Load();
    }
}

bool TGuiControlProp::CountShown() const {
    const TProp* prop = Entry.Prop;
    return prop != nullptr && prop->IsCountable() &&
           (AlwaysShowCount || prop->HideSingleCount == 0 || Entry.Amount > 1);
}

std::string TGuiControlProp::CountString() const {
    return FormatNumber(Entry.Amount);
}

std::string TGuiControlPropLoss::CountString() const {
    return "-" + FormatNumber(Entry.Amount);
}

std::string TGuiControlPropReward::CountString() const {
    return "+" + FormatNumber(Entry.Amount);
}

void TGuiControlProp::ReleaseBase() {
    ReleaseSprite(Plate);
    ReleaseSprite(Overlay);
    ReleaseText(CountText);
}

void TGuiControlProp::Refresh(bool visible) {
    if (!visible || Entry.Prop == nullptr) {
        ReleaseBase();
        return;
    }
    const TProp& prop = *Entry.Prop;
    const TVector2 at = Place();
    if (Plate == nullptr) {
        CreateSprite(Plate, Canvas, Layer + DepthBackground);
        if (Plate != nullptr) {
            Plate->Width = 82;
            Plate->Height = 82;
        }
    }
    if (Overlay == nullptr) {
        CreateSprite(Overlay, Canvas, Layer + DepthPicture);
        if (Overlay != nullptr) {
            Overlay->Width = 90;
            Overlay->Height = 90;
        }
    }
    if (Plate != nullptr) {
        Plate->X = at.X;
        Plate->Y = at.Y;
        Plate->ShadingMode = smPropIcon;
        Plate->ShadingParam = PlateParam();
        Plate->Scale = Scale;
        Tint(Plate, Color, Alpha);
        SetSpriteTextureByName(Plate, 0, "G2Props");
        SetSpriteFrame(Plate, 0, 0);
        if (prop.Picture != nullptr) {
            SetSpriteTexture(Plate, 1, prop.Picture->Texture);
            SetSpriteFrame(Plate, 1, prop.PictureFrame);
        } else {
            SetSpriteTexture(Plate, 1, nullptr);
        }
    }
    if (Overlay != nullptr) {
        Overlay->X = at.X;
        Overlay->Y = at.Y;
        Overlay->Alpha = Alpha;
        Overlay->Scale = Scale;
        SetSpriteTextureByName(Overlay, 0, "G2Props");
        SetSpriteFrame(Overlay, 0, OverlayFrame());
    }
    if (CountShown()) {
        if (CountText == nullptr) {
            CreateText(CountText, Canvas, Layer + DepthText, CountFlags, 1, 70, 78);
        }
        if (CountText != nullptr) {
            SetTextPosition(CountText, at.X, at.Y);
            SetTextAlpha(CountText, Alpha);
            SetText(CountText, CountString());
        }
    } else {
        ReleaseText(CountText);
    }
}

void TGuiControlPropRequirement::Refresh(bool visible) {
    TGuiControlProp::Refresh(visible);
    if (Plate == nullptr) {
        ReleaseSprite(Marker);
        return;
    }
    if (Marker == nullptr) {
        CreateSprite(Marker, Canvas, Layer + 4);
        if (Marker == nullptr) {
            return;
        }
        Marker->Width = 30;
        Marker->Height = 30;
        // Judged once, when the tile appears: the scene shows what the hero brought.
        const bool met = Entry.Prop->Count >= Entry.Amount;
        SetSpriteTextureByName(Marker, 0, "F2FontGame90bi");
        SetSpriteFrame(Marker, 0, met ? 11 : 10);
        Tint(Marker, met ? ColorGreen : ColorPureRed, 1);
    }
    Marker->X = Plate->X + 25;
    Marker->Y = Plate->Y - 40;
    Marker->Alpha = Alpha;
}

void TGuiControlPropLossFloat::Refresh(bool visible) {
    TGuiControlPropLoss::Refresh(visible);
    if (Plate == nullptr) {
        return;
    }
    Plate->Width = 60;
    Plate->Height = 60;
    // The prop's picture alone, without the tile behind it.
    SetSpriteTexture(Plate, 0, Plate->Layers[1].Texture);
    SetSpriteFrame(Plate, 0, Plate->Layers[1].Frame);
    SetSpriteTexture(Plate, 1, nullptr);
    if (Overlay != nullptr) {
        Overlay->Visible = false;
    }
    if (CountText != nullptr) {
        SetTextPosition(CountText, Plate->X - 10, Plate->Y - 10);
    }
}

void TGuiControlPropReward::Refresh(bool visible) {
    TGuiControlProp::Refresh(visible);
    if (Plate == nullptr) {
        ReleasePerformer(Glow);
        return;
    }
    if (Glow == nullptr) {
        CreatePerformer(Glow, Canvas, Layer - 2, "G2PropReward");
        if (Glow == nullptr) {
            return;
        }
        Glow->Width = Size.X;
        Glow->Height = Size.Y;
        SetPerformerActive(Glow, true);
    }
    Glow->X = Plate->X;
    Glow->Y = Plate->Y;
    Glow->Alpha = Alpha;
}

TVector2 TGuiControlPropRewardClick::Place() const {
    const float shift = Pressed ? 2.0f : 0.0f;
    return {Position.X + shift, Position.Y + shift};
}

void TGuiControlPropRewardClick::MouseEnter() {
    PlayGuiSound(SoundButtonFocus);
}

void TGuiControlPropRewardClick::Click() {
    PlayGuiSound(SoundButtonClick);
}

void TGuiControlPropRewardClick::Refresh(bool visible) {
    TGuiControlPropReward::Refresh(visible);
    if (Overlay == nullptr) {
        return;
    }
    if (Hovered) {
        SetSpriteTextureByName(Overlay, 1, "G2Props");
        SetSpriteFrame(Overlay, 1, 4);
        Overlay->ShadingMode = smBlend1;
    } else {
        SetSpriteTexture(Overlay, 1, nullptr);
        Overlay->ShadingMode = smDefault;
    }
}

} // namespace valdmoor
