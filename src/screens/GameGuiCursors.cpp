#include "screens/GameGuiCursors.h"

#include "effects/EngineEffects.h"
#include "platform/EngineInput.h"
#include "video/EngineVideo.h"

namespace valdmoor {

namespace {

// Below the cursor, above everything else.
constexpr int32_t RippleDepth = -10;

} // namespace

TGuiCursorCustom::~TGuiCursorCustom() {
    // A ripple still running belongs to this cursor: it must not outlive it.
    if (EffectsStarted()) {
        StopEffectsOf(this, true);
    }
}

void TGuiCursorCustom::Render(bool visible) {
    if (!visible || !KeyPressed(ikPointer)) {
        return;
    }
    if (ClickEffect == nullptr) {
        ClickEffect = GetEffect("G2ClickWave");
    }
    float x = 0;
    float y = 0;
    PointerPosition(x, y);
    StartEffect(this, ClickEffect, MainCanvas(), x, y, BaseLayer + RippleDepth);
}

} // namespace valdmoor
