#include "audio/SoundBuffers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace valdmoor {

// Buffers are filled straight from little-endian file data.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr int32_t MinRate = 100;
constexpr int32_t MaxRate = 200000;
constexpr float FractionScale = 1.0f / 4294967296.0f;

} // namespace

TPcmFormat TPcmFormat::Pcm16(int32_t channels, int32_t rate) {
    TPcmFormat format;
    format.Channels = channels;
    format.Rate = rate;
    format.BlockAlign = channels * 2;
    format.BytesPerSecond = rate * format.BlockAlign;
    return format;
}

bool TPcmFormat::Valid() const {
    return (Channels == 1 || Channels == 2) && Rate >= MinRate && Rate <= MaxRate &&
           BlockAlign == Channels * 2 && BytesPerSecond == Rate * BlockAlign;
}

float LevelGain(int32_t level) {
    if (level <= SilentLevel) {
        return 0;
    }
    return static_cast<float>(std::pow(10.0, std::min(level, 0) / 2000.0));
}

TSoundBuffer::TSoundBuffer(TSoundDevice& device, const TPcmFormat& format, uint32_t size,
                           std::shared_ptr<int16_t> data)
    : device_(device), format_(format), size_(size),
      frames_(size / static_cast<uint32_t>(format.BlockAlign)), data_(std::move(data)),
      step_((static_cast<uint64_t>(format.Rate) << 32) / static_cast<uint64_t>(device.rate_)) {}

TSoundBuffer::~TSoundBuffer() {
    const TSoundDevice::TGuard guard(device_);
    if (locked_) {
        device_.sink_->Unlock();
    }
    if (Container() != nullptr) {
        device_.mixing_.Remove(this, false);
    }
}

uint8_t* TSoundBuffer::Lock(uint32_t offset, uint32_t size) {
    if (offset > size_ || size > size_ - offset || locked_) {
        return nullptr;
    }
    // Held until Unlock: the mixer may be reading these very bytes for a duplicate.
    device_.sink_->Lock();
    locked_ = true;
    return reinterpret_cast<uint8_t*>(data_.get()) + offset;
}

void TSoundBuffer::Unlock() {
    if (locked_) {
        locked_ = false;
        device_.sink_->Unlock();
    }
}

void TSoundBuffer::Relist() {
    const bool mixes = playing_ && !ended_ && !hold_;
    if (mixes && Container() == nullptr) {
        gain_ = target_;
        device_.mixing_.Add(this);
    } else if (!mixes && Container() != nullptr) {
        device_.mixing_.Remove(this, false);
    }
}

void TSoundBuffer::Play(bool looping) {
    const TSoundDevice::TGuard guard(device_);
    looping_ = looping;
    if (!playing_) {
        playing_ = true;
        Relist();
    }
}

void TSoundBuffer::Stop() {
    const TSoundDevice::TGuard guard(device_);
    playing_ = false;
    Relist();
}

bool TSoundBuffer::Playing() const {
    const TSoundDevice::TGuard guard(device_);
    return playing_ && !ended_;
}

bool TSoundBuffer::Looping() const {
    const TSoundDevice::TGuard guard(device_);
    return looping_;
}

void TSoundBuffer::SetLooping(bool looping) {
    const TSoundDevice::TGuard guard(device_);
    looping_ = looping;
}

void TSoundBuffer::SetVolume(int32_t level) {
    const TSoundDevice::TGuard guard(device_);
    level_ = std::clamp(level, SilentLevel, 0);
    target_ = LevelGain(level_);
    if (Container() == nullptr) {
        gain_ = target_;
    }
}

int32_t TSoundBuffer::Volume() const {
    const TSoundDevice::TGuard guard(device_);
    return level_;
}

uint32_t TSoundBuffer::Position() const {
    const TSoundDevice::TGuard guard(device_);
    const uint64_t end = static_cast<uint64_t>(frames_) << 32;
    return static_cast<uint32_t>(std::min(position_, end) >> 32) *
           static_cast<uint32_t>(format_.BlockAlign);
}

void TSoundBuffer::SetPosition(uint32_t position) {
    const TSoundDevice::TGuard guard(device_);
    position_ =
        static_cast<uint64_t>(std::min(position, size_) / static_cast<uint32_t>(format_.BlockAlign))
        << 32;
    ended_ = false;
    Relist();
}

void TSoundBuffer::SetHold(bool hold) {
    const TSoundDevice::TGuard guard(device_);
    if (hold_ != hold) {
        hold_ = hold;
        Relist();
    }
}

bool TSoundBuffer::Held() const {
    const TSoundDevice::TGuard guard(device_);
    return hold_;
}

