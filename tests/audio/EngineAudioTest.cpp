#include "audio/EngineAudio.h"

#include "TestSounds.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "audio/AudioSink.h"
#include "audio/SoundBuffers.h"
#include "platform/EngineTimer.h"
#include "platform/PlatformBackend.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

constexpr int Rate = 44100;
constexpr int FrameSamples = Rate / 60;
constexpr uint64_t ClockRate = 60000;

// 1/60 s a frame, unless the test asks for a longer one.
class TManualClock : public TClock {
public:
    explicit TManualClock(const uint64_t& step) : step_(step) {}
    uint64_t Frequency() override { return ClockRate; }
    uint64_t Counter() override { return ticks_; }
    void FrameStarted() override { ticks_ += step_; }

private:
    const uint64_t& step_;
    uint64_t ticks_ = 0;
};

// Audio on the null sink, a frame of 1/60 s at a time, with every played frame captured.
class Audio : public testing::Test {
protected:
    void SetUp() override { Begin(true, false); }

    void TearDown() override {
        AudioStop();
        TimerStop();
        ApplicationStop();
        StorageReset();
        SetSwitches(TSwitches{});
    }

    void Begin(bool headless, bool noSound) {
        TSwitches switches;
        switches.Headless = headless;
        switches.NoSound = noSound;
        SetSwitches(switches);
        ApplicationStart();
        SetStorageFolderPath(sfOrdinary, (folder.Path() / "Ordinary").string());
        SetStorageFolderPath(sfBranding, (folder.Path() / "Branding").string());
        TimerStartWith(std::make_unique<TManualClock>(step));
        AudioStart();
        played.reserve(static_cast<std::size_t>(Rate) * 2 * 20);
        AudioCaptureTo(&played);
    }

    void Put(const std::string& relative, const std::string& bytes) {
        folder.Write(relative, bytes);
    }
    // A mono WAV in Ordinary holding one value throughout.
    void PutLevel(const std::string& name, double seconds, int16_t value) {
        Put("Ordinary/" + name + ".wav",
            test::WaveFile(1, Rate, std::vector<int16_t>(std::lround(seconds * Rate), value)));
    }

    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            TimerUpdate();
            AudioUpdate();
            elapsed += step;
        }
    }
    // One frame that lasts Seconds, as when a large file loads.
    void LongFrame(double seconds) {
        step = static_cast<uint64_t>(std::lround(seconds * ClockRate));
        Frames(1);
        step = ClockRate / 60;
    }
    // The output frame the listener is at now.
    std::size_t Now() const {
        return static_cast<std::size_t>(elapsed * static_cast<uint64_t>(Rate) / ClockRate);
    }
    void Seconds(double seconds) { Frames(static_cast<int>(std::lround(seconds * 60))); }

    static std::vector<TSource*> SourcesOf(std::string_view name) {
        std::vector<TSource*> found;
        for (TSource& source : *AudioSources()) {
            if (source.Sample() != nullptr && source.Sample()->Name() == name) {
                found.push_back(&source);
            }
        }
        return found;
    }
    static TSource* SourceOf(std::string_view name) {
        const auto found = SourcesOf(name);
        return found.size() == 1 ? found.front() : nullptr;
    }
    // The left channel of the last Count played frames.
    std::vector<int16_t> LastLeft(int count) const {
        std::vector<int16_t> left;
        for (std::size_t i = played.size() - static_cast<std::size_t>(count) * 2; i < played.size();
             i += 2) {
            left.push_back(played[i]);
        }
        return left;
    }
    int PeakOfLast(int count) const {
        int peak = 0;
        for (int16_t value : LastLeft(count)) {
            peak = std::max(peak, std::abs(static_cast<int>(value)));
        }
        return peak;
    }

    std::vector<int16_t> Left() const {
        std::vector<int16_t> left;
        for (std::size_t i = 0; i < played.size(); i += 2) {
            left.push_back(played[i]);
        }
        return left;
    }

    test::TTempFolder folder;
    std::vector<int16_t> played;
    uint64_t step = ClockRate / 60;
    uint64_t elapsed = 0; // clock ticks
};

