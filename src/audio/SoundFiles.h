// Readers of the two sound file formats: WAV files of one exact layout, and Ogg Vorbis through
// the vorbisfile decoder. Damaged files raise EngineError with what was wrong; nothing is
// allocated from a size a file states before it is checked against the data really there.
#pragma once

#include "audio/SoundBuffers.h"
#include "storage/EngineStorage.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct OggVorbis_File;

namespace valdmoor {

struct TWaveHeader {
    TPcmFormat Format;
    uint32_t DataSize = 0;
};

// Reads up to the first byte of sound data. The file must be "RIFF", "WAVE", a 16-byte
// "fmt " chunk of 16-bit PCM with one or two channels, then at once the "data" chunk.
TWaveHeader ReadWaveHeader(TStream& stream);

struct TLoadedSound {
    std::unique_ptr<TSoundBuffer> Buffer;
    float Duration = 0; // seconds
};

// A whole WAV file in a buffer of its own.
TLoadedSound LoadWave(TSoundDevice& device, TStream& stream);

class TOggDecoder {
public:
    TOggDecoder();
    ~TOggDecoder();
    TOggDecoder(const TOggDecoder&) = delete;
    TOggDecoder& operator=(const TOggDecoder&) = delete;

    // Raises "Failed to open ogg file", or "Unsupported number of channels" above two.
    void Open(std::unique_ptr<TStream> stream);
    void Close();
    bool IsOpen() const { return open_; }

    const TPcmFormat& Format() const { return format_; }
    // Whether one of the stream's comments is exactly Text.
    bool HasComment(std::string_view text) const;
    // Frames of the whole file; -1 when the decoder cannot tell.
    int64_t TotalFrames();

    // Decodes up to Size bytes of 16-bit little-endian PCM. Returns the bytes written, 0 at the
    // end of the data, below 0 on damaged data or a part in another format.
    long Read(uint8_t* buffer, int32_t size);
    // The same, going on from the beginning at the end, so the data never ends; below 0 also
    // for a file without any sound.
    long ReadLooping(uint8_t* buffer, int32_t size);

private:
    std::unique_ptr<OggVorbis_File> file_;
    std::unique_ptr<TStream> stream_;
    TPcmFormat format_;
    bool open_ = false;
};

// Decodes the rest of an open file into one buffer of at most MaxBytes. Raises "Failed to
// decode audio data" and, for a file with no sound or too much, "Failed to create secondary
// buffer".
TLoadedSound DecodeWholeOgg(TSoundDevice& device, TOggDecoder& decoder,
                            uint32_t maxBytes = MaxBufferBytes);

} // namespace valdmoor
