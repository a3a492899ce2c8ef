#include "app/EngineApplication.h"
#include "audio/AudioSink.h"

#include <SDL.h>
#include <string>

namespace valdmoor::sdl {

namespace {

// Frames of SDL's own device buffer, on top of our queue: small, so that sounds start soon.
constexpr int DeviceFrames = 512;
constexpr int FrameBytes = 4;

// The device is fed with SDL_QueueAudio from the main thread: SDL's audio thread only ever
// reads our queue, and no callback of ours runs on it.
class TSdlSink : public TAudioSink {
public:
    TSdlSink() {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            Fail();
        }
        subsystem_ = true;
        SDL_AudioSpec want{};
        want.freq = MixRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = DeviceFrames;
        SDL_AudioSpec have{};
        // Our mixer resamples anyway, so let the device keep its own rate.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (device_ == 0) {
            Fail();
        }
        rate_ = have.freq > 0 ? have.freq : MixRate;
        SDL_PauseAudioDevice(device_, 0);
    }

    ~TSdlSink() override { Close(); }
    TSdlSink(const TSdlSink&) = delete;
    TSdlSink& operator=(const TSdlSink&) = delete;

    int32_t Rate() const override { return rate_; }

    int32_t Queued() override {
        return static_cast<int32_t>(SDL_GetQueuedAudioSize(device_) / FrameBytes);
    }

    void Submit(const int16_t* frames, int32_t count) override {
        if (count > 0) {
            SDL_QueueAudio(device_, frames, static_cast<Uint32>(count) * FrameBytes);
        }
    }

    void SetPaused(bool paused) override { SDL_PauseAudioDevice(device_, paused ? 1 : 0); }

private:
    [[noreturn]] void Fail() {
        const std::string reason = SDL_GetError();
        Close();
        throw EngineError("Failed to create DirectSound device\r(Error code: " + reason + ")");
    }

    void Close() {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
        if (subsystem_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            subsystem_ = false;
        }
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystem_ = false;
    int32_t rate_ = MixRate;
};

} // namespace

} // namespace valdmoor::sdl

namespace valdmoor {

std::unique_ptr<TAudioSink> CreateSdlSink() {
    return std::make_unique<sdl::TSdlSink>();
}

} // namespace valdmoor
