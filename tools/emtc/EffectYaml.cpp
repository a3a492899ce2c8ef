#include "EffectYaml.h"

#include "app/EngineApplication.h"
#include "video/EngineVideo.h"

#include <charconv>
#include <cmath>
#include <set>
#include <yaml-cpp/yaml.h>

namespace valdmoor::tools {
namespace {

using S = TEmitterSettings;

// Where a value sits, for error messages.
struct TPlace {
    std::string_view File;
    std::string Field;
    int Line = 0; // 1-based; 0 when unknown
};

[[noreturn]] void Refuse(const TPlace& place, const std::string& what) {
    throw EngineError(std::string(place.File) + ":" + std::to_string(place.Line) + ": " +
                      place.Field + ": " + what);
}

TPlace At(const TPlace& parent, std::string field, const YAML::Node& node) {
    const int line = node.Mark().line;
    return {parent.File, std::move(field), line >= 0 ? line + 1 : parent.Line};
}

std::string Shown(const YAML::Node& node) {
    if (node.IsScalar()) {
        return "\"" + node.Scalar() + "\"";
    }
    return node.IsSequence() ? "a list" : node.IsMap() ? "a mapping" : "nothing";
}

const std::string& Scalar(const YAML::Node& node, const TPlace& place, const char* kind) {
    if (!node.IsScalar()) {
        Refuse(place, "expected " + std::string(kind) + ", got " + Shown(node));
    }
    return node.Scalar();
}

float Real(const YAML::Node& node, const TPlace& place) {
    std::string_view text = Scalar(node, place, "a number");
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    float value = 0;
    const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || code != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        Refuse(place, "\"" + node.Scalar() + "\" is not a finite number");
    }
    return value;
}

bool ParseInteger(std::string_view text, int32_t& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && code == std::errc() && end == text.data() + text.size();
}

int32_t Integer(const YAML::Node& node, const TPlace& place) {
    int32_t value = 0;
    if (!ParseInteger(Scalar(node, place, "a whole number"), value)) {
        Refuse(place, "\"" + node.Scalar() +
                          "\" is not a whole number from -2147483648 to "
                          "2147483647");
    }
    return value;
}

bool Flag(const YAML::Node& node, const TPlace& place) {
    const std::string& text = Scalar(node, place, "true or false");
    bool value = false;
    if (text == "0" || text == "1") {
        return text == "1";
    }
    if (!YAML::convert<bool>::decode(node, value)) {
        Refuse(place, "\"" + text + "\" is not true or false");
    }
    return value;
}

std::string Text(const YAML::Node& node, const TPlace& place) {
    return node.IsNull() ? std::string() : Scalar(node, place, "a text");
}

void Reals(const YAML::Node& node, const TPlace& place, std::initializer_list<float*> targets,
           const char* shape) {
    if (!node.IsSequence() || node.size() != targets.size()) {
        Refuse(place, std::string("expected ") + shape + ", got " + Shown(node));
    }
    std::size_t i = 0;
    for (float* target : targets) {
        *target = Real(node[i], At(place, place.Field, node[i]));
        ++i;
    }
}

std::string Choices(std::span<const std::string_view> names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i > 0 ? ", " : "") + std::string(names[i]) + " (" + std::to_string(i) + ")";
    }
    return text;
}

std::string ShadingChoices() {
    std::string text;
    for (int32_t i = 0; i < ShadingModeCount; ++i) {
        text += (i > 0 ? ", " : "") + std::string(ShadingModeName(i));
    }
    return text;
}

int32_t Mode(const YAML::Node& node, const TPlace& place, std::span<const std::string_view> names) {
    const std::string& text = Scalar(node, place, "a mode");
    int32_t value = 0;
    if (ParseInteger(text, value)) {
        if (value >= 0 && static_cast<std::size_t>(value) < names.size()) {
            return value;
        }
    } else {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == text) {
                return static_cast<int32_t>(i);
            }
        }
    }
    Refuse(place, "\"" + text + "\" is not one of " + Choices(names));
}

void ParseField(const TEmitterField& field, const YAML::Node& node, const TPlace& place,
                S& settings) {
    if (!field.Modes.empty()) {
        settings.*std::get<int32_t S::*>(field.Member) = Mode(node, place, field.Modes);
        return;
    }
    if (field.Name == "ShadingMode") {
        const std::string name = Text(node, place);
        // Empty draws as "Default" too; any other name must be one the renderer knows.
        if (!name.empty() && ShadingModeName(ShadingModeByName(name)) != name) {
            Refuse(place, "\"" + name + "\" is not a shading mode: " + ShadingChoices());
        }
        settings.ShadingMode = name;
        return;
    }
    std::visit(
        [&](auto member) {
            auto& target = settings.*member;
            using T = std::remove_reference_t<decltype(target)>;
            if constexpr (std::is_same_v<T, float>) {
                target = Real(node, place);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                target = Integer(node, place);
            } else if constexpr (std::is_same_v<T, bool>) {
                target = Flag(node, place);
            } else if constexpr (std::is_same_v<T, std::string>) {
                target = Text(node, place);
            } else if constexpr (std::is_same_v<T, TVector2>) {
                Reals(node, place, {&target.X, &target.Y}, "[x, y]");
            } else {
                Reals(node, place, {&target.Red, &target.Green, &target.Blue},
                      "[red, green, blue]");
            }
        },
        field.Member);
}

