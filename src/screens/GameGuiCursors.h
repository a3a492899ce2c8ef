// The game's cursor: the system pointer, with a ripple on the screen at every click.
#pragma once

#include "gui/EngineGui.h"

namespace valdmoor {

class TEffect;

class TGuiCursorCustom : public TGuiCursor {
public:
    using TGuiCursor::TGuiCursor;
    ~TGuiCursorCustom() override;
    void Render(bool visible) override;

    TEffect* ClickEffect = nullptr; // fetched on the first click
};

} // namespace valdmoor
