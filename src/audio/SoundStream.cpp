#include "audio/SoundStream.h"

#include "app/EngineApplication.h"

#include <algorithm>
#include <cstring>

namespace valdmoor {

std::unique_ptr<TSoundStream> TSoundStream::Create(TSoundDevice& device, const TPcmFormat& format) {
    if (!format.Valid()) {
        return nullptr;
    }
    const auto blockSize = static_cast<uint32_t>(format.BytesPerSecond);
    std::unique_ptr<TSoundBuffer> buffer = device.CreateBuffer(format, blockSize * BlockCount);
    if (buffer == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<TSoundStream>(new TSoundStream(std::move(buffer), blockSize));
}

TSoundStream::TSoundStream(std::unique_ptr<TSoundBuffer> buffer, uint32_t blockSize)
    : buffer_(std::move(buffer)), blockSize_(blockSize),
      decoded_(std::make_unique_for_overwrite<uint8_t[]>(blockSize)) {
    for (int32_t i = 0; i < BlockCount; ++i) {
        blocks_[i].Next = (i + 1) % BlockCount;
        blocks_[i].Offset = static_cast<uint32_t>(i) * blockSize_;
    }
}

void TSoundStream::Start(std::unique_ptr<TStream> file) {
    Close();
    for (TBlock& block : blocks_) {
        block.Filled = false;
    }
    current_ = 0;
    primed_ = false;
    pending_ = false;
    ended_ = false;
    decodedBytes_ = 0;
    buffer_->SetPosition(0);
    buffer_->SetHold(true);
    file_ = std::move(file);
    if (file_ == nullptr) {
        Fail();
    }
}

void TSoundStream::Close() {
    buffer_->Stop();
    file_.reset();
    decoder_.Close();
}

void TSoundStream::Fail() {
    Close();
    ended_ = true;
}

void TSoundStream::Service(float frameTime) {
    if (file_ != nullptr) {
        try {
            decoder_.Open(std::move(file_));
        } catch (const EngineError&) {
            Fail();
            return;
        }
        if (!(decoder_.Format() == Format())) {
            Fail();
        }
        return;
    }
    if (!decoder_.IsOpen()) {
        return;
    }
    if (primed_) {
        FollowCursor();
    }
    if (!pending_) {
        DecodeSlice(frameTime);
    }
    if (pending_) {
        const int32_t target = primed_ ? FreeBlock() : current_;
        if (target >= 0) {
            WriteBlock(target);
        }
    }
}

void TSoundStream::FollowCursor() {
    const auto playing =
        static_cast<int32_t>(std::min<uint32_t>(buffer_->Position() / blockSize_, BlockCount - 1));
    // Blocks the cursor has left have been heard and may take new sound; the one it is in
    // must not be overwritten.
    for (int32_t steps = 0; current_ != playing && steps < BlockCount; ++steps) {
        blocks_[current_].Filled = false;
        current_ = blocks_[current_].Next;
    }
    blocks_[current_].Filled = true;
}

int32_t TSoundStream::FreeBlock() const {
    int32_t index = blocks_[current_].Next;
    for (int32_t steps = 1; steps < BlockCount; ++steps) {
        if (!blocks_[index].Filled) {
            return index;
        }
        index = blocks_[index].Next;
    }
    return -1;
}

void TSoundStream::WriteBlock(int32_t index) {
    uint8_t* bytes = buffer_->Lock(blocks_[index].Offset, blockSize_);
    if (bytes == nullptr) {
        Fail();
        return;
    }
    std::memcpy(bytes, decoded_.get(), blockSize_);
    buffer_->Unlock();
    blocks_[index].Filled = true;
    pending_ = false;
    if (!primed_) {
        primed_ = true;
        buffer_->SetHold(false);
    }
}

void TSoundStream::DecodeSlice(float frameTime) {
    // A sixteenth of a second, or twice the frame's own length when frames are long, so the
    // ring always fills faster than it plays.
    const auto align = static_cast<uint32_t>(Format().BlockAlign);
    const double frameBytes = 2.0 * std::max(frameTime, 0.0f) * Format().BytesPerSecond;
    uint32_t slice =
        std::max(blockSize_ / 16, static_cast<uint32_t>(std::min<double>(frameBytes, blockSize_)));
    slice = std::max((slice + align - 1) / align * align, align);
    const uint32_t goal = std::min(blockSize_, decodedBytes_ + slice);
    while (decodedBytes_ < goal) {
        const long got = decoder_.ReadLooping(decoded_.get() + decodedBytes_,
                                              static_cast<int32_t>(goal - decodedBytes_));
        if (got <= 0) {
            Fail();
            return;
        }
        decodedBytes_ += static_cast<uint32_t>(got);
    }
    if (decodedBytes_ >= blockSize_) {
        decodedBytes_ = 0;
        pending_ = true;
    }
}

} // namespace valdmoor
