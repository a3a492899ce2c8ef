// Input replayed from a small text file, for headless runs and tests: pointer moves in canvas
// units, button presses, held keys and typed text, each at a given frame or a number of frames
// after the step before; and steps that wait until the game rests ready for input, so a long
// script does not depend on how many frames an animation takes.
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

// What the screens tell the script; the platform knows nothing of forms and dialogs.
struct TInputScriptHooks {
    // The name of the form or dialog that takes the player's input while the game rests ready
    // for it (nothing moving, fading or animating); empty while it does not rest.
    std::string (*RestingName)() = nullptr;
    // The canvas point of the named control of what takes the input; false when there is none.
    bool (*ControlPoint)(std::string_view name, float& x, float& y) = nullptr;
};
// Without hooks the game counts as always resting, with nothing named in it.
void SetInputScriptHooks(const TInputScriptHooks& hooks);

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
    bool Finished() const {
        return next_ >= steps_.size() && pending_.empty() && releaseAt_ == 0 && captures_.empty();
    }
    // The name of a "capture NAME" step that ran this frame, oldest first; the frame drawn
    // after the step is the one to keep. False when none is waiting.
    bool TakeCapture(std::string& name);

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
        aQuit,
        aWait,
        aClick,
        aCapture
    };
    struct TStep {
        int64_t Frame = 0;
        TAction Action = aMove;
        float X = 0;
        float Y = 0;
        bool HasPosition = false;
        // "+N": Frame counts from the frame the step before ran in.
        bool Relative = false;
        TKeyCode Key = kcNone;
        // The text to type; the control to click; the capture's name.
        std::string Text;
        // "if NAME": the step runs only while NAME rests, and is dropped otherwise.
        std::string Condition;
        // What "wait idle" waits for; any when empty.
        std::vector<std::string> Names;
    };
    // Queues the step's events; false when it must wait for a later frame.
    bool Run(const TStep& step, int64_t frame);
    void Place(const TStep& step, TPlatformEvent& event);

    std::vector<TStep> steps_;
    std::size_t next_ = 0;
    // The frame the last step ran in, and the frame a click's button goes up (0: none).
    int64_t last_ = 0;
    int64_t releaseAt_ = 0;
    std::deque<TPlatformEvent> pending_;
    std::deque<std::string> captures_;
    std::array<bool, kcCount> held_{};
    float lastX_ = 0;
    float lastY_ = 0;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    float canvasWidth_ = 0;
    float canvasHeight_ = 0;
};

} // namespace valdmoor
