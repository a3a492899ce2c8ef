// Feeds arbitrary bytes to the WAV reader and the Ogg Vorbis reader, whole and streamed, and
// plays whatever loads for a few frames through the mixer.
#include "app/EngineApplication.h"
#include "audio/SoundFiles.h"
#include "audio/SoundStream.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace valdmoor;

TSoundDevice& Device() {
    static TSoundDevice device(CreateNullSink());
    return device;
}

void Play(TSoundBuffer& buffer, bool looping) {
    buffer.Play(looping);
    for (int frame = 0; frame < 3; ++frame) {
        Device().Sync(1.0f / 60);
    }
    if (buffer.Position() > buffer.Size()) {
        std::abort();
    }
    buffer.Stop();
}

void Check(const TLoadedSound& sound) {
    if (sound.Buffer == nullptr || !(sound.Duration > 0) || !std::isfinite(sound.Duration) ||
        sound.Buffer->Size() > MaxBufferBytes) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TMemoryStream stream(bytes);
        TLoadedSound sound = LoadWave(Device(), stream);
        Check(sound);
        Play(*sound.Buffer, true);
    } catch (const EngineError&) {
    }
    try {
        TOggDecoder decoder;
        decoder.Open(std::make_unique<TMemoryStream>(bytes));
        decoder.HasComment("STREAMING=YES");
        TLoadedSound sound = DecodeWholeOgg(Device(), decoder, 1 << 22);
        Check(sound);
        Play(*sound.Buffer, false);
    } catch (const EngineError&) {
    }
    try {
        TOggDecoder decoder;
        decoder.Open(std::make_unique<TMemoryStream>(bytes));
        if (std::unique_ptr<TSoundStream> stream =
                TSoundStream::Create(Device(), decoder.Format())) {
            stream->Start(std::make_unique<TMemoryStream>(bytes));
            stream->Buffer().Play(true);
            // Enough frames to fill and play past the first block.
            for (int frame = 0; frame < 40 && stream->Open(); ++frame) {
                stream->Service(0.1f);
                Device().Sync(0.1f);
            }
        }
    } catch (const EngineError&) {
    }
    return 0;
}
