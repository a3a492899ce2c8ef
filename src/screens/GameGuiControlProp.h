// Prop tiles: a prop's picture on a tan plate with a frame that tells what the tile means
// (held, required, lost, rewarded) and the amount. Kinds differ in shading, frame, the sign of
// the count and one extra: the requirement's met/unmet marker or the reward's glow.
#pragma once

#include "gui/EngineGui.h"
#include "world/GameSite.h"

#include <cstdint>
#include <string>

namespace valdmoor {

class TSprite;
class TText;
class TPerformer;

class TGuiControlProp : public TGuiControl {
public:
    void Initialize() override;
    void Refresh(bool visible) override;

    // Marks the tile dirty when the entry changes, and loads the prop's picture.
    void SetEntry(TPropAmount entry, bool alwaysShowCount);
    // Whether the amount is written on the tile.
    bool CountShown() const;

    TPropAmount Entry;
    bool AlwaysShowCount = false;
    TSprite* Plate = nullptr;
    TSprite* Overlay = nullptr;
    TText* CountText = nullptr;

protected:
    // What a kind sets on the base drawing.
    virtual float PlateParam() const { return 1; }
    virtual int32_t OverlayFrame() const { return 2; }
    virtual std::string CountString() const;
    // Where the base drawing goes: Position, moved by the kinds that press.
    virtual TVector2 Place() const { return Position; }
    void ReleaseBase();
};

class TGuiControlPropInventory : public TGuiControlProp {};

// Marked with a green tick or a red cross: whether the hero holds the amount, judged when the
// marker is made.
class TGuiControlPropRequirement : public TGuiControlProp {
public:
    void Refresh(bool visible) override;
    TSprite* Marker = nullptr;
};

class TGuiControlPropLoss : public TGuiControlProp {
protected:
    float PlateParam() const override { return 0.33f; }
    int32_t OverlayFrame() const override { return 1; }
    std::string CountString() const override;
};

// A small plate that floats off the map: no tile behind it, no frame.
class TGuiControlPropLossFloat : public TGuiControlPropLoss {
public:
    void Refresh(bool visible) override;
};

class TGuiControlPropReward : public TGuiControlProp {
public:
    void Refresh(bool visible) override;
    TPerformer* Glow = nullptr;

protected:
    int32_t OverlayFrame() const override { return 3; }
    std::string CountString() const override;
};

// A reward that is a button: it sounds like one, moves while pressed, lights while hovered.
class TGuiControlPropRewardClick : public TGuiControlPropReward {
public:
    void MouseEnter() override;
    void Click() override;
    void Refresh(bool visible) override;

protected:
    TVector2 Place() const override;
};

} // namespace valdmoor
