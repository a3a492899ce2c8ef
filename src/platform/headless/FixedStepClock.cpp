#include "platform/PlatformBackend.h"

namespace valdmoor {

namespace {

// Exactly 1/60 s per frame: 1000 ticks of a 60 kHz clock.
class TFixedStepClock : public TClock {
public:
    uint64_t Frequency() override { return 60000; }
    uint64_t Counter() override { return ticks_; }
    void FrameStarted() override { ticks_ += 1000; }

private:
    uint64_t ticks_ = 0;
};

} // namespace

std::unique_ptr<TClock> CreateFixedStepClock() {
    return std::make_unique<TFixedStepClock>();
}

} // namespace valdmoor
