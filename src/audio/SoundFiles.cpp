#include "audio/SoundFiles.h"

#include "app/EngineApplication.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

// The header's static callback tables would be unused in every unit that includes it.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace valdmoor {

namespace {

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int32_t ToInt32(uint32_t value) {
    return static_cast<int32_t>(std::min<uint32_t>(value, INT32_MAX));
}

// Reads Size bytes that start with the identifier Id. Bytes that already differ from it raise
// Wrong; a file that ends before Size bytes raises "Unexpected end of file".
void ReadTagged(TStream& stream, uint8_t* bytes, std::size_t size, const char (&id)[5],
                const char* wrong) {
    const std::size_t got = stream.Read(bytes, size);
    if (std::memcmp(bytes, id, std::min<std::size_t>(got, 4)) != 0) {
        throw EngineError(wrong);
    }
    if (got < size) {
        throw EngineError("Unexpected end of file");
    }
}

// vorbisfile reads through these; no exception may cross its C frames.
std::size_t ReadCallback(void* target, std::size_t size, std::size_t count, void* source) {
    if (size == 0 || count == 0) {
        return 0;
    }
    count = std::min(count, SIZE_MAX / size);
    try {
        return static_cast<TStream*>(source)->Read(target, size * count) / size;
    } catch (...) {
        return 0;
    }
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    auto* stream = static_cast<TStream*>(source);
    try {
        const int64_t size = stream->Size();
        const int64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? stream->Position()
                                                  : size;
        if (offset < -base || offset > size - base) {
            return -1;
        }
        stream->Seek(base + offset);
        return 0;
    } catch (...) {
        return -1;
    }
}

long TellCallback(void* source) {
    try {
        return static_cast<long>(static_cast<TStream*>(source)->Position());
    } catch (...) {
        return -1;
    }
}

} // namespace

TWaveHeader ReadWaveHeader(TStream& stream) {
    uint8_t riff[12];
    ReadTagged(stream, riff, 8, "RIFF", "Invalid file type");
    ReadTagged(stream, riff + 8, 4, "WAVE", "Invalid file type");
    uint8_t chunk[24];
    ReadTagged(stream, chunk, 24, "fmt ", "Invalid structure of file");
    const uint8_t* format = chunk + 8;
    if (U32(chunk + 4) != 16 || U16(format) != 1) {
        throw EngineError("Unsupported compression format");
    }
    if (U16(format + 14) != 16) {
        throw EngineError("Unsupported bits per sample");
    }
    const uint16_t channels = U16(format + 2);
    // No channel at all is as unplayable as three.
    if (channels > 2 || channels == 0) {
        throw EngineError("Unsupported number of channels");
    }
    uint8_t data[8];
    ReadTagged(stream, data, 8, "data", "Invalid structure of file");

    TWaveHeader header;
    header.Format.Channels = channels;
    header.Format.Rate = ToInt32(U32(format + 4));
    header.Format.BytesPerSecond = ToInt32(U32(format + 8));
    header.Format.BlockAlign = U16(format + 12);
    header.DataSize = U32(data + 4);
    return header;
}

TLoadedSound LoadWave(TSoundDevice& device, TStream& stream) {
    const TWaveHeader header = ReadWaveHeader(stream);
    if (header.DataSize > stream.Size() - stream.Position()) {
        throw EngineError("Unexpected end of file");
    }
    if (!header.Format.Valid() || header.DataSize > MaxBufferBytes) {
        throw EngineError("Failed to create secondary buffer");
    }
    // Read before the buffer exists: locking a buffer for the length of a file read would
    // keep the mixer waiting.
    std::vector<int16_t> samples((header.DataSize + 1) / 2);
    if (stream.Read(samples.data(), header.DataSize) < header.DataSize) {
        throw EngineError("Unexpected end of file");
    }
    TLoadedSound sound;
    sound.Buffer = device.CreateBuffer(header.Format, std::move(samples));
    if (sound.Buffer == nullptr) {
        throw EngineError("Failed to create secondary buffer");
    }
    sound.Duration =
        static_cast<float>(header.DataSize) / static_cast<float>(header.Format.BytesPerSecond);
    return sound;
}

TOggDecoder::TOggDecoder() : file_(std::make_unique<OggVorbis_File>()) {}

TOggDecoder::~TOggDecoder() {
    Close();
}

