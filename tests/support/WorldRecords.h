// Writes world records as the scenario file holds them, so tests state fields by name and
// never assemble bytes by hand. References are the file's 1-based indexes (0 for none).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

struct TPoolNames {
    // Pictures, effectors, sounds, terrains, waters, figures, captions, groups.
    std::array<std::vector<std::string>, 8> Lists;
    void Write(TRecordWriter& w) const;
};

struct TPropRecord {
    int32_t Number = 0;
    int32_t Kind = 0;
    uint8_t HideSingleCount = 0;
    int32_t Picture = 0;
    int32_t PictureFrame = 0;
    int32_t Caption = 0;
    int32_t InitialCount = 0;
    void Write(TRecordWriter& w) const;
};

struct TPlotRecord {
    int32_t Figure = 0;
    int32_t Group = 0;
    int32_t X = 0;
    int32_t Y = 0;
    std::array<int32_t, 2> Values{};
    int32_t Sound = 0;
    std::array<uint8_t, 2> Bytes{};
    uint8_t InitiallyHidden = 0;
    uint8_t Last = 0;
    void Write(TRecordWriter& w) const;
};

struct TMapRecord {
    std::array<std::array<int32_t, 2>, 110> Cells{}; // terrain, water
    std::vector<TPlotRecord> Plots;
    void Write(TRecordWriter& w) const;
};

struct TRegionRecord {
    int32_t Number = 0;
    int32_t Picture = 0;
    std::array<float, 3> DefaultTint{1, 1, 1};
    int32_t Music = 0;
    uint8_t Flag = 0;
    void Write(TRecordWriter& w) const;
};

struct TSlotRecord {
    int32_t Prop = 0;
    int32_t Amount = 0;
};

struct TSceneRecord {
    int32_t Number = 0;
    uint8_t Repeatable = 0;
    uint8_t LeavesSite = 0;
    uint8_t Flag3 = 0;
    float ScreenX = 0;
    float ScreenY = 0;
    int32_t TintAction = 0;
    int32_t SoundAction = 0;
    int32_t Sound = 0;
    int32_t SceneType = 0;
    int32_t Picture = 0;
    int32_t PictureFrame = 0;
    std::array<TSlotRecord, 8> Inputs{};
    std::array<TSlotRecord, 8> Outputs{};
    int32_t Achievement = 0;
    int32_t AchievementAmount = 0;
    float EffectDuration = 0;
    int32_t EffectSound = 0;
    int32_t EffectEffector = 0;
    int32_t EffectValue = 0;
    std::array<int32_t, 4> Groups{};
    void Write(TRecordWriter& w) const;
};

struct TSiteRecord {
    int32_t Number = 0;
    float X = 0;
    float Y = 0;
    std::array<int32_t, 2> Layout{};
    int32_t IconStyle = 0;
    int32_t Caption = 0;
    std::array<uint8_t, 5> Flags{}; // Flag1, AutoVisit, KeepAssets, Flag4, EndsGame
    int32_t ActionCode = 0;
    int32_t Destination = 0;
    int32_t NeedRevealed = 0;
    int32_t NeedEntered = 0;
    std::array<int32_t, 3> NeedVisited{};
    std::array<TSlotRecord, 3> NeedProps{};
    uint8_t OnlyWhenInView = 0;
    int32_t Group = 0;
    std::array<uint8_t, 26> RevealCells{};
    std::array<int32_t, 2> CloseAfter{};
    int32_t Hint = 0;
    int32_t NextRecommended = 0;
    std::vector<TSceneRecord> Scenes;
    // The 136-byte record with the scene count, then the scene records.
    void Write(TRecordWriter& w) const;
};

struct THintRecord {
    int32_t Number = 0;
    int32_t UntilProp = 0;
    int32_t NeedProp = 0;
    int32_t NeedAmount = 0;
    int32_t UntilVisited = 0;
    int32_t NeedVisited = 0;
    uint8_t UntilEntered = 0;
    int32_t UntilSiteEntered = 0;
    int32_t NotInRegion = 0;
    std::array<int32_t, 8> Subhints{};
    std::array<int32_t, 8> SubAmounts{};
    uint8_t GroupOnly = 0;
    std::array<uint8_t, 2> Display{};
    void Write(TRecordWriter& w) const;
};

struct TAchievementRecord {
    int32_t Number = 0;
    int32_t Order = 0;
    int32_t Caption = 0;
    uint8_t Hidden = 0;
    int32_t Target = 0;
    int32_t TrackedProp = 0;
    int32_t Parent = 0;
    int32_t RevealedBy = 0;
    void Write(TRecordWriter& w) const;
};

// The bytes of one record alone.
template <class TRecord>
std::string RecordBytes(const TRecord& record) {
    TRecordWriter w;
    record.Write(w);
    return w.Bytes();
}

} // namespace valdmoor::test
