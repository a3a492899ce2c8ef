// Where the mixed sound goes: the sound card through SDL, or nowhere at the pace of the game's
// frames (tests and headless runs). The mixer hands over interleaved 16-bit stereo frames from
// the main thread and asks how many still wait to be played.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace valdmoor {

// The rate the mixer asks for; the SDL sink may get another from the device.
constexpr int32_t MixRate = 44100;

class TAudioSink {
public:
    virtual ~TAudioSink() = default;

    // Output frames per second.
    virtual int32_t Rate() const = 0;
    // Frames handed over that have not been played yet.
    virtual int32_t Queued() = 0;
    virtual void Submit(const int16_t* frames, int32_t count) = 0;
    // Once per game frame, before the mixer asks Queued.
    virtual void Advance(float frameTime) { (void)frameTime; }
    virtual void SetPaused(bool paused) = 0;
    // Appends every frame played from now on to Target, silence for underruns included; nil
    // stops. Only the null sink can do it.
    virtual void CaptureTo(std::vector<int16_t>* target) { (void)target; }
};

// SDL's default output device. Raises EngineError when there is none.
std::unique_ptr<TAudioSink> CreateSdlSink();
// Plays exactly one frame time of sound per game frame, into nothing.
std::unique_ptr<TAudioSink> CreateNullSink(int32_t rate = MixRate);

} // namespace valdmoor
