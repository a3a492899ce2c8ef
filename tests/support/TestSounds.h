// Sounds the audio tests and benchmarks make for themselves: WAV bytes written directly and
// Ogg Vorbis encoded on the spot, so no recording is checked in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace valdmoor::test {

// Interleaved 16-bit frames of a sine (the same in every channel).
std::vector<int16_t> SineWave(int channels, int rate, int frames, double frequency,
                              double amplitude);
// The bytes of a 16-bit PCM WAV file: "RIFF", "WAVE", a 16-byte "fmt " chunk, "data".
std::string WaveFile(int channels, int rate, const std::vector<int16_t>& samples);
// The bytes of an Ogg Vorbis file holding Samples, with Comments such as "STREAMING=YES".
std::string OggFile(int channels, int rate, const std::vector<int16_t>& samples,
                    const std::vector<std::string>& comments = {}, float quality = 0.5f);

} // namespace valdmoor::test