// A mono streamed track whose second N is a tone of StepHz(N): where the output is in the
// file shows in its pitch.
double StepHz(int second) {
    return 200 + 100 * second;
}
std::string SteppedTrack(int seconds) {
    std::vector<int16_t> samples;
    for (int second = 0; second < seconds; ++second) {
        const auto tone = test::SineWave(1, Rate, Rate, StepHz(second), 8000);
        samples.insert(samples.end(), tone.begin(), tone.end());
    }
    return test::OggFile(1, Rate, samples, {"STREAMING=YES"});
}
// The pitch of Count frames of Left from From, by its rising zero crossings.
double Pitch(const std::vector<int16_t>& left, std::size_t from, std::size_t count) {
    int rising = 0;
    for (std::size_t i = from + 1; i < from + count && i < left.size(); ++i) {
        rising += left[i - 1] < 0 && left[i] >= 0 ? 1 : 0;
    }
    return rising * static_cast<double>(Rate) / static_cast<double>(count);
}
// The longest run of exact zeros in Left from From on.
std::size_t LongestSilence(const std::vector<int16_t>& left, std::size_t from) {
    std::size_t longest = 0;
    std::size_t run = 0;
    for (std::size_t i = from; i < left.size(); ++i) {
        run = left[i] == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

std::string Patched(std::string bytes, std::size_t offset, uint16_t value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
    return bytes;
}

TEST_F(Audio, DamagedSoundFilesAreLoggedByNameAndPlayAsSilence) {
    const std::string wave = test::WaveFile(1, Rate, std::vector<int16_t>(100, 1000));
    std::string list = wave;
    list.insert(36, std::string("LIST\4\0\0\0INFO", 12));
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"G8List", list, "Invalid structure of file"},
        {"G8Bits", Patched(wave, 34, 8), "Unsupported bits per sample"},
        {"G8Three", Patched(wave, 22, 3), "Unsupported number of channels"},
        {"G8Cut", wave.substr(0, wave.size() - 10), "Unexpected end of file"},
        {"G8Text", "hello, world", "Invalid file type"},
        {"G8NoRate", Patched(wave, 24, 0), "Failed to create secondary buffer"},
    };
    for (const auto& c : cases) {
        Put(std::string("Ordinary/") + c.name + ".wav", c.bytes);
    }
    Put("Ordinary/G8Garbage.ogg", "OggS and then nothing sensible");

    for (const auto& c : cases) {
        TSource* source = PlaySound(nullptr, c.name, false, 0);
        ASSERT_NE(source, nullptr) << c.name;
        EXPECT_EQ(source->Buffer(), nullptr) << c.name;
        EXPECT_EQ(source->Sample()->Duration(), 0.0f) << c.name;
    }
    GetSample("G8Garbage");
    GetSample("G8Absent");
    Frames(1);
    EXPECT_EQ(AudioSources()->Count(), 0) << "silent one-shots go back to the pool";

    std::vector<std::string> expected;
    for (const auto& c : cases) {
        expected.push_back(std::string("Failed to load audio sample \"") + c.name + "\" (" +
                           c.message + ")");
    }
    expected.push_back("Failed to load audio sample \"G8Garbage\" (Failed to open ogg file)");
    expected.push_back("Failed to load audio sample \"G8Absent\" (Missing file)");
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(Audio, SamplesAreFoundInOrdinaryBeforeBrandingAndOggBeforeWav) {
    Put("Ordinary/G8Both.ogg",
        test::OggFile(1, Rate, test::SineWave(1, Rate, Rate / 2, 440, 8000)));
    Put("Ordinary/G8Both.wav", "not even a wave");
    Put("Branding/G8Brand.wav", test::WaveFile(2, 22050, std::vector<int16_t>(22050 * 2, 5)));
    const TSample* both = GetSample("G8Both");
    ASSERT_NE(both->Buffer(), nullptr);
    EXPECT_NEAR(both->Duration(), 0.5f, 1e-4);
    const TSample* brand = GetSample("G8Brand");
    ASSERT_NE(brand->Buffer(), nullptr);
    EXPECT_EQ(brand->Folder(), sfBranding);
    EXPECT_NEAR(brand->Duration(), 1.0f, 1e-4);
    EXPECT_EQ(GetSample("G8Both"), both) << "loaded once, kept for the run";
    EXPECT_TRUE(LogEmpty());
}

TEST_F(Audio, GroupVolumesMapThroughTheTableAndAMutedGroupKeepsItsLoops) {
    EXPECT_EQ(VolumeLevel(1.0f), 0);
    EXPECT_EQ(VolumeLevel(0.5f), -1050);
    EXPECT_EQ(VolumeLevel(0.0f), -10000);
    EXPECT_EQ(GroupVolume(0), 10);
    EXPECT_EQ(GroupVolume(MusicGroup), 8);

    PutLevel("G8Hum", 1, 8000);
    TSource* hum = PlaySound(this, "G8Hum", true, 0);
    Seconds(0.2);
    EXPECT_EQ(hum->Level(), 0);
    EXPECT_EQ(LastLeft(100), std::vector<int16_t>(100, 8000))
        << "full volume leaves samples as they are";

    SetGroupVolume(0, 5);
    Seconds(0.2);
    EXPECT_EQ(hum->Level(), -1050);
    EXPECT_NEAR(PeakOfLast(100), 8000 * std::pow(10.0, -1050 / 2000.0), 1);

    SetGroupVolume(0, 0);
    EXPECT_FALSE(GroupEnabled(0));
    EXPECT_EQ(PlaySound(this, "G8Hum", false, 0), nullptr) << "no one-shots in a muted group";
    Seconds(0.5);
    EXPECT_EQ(PeakOfLast(FrameSamples * 10), 0);
    ASSERT_EQ(SourceOf("G8Hum"), hum) << "a muted loop waits for its group";

    SetGroupVolume(0, 10);
    Seconds(0.2);
    EXPECT_EQ(hum->Level(), 0);
    EXPECT_EQ(PeakOfLast(100), 8000);
}

TEST_F(Audio, SourcesEndStopWithTheirOwnerAndShareBusySamples) {
    PutLevel("G8Hum", 1, 3000);
    PutLevel("G8Blip", 0.1, 1000);
    const int owner = 0;
    TSource* first = PlaySound(&owner, "G8Hum", true, 1);
    TSource* second = PlaySound(&owner, "G8Hum", true, 1);
    EXPECT_EQ(first->Buffer(), first->Sample()->Buffer());
    EXPECT_NE(second->Buffer(), first->Buffer()) << "a busy sample plays through a duplicate";
    PlaySound(nullptr, "G8Blip", false, 0);
    Seconds(0.05);
    EXPECT_EQ(SourcesOf("G8Blip").size(), 1u);
    Seconds(0.3);
    EXPECT_EQ(PeakOfLast(100), 6000) << "both instances sound";
    EXPECT_TRUE(SourcesOf("G8Blip").empty()) << "a finished one-shot returns to the pool";

    AudioPause();
    EXPECT_TRUE(first->Playing());
    EXPECT_FALSE(first->Buffer()->Playing());
    AudioResume();
    EXPECT_TRUE(first->Buffer()->Playing());

    StopSoundsOf(&owner);
    EXPECT_EQ(AudioSources()->Count(), 0);
    PutLevel("G8InputKey", 0.05, 10);
    PlayKeyClick();
    ASSERT_NE(SourceOf("G8InputKey"), nullptr);
    EXPECT_EQ(SourceOf("G8InputKey")->Group(), 0);
}

TEST_F(Audio, TracksCrossFadeInOneSecond) {
    PutLevel("M0Dawn", 3, 1000);
    PutLevel("M0Dusk", 3, 2000);
    PlayMusic("M0Dawn");
    Seconds(1.5);
    TSource* dawn = SourceOf("M0Dawn");
    ASSERT_NE(dawn, nullptr);
    EXPECT_EQ(dawn->Level(), VolumeLevel(0.8f * 0.75f));

    PlayMusic("M0Dusk");
    Frames(30);
    TSource* dusk = SourceOf("M0Dusk");
    ASSERT_NE(dusk, nullptr);
    EXPECT_EQ(CurrentMusicName(), "M0Dusk");
    EXPECT_EQ(dawn->Level(), VolumeLevel(0.3f)) << "half way through the fade";
    EXPECT_EQ(dusk->Level(), VolumeLevel(0.3f));
    Frames(32);
    EXPECT_EQ(SourceOf("M0Dawn"), nullptr) << "the old track is gone after a second";
    EXPECT_EQ(dusk->Level(), VolumeLevel(0.6f));
}

TEST_F(Audio, QueuedTrackFollowsFifteenSecondsAfterTheCurrentSettled) {
    PutLevel("M0Dawn", 1, 1000);
    PutLevel("M0Dusk", 1, 2000);
    QueueMusic("M0Dawn");
    EXPECT_EQ(CurrentMusicName(), "M0Dawn") << "with no music a queued track starts at once";
    QueueMusic("M0Dusk");
    Seconds(0.5);
    QueueMusic("M0Dawn");
    QueueMusic("M0Dusk");
    int frames = 0;
    while (CurrentMusicName() == "M0Dawn" && frames < 60 * 30) {
        Frames(1);
        ++frames;
    }
    // One second of fade, then fifteen of steady play, counted from the queueing call.
    EXPECT_NEAR(frames, 60 * 16 - 30, 2);
    EXPECT_EQ(SourcesOf("M0Dawn").size(), 1u) << "fading out";
    Seconds(1.1);
    EXPECT_TRUE(SourcesOf("M0Dawn").empty());

    QueueMusic("M0Dawn");
    SkipMusicWait();
    Frames(1);
    EXPECT_EQ(CurrentMusicName(), "M0Dawn");
}

TEST_F(Audio, JingleDucksTheMusicWithinHalfASecondAndLetsItRecover) {
    PutLevel("M0Dawn", 2, 1000);
    PutLevel("J0Fanfare", 4, 1000);
    PlayMusic("M0Dawn");
    Seconds(1.5);
    TSource* music = SourceOf("M0Dawn");
    const int32_t steady = VolumeLevel(0.6f);
    ASSERT_EQ(music->Level(), steady);

    PlayJingle("J0Fanfare");
    Frames(15);
    EXPECT_GT(music->Level(), SilentLevel);
    Frames(16);
    EXPECT_EQ(music->Level(), SilentLevel) << "fully ducked after half a second";
    Seconds(2.4);
    EXPECT_EQ(music->Level(), SilentLevel) << "ducked while more than a second remains";
    Seconds(0.6);
    // Half a second into the recovery: ducked by three quarters.
    EXPECT_EQ(music->Level(), VolumeLevel(0.6f * 0.25f));
    Seconds(1.6);
    EXPECT_EQ(music->Level(), steady);
    EXPECT_EQ(SourceOf("J0Fanfare"), nullptr) << "the finished jingle is released";
}

TEST_F(Audio, MusicMutedAndBackRestartsItsTrackWithAFadeIn) {
    PutLevel("M0Dawn", 3, 8000);
    Put("Ordinary/M0Stream.ogg",
        test::OggFile(1, Rate, test::SineWave(1, Rate, Rate * 2, 500, 8000), {"STREAMING=YES"}));
    for (const char* name : {"M0Dawn", "M0Stream"}) {
        SCOPED_TRACE(name);
        PlayMusic(name);
        Seconds(2);
        TSource* old = SourceOf(name);
        ASSERT_NE(old, nullptr);
        SetGroupVolume(MusicGroup, 0);
        Seconds(0.5);
        EXPECT_EQ(PeakOfLast(FrameSamples * 20), 0);
        SetGroupVolume(MusicGroup, 8);
        Frames(1);
        const auto both = SourcesOf(name);
        ASSERT_EQ(both.size(), 2u);
        TSource* fresh = both[0] == old ? both[1] : both[0];
        EXPECT_NE(fresh->Buffer(), nullptr);
        EXPECT_LT(fresh->Buffer()->Position(), old->Buffer()->Position()) << "from the start";
        Seconds(1.1);
        EXPECT_EQ(SourceOf(name), fresh);
        EXPECT_EQ(fresh->Level(), VolumeLevel(0.6f));
        EXPECT_GT(PeakOfLast(FrameSamples * 20), 1000) << "the restarted track is heard";
        PlayMusic("");
        Seconds(1.1);
    }
    EXPECT_TRUE(LogEmpty());
}

TEST_F(Audio, StreamedTrackLoopsWithoutAGap) {
    // 0.7 s of a 500 Hz sine: a whole number of periods, and loop points inside ring blocks.
    const int length = Rate * 7 / 10;
    Put("Ordinary/M0Loop.ogg",
        test::OggFile(1, Rate, test::SineWave(1, Rate, length, 500, 12000), {"STREAMING=YES"}));
    TSource* loop = PlaySound(nullptr, "M0Loop", true, 0);
    ASSERT_NE(loop->Buffer(), nullptr);
    Seconds(4);
    std::vector<int16_t> left;
    for (std::size_t i = 0; i < played.size(); i += 2) {
        left.push_back(played[i]);
    }
    const auto start = std::find_if(left.begin(), left.end(), [](int16_t v) { return v != 0; });
    ASSERT_LT(start - left.begin(), Rate / 2) << "starts within half a second";
    const std::vector<int16_t> heard(start, left.end());
    ASSERT_GT(heard.size(), static_cast<std::size_t>(length) * 4);
    // Every loop repeats the one before sample for sample, so no frame is lost or added...
    for (std::size_t i = length; i < heard.size(); ++i) {
        ASSERT_EQ(heard[i], heard[i - length]) << "at " << i;
    }
    // ...and the first one is the sine throughout, its end running on into its start.
    for (std::size_t i = 1; i < static_cast<std::size_t>(length) + 100; ++i) {
        ASSERT_LT(std::abs(heard[i] - heard[i - 1]), 1200) << "at " << i;
    }
    for (std::size_t i = 0; i + 100 < static_cast<std::size_t>(length) * 2; i += 100) {
        const auto window = std::minmax_element(heard.begin() + i, heard.begin() + i + 100);
        ASSERT_GT(*window.second - *window.first, 15000) << "at " << i;
    }
}

TEST_F(Audio, SteadyFramesAllocateNothing) {
    PutLevel("G8Hum", 0.5, 100);
    Put("Ordinary/M0Stream.ogg",
        test::OggFile(2, Rate, test::SineWave(2, Rate, Rate * 3, 300, 4000), {"STREAMING=YES"}));
    for (int i = 0; i < 16; ++i) {
        PlaySound(nullptr, "G8Hum", true, i % 2);
    }
    PlayMusic("M0Stream");
    Seconds(2);
    AudioCaptureTo(nullptr);
    const int64_t before = test::AllocationCount();
    Seconds(8);
    EXPECT_EQ(test::AllocationCount(), before);
}

TEST_F(Audio, EveryVolumeStepAndTheJingleLevelFollowTheTable) {
    constexpr int32_t Table[21] = {0,     -60,   -130,  -210,  -300,  -400,  -510,
                                   -630,  -760,  -900,  -1050, -1210, -1380, -1560,
                                   -1750, -1950, -2160, -2380, -2610, -2850, -10000};
    for (int index = 0; index <= 20; ++index) {
        EXPECT_EQ(VolumeLevel(static_cast<float>(20 - index) / 20), Table[index]) << index;
    }
    // The same steps reached through a source: group volume times the source's own.
    PutLevel("G8Hum", 1, 1000);
    TSource* hum = PlaySound(this, "G8Hum", true, 1);
    for (int group = 1; group <= 10; ++group) {
        SetGroupVolume(1, group);
        EXPECT_EQ(hum->Level(), Table[20 - 2 * group]) << "group volume " << group;
    }
    hum->SetVolume(0.45f);
    EXPECT_EQ(hum->Level(), Table[11]);

    // A jingle plays at 0.875 of the music group's volume.
    PutLevel("J0Fanfare", 2, 1000);
    const struct {
        int32_t group;
        int32_t level;
    } jingles[] = {{8, -510}, {10, -130}, {5, -1210}, {1, -2610}};
    for (const auto& c : jingles) {
        SetGroupVolume(MusicGroup, c.group);
        PlayJingle("J0Fanfare");
        ASSERT_NE(SourceOf("J0Fanfare"), nullptr);
        EXPECT_EQ(SourceOf("J0Fanfare")->Level(), c.level) << "music volume " << c.group;
    }
}

TEST_F(Audio, PlaySoundAndPlaySampleTakeGroupNumbersAlike) {
    PutLevel("G8Blip", 0.1, 1000);
    TSample* blip = GetSample("G8Blip");
    for (int32_t group : {-1, 0, 2, 3, 7}) {
        TSource* byName = PlaySound(this, "G8Blip", false, group);
        TSource* bySample = PlaySample(this, blip, false, group);
        ASSERT_NE(byName, nullptr) << group;
        ASSERT_NE(bySample, nullptr) << group;
        EXPECT_EQ(byName->Group(), bySample->Group()) << group;
        EXPECT_EQ(byName->Group(), std::clamp(group, 0, 2)) << group;
    }
    SetGroupVolume(MusicGroup, 0);
    EXPECT_EQ(PlaySound(this, "G8Blip", false, 5), nullptr);
    EXPECT_EQ(PlaySample(this, blip, false, 5), nullptr);
}

TEST_F(Audio, SkipMusicWaitStartsTheQueuedTrackAtTheNextUpdateWhateverTheFade) {
    PutLevel("M0Dawn", 2, 1000);
    PutLevel("M0Dusk", 2, 2000);
    PutLevel("M0Noon", 2, 3000);
    // A switch not yet carried out.
    PlayMusic("M0Dawn");
    QueueMusic("M0Dusk");
    SkipMusicWait();
    Frames(1);
    EXPECT_EQ(CurrentMusicName(), "M0Dusk");
    EXPECT_TRUE(SourcesOf("M0Dawn").empty());
    ASSERT_EQ(SourcesOf("M0Dusk").size(), 1u);

    // Half way through the fade in.
    Frames(30);
    QueueMusic("M0Noon");
    SkipMusicWait();
    Frames(1);
    EXPECT_EQ(CurrentMusicName(), "M0Noon");
    EXPECT_EQ(SourcesOf("M0Noon").size(), 1u);

    // A skip with nothing queued is spent at that update.
    Seconds(2);
    SkipMusicWait();
    Frames(1);
    QueueMusic("M0Dawn");
    Seconds(2);
    EXPECT_EQ(CurrentMusicName(), "M0Noon");
}

TEST_F(Audio, ANewSoundStartsWithinOneDevicePeriod) {
    PutLevel("G8Blip", 0.05, 5000);
    Frames(3);
    std::size_t worst = 0;
    // Frames of 735 output frames meet periods of 512 at every phase.
    for (int attempt = 0; attempt < 12; ++attempt) {
        const std::size_t asked = Now();
        PlaySound(nullptr, "G8Blip", false, 0);
        Frames(1);
        const std::vector<int16_t> left = Left();
        const auto heard = std::find_if(left.begin() + static_cast<std::ptrdiff_t>(asked),
                                        left.end(), [](int16_t v) { return v != 0; });
        ASSERT_NE(heard, left.end()) << attempt;
        worst = std::max(worst, static_cast<std::size_t>(heard - left.begin()) - asked);
        Frames(7 + attempt % 3);
    }
    EXPECT_LE(worst, static_cast<std::size_t>(MixPeriod));
}

TEST_F(Audio, StreamedTrackFollowsItsFilePastOneRing) {
    Put("Ordinary/M0Steps.ogg", SteppedTrack(10));
    PlaySound(nullptr, "M0Steps", true, 0);
    Seconds(9.5);
    const std::vector<int16_t> left = Left();
    const auto start = static_cast<std::size_t>(
        std::find_if(left.begin(), left.end(), [](int16_t v) { return v != 0; }) - left.begin());
    ASSERT_LT(start, static_cast<std::size_t>(Rate / 2));
    ASSERT_GE(left.size(), start + Rate * 9);
    // Seconds 6 to 8 come from the file, not from the blocks the ring held before.
    for (int second = 0; second < 9; ++second) {
        const std::size_t from = start + static_cast<std::size_t>(second) * Rate + Rate / 5;
        EXPECT_NEAR(Pitch(left, from, Rate * 3 / 5), StepHz(second), 10) << "second " << second;
    }
    EXPECT_LT(LongestSilence(left, start), 4u);
}

TEST_F(Audio, MusicPlaysOnThroughALongFrame) {
    Put("Ordinary/M0Steps.ogg", SteppedTrack(8));
    PlayMusic("M0Steps");
    Seconds(2.5);
    LongFrame(0.5);
    Seconds(2);
    const std::vector<int16_t> left = Left();
    ASSERT_GE(left.size(), Now()) << "the device played the whole long frame";
    const auto start = static_cast<std::size_t>(
        std::find_if(left.begin(), left.end(), [](int16_t v) { return v != 0; }) - left.begin());
    ASSERT_LT(start, static_cast<std::size_t>(Rate / 2));
    EXPECT_LT(LongestSilence(left, start), 4u) << "no gap";
    // The long frame neither skipped nor repeated any of the track.
    for (int second = 1; second < 4; ++second) {
        const std::size_t from = start + static_cast<std::size_t>(second) * Rate + Rate / 5;
        EXPECT_NEAR(Pitch(left, from, Rate * 3 / 5), StepHz(second), 10) << "second " << second;
    }
    EXPECT_TRUE(LogEmpty());
}

TEST_F(Audio, ALostDeviceLeavesTheGameSilentWithOneShotsStillEnding) {
    PutLevel("G8Hum", 1, 1000);
    PutLevel("G8Blip", 0.2, 1000);
    Put("Ordinary/M0Steps.ogg", SteppedTrack(2));
    TSource* hum = PlaySound(this, "G8Hum", true, 0);
    PlayMusic("M0Steps");
    Seconds(0.5);
    AudioDeviceLost(7);
    AudioDeviceLost(7);
    ASSERT_EQ(LogLines().size(), 1u);
    const std::size_t heard = played.size();
    for (int frame = 0; frame < 120; ++frame) {
        PlaySound(nullptr, "G8Blip", false, 1);
        Frames(1);
        // 0.2 s of one-shots, the loop and the music.
        ASSERT_LE(AudioSources()->Count(), 16) << frame;
    }
    Seconds(0.5);
    EXPECT_TRUE(SourcesOf("G8Blip").empty());
    EXPECT_EQ(SourceOf("G8Hum"), hum);
    EXPECT_EQ(played.size(), heard) << "nothing reaches the lost device";
    EXPECT_TRUE(AudioDevicePresent());
    EXPECT_TRUE(GroupEnabled(0));
    AudioPause();
    AudioResume();
    EXPECT_EQ(LogLines().size(), 1u);
}

class SilentAudio : public Audio {
protected:
    void SetUp() override {}
};

TEST_F(SilentAudio, NoSoundHandsOutSourcesAndLogsNothing) {
    Begin(false, true);
    EXPECT_FALSE(AudioDevicePresent());
    EXPECT_FALSE(GroupEnabled(0));
    TSource* loop = PlaySound(this, "G8Absent", true, 1);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Buffer(), nullptr);
    EXPECT_EQ(PlaySound(this, "G8Absent", false, 1), nullptr);
    PlayMusic("M0Absent");
    PlayJingle("J0Absent");
    PlayKeyClick();
    Seconds(1);
    EXPECT_EQ(SourceOf("G8Absent"), loop);
    EXPECT_EQ(CurrentMusicName(), "M0Absent");
    AudioPause();
    AudioResume();
    EXPECT_TRUE(LogEmpty());
}

