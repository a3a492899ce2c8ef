#include "app/EngineApplication.h"
#include "audio/AudioSink.h"

#include <SDL.h>
#include <string>

namespace valdmoor::sdl {

namespace {

// SDL's audio thread calls the mixer for every period, holding the device lock that the main
// thread takes around its changes to the mixer's state.
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
        want.samples = MixPeriod;
        want.callback = Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // Our mixer resamples anyway, so let the device keep its own rate; SDL converts the
        // period if the device wants another.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (device_ == 0) {
            Fail();
        }
        rate_ = have.freq > 0 ? have.freq : MixRate;
    }

    ~TSdlSink() override { Close(); }
    TSdlSink(const TSdlSink&) = delete;
    TSdlSink& operator=(const TSdlSink&) = delete;

    int32_t Rate() const override { return rate_; }
    int32_t Period() const override { return MixPeriod; }

    void Start(TAudioRenderer& renderer) override {
        SDL_LockAudioDevice(device_);
        renderer_ = &renderer;
        SDL_UnlockAudioDevice(device_);
        SDL_PauseAudioDevice(device_, 0);
    }

    void Lock() override { SDL_LockAudioDevice(device_); }
    void Unlock() override { SDL_UnlockAudioDevice(device_); }
    void SetPaused(bool paused) override { SDL_PauseAudioDevice(device_, paused ? 1 : 0); }
    // SDL marks a removed device stopped; an open one is playing or paused.
    bool Lost() override { return SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED; }
    bool Is(uint32_t which) const override { return which == device_; }

private:
    static void SDLCALL Callback(void* user, Uint8* stream, int length) {
        auto* self = static_cast<TSdlSink*>(user);
        const int frames = length / 4;
        if (self->renderer_ != nullptr) {
            self->renderer_->Render(reinterpret_cast<int16_t*>(stream), frames);
        } else {
            SDL_memset(stream, 0, static_cast<std::size_t>(length));
        }
    }

    [[noreturn]] void Fail() {
        const std::string reason = SDL_GetError();
        Close();
        throw EngineError("Failed to create DirectSound device\r(Error code: " + reason + ")");
    }

    void Close() {
        if (device_ != 0) {
            // Waits for the audio thread, so the renderer is not called again.
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
    TAudioRenderer* renderer_ = nullptr;
};

} // namespace

} // namespace valdmoor::sdl

namespace valdmoor {

std::unique_ptr<TAudioSink> CreateSdlSink() {
    return std::make_unique<sdl::TSdlSink>();
}

} // namespace valdmoor
