// Raw bytes as the world file holds them (little-endian fields, length-prefixed names), for
// tests that assemble or damage a file by hand. Whole records come from the world compiler's
// model (ScenarioModel.h: RecordBytes and the like), so their layouts are written once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor::test {

class TRecordWriter {
public:
    TRecordWriter& Int32(int32_t value);
    TRecordWriter& Byte(uint8_t value);
    TRecordWriter& Float(float value);
    // An int32 byte length and the bytes.
    TRecordWriter& Name(std::string_view name);
    TRecordWriter& Raw(std::string_view bytes);
    const std::string& Bytes() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

} // namespace valdmoor::test
