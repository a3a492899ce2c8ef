// The ".emt" particle effect format without the engine: what one file holds, read and written
// the same way by the game and by the effect compiler. One table lists the fields of an
// emitter in file order, so the reader, the writer and the compiler cannot disagree on it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace valdmoor {

struct TVector2 {
    float X = 0;
    float Y = 0;
    bool operator==(const TVector2&) const = default;
};

struct TColor3 {
    float Red = 0;
    float Green = 0;
    float Blue = 0;
    bool operator==(const TColor3&) const = default;
};

// Everything one emitter entry of a file holds. Mode fields always hold a value of their
// table: the reader turns any other value into 0.
struct TEmitterSettings {
    std::string Name;
    float Interval = 0; // seconds between bursts
    float Delay = 0;
    bool Limited = false; // stops emitting after Duration
    float Duration = 0;
    int32_t CountMode = 0;
    int32_t Count = 0;
    int32_t Density = 0;
    bool WorldSpace = false; // particles keep the place where they were born
    bool RandomFlip = false;
    float Prewarm = 0;       // seconds simulated when the emitter starts
    std::string ShadingMode; // a name of the shading mode table; unknown names draw as "Default"
    std::string Texture0;    // picture names; empty for none
    int32_t Frame0 = 0;
    std::string Texture1;
    int32_t Frame1 = 0;
    int32_t PositionMode = 0;
    TVector2 PointA;
    TVector2 Extent;
    TVector2 PointC;
    int32_t DirectionMode = 0;
    float Angle = 0;
    float AngleSpread = 0;
    int32_t DistanceMode = 0;
    float Distance = 0;
    float DistanceSpread = 0;
    int32_t SizeMode = 0;
    TVector2 Size;
    TVector2 SizeSpread;
    int32_t RotationMode = 0;
    float Rotation = 0;
    float RotationSpread = 0;
    int32_t SpinMode = 0;
    float Spin = 0;
    float SpinSpread = 0;
    int32_t ColorMode = 0;
    TColor3 Color1;
    TColor3 Color2;
    int32_t AlphaMode = 0;
    float Alpha = 0;
    float AlphaSpread = 0;
    int32_t LifetimeMode = 0;
    float Lifetime = 0;
    float Speed = 0;
    bool MoveOverLife = false;
    std::string MoveCurve;
    bool ScaleOverLife = false;
    float EndScale = 0;
    std::string ScaleCurve;
    bool SpinOverLife = false;
    std::string SpinCurve;
    bool ColorOverLife = false;
    TColor3 EndColor;
    bool AlphaOverLife = false;
    std::string AlphaCurve;
    bool Animate = false;
    int32_t AnimationIndex = 0; // 1-based animation of the textures

    bool operator==(const TEmitterSettings&) const = default;
};

struct TEffectFile {
    TVector2 Offset;
    TVector2 Size; // width and height of the effect's area
    std::vector<TEmitterSettings> Emitters;

    bool operator==(const TEffectFile&) const = default;
};

// One field of an emitter entry. In the file a mode field and a flag take one byte, an int32
// field four, a real four (float32), a pair two reals, a colour three, and a text an int32
// byte count followed by the bytes.
struct TEmitterField {
    using TMember = std::variant<float TEmitterSettings::*, int32_t TEmitterSettings::*,
                                 bool TEmitterSettings::*, std::string TEmitterSettings::*,
                                 TVector2 TEmitterSettings::*, TColor3 TEmitterSettings::*>;

    std::string_view Name;
    TMember Member;
    // For a mode field, the short name of each value in value order; empty otherwise.
    std::span<const std::string_view> Modes;
};

// Every field of an emitter entry in file order, the name first.
std::span<const TEmitterField> EmitterFields();
// The field called Name; nil when there is none.
const TEmitterField* FindEmitterField(std::string_view name);

// The number of values of each mode field.
constexpr int32_t CountModeCount = 4;
constexpr int32_t PositionModeCount = 10;
constexpr int32_t DirectionModeCount = 6;
constexpr int32_t DistanceModeCount = 5;
constexpr int32_t SizeModeCount = 5;
constexpr int32_t RotationModeCount = 4;
constexpr int32_t SpinModeCount = 2;
constexpr int32_t ColorModeCount = 2;
constexpr int32_t AlphaModeCount = 2;
constexpr int32_t LifetimeModeCount = 2;

// Larger files are refused before they are read.
constexpr int64_t MaxEffectFileBytes = 16 * 1024 * 1024;

// Raises EngineError naming FileName and what is wrong when the bytes are damaged: a count or
// text length that does not fit the bytes left, or a real that is not a finite number. Bytes
// after the last emitter are ignored; flags other than 0 read as on.
TEffectFile ReadEmt(std::string_view bytes, std::string_view fileName);
std::string WriteEmt(const TEffectFile& file);

} // namespace valdmoor
