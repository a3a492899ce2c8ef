#include "audio/AudioSink.h"

#include <algorithm>
#include <cstring>

namespace valdmoor {

namespace {

// A ring of one second of frames; the mixer never queues more than a fraction of that.
class TNullSink : public TAudioSink {
public:
    explicit TNullSink(int32_t rate)
        : rate_(std::max(rate, 1)), ring_(static_cast<std::size_t>(rate_) * 2) {}

    int32_t Rate() const override { return rate_; }
    int32_t Queued() override { return queued_; }

    void Submit(const int16_t* frames, int32_t count) override {
        count = std::min(count, rate_ - queued_);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t slot = (head_ + queued_ + i) % rate_;
            ring_[static_cast<std::size_t>(slot) * 2] = frames[i * 2];
            ring_[static_cast<std::size_t>(slot) * 2 + 1] = frames[i * 2 + 1];
        }
        queued_ += std::max(count, 0);
    }

    void Advance(float frameTime) override {
        if (paused_ || !(frameTime > 0)) {
            return;
        }
        // The fraction carried over keeps the pace exact over many frames.
        carry_ += static_cast<double>(frameTime) * rate_;
        const auto due = static_cast<int64_t>(carry_);
        carry_ -= static_cast<double>(due);
        const auto played = static_cast<int32_t>(std::min<int64_t>(due, queued_));
        if (capture_ != nullptr) {
            for (int32_t i = 0; i < played; ++i) {
                const std::size_t slot = static_cast<std::size_t>((head_ + i) % rate_) * 2;
                capture_->push_back(ring_[slot]);
                capture_->push_back(ring_[slot + 1]);
            }
            capture_->resize(capture_->size() + static_cast<std::size_t>(due - played) * 2, 0);
        }
        head_ = (head_ + played) % rate_;
        queued_ -= played;
    }

    void SetPaused(bool paused) override { paused_ = paused; }
    void CaptureTo(std::vector<int16_t>* target) override { capture_ = target; }

private:
    int32_t rate_;
    std::vector<int16_t> ring_;
    int32_t head_ = 0;
    int32_t queued_ = 0;
    double carry_ = 0;
    bool paused_ = false;
    std::vector<int16_t>* capture_ = nullptr;
};

} // namespace

std::unique_ptr<TAudioSink> CreateNullSink(int32_t rate) {
    return std::make_unique<TNullSink>(rate);
}

} // namespace valdmoor
