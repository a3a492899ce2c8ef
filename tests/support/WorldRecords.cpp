#include "WorldRecords.h"

#include <cstring>

namespace valdmoor::test {

TRecordWriter& TRecordWriter::Int32(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<char>(bits >> shift & 0xFF));
    }
    return *this;
}

TRecordWriter& TRecordWriter::Byte(uint8_t value) {
    bytes_.push_back(static_cast<char>(value));
    return *this;
}

TRecordWriter& TRecordWriter::Float(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return Int32(static_cast<int32_t>(bits));
}

TRecordWriter& TRecordWriter::Name(std::string_view name) {
    Int32(static_cast<int32_t>(name.size()));
    return Raw(name);
}

TRecordWriter& TRecordWriter::Raw(std::string_view bytes) {
    bytes_.append(bytes);
    return *this;
}

} // namespace valdmoor::test
