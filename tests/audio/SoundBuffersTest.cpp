#include "audio/SoundBuffers.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

constexpr float Frame = 1.0f / 60;

// A device on the null sink, stepped one game frame at a time with everything played kept.
// The sink renders a period whenever the frames' time reaches its start.
class SoundDevice : public testing::Test {
protected:
    SoundDevice() { device.Sink().CaptureTo(&played); }

    std::unique_ptr<TSoundBuffer> Buffer(int channels, int rate, const std::vector<int16_t>& pcm) {
        std::unique_ptr<TSoundBuffer> buffer =
            device.CreateBuffer(TPcmFormat::Pcm16(channels, rate), std::vector<int16_t>(pcm));
        EXPECT_NE(buffer, nullptr);
        return buffer;
    }
    void Step(int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            device.Sync(Frame);
        }
    }
    std::vector<int16_t> Channel(int channel, std::size_t from, std::size_t count) const {
        std::vector<int16_t> values;
        for (std::size_t i = from; i < from + count; ++i) {
            values.push_back(played.at(i * 2 + static_cast<std::size_t>(channel)));
        }
        return values;
    }

    TSoundDevice device{CreateNullSink(44100)};
    std::vector<int16_t> played;
};

TEST_F(SoundDevice, ResamplesToTheOutputRateKeepingLengthAndChannels) {
    // Half a second of stereo at half the output rate lasts half a second of output.
    std::vector<int16_t> pcm;
    for (int i = 0; i < 11025; ++i) {
        pcm.insert(pcm.end(), {1000, -2000});
    }
    auto buffer = Buffer(2, 22050, pcm);
    Step();
    buffer->Play(false);
    Step(60);
    std::size_t first = 0;
    while (played.at(first * 2) == 0) {
        ++first;
    }
    std::size_t length = 0;
    while (played.at((first + length) * 2) != 0) {
        ++length;
    }
    EXPECT_NEAR(static_cast<double>(length), 22050, 2);
    EXPECT_EQ(Channel(0, first + 100, 3), std::vector<int16_t>(3, 1000));
    EXPECT_EQ(Channel(1, first + 100, 3), std::vector<int16_t>(3, -2000));
    EXPECT_FALSE(buffer->Playing());
}

TEST_F(SoundDevice, LoopingInterpolatesAcrossTheWrap) {
    auto buffer = Buffer(1, 22050, {0, 1000, 2000, 3000});
    buffer->Play(true);
    Step();
    EXPECT_EQ(Channel(0, 0, 10),
              (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2500, 3000, 1500, 0, 500}));
    EXPECT_EQ(Channel(1, 0, 10), Channel(0, 0, 10)) << "mono plays on both sides";
}

TEST_F(SoundDevice, AOneShotPlaysAtTheDevicesPaceUntilItsLastFrame) {
    auto buffer = Buffer(1, 44100, std::vector<int16_t>(2000, 7));
    buffer->Play(false);
    EXPECT_EQ(buffer->Position(), 0u) << "nothing is mixed before the device asks";
    device.Sync(Frame); // 735 frames of time: the periods starting at 0 and 512
    EXPECT_EQ(buffer->Position(), 1024u * 2);
    EXPECT_TRUE(buffer->Playing());
    device.Sync(Frame);
    EXPECT_EQ(buffer->Position(), 1536u * 2);
    device.Sync(Frame);
    EXPECT_FALSE(buffer->Playing());
    EXPECT_EQ(buffer->Position(), 2000u * 2);
    EXPECT_EQ(Channel(0, 1999, 2), (std::vector<int16_t>{7, 0}));
}

TEST_F(SoundDevice, ALoopPositionWrapsAndStaysWhereItStopped) {
    auto buffer = Buffer(1, 44100, std::vector<int16_t>(1000, 7));
    buffer->Play(true);
    Step(3); // 2205 frames of time: five periods
    EXPECT_EQ(buffer->Position(), (2560u - 2000) * 2);
    buffer->Stop();
    Step();
    EXPECT_EQ(buffer->Position(), (2560u - 2000) * 2);
}

TEST_F(SoundDevice, ALongFrameIsFollowedByAsMuchSoundAsItLasted) {
    auto buffer = Buffer(1, 44100, std::vector<int16_t>(44100, 9));
    buffer->Play(true);
    device.Sync(0.5f);
    ASSERT_GE(played.size() / 2, 22050u);
    EXPECT_EQ(Channel(0, 0, 22050), std::vector<int16_t>(22050, 9));
    device.SetPaused(true);
    device.Sync(0.5f);
    EXPECT_LT(played.size() / 2, 22050u + 512) << "a paused device plays nothing";
}

TEST_F(SoundDevice, DuplicatesShareMemoryAndRejectUnplayableFormats) {
    auto buffer = Buffer(1, 44100, std::vector<int16_t>(10, 0));
    auto duplicate = device.Duplicate(*buffer);
    int16_t value = 1234;
    std::memcpy(buffer->Lock(4, 2), &value, 2);
    buffer->Unlock();
    duplicate->Play(false);
    Step();
    EXPECT_EQ(Channel(0, 0, 3), (std::vector<int16_t>{0, 0, 1234}));
    EXPECT_EQ(buffer->Lock(18, 4), nullptr);

    EXPECT_EQ(device.CreateBuffer(TPcmFormat::Pcm16(3, 44100), 60), nullptr);
    EXPECT_EQ(device.CreateBuffer(TPcmFormat::Pcm16(1, 0), 60), nullptr);
    EXPECT_EQ(device.CreateBuffer(TPcmFormat::Pcm16(2, 44100), 0), nullptr);
    TPcmFormat lying = TPcmFormat::Pcm16(2, 44100);
    lying.BytesPerSecond = 0;
    EXPECT_EQ(device.CreateBuffer(lying, 60), nullptr);
}

} // namespace
} // namespace valdmoor
