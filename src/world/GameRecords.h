// Little-endian record reading for the scenario data, and the index tables that turn the
// file's 1-based references into objects while the file is read. Every world record loader
// reads through these, so a record that ends early or holds an impossible count is damage
// raised as an error, never a read past the data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace valdmoor {

class TStream;
class TPicture;
class TEffector;
class TSound;
class TTerrain;
class TWater;
class TFigure;
class TCaption;
class TGroup;
class TProp;
class TRegion;
class TSite;
class THint;
class TAchievement;

// One fixed-size record, read whole with the stream's raising read and then taken apart
// field by field; reading past its end is a programming fault caught by Finish.
class TRecordReader {
public:
    TRecordReader(const uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    int32_t Int32();
    uint8_t Byte();
    // NaN and infinities are damage: raises.
    float Float();
    void Bytes(void* target, std::size_t count);
    std::size_t Position() const { return position_; }
    // Raises unless exactly the record's bytes were taken.
    void Finish() const;

private:
    const uint8_t* Take(std::size_t count);

    const uint8_t* bytes_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// A record of N bytes read from a stream.
template <std::size_t N>
struct TRecordBytes {
    std::array<uint8_t, N> Data{};
    TRecordReader Reader() const { return TRecordReader(Data.data(), N); }
};
void ReadRecordBytes(TStream& stream, void* target, std::size_t size);
template <std::size_t N>
TRecordReader ReadRecord(TStream& stream, TRecordBytes<N>& record) {
    ReadRecordBytes(stream, record.Data.data(), N);
    return record.Reader();
}

int32_t ReadInt32(TStream& stream);
// An int32 byte length and that many bytes; a length below 0 or beyond the bytes left is
// damage, raised before anything is allocated.
std::string ReadName(TStream& stream);
// An int32 count of items of at least MinItemBytes each; raises when it is negative or the
// items could not fit in the bytes left.
int32_t ReadCount(TStream& stream, std::size_t minItemBytes);

// Raises the error every damaged world record reports.
[[noreturn]] void RaiseDamaged(const char* what);

// The object at a 1-based file index; none for 0 or anything outside 1..count.
template <class T>
T* Resolve(const std::vector<T*>& table, int32_t index) {
    if (index < 1 || static_cast<std::size_t>(index) > table.size()) {
        return nullptr;
    }
    return table[static_cast<std::size_t>(index) - 1];
}

// The per-kind index tables of one read of the scenario file; they exist only while it is
// read, and every record loader resolves its references through them.
struct TLoadContext {
    std::vector<TPicture*> Pictures;
    std::vector<TEffector*> Effectors;
    std::vector<TSound*> Sounds;
    std::vector<TTerrain*> Terrains;
    std::vector<TWater*> Waters;
    std::vector<TFigure*> Figures;
    std::vector<TCaption*> Captions;
    std::vector<TGroup*> Groups;
    std::vector<TProp*> Props;
    std::vector<TRegion*> Regions;
    std::vector<TSite*> Sites;
    std::vector<THint*> Hints;
    std::vector<TAchievement*> Achievements;
};

// Saturating 32-bit arithmetic for counts and progress that the data may push to the limit.
int32_t SaturateInt32(int64_t value);
int32_t AddSaturated(int32_t value, int64_t delta);

} // namespace valdmoor