void TSoundBuffer::MixInto(float* out, int32_t count, float g, float step) {
    const uint64_t end = static_cast<uint64_t>(frames_) << 32;
    const int16_t* data = data_.get();
    const uint32_t last = frames_ - 1;
    uint64_t position = position_;
    int32_t done = 0;
    const bool silent = g == 0 && step == 0;
    for (; done < count; ++done) {
        if (position >= end) {
            if (!looping_) {
                ended_ = true;
                break;
            }
            position %= end;
        }
        if (!silent) {
            const auto i = static_cast<uint32_t>(position >> 32);
            const float f = static_cast<float>(static_cast<uint32_t>(position)) * FractionScale;
            // The frame after the last is the first one again only for a loop.
            const uint32_t j = i < last ? i + 1 : (looping_ ? 0 : i);
            if (format_.Channels == 1) {
                const float a = data[i];
                const float s = (a + (data[j] - a) * f) * g;
                out[done * 2] += s;
                out[done * 2 + 1] += s;
            } else {
                const float l = data[i * 2];
                const float r = data[i * 2 + 1];
                out[done * 2] += (l + (data[j * 2] - l) * f) * g;
                out[done * 2 + 1] += (r + (data[j * 2 + 1] - r) * f) * g;
            }
            g += step;
        }
        position += step_;
    }
    position_ = position;
}

TSoundDevice::TSoundDevice(std::unique_ptr<TAudioSink> sink)
    : sink_(std::move(sink)), rate_(std::clamp(sink_->Rate(), MinRate, MaxRate)),
      period_(std::max(sink_->Period(), 1)), mix_(static_cast<std::size_t>(ChunkFrames) * 2) {
    sink_->Start(*this);
}

TSoundDevice::~TSoundDevice() {
    // The device's thread ends with its sink; only then the list goes.
    sink_.reset();
    mixing_.Clear();
}

std::unique_ptr<TSoundBuffer> TSoundDevice::CreateBuffer(const TPcmFormat& format, uint32_t size) {
    if (!format.Valid() || size < static_cast<uint32_t>(format.BlockAlign) ||
        size > MaxBufferBytes) {
        return nullptr;
    }
    // Zeroed memory from calloc arrives as untouched pages, so a large ring costs its page
    // faults as its blocks are written, not all in the frame that makes it.
    std::shared_ptr<int16_t> data(static_cast<int16_t*>(std::calloc((size + 1) / 2, 2)), std::free);
    if (data == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<TSoundBuffer>(new TSoundBuffer(*this, format, size, std::move(data)));
}

std::unique_ptr<TSoundBuffer> TSoundDevice::CreateBuffer(const TPcmFormat& format,
                                                         std::vector<int16_t>&& samples) {
    const uint64_t size = static_cast<uint64_t>(samples.size()) * 2;
    if (!format.Valid() || size < static_cast<uint64_t>(format.BlockAlign) ||
        size > MaxBufferBytes) {
        return nullptr;
    }
    auto owner = std::make_shared<std::vector<int16_t>>(std::move(samples));
    std::shared_ptr<int16_t> data(owner, owner->data());
    return std::unique_ptr<TSoundBuffer>(
        new TSoundBuffer(*this, format, static_cast<uint32_t>(size), std::move(data)));
}

std::unique_ptr<TSoundBuffer> TSoundDevice::Duplicate(const TSoundBuffer& buffer) {
    const TGuard guard(*this);
    return std::unique_ptr<TSoundBuffer>(
        new TSoundBuffer(*this, buffer.format_, buffer.size_, buffer.data_));
}

void TSoundDevice::Sync(float frameTime) {
    sink_->Advance(frameTime);
}

void TSoundDevice::SetPaused(bool paused) {
    sink_->SetPaused(paused);
}

bool TSoundDevice::Lost() {
    return sink_->Lost();
}

bool TSoundDevice::Lost(uint32_t which) {
    return sink_->Is(which);
}

void TSoundDevice::ReplaceLostSink() {
    // Closing the old sink ends its thread; nothing renders until the new one starts.
    sink_.reset();
    sink_ = CreateNullSink(rate_, period_);
    sink_->Start(*this);
}

void TSoundDevice::Render(int16_t* frames, int32_t count) {
    while (count > 0) {
        const int32_t chunk = std::min(count, ChunkFrames);
        std::fill_n(mix_.begin(), chunk * 2, 0.0f);
        for (TSoundBuffer& buffer : mixing_) {
            // A new level is reached by the end of the chunk, so steps do not click.
            const float step = (buffer.target_ - buffer.gain_) / static_cast<float>(chunk);
            buffer.MixInto(mix_.data(), chunk, buffer.gain_, step);
            buffer.gain_ = buffer.target_;
            if (buffer.ended_) {
                mixing_.Remove(&buffer, false);
            }
        }
        for (int32_t i = 0; i < chunk * 2; ++i) {
            frames[i] = static_cast<int16_t>(
                std::clamp(std::lrint(mix_[static_cast<std::size_t>(i)]), -32768L, 32767L));
        }
        frames += chunk * 2;
        count -= chunk;
    }
}

} // namespace valdmoor
