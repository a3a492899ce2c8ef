#include "effects/EffectFiles.h"

#include "app/EngineApplication.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace valdmoor {
namespace {

using S = TEmitterSettings;

constexpr std::array<std::string_view, CountModeCount> CountModes = {"none", "fixed", "area",
                                                                     "perimeter"};
constexpr std::array<std::string_view, PositionModeCount> PositionModes = {
    "point",         "box",     "row",  "column",       "diagonal",
    "anti-diagonal", "outline", "area", "area-outline", "midpoint"};
constexpr std::array<std::string_view, DirectionModeCount> DirectionModes = {
    "fixed", "spread", "random", "away-from-a", "towards-a", "towards-c"};
constexpr std::array<std::string_view, DistanceModeCount> DistanceModes = {
    "fixed", "spread", "to-a", "to-c", "to-c-scaled"};
constexpr std::array<std::string_view, SizeModeCount> SizeModes = {
    "fixed", "spread", "distance", "distance-width", "distance-height"};
constexpr std::array<std::string_view, RotationModeCount> RotationModes = {"fixed", "spread",
                                                                           "random", "heading"};
constexpr std::array<std::string_view, SpinModeCount> SpinModes = {"fixed", "spread"};
constexpr std::array<std::string_view, ColorModeCount> ColorModes = {"fixed", "between"};
constexpr std::array<std::string_view, AlphaModeCount> AlphaModes = {"fixed", "spread"};
constexpr std::array<std::string_view, LifetimeModeCount> LifetimeModes = {"fixed", "travel"};

const TEmitterField Fields[] = {
    {"Name", &S::Name, {}},
    {"Interval", &S::Interval, {}},
    {"Delay", &S::Delay, {}},
    {"Limited", &S::Limited, {}},
    {"Duration", &S::Duration, {}},
    {"CountMode", &S::CountMode, CountModes},
    {"Count", &S::Count, {}},
    {"Density", &S::Density, {}},
    {"WorldSpace", &S::WorldSpace, {}},
    {"RandomFlip", &S::RandomFlip, {}},
    {"Prewarm", &S::Prewarm, {}},
    {"ShadingMode", &S::ShadingMode, {}},
    {"Texture0", &S::Texture0, {}},
    {"Frame0", &S::Frame0, {}},
    {"Texture1", &S::Texture1, {}},
    {"Frame1", &S::Frame1, {}},
    {"PositionMode", &S::PositionMode, PositionModes},
    {"PointA", &S::PointA, {}},
    {"Extent", &S::Extent, {}},
    {"PointC", &S::PointC, {}},
    {"DirectionMode", &S::DirectionMode, DirectionModes},
    {"Angle", &S::Angle, {}},
    {"AngleSpread", &S::AngleSpread, {}},
    {"DistanceMode", &S::DistanceMode, DistanceModes},
    {"Distance", &S::Distance, {}},
    {"DistanceSpread", &S::DistanceSpread, {}},
    {"SizeMode", &S::SizeMode, SizeModes},
    {"Size", &S::Size, {}},
    {"SizeSpread", &S::SizeSpread, {}},
    {"RotationMode", &S::RotationMode, RotationModes},
    {"Rotation", &S::Rotation, {}},
    {"RotationSpread", &S::RotationSpread, {}},
    {"SpinMode", &S::SpinMode, SpinModes},
    {"Spin", &S::Spin, {}},
    {"SpinSpread", &S::SpinSpread, {}},
    {"ColorMode", &S::ColorMode, ColorModes},
    {"Color1", &S::Color1, {}},
    {"Color2", &S::Color2, {}},
    {"AlphaMode", &S::AlphaMode, AlphaModes},
    {"Alpha", &S::Alpha, {}},
    {"AlphaSpread", &S::AlphaSpread, {}},
    {"LifetimeMode", &S::LifetimeMode, LifetimeModes},
    {"Lifetime", &S::Lifetime, {}},
    {"Speed", &S::Speed, {}},
    {"MoveOverLife", &S::MoveOverLife, {}},
    {"MoveCurve", &S::MoveCurve, {}},
    {"ScaleOverLife", &S::ScaleOverLife, {}},
    {"EndScale", &S::EndScale, {}},
    {"ScaleCurve", &S::ScaleCurve, {}},
    {"SpinOverLife", &S::SpinOverLife, {}},
    {"SpinCurve", &S::SpinCurve, {}},
    {"ColorOverLife", &S::ColorOverLife, {}},
    {"EndColor", &S::EndColor, {}},
    {"AlphaOverLife", &S::AlphaOverLife, {}},
    {"AlphaCurve", &S::AlphaCurve, {}},
    {"Animate", &S::Animate, {}},
    {"AnimationIndex", &S::AnimationIndex, {}},
};

constexpr std::size_t HeaderBytes = 5 * 4;

// The fewest bytes a field can take: a text of no bytes still has its count.
std::size_t FieldBytes(const TEmitterField& field) {
    if (!field.Modes.empty()) {
        return 1;
    }
    struct TWidth {
        std::size_t operator()(float S::*) const { return 4; }
        std::size_t operator()(int32_t S::*) const { return 4; }
        std::size_t operator()(bool S::*) const { return 1; }
        std::size_t operator()(std::string S::*) const { return 4; }
        std::size_t operator()(TVector2 S::*) const { return 8; }
        std::size_t operator()(TColor3 S::*) const { return 12; }
    };
    return std::visit(TWidth{}, field.Member);
}

std::size_t MinEmitterBytes() {
    static const std::size_t bytes = [] {
        std::size_t sum = 0;
        for (const TEmitterField& field : Fields) {
            sum += FieldBytes(field);
        }
        return sum;
    }();
    return bytes;
}

// Little-endian fields, each checked against the bytes left before it is read.
class TReader {
public:
    TReader(std::string_view bytes, std::string_view fileName)
        : bytes_(bytes), fileName_(fileName) {}

