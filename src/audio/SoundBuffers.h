// The sound-buffer layer: 16-bit PCM buffers of one or two channels at their own rates, played
// once or looping at a volume in hundredths of a decibel, mixed with resampling into one stereo
// stream for a sink. Buffers can be locked for writing, duplicated (sharing their memory),
// stopped, and asked where the listener is in them.
#pragma once

#include "app/EngineClasses.h"
#include "audio/AudioSink.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace valdmoor {

// 16 bits per sample, always.
struct TPcmFormat {
    int32_t Channels = 0;
    int32_t Rate = 0;           // frames per second
    int32_t BlockAlign = 0;     // bytes per frame
    int32_t BytesPerSecond = 0; // as a file states it; must agree with the rest

    static TPcmFormat Pcm16(int32_t channels, int32_t rate);
    // One or two channels, a rate the mixer can play, and the byte counts that go with them.
    bool Valid() const;
    bool operator==(const TPcmFormat&) const = default;
};

constexpr int32_t SilentLevel = -10000;
// The largest buffer the device makes, in bytes.
constexpr uint32_t MaxBufferBytes = 0x0FFFFFFF;

// The linear factor of a level in hundredths of a decibel; SilentLevel and below give 0.
float LevelGain(int32_t level);

class TSoundDevice;

class TSoundBuffer : public TItem {
public:
    ~TSoundBuffer() override;

    const TPcmFormat& Format() const { return format_; }
    uint32_t Size() const { return size_; }

    // The bytes Offset .. Offset + Size for writing, or nil when they are not all inside the
    // buffer. Duplicates see what is written. Until Unlock the mixer waits, so keep it short;
    // a buffer nothing plays yet can be filled without it (see CreateBuffer with samples).
    uint8_t* Lock(uint32_t offset, uint32_t size);
    void Unlock();

    // Plays from the current position; an already playing buffer only takes the new Looping.
    void Play(bool looping);
    void Stop();
    // Started, and not yet mixed to its end.
    bool Playing() const;
    bool Looping() const;
    void SetLooping(bool looping);

    void SetVolume(int32_t level);
    int32_t Volume() const;

    // Where the mixer is, in bytes: what the device has asked for, at most a period ahead of
    // the listener.
    uint32_t Position() const;
    void SetPosition(uint32_t position);

    // A held buffer is playing but does not advance: a stream whose first second is not in.
    void SetHold(bool hold);
    bool Held() const;

private:
    friend class TSoundDevice;

    TSoundBuffer(TSoundDevice& device, const TPcmFormat& format, uint32_t size,
                 std::shared_ptr<int16_t> data);
    void Relist();
    // Adds Frames output frames at gain G (growing by Step a frame) to Out, advancing.
    void MixInto(float* out, int32_t frames, float g, float step);

    TSoundDevice& device_;
    TPcmFormat format_;
    uint32_t size_;
    uint32_t frames_;
    std::shared_ptr<int16_t> data_; // shared with duplicates
    uint64_t step_;                 // source frames per output frame, 32.32 fixed point
    uint64_t position_ = 0;         // where mixing goes on, 32.32 fixed point
    int32_t level_ = 0;
    float gain_ = 1; // where the ramp towards the level's factor is
    float target_ = 1;
    bool playing_ = false;
    bool looping_ = false;
    bool ended_ = false;
    bool hold_ = false;
    bool locked_ = false;
};

// The mixer: every playing buffer, resampled and summed into the device's periods. The device
// calls Render on its own thread; every operation of the main thread on buffers takes the
// device lock, so the mixer sees each change whole.
class TSoundDevice : public TAudioRenderer {
public:
    explicit TSoundDevice(std::unique_ptr<TAudioSink> sink);
    // Buffers must go before their device.
    ~TSoundDevice() override;
    TSoundDevice(const TSoundDevice&) = delete;
    TSoundDevice& operator=(const TSoundDevice&) = delete;

    // A silent buffer of Size bytes; nil when the format is not valid or the size is 0 or
    // above MaxBufferBytes.
    std::unique_ptr<TSoundBuffer> CreateBuffer(const TPcmFormat& format, uint32_t size);
    // A buffer holding Samples, taken over without a copy; nil as above.
    std::unique_ptr<TSoundBuffer> CreateBuffer(const TPcmFormat& format,
                                               std::vector<int16_t>&& samples);
    // A new stopped buffer on the same memory.
    std::unique_ptr<TSoundBuffer> Duplicate(const TSoundBuffer& buffer);

    // Once per game frame: a sink without a thread of its own plays FrameTime now.
    void Sync(float frameTime);
    void SetPaused(bool paused);
    // The sink's device is gone, or SDL reported device Which removed and it is the sink's.
    bool Lost();
    bool Lost(uint32_t which);
    // Goes on with a null sink of the same rate, so buffers keep their time and end as before.
    void ReplaceLostSink();

    void Render(int16_t* frames, int32_t count) override;

    TAudioSink& Sink() { return *sink_; }
    int32_t Rate() const { return rate_; }
    int32_t Period() const { return period_; }

    static constexpr int32_t ChunkFrames = 512;

private:
    friend class TSoundBuffer;

    // The device lock for the scope of one operation of the main thread.
    class TGuard {
    public:
        explicit TGuard(const TSoundDevice& device) : sink_(device.sink_.get()) {
            if (sink_ != nullptr) {
                sink_->Lock();
            }
        }
        ~TGuard() {
            if (sink_ != nullptr) {
                sink_->Unlock();
            }
        }
        TGuard(const TGuard&) = delete;
        TGuard& operator=(const TGuard&) = delete;

    private:
        TAudioSink* sink_;
    };

    std::unique_ptr<TAudioSink> sink_;
    int32_t rate_;
    int32_t period_;
    TContainerOf<TSoundBuffer> mixing_{false, false};
    std::vector<float> mix_;
};

} // namespace valdmoor
