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

TSoundBuffer::~TSoundBuffer() = default;

uint8_t* TSoundBuffer::Lock(uint32_t offset, uint32_t size) {
    if (offset > size_ || size > size_ - offset) {
        return nullptr;
    }
    return reinterpret_cast<uint8_t*>(data_.get()) + offset;
}

void TSoundBuffer::StartRun() {
    runStart_ = mixedUntil_ = device_.submitted_;
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
    looping_ = looping;
    if (!playing_) {
        playing_ = true;
        StartRun();
        Relist();
    }
}

void TSoundBuffer::Stop() {
    // The frames already queued still play, so the position keeps following the device.
    playing_ = false;
    Relist();
}

uint64_t TSoundBuffer::Pending() const {
    const uint64_t from = std::max(device_.consumed_, runStart_);
    return mixedUntil_ > from ? mixedUntil_ - from : 0;
}

bool TSoundBuffer::Playing() const {
    return playing_ && !(ended_ && Pending() == 0);
}

void TSoundBuffer::SetVolume(int32_t level) {
    level_ = std::clamp(level, SilentLevel, 0);
    target_ = LevelGain(level_);
    if (Container() == nullptr) {
        gain_ = target_;
    }
}

uint32_t TSoundBuffer::Position() const {
    const uint64_t end = static_cast<uint64_t>(frames_) << 32;
    const uint64_t back = Pending() * step_;
    uint64_t position = std::min(position_, end);
    if (looping_ && end > 0) {
        position = (position + end - back % end) % end;
    } else {
        position = back > position ? 0 : position - back;
    }
    return static_cast<uint32_t>(position >> 32) * static_cast<uint32_t>(format_.BlockAlign);
}

void TSoundBuffer::SetPosition(uint32_t position) {
    position_ =
        static_cast<uint64_t>(std::min(position, size_) / static_cast<uint32_t>(format_.BlockAlign))
        << 32;
    ended_ = false;
    StartRun();
    Relist();
}

void TSoundBuffer::SetHold(bool hold) {
    if (hold_ != hold) {
        hold_ = hold;
        if (!hold_) {
            StartRun();
        }
        Relist();
    }
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
    mixedUntil_ += static_cast<uint64_t>(done);
}

TSoundDevice::TSoundDevice(std::unique_ptr<TAudioSink> sink)
    : sink_(std::move(sink)), rate_(std::clamp(sink_->Rate(), MinRate, MaxRate)),
      leadFrames_(static_cast<int32_t>(std::lround(Lead * rate_))),
      mix_(static_cast<std::size_t>(ChunkFrames) * 2), out_(mix_.size()) {}

TSoundDevice::~TSoundDevice() {
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
    return std::unique_ptr<TSoundBuffer>(
        new TSoundBuffer(*this, buffer.format_, buffer.size_, buffer.data_));
}

void TSoundDevice::Sync(float frameTime) {
    sink_->Advance(frameTime);
    const auto queued = static_cast<uint64_t>(std::max(sink_->Queued(), 0));
    consumed_ = submitted_ - std::min(queued, submitted_);
}

void TSoundDevice::Mix() {
    int32_t remaining = leadFrames_ - std::max(sink_->Queued(), 0);
    while (remaining > 0) {
        const int32_t count = std::min(remaining, ChunkFrames);
        std::fill_n(mix_.begin(), count * 2, 0.0f);
        for (TSoundBuffer& buffer : mixing_) {
            // The ramp reaches the new level at the end of this mix, so steps do not click.
            const float step = (buffer.target_ - buffer.gain_) / static_cast<float>(remaining);
            buffer.MixInto(mix_.data(), count, buffer.gain_, step);
            buffer.gain_ = count == remaining ? buffer.target_ : buffer.gain_ + step * count;
            if (buffer.ended_) {
                mixing_.Remove(&buffer, false);
            }
        }
        for (int32_t i = 0; i < count * 2; ++i) {
            out_[static_cast<std::size_t>(i)] = static_cast<int16_t>(
                std::clamp(std::lrint(mix_[static_cast<std::size_t>(i)]), -32768L, 32767L));
        }
        sink_->Submit(out_.data(), count);
        submitted_ += static_cast<uint64_t>(count);
        remaining -= count;
    }
}

void TSoundDevice::SetPaused(bool paused) {
    sink_->SetPaused(paused);
}

} // namespace valdmoor
