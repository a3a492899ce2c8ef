#include "world/GameRecords.h"

#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace valdmoor {

const uint8_t* TRecordReader::Take(std::size_t count) {
    if (count > size_ - position_) {
        RaiseDamaged("field beyond its record");
    }
    const uint8_t* field = bytes_ + position_;
    position_ += count;
    return field;
}

int32_t TRecordReader::Int32() {
    const uint8_t* b = Take(4);
    const uint32_t value = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return static_cast<int32_t>(value);
}

uint8_t TRecordReader::Byte() {
    return *Take(1);
}

float TRecordReader::Float() {
    const uint32_t bits = static_cast<uint32_t>(Int32());
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) {
        RaiseDamaged("number not finite");
    }
    return value;
}

void TRecordReader::Bytes(void* target, std::size_t count) {
    std::memcpy(target, Take(count), count);
}

void TRecordReader::Finish() const {
    if (position_ != size_) {
        RaiseDamaged("record size");
    }
}

void ReadRecordBytes(TStream& stream, void* target, std::size_t size) {
    stream.ReadExact(target, size);
}

int32_t ReadInt32(TStream& stream) {
    TRecordBytes<4> bytes;
    return ReadRecord(stream, bytes).Int32();
}

std::string ReadName(TStream& stream) {
    const int32_t length = ReadInt32(stream);
    if (length < 0 || length > stream.Remaining()) {
        RaiseDamaged("name length");
    }
    std::string name(static_cast<std::size_t>(length), '\0');
    stream.ReadExact(name.data(), name.size());
    return name;
}

int32_t ReadCount(TStream& stream, std::size_t minItemBytes) {
    const int32_t count = ReadInt32(stream);
    if (count < 0 ||
        static_cast<int64_t>(count) * static_cast<int64_t>(minItemBytes) > stream.Remaining()) {
        RaiseDamaged("count");
    }
    return count;
}

void RaiseDamaged(const char* what) {
    throw EngineError(std::string("Damaged scenario data (") + what + ")");
}

int32_t SaturateInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

int32_t AddSaturated(int32_t value, int64_t delta) {
    return SaturateInt32(static_cast<int64_t>(value) + delta);
}

} // namespace valdmoor
