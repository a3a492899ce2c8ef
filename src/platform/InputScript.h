// Input replayed from a small text file, for headless runs and tests: pointer moves in canvas
// units, button presses, held keys and typed text, each at a given frame.
#pragma once

#include "platform/PlatformBackend.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

class TInputScript : public TKeyboard {
public:
    // Raises EngineError naming the file and line for anything it cannot read.
    static std::unique_ptr<TInputScript> Load(const std::string& path);
    static std::unique_ptr<TInputScript> Parse(std::string_view text, const std::string& name);

    // Queues the events of Frame (the pump's pass number, from 1). Pointer positions are turned
    // from canvas units into the window's pixels.
    void BeginFrame(int64_t frame, int clientWidth, int clientHeight);
    bool PollEvent(TPlatformEvent& event);
    bool KeyHeld(TKeyCode key) const override;
    bool Finished() const { return next_ >= steps_.size() && pending_.empty(); }

private:
    enum TAction {
        aMove,
        aDown,
        aUp,
        aLeave,
        aPress,
        aRelease,
        aText,
        aFocusLost,
        aFocusGained,
        aQuit
    };
    struct TStep {
        int64_t Frame = 0;
        TAction Action = aMove;
        float X = 0;
        float Y = 0;
        bool HasPosition = false;
        TKeyCode Key = kcNone;
        std::string Text;
    };

    std::vector<TStep> steps_;
    std::size_t next_ = 0;
    std::deque<TPlatformEvent> pending_;
    std::array<bool, kcCount> held_{};
    float lastX_ = 0;
    float lastY_ = 0;
};

} // namespace valdmoor
