// The game's own buttons: the textured button of every game screen, the text-only link, and
// the bobbing arrow that points at the form's focus control. They play the game's button
// sounds and draw through objects made on the first visible refresh.
#pragma once

#include "gui/EngineGui.h"
#include "gui/EngineGuiControls.h"

#include <cstdint>
#include <string_view>

namespace valdmoor {

class TSprite;
class TText;
class TPerformer;

constexpr TColor3 ColorWhite{1, 1, 1};
constexpr TColor3 ColorGreen{0, 1, 0};
constexpr TColor3 ColorPureRed{1, 0, 0};
constexpr TColor3 ColorAmber{1, 0.85f, 0.1f};
constexpr TColor3 ColorPropTan{162 / 255.0f, 117 / 255.0f, 70 / 255.0f};
constexpr TColor3 ColorSiteIcon{1, 0.9f, 0};
constexpr TColor3 ColorCheckedTint{0.8f, 0.6f, 0.4f};

constexpr std::string_view SoundButtonFocus = "G8ButtonFocus";
constexpr std::string_view SoundButtonClick = "G8ButtonClick";

// Plays a one-shot interface sound; silent when audio is not running.
void PlayGuiSound(std::string_view name);
// The picture a game button of that width uses.
std::string_view ButtonTextureFor(float width);

// A textured button: face frame 2 (3 disabled), a highlight layer that lights while hovered,
// and the caption framed by arrows while checked.
class TGuiControlButtonCustom : public TGuiControl {
public:
    void Initialize() override;
    void MouseEnter() override;
    void Click() override;
    void Refresh(bool visible) override;

    // Texture by width; called by Initialize, again by a creator that sets the size later.
    void ChooseTexture();

    TSprite* Face = nullptr;
    TText* Caption = nullptr;
    TSprite* Highlight = nullptr;
};

// A text-only button: amber while hovered.
class TGuiControlButtonLink : public TGuiControl {
public:
    void Initialize() override;
    void MouseEnter() override;
    void Click() override;
    void Refresh(bool visible) override;

    TText* Caption = nullptr;
};

// Points at the form's Focus control from the corner its FocusStyle names, bobbing once per
// second; fades in while there is a target and out when there is none.
class TGuiControlRecommendedArrow : public TGuiControl {
public:
    void Initialize() override;
    // It only points: the pointer goes through it to what it points at.
    bool HitTest(float, float) override { return false; }
    void Update() override;
    void Refresh(bool visible) override;

    bool Active = false;
    float Clock = 0;
    TSprite* Sprite = nullptr;
    TPerformer* Performer = nullptr;
};

} // namespace valdmoor