// Calls Visit(key, value, place) for each entry; refuses anything but a mapping of text keys
// and keys given twice.
template <class TVisit>
void Entries(const YAML::Node& node, const TPlace& place, TVisit visit) {
    if (!node.IsMap()) {
        Refuse(place, "expected a mapping of fields, got " + Shown(node));
    }
    std::set<std::string> seen;
    for (auto it = node.begin(); it != node.end(); ++it) {
        const std::string& key =
            Scalar(it->first, At(place, place.Field, it->first), "a field name");
        const std::string path = place.Field.empty() ? key : place.Field + "." + key;
        if (!seen.insert(key).second) {
            Refuse(At(place, path, it->first), "given twice");
        }
        const YAML::Node value = it->second;
        const int line = value.Mark().line >= 0 ? value.Mark().line : it->first.Mark().line;
        visit(key, value, TPlace{place.File, path, line >= 0 ? line + 1 : place.Line});
    }
}

S ParseEmitter(const YAML::Node& node, const TPlace& place) {
    S settings;
    Entries(node, place, [&](const std::string& key, const YAML::Node& value, const TPlace& at) {
        const TEmitterField* field = FindEmitterField(key);
        if (field == nullptr) {
            Refuse(at, "not an emitter field");
        }
        ParseField(*field, value, at, settings);
    });
    return settings;
}

// ---------------------------------------------------------------------------------------------
// Writing

std::string RealText(float value) {
    char buffer[32];
    const auto [end, code] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return code == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string Quoted(std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string FieldText(const TEmitterField& field, const S& settings) {
    if (!field.Modes.empty()) {
        const int32_t value = settings.*std::get<int32_t S::*>(field.Member);
        return value >= 0 && static_cast<std::size_t>(value) < field.Modes.size()
                   ? std::string(field.Modes[static_cast<std::size_t>(value)])
                   : std::to_string(value);
    }
    return std::visit(
        [&](auto member) -> std::string {
            const auto& value = settings.*member;
            using T = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<T, float>) {
                return RealText(value);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                return std::to_string(value);
            } else if constexpr (std::is_same_v<T, bool>) {
                return value ? "true" : "false";
            } else if constexpr (std::is_same_v<T, std::string>) {
                return Quoted(value);
            } else if constexpr (std::is_same_v<T, TVector2>) {
                return "[" + RealText(value.X) + ", " + RealText(value.Y) + "]";
            } else {
                return "[" + RealText(value.Red) + ", " + RealText(value.Green) + ", " +
                       RealText(value.Blue) + "]";
            }
        },
        field.Member);
}

} // namespace

TEffectFile ParseEffectYaml(std::string_view text, std::string_view fileName) {
    const TPlace top{fileName, "", 1};
    YAML::Node root;
    try {
        root = YAML::Load(std::string(text));
    } catch (const YAML::Exception& error) {
        Refuse({fileName, "syntax", error.mark.line >= 0 ? error.mark.line + 1 : 0}, error.msg);
    }
    TEffectFile file;
    if (root.IsNull()) {
        return file;
    }
    if (!root.IsMap()) {
        Refuse({fileName, "effect", 1},
               "expected a mapping of Offset, Size and Emitters, got " + Shown(root));
    }
    Entries(root, top, [&](const std::string& key, const YAML::Node& value, const TPlace& at) {
        if (key == "Offset") {
            Reals(value, at, {&file.Offset.X, &file.Offset.Y}, "[x, y]");
        } else if (key == "Size") {
            Reals(value, at, {&file.Size.X, &file.Size.Y}, "[width, height]");
        } else if (key == "Emitters") {
            if (value.IsNull()) {
                return;
            }
            if (!value.IsSequence()) {
                Refuse(at, "expected a list of emitters, got " + Shown(value));
            }
            for (std::size_t i = 0; i < value.size(); ++i) {
                const YAML::Node emitter = value[i];
                file.Emitters.push_back(
                    ParseEmitter(emitter, At(at, "Emitters[" + std::to_string(i) + "]", emitter)));
            }
        } else {
            Refuse(at, "not an effect field (Offset, Size, Emitters)");
        }
    });
    return file;
}

std::string EffectYaml(const TEffectFile& file) {
    std::string out = "Offset: [" + RealText(file.Offset.X) + ", " + RealText(file.Offset.Y) +
                      "]\nSize: [" + RealText(file.Size.X) + ", " + RealText(file.Size.Y) + "]\n";
    if (file.Emitters.empty()) {
        return out + "Emitters: []\n";
    }
    out += "Emitters:\n";
    for (const S& settings : file.Emitters) {
        const char* lead = "  - ";
        for (const TEmitterField& field : EmitterFields()) {
            out += lead + std::string(field.Name) + ": " + FieldText(field, settings) + "\n";
            lead = "    ";
        }
    }
    return out;
}

std::string EffectFieldsHelp() {
    std::string text = "Mode fields take a name or its number:\n";
    for (const TEmitterField& field : EmitterFields()) {
        if (!field.Modes.empty()) {
            text += "  " + std::string(field.Name) + ": " + Choices(field.Modes) + "\n";
        }
    }
    return text + "ShadingMode takes a name: " + ShadingChoices() + "\n";
}

} // namespace valdmoor::tools