    std::size_t Left() const { return bytes_.size() - at_; }
    void SetWhat(std::string what) { what_ = std::move(what); }

    [[noreturn]] void Damaged(const std::string& text) const {
        throw EngineError(std::string(fileName_) + ": " + what_ + " " + text);
    }
    std::string_view Take(std::size_t count, std::string_view field) {
        if (count > Left()) {
            Damaged("is too short for its " + std::string(field) + " (" + std::to_string(Left()) +
                    " bytes left, " + std::to_string(count) + " needed)");
        }
        const std::string_view taken = bytes_.substr(at_, count);
        at_ += count;
        return taken;
    }
    uint8_t Byte(std::string_view field) { return static_cast<uint8_t>(Take(1, field)[0]); }
    int32_t Int32(std::string_view field) {
        const std::string_view b = Take(4, field);
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<uint8_t>(b[static_cast<std::size_t>(i)]);
        }
        return static_cast<int32_t>(value);
    }
    float Float32(std::string_view field) {
        const float value = std::bit_cast<float>(Int32(field));
        if (!std::isfinite(value)) {
            Damaged("has a " + std::string(field) + " that is not a finite number");
        }
        return value;
    }
    std::string Text(std::string_view field) {
        const int32_t length = Int32(field);
        if (length < 0) {
            Damaged("has a " + std::string(field) + " of " + std::to_string(length) + " bytes");
        }
        return std::string(Take(static_cast<std::size_t>(length), field));
    }

private:
    std::string_view bytes_;
    std::string_view fileName_;
    std::string what_;
    std::size_t at_ = 0;
};

class TWriter {
public:
    void Byte(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void Int32(int32_t value) {
        const auto bits = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            Byte(static_cast<uint8_t>(bits >> (8 * i)));
        }
    }
    void Float32(float value) { Int32(std::bit_cast<int32_t>(value)); }
    void Text(const std::string& text) {
        Int32(static_cast<int32_t>(text.size()));
        bytes_ += text;
    }
    std::string& Bytes() { return bytes_; }

private:
    std::string bytes_;
};

