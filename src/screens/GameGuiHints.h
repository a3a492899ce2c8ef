// The game's hint balloons: a black balloon with a pointer at the control, the engine font for
// the plain hint and the game font with wider margins for the game's own.
#pragma once

#include "gui/EngineGui.h"

namespace valdmoor {

class TBallon;
class TText;

class TGuiHintDefault : public TGuiHint {
public:
    using TGuiHint::TGuiHint;
    ~TGuiHintDefault() override;
    void Render(bool visible) override;

    TBallon* Ballon = nullptr;
    TText* TextObject = nullptr;

protected:
    struct TMargins {
        int32_t Font;
        float Control; // between the control and the balloon's pointer tip
        float Text;    // around the text inside the balloon
        float Screen;  // kept free at the screen's edges
    };
    virtual TMargins Margins() const { return {0, 10, 10, 10}; }
};

class TGuiHintCustom : public TGuiHintDefault {
public:
    using TGuiHintDefault::TGuiHintDefault;

protected:
    TMargins Margins() const override { return {1, 20, 10, 25}; }
};

} // namespace valdmoor