TEST_F(SilentAudio, ADeviceThatCannotOpenIsLoggedAndTheGameRunsSilently) {
    test::TEnvironment environment;
    environment.Set("SDL_AUDIODRIVER", "valdmoor-no-such-driver");
    Begin(false, false);
    EXPECT_FALSE(AudioDevicePresent());
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0].rfind("Failed to create DirectSound device", 0), 0u);
    EXPECT_NE(PlaySound(this, "G8Absent", true, 0), nullptr);
    Seconds(0.1);
}

TEST_F(SilentAudio, SdlDeviceTakesTheMix) {
    test::TEnvironment environment;
    environment.Set("SDL_AUDIODRIVER", "dummy");
    Begin(false, false);
    ASSERT_TRUE(AudioDevicePresent()) << (LogEmpty() ? "" : LogLines()[0]);
    EXPECT_GT(AudioRate(), 0);
    PutLevel("G8Hum", 0.2, 100);
    Put("Ordinary/M0Steps.ogg", SteppedTrack(2));
    TSource* hum = PlaySound(this, "G8Hum", true, 0);
    ASSERT_NE(hum, nullptr);
    // No game frame runs, yet the device goes on: a long frame is no gap.
    const uint32_t before = hum->Buffer()->Position();
    for (int wait = 0; wait < 100 && hum->Buffer()->Position() == before; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(hum->Buffer()->Position(), before);
    PlayMusic("M0Steps");
    // The device's thread mixes while this one starts, stops and refills.
    for (int frame = 0; frame < 60; ++frame) {
        PlaySound(nullptr, "G8Hum", false, frame % 2);
        SetGroupVolume(1, frame % 11);
        Frames(1);
        if (frame % 20 == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    StopSoundsOf(this);
    AudioPause();
    AudioResume();
    EXPECT_TRUE(LogEmpty());
}

} // namespace
} // namespace valdmoor
