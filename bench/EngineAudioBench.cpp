// Cost of audio with a busy soundscape: sixteen looping sources at two rates and a streamed
// music track, whose decoding is spread over the frames.
// - BM_AudioUpdate: one game frame's AudioUpdate on the null sink, which also renders the
//   frame's periods there (one or two of 512 frames); with a real device that mixing runs on
//   its own thread instead. Reports the typical (median) frame and the worst ones, which carry
//   the stream's decoding slices and block writes, in wall time and in the thread's own
//   processor time (which a busy machine's preemption leaves out).
// - BM_MixPeriod: one device period rendered by the mixer, what the device's thread pays every
//   11.6 ms at 44.1 kHz.
#include "TestSounds.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "audio/SoundBuffers.h"
#include "platform/EngineTimer.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

double ThreadMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Ten seconds of a chord with some noise: closer to music than a pure tone for the decoder.
std::vector<int16_t> Music(int rate) {
    std::vector<int16_t> samples = test::SineWave(2, rate, rate * 10, 220, 5000);
    const std::vector<int16_t> fifth = test::SineWave(2, rate, rate * 10, 330, 4000);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-1500, 1500);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(samples[i] + fifth[i] + noise(random));
    }
    return samples;
}

// Times of AudioUpdate, one frame at a time.
class TFrameTimes {
public:
    explicit TFrameTimes(std::size_t frames) {
        wall_.reserve(frames);
        cpu_.reserve(frames);
    }
    void Frame() {
        TimerUpdate();
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = ThreadMicros();
        AudioUpdate();
        cpu_.push_back(ThreadMicros() - startCpu);
        wall_.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    double Wall(double fraction) { return At(wall_, fraction); }
    double Cpu(double fraction) { return At(cpu_, fraction); }

private:
    static double At(std::vector<double>& times, double fraction) {
        std::sort(times.begin(), times.end());
        const auto index = static_cast<std::size_t>(fraction * static_cast<double>(times.size()));
        return times[std::min(index, times.size() - 1)];
    }
    std::vector<double> wall_;
    std::vector<double> cpu_;
};

void BM_AudioUpdate(benchmark::State& state) {
    test::TTempFolder folder;
    TSwitches switches;
    switches.Headless = true;
    SetSwitches(switches);
    ApplicationStart();
    SetStorageFolderPath(sfOrdinary, folder.Path().string());
    folder.Write("G8Wind.wav", test::WaveFile(2, 44100, test::SineWave(2, 44100, 44100, 97, 3000)));
    folder.Write("G8Birds.wav",
                 test::WaveFile(1, 22050, test::SineWave(1, 22050, 33075, 880, 2000)));
    folder.Write("M0Theme.ogg", test::OggFile(2, 44100, Music(44100), {"STREAMING=YES"}));
    TimerStartWith(CreateFixedStepClock());
    AudioStart();
    for (int i = 0; i < 16; ++i) {
        PlaySound(nullptr, i % 2 == 0 ? "G8Wind" : "G8Birds", true, i % 2);
    }
    // The first frames load the track, open its stream and fill the ring's first blocks.
    PlayMusic("M0Theme");
    TFrameTimes first(120);
    for (int i = 0; i < 120; ++i) {
        first.Frame();
    }
    TFrameTimes steady(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state) {
        steady.Frame();
    }
    state.counters["median_us"] = steady.Wall(0.5);
    state.counters["p99_us"] = steady.Wall(0.99);
    state.counters["worst_us"] = steady.Wall(1);
    state.counters["worst_cpu_us"] = steady.Cpu(1);
    state.counters["start_worst_us"] = first.Wall(1);
    state.counters["start_worst_cpu_us"] = first.Cpu(1);
    state.counters["sources"] = AudioSources()->Count();

    AudioStop();
    TimerStop();
    ApplicationStop();
    StorageReset();
    SetSwitches(TSwitches{});
}
// Two minutes of game at 60 frames per second.
BENCHMARK(BM_AudioUpdate)->Iterations(60 * 120)->Unit(benchmark::kMicrosecond);

void BM_MixPeriod(benchmark::State& state) {
    TSoundDevice device(CreateNullSink());
    std::vector<std::unique_ptr<TSoundBuffer>> buffers;
    for (int i = 0; i < 17; ++i) {
        const bool stereo = i % 2 == 0;
        const int rate = stereo ? 44100 : 22050;
        const int channels = stereo ? 2 : 1;
        buffers.push_back(device.CreateBuffer(TPcmFormat::Pcm16(channels, rate),
                                              test::SineWave(channels, rate, rate, 97 + i, 1500)));
        buffers.back()->SetVolume(-300 * (i % 4));
        buffers.back()->Play(true);
    }
    std::vector<int16_t> out(static_cast<std::size_t>(MixPeriod) * 2);
    for (auto _ : state) {
        device.Render(out.data(), MixPeriod);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["buffers"] = static_cast<double>(buffers.size());
    state.counters["period_frames"] = MixPeriod;
    buffers.clear();
}
BENCHMARK(BM_MixPeriod)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace valdmoor
