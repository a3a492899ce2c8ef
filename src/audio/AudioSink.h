// Where the mixed sound goes: the sound card through SDL, or nowhere at the pace of the game's
// frames (tests and headless runs). Either way the device pulls: it asks the mixer for one
// period of interleaved 16-bit stereo frames whenever it needs more, from its own thread
// (SDL) or from Advance (the null sink), so sound plays on through a long game frame.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace valdmoor {

// The rate the mixer asks for; the SDL sink may get another from the device.
constexpr int32_t MixRate = 44100;
// Frames per device period: short, so a new sound starts soon after it was asked for.
constexpr int32_t MixPeriod = 512;

// What the device calls for sound. Render runs with the device locked and must not allocate,
// block or raise.
class TAudioRenderer {
public:
    virtual ~TAudioRenderer() = default;
    virtual void Render(int16_t* frames, int32_t count) = 0;
};

class TAudioSink {
public:
    virtual ~TAudioSink() = default;

    // Output frames per second.
    virtual int32_t Rate() const = 0;
    // Frames the device asks for at a time.
    virtual int32_t Period() const = 0;
    // From now on the device calls Renderer, which must outlive the sink.
    virtual void Start(TAudioRenderer& renderer) = 0;
    // Keeps the renderer from running; what the main thread changes in the mixer's state
    // happens between the two. Nested pairs are allowed.
    virtual void Lock() {}
    virtual void Unlock() {}
    // Once per game frame: a device without a thread of its own plays FrameTime now.
    virtual void Advance(float frameTime) { (void)frameTime; }
    virtual void SetPaused(bool paused) = 0;
    // The device is gone (unplugged, its server stopped); the renderer is no longer called.
    virtual bool Lost() { return false; }
    // Whether SDL's output device Which is this sink's.
    virtual bool Is(uint32_t which) const = 0;
    // Appends every frame played from now on to Target, silence included; nil stops. Only
    // the null sink can do it.
    virtual void CaptureTo(std::vector<int16_t>* target) { (void)target; }
};

// SDL's default output device. Raises EngineError when there is none.
std::unique_ptr<TAudioSink> CreateSdlSink();
// Plays into nothing, one period whenever the game's frames have let that much time pass.
// It stands for whatever device is reported lost.
std::unique_ptr<TAudioSink> CreateNullSink(int32_t rate = MixRate, int32_t period = MixPeriod);

} // namespace valdmoor
