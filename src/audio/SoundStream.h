// Long music played from its file while it sounds: a looping buffer of six one-second blocks,
// refilled behind the play cursor from an Ogg Vorbis decoder. The decoding of each block is
// spread over several frames so that no frame pays for a whole second of sound.
#pragma once

#include "audio/SoundBuffers.h"
#include "audio/SoundFiles.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace valdmoor {

class TSoundStream {
public:
    static constexpr int32_t BlockCount = 6;

    // The ring for sound of Format; nil when the device cannot make its buffer.
    static std::unique_ptr<TSoundStream> Create(TSoundDevice& device, const TPcmFormat& format);

    TSoundBuffer& Buffer() { return *buffer_; }
    const TPcmFormat& Format() const { return buffer_->Format(); }
    uint32_t BlockSize() const { return blockSize_; }

    // Decodes File from its beginning into an empty ring; the buffer is held until the first
    // second is in. The next Service opens the decoder, so that opening and the frame that
    // started the stream do not add up. A file that cannot be opened, or holds sound of
    // another format, ends the stream.
    void Start(std::unique_ptr<TStream> file);
    // Stops the buffer and closes the decoder.
    void Close();
    // Started and neither closed nor ended.
    bool Open() const { return file_ != nullptr || decoder_.IsOpen(); }
    // Decoding or writing failed: the buffer was stopped and the decoder closed.
    bool Ended() const { return ended_; }
    // The ring as the last Service left it, for tools that show it: the block the play cursor
    // was in, which blocks hold sound not yet played, and whether the first block is in.
    int32_t CursorBlock() const { return current_; }
    bool BlockFilled(int32_t index) const {
        return index >= 0 && index < BlockCount && blocks_[index].Filled;
    }
    bool Primed() const { return primed_; }

    // Once per frame: follows the play cursor through the ring, writes a decoded block into
    // the first free one after it, and decodes a slice of the next block. FrameTime sets how
    // much sound one slice must at least hold to keep ahead of the cursor.
    void Service(float frameTime);

private:
    struct TBlock {
        int32_t Next = 0;
        uint32_t Offset = 0;
        bool Filled = false;
    };

    TSoundStream(std::unique_ptr<TSoundBuffer> buffer, uint32_t blockSize);
    void FollowCursor();
    int32_t FreeBlock() const;
    void WriteBlock(int32_t index);
    void DecodeSlice(float frameTime);
    void Fail();

    std::unique_ptr<TSoundBuffer> buffer_;
    uint32_t blockSize_;
    std::unique_ptr<TStream> file_; // waiting for the decoder
    TOggDecoder decoder_;
    TBlock blocks_[BlockCount];
    int32_t current_ = 0;
    bool primed_ = false; // the first block is written and the buffer no longer held
    bool pending_ = false;
    bool ended_ = false;
    std::unique_ptr<uint8_t[]> decoded_; // one block; always written before it is read
    uint32_t decodedBytes_ = 0;
};

} // namespace valdmoor
