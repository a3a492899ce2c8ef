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
    // buffer. Duplicates see what is written.
    uint8_t* Lock(uint32_t offset, uint32_t size);
    void Unlock() {}

    // Plays from the current position; an already playing buffer only takes the new Looping.
    void Play(bool looping);
    void Stop();
    // Still sounding: started, and not yet at its end (a one-shot stays playing until the
    // device has played its last frame).
    bool Playing() const;
    bool Looping() const { return looping_; }
    void SetLooping(bool looping) { looping_ = looping; }

    void SetVolume(int32_t level);
    int32_t Volume() const { return level_; }

    // Where the listener is, in bytes: what the device has played, not what has been mixed.
    uint32_t Position() const;
    void SetPosition(uint32_t position);

    // A held buffer is playing but does not advance: a stream whose first second is not in.
    void SetHold(bool hold);
    bool Held() const { return hold_; }

private:
    friend class TSoundDevice;

    TSoundBuffer(TSoundDevice& device, const TPcmFormat& format, uint32_t size,
                 std::shared_ptr<int16_t> data);
    uint64_t Pending() const;
    void Relist();
    void StartRun();
    // Adds Frames output frames at gain G (growing by Step a frame) to Out, advancing.
    void MixInto(float* out, int32_t frames, float g, float step);

    TSoundDevice& device_;
    TPcmFormat format_;
    uint32_t size_;
    uint32_t frames_;
    std::shared_ptr<int16_t> data_; // shared with duplicates
    uint64_t step_;                 // source frames per output frame, 32.32 fixed point
    uint64_t position_ = 0;         // where mixing goes on, 32.32 fixed point
    uint64_t runStart_ = 0;         // output frame at which the present run of mixing began
    uint64_t mixedUntil_ = 0;       // output frame after the last one this buffer mixed
    int32_t level_ = 0;
    float gain_ = 1; // where the ramp towards the level's factor is
    float target_ = 1;
    bool playing_ = false;
    bool looping_ = false;
    bool ended_ = false;
    bool hold_ = false;
};

class TSoundDevice {
public:
    explicit TSoundDevice(std::unique_ptr<TAudioSink> sink);
    // Buffers must go before their device.
    ~TSoundDevice();
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

    // Once per game frame: the sink plays FrameTime, and the buffers learn how far it got.
    void Sync(float frameTime);
    // Mixes until about Lead seconds of sound wait in the sink.
    void Mix();
    void SetPaused(bool paused);

    TAudioSink& Sink() { return *sink_; }
    int32_t Rate() const { return rate_; }

    // Enough to bridge a frame at 30 frames per second, short enough for prompt clicks.
    static constexpr double Lead = 0.06;
    static constexpr int32_t ChunkFrames = 512;

private:
    friend class TSoundBuffer;

    std::unique_ptr<TAudioSink> sink_;
    int32_t rate_;
    int32_t leadFrames_;
    uint64_t submitted_ = 0; // output frames handed to the sink
    uint64_t consumed_ = 0;  // of those, played when last synced
    TContainerOf<TSoundBuffer> mixing_{false, false};
    std::vector<float> mix_;
    std::vector<int16_t> out_;
};

} // namespace valdmoor