void TOggDecoder::Open(std::unique_ptr<TStream> stream) {
    Close();
    if (stream == nullptr) {
        throw EngineError("Failed to open ogg file");
    }
    const ov_callbacks callbacks{ReadCallback, SeekCallback, nullptr, TellCallback};
    if (ov_open_callbacks(stream.get(), file_.get(), nullptr, 0, callbacks) != 0) {
        throw EngineError("Failed to open ogg file");
    }
    stream_ = std::move(stream);
    open_ = true;
    const vorbis_info* info = ov_info(file_.get(), -1);
    if (info == nullptr) {
        Close();
        throw EngineError("Failed to open ogg file");
    }
    if (info->channels > 2 || info->channels < 1) {
        Close();
        throw EngineError("Unsupported number of channels");
    }
    format_ = TPcmFormat::Pcm16(
        info->channels, static_cast<int32_t>(std::clamp<long>(info->rate, 0, INT32_MAX / 4)));
}

void TOggDecoder::Close() {
    if (open_) {
        ov_clear(file_.get());
        open_ = false;
    }
    stream_.reset();
}

bool TOggDecoder::HasComment(std::string_view text) const {
    const vorbis_comment* comments = open_ ? ov_comment(file_.get(), -1) : nullptr;
    if (comments == nullptr) {
        return false;
    }
    for (int i = 0; i < comments->comments; ++i) {
        if (comments->comment_lengths[i] >= 0 &&
            static_cast<std::size_t>(comments->comment_lengths[i]) == text.size() &&
            std::memcmp(comments->user_comments[i], text.data(), text.size()) == 0) {
            return true;
        }
    }
    return false;
}

int64_t TOggDecoder::TotalFrames() {
    const ogg_int64_t total = open_ ? ov_pcm_total(file_.get(), -1) : -1;
    return total >= 0 ? total : -1;
}

long TOggDecoder::Read(uint8_t* buffer, int32_t size) {
    if (!open_ || size <= 0) {
        return open_ ? 0 : OV_EFAULT;
    }
    int link = 0;
    const long got = ov_read(file_.get(), reinterpret_cast<char*>(buffer), size, 0, 2, 1, &link);
    if (got > 0) {
        // A chained file may change its format at a link; the caller's buffer has one format.
        const vorbis_info* info = ov_info(file_.get(), link);
        if (info == nullptr || info->channels != format_.Channels || info->rate != format_.Rate) {
            return OV_EBADLINK;
        }
    }
    return got;
}

long TOggDecoder::ReadLooping(uint8_t* buffer, int32_t size) {
    long got = Read(buffer, size);
    if (got != 0 || size <= 0) {
        return got;
    }
    if (ov_pcm_seek(file_.get(), 0) != 0) {
        return OV_EREAD;
    }
    got = Read(buffer, size);
    return got == 0 ? OV_EREAD : got;
}

TLoadedSound DecodeWholeOgg(TSoundDevice& device, TOggDecoder& decoder, uint32_t maxBytes) {
    const TPcmFormat& format = decoder.Format();
    const int64_t total = decoder.TotalFrames();
    if (total <= 0 || format.BlockAlign <= 0 || total > maxBytes / format.BlockAlign) {
        throw EngineError("Failed to create secondary buffer");
    }
    const auto wanted = static_cast<std::size_t>(total * format.BlockAlign);
    // The stated length only bounds the decoding; memory grows with the sound really decoded.
    constexpr std::size_t FirstBytes = std::size_t{1} << 20;
    std::vector<int16_t> samples(std::min(wanted, FirstBytes) / 2);
    std::size_t have = 0;
    while (have < wanted) {
        if (have == samples.size() * 2) {
            samples.resize(std::min(wanted, have * 2) / 2);
        }
        const std::size_t room = std::min<std::size_t>(samples.size() * 2 - have, INT32_MAX);
        const long got = decoder.Read(reinterpret_cast<uint8_t*>(samples.data()) + have,
                                      static_cast<int32_t>(room));
        if (got < 0) {
            throw EngineError("Failed to decode audio data");
        }
        if (got == 0) {
            break;
        }
        have += static_cast<std::size_t>(got);
    }
    samples.resize(have / 2);
    TLoadedSound sound;
    sound.Buffer = device.CreateBuffer(format, std::move(samples));
    if (sound.Buffer == nullptr) {
        throw EngineError("Failed to create secondary buffer");
    }
    sound.Duration = static_cast<float>(have) / static_cast<float>(format.BytesPerSecond);
    return sound;
}

} // namespace valdmoor
