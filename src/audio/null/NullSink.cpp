#include "audio/AudioSink.h"

#include <algorithm>

namespace valdmoor {

namespace {

// A device whose clock is the game's frame time: whenever that clock reaches the start of a
// period, the period is rendered, so a long frame is followed by as much sound as it lasted.
class TNullSink : public TAudioSink {
public:
    TNullSink(int32_t rate, int32_t period)
        : rate_(std::max(rate, 1)), period_(std::max(period, 1)),
          frames_(static_cast<std::size_t>(period_) * 2) {}

    int32_t Rate() const override { return rate_; }
    int32_t Period() const override { return period_; }
    void Start(TAudioRenderer& renderer) override { renderer_ = &renderer; }

    void Advance(float frameTime) override {
        if (paused_ || !(frameTime > 0)) {
            return;
        }
        clock_ += static_cast<double>(frameTime) * rate_;
        while (static_cast<double>(rendered_) <= clock_) {
            if (renderer_ != nullptr) {
                renderer_->Render(frames_.data(), period_);
            } else {
                std::fill(frames_.begin(), frames_.end(), int16_t{0});
            }
            if (capture_ != nullptr) {
                capture_->insert(capture_->end(), frames_.begin(), frames_.end());
            }
            rendered_ += period_;
        }
    }

    void SetPaused(bool paused) override { paused_ = paused; }
    bool Is(uint32_t which) const override {
        (void)which;
        return true;
    }
    void CaptureTo(std::vector<int16_t>* target) override { capture_ = target; }

private:
    int32_t rate_;
    int32_t period_;
    std::vector<int16_t> frames_;
    TAudioRenderer* renderer_ = nullptr;
    double clock_ = 0;     // frames' worth of time played
    int64_t rendered_ = 0; // frames rendered, a whole number of periods
    bool paused_ = false;
    std::vector<int16_t>* capture_ = nullptr;
};

} // namespace

std::unique_ptr<TAudioSink> CreateNullSink(int32_t rate, int32_t period) {
    return std::make_unique<TNullSink>(rate, period);
}

} // namespace valdmoor