void ReadField(TReader& reader, const TEmitterField& field, S& settings) {
    const std::string_view name = field.Name;
    if (!field.Modes.empty()) {
        const uint8_t value = reader.Byte(name);
        settings.*std::get<int32_t S::*>(field.Member) =
            value < field.Modes.size() ? int32_t{value} : 0;
        return;
    }
    std::visit(
        [&](auto member) {
            auto& target = settings.*member;
            using T = std::remove_reference_t<decltype(target)>;
            if constexpr (std::is_same_v<T, float>) {
                target = reader.Float32(name);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                target = reader.Int32(name);
            } else if constexpr (std::is_same_v<T, bool>) {
                target = reader.Byte(name) != 0;
            } else if constexpr (std::is_same_v<T, std::string>) {
                target = reader.Text(name);
            } else if constexpr (std::is_same_v<T, TVector2>) {
                target.X = reader.Float32(name);
                target.Y = reader.Float32(name);
            } else {
                target.Red = reader.Float32(name);
                target.Green = reader.Float32(name);
                target.Blue = reader.Float32(name);
            }
        },
        field.Member);
}

void WriteField(TWriter& writer, const TEmitterField& field, const S& settings) {
    if (!field.Modes.empty()) {
        const int32_t value = settings.*std::get<int32_t S::*>(field.Member);
        writer.Byte(value >= 0 && static_cast<std::size_t>(value) < field.Modes.size()
                        ? static_cast<uint8_t>(value)
                        : 0);
        return;
    }
    std::visit(
        [&](auto member) {
            const auto& source = settings.*member;
            using T = std::remove_cvref_t<decltype(source)>;
            if constexpr (std::is_same_v<T, float>) {
                writer.Float32(source);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                writer.Int32(source);
            } else if constexpr (std::is_same_v<T, bool>) {
                writer.Byte(source ? 1 : 0);
            } else if constexpr (std::is_same_v<T, std::string>) {
                writer.Text(source);
            } else if constexpr (std::is_same_v<T, TVector2>) {
                writer.Float32(source.X);
                writer.Float32(source.Y);
            } else {
                writer.Float32(source.Red);
                writer.Float32(source.Green);
                writer.Float32(source.Blue);
            }
        },
        field.Member);
}

} // namespace

std::span<const TEmitterField> EmitterFields() {
    return Fields;
}

const TEmitterField* FindEmitterField(std::string_view name) {
    for (const TEmitterField& field : Fields) {
        if (field.Name == name) {
            return &field;
        }
    }
    return nullptr;
}

TEffectFile ReadEmt(std::string_view bytes, std::string_view fileName) {
    TReader reader(bytes, fileName);
    reader.SetWhat("the header");
    TEffectFile file;
    file.Offset.X = reader.Float32("OffsetX");
    file.Offset.Y = reader.Float32("OffsetY");
    file.Size.X = reader.Float32("Width");
    file.Size.Y = reader.Float32("Height");
    const int32_t count = reader.Int32("EmitterCount");
    // Checked before anything is made for the emitters: each takes a fixed least size.
    const std::size_t fits = reader.Left() / MinEmitterBytes();
    if (count < 0 || static_cast<std::size_t>(count) > fits) {
        reader.Damaged("claims " + std::to_string(count) + " emitters, but the " +
                       std::to_string(reader.Left()) + " bytes after it hold at most " +
                       std::to_string(fits));
    }
    for (int32_t i = 0; i < count; ++i) {
        reader.SetWhat("emitter " + std::to_string(i + 1));
        S settings;
        for (const TEmitterField& field : Fields) {
            ReadField(reader, field, settings);
        }
        file.Emitters.push_back(std::move(settings));
    }
    return file;
}

std::string WriteEmt(const TEffectFile& file) {
    TWriter writer;
    writer.Bytes().reserve(HeaderBytes + file.Emitters.size() * (MinEmitterBytes() + 64));
    writer.Float32(file.Offset.X);
    writer.Float32(file.Offset.Y);
    writer.Float32(file.Size.X);
    writer.Float32(file.Size.Y);
    writer.Int32(static_cast<int32_t>(file.Emitters.size()));
    for (const S& settings : file.Emitters) {
        for (const TEmitterField& field : Fields) {
            WriteField(writer, field, settings);
        }
    }
    return std::move(writer.Bytes());
}

} // namespace valdmoor
