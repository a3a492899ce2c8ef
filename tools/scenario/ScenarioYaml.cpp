#include "ScenarioYaml.h"

#include "app/EngineApplication.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <unordered_map>
#include <yaml-cpp/yaml.h>

namespace valdmoor::scenario {
namespace {

constexpr std::array<std::string_view, PoolKindCount> PoolKeys = {
    "pictures", "effectors", "sounds", "terrains", "waters", "figures", "captions", "groups"};

// ---------------------------------------------------------------------------------------------
// Reading

class TYamlReader {
public:
    TYamlReader(std::string fileName) : fileName_(std::move(fileName)) {}

    [[noreturn]] void Fail(const YAML::Node& node, std::string_view field,
                           const std::string& what) const {
        const int line = node.IsDefined() ? node.Mark().line + 1 : 0;
        throw EngineError(fileName_ + ":" + std::to_string(line) + ": " + std::string(field) +
                          ": " + what);
    }

    std::string Scalar(const YAML::Node& node, std::string_view field) const {
        if (!node.IsScalar()) {
            Fail(node, field, "a single value is expected");
        }
        return node.Scalar();
    }

    int32_t IntOf(const YAML::Node& node, std::string_view field) const {
        const std::string text = Scalar(node, field);
        int32_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size()) {
            Fail(node, field, "\"" + text + "\" is not a 32-bit integer");
        }
        return value;
    }

    // --- the visitor over one record's YAML map
    void Begin(const YAML::Node& map, std::string_view what) {
        if (!map.IsMap()) {
            Fail(map, what, "a map of fields is expected");
        }
        map_.reset(map);
        used_.clear();
    }
    // Fields outside the record that the caller reads itself.
    void Allow(std::string_view key) { used_.insert(std::string(key)); }
    void End() const {
        for (const auto& entry : map_) {
            const std::string key = entry.first.as<std::string>("");
            if (used_.count(key) == 0) {
                Fail(entry.first, key, "unknown field");
            }
        }
    }
    YAML::Node Field(std::string_view key) {
        used_.insert(std::string(key));
        const YAML::Node& map = map_;
        return map[std::string(key)];
    }

    void Int(std::string_view key, int32_t& value) {
        const YAML::Node node = Field(key);
        if (node.IsDefined() && !node.IsNull()) {
            value = IntOf(node, key);
        }
    }
    void Byte(std::string_view key, uint8_t& value) {
        const YAML::Node node = Field(key);
        if (!node.IsDefined() || node.IsNull()) {
            return;
        }
        const std::string text = Scalar(node, key);
        if (text == "true" || text == "yes") {
            value = 1;
        } else if (text == "false" || text == "no") {
            value = 0;
        } else {
            const int32_t number = IntOf(node, key);
            if (number < 0 || number > 255) {
                Fail(node, key, "a byte is 0..255, true or false");
            }
            value = static_cast<uint8_t>(number);
        }
    }
    float FloatOf(const YAML::Node& node, std::string_view key) const {
        const std::string text = Scalar(node, key);
        float value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
            Fail(node, key, "\"" + text + "\" is not a finite number");
        }
        return value;
    }
    void Float(std::string_view key, float& value) {
        const YAML::Node node = Field(key);
        if (node.IsDefined() && !node.IsNull()) {
            value = FloatOf(node, key);
        }
    }
    void Enum(std::string_view key, TEnumKind kind, int32_t& value) {
        const YAML::Node node = Field(key);
        if (!node.IsDefined() || node.IsNull()) {
            return;
        }
        const std::string text = Scalar(node, key);
        if (!EnumValue(kind, text, value)) {
            Fail(node, key, "unknown value \"" + text + "\"; known: " + EnumNames(kind));
        }
    }
    int32_t RefOf(const YAML::Node& node, std::string_view key, TRefKind kind) const {
        if (!node.IsDefined() || node.IsNull()) {
            return 0;
        }
        const std::string name = Scalar(node, key);
        const auto& table = (*tables_)[kind];
        const auto found = table.find(name);
        if (found == table.end()) {
            Fail(node, key, "no " + std::string(RefKindName(kind)) + " named \"" + name + "\"");
        }
        return found->second;
    }
    void Ref(std::string_view key, TRefKind kind, int32_t& value) {
        value = RefOf(Field(key), key, kind);
    }
    YAML::Node List(std::string_view key, std::size_t limit) {
        const YAML::Node node = Field(key);
        if (!node.IsDefined() || node.IsNull()) {
            return YAML::Node();
        }
        if (!node.IsSequence()) {
            Fail(node, key, "a list is expected");
        }
        if (node.size() > limit) {
            Fail(node, key,
                 std::to_string(node.size()) + " entries, at most " + std::to_string(limit));
        }
        return node;
    }
    template <std::size_t N>
    void Refs(std::string_view key, TRefKind kind, std::array<int32_t, N>& values) {
        const YAML::Node list = List(key, N);
        for (std::size_t i = 0; list.IsSequence() && i < list.size(); ++i) {
            values[i] = RefOf(list[i], key, kind);
        }
    }
    template <std::size_t N>
    void Ints(std::string_view key, std::array<int32_t, N>& values) {
        const YAML::Node list = List(key, N);
        for (std::size_t i = 0; list.IsSequence() && i < list.size(); ++i) {
            values[i] = IntOf(list[i], key);
        }
    }
    template <std::size_t N>
    void Floats(std::string_view key, std::array<float, N>& values) {
        const YAML::Node list = List(key, N);
        if (list.IsSequence() && list.size() != N) {
            Fail(list, key, std::to_string(N) + " numbers are expected");
        }
        for (std::size_t i = 0; list.IsSequence() && i < list.size(); ++i) {
            values[i] = FloatOf(list[i], key);
        }
    }
    template <std::size_t N>
    void Bytes(std::string_view key, std::array<uint8_t, N>& values) {
        const YAML::Node list = List(key, N);
        for (std::size_t i = 0; list.IsSequence() && i < list.size(); ++i) {
            const int32_t number = IntOf(list[i], key);
            if (number < 0 || number > 255) {
                Fail(list[i], key, "a byte is 0..255");
            }
            values[i] = static_cast<uint8_t>(number);
        }
    }
    template <std::size_t N>
    void Bits(std::string_view key, std::array<uint8_t, N>& values) {
        const YAML::Node list = List(key, N * 8);
        for (std::size_t i = 0; list.IsSequence() && i < list.size(); ++i) {
            const int32_t bit = IntOf(list[i], key);
            if (bit < 0 || bit >= static_cast<int32_t>(N * 8)) {
                Fail(list[i], key, "a cell is 0.." + std::to_string(N * 8 - 1));
            }
            values[static_cast<std::size_t>(bit / 8)] |= static_cast<uint8_t>(1u << (bit % 8));
        }
    }
    template <std::size_t N>
    void Slots(std::string_view key, std::array<TSlot, N>& slots, int32_t limit) {
        const YAML::Node node = Field(key);
        if (!node.IsDefined() || node.IsNull()) {
            return;
        }
        if (!node.IsSequence()) {
            Fail(node, key, "a list is expected");
        }
        if (node.size() > static_cast<std::size_t>(limit)) {
            Fail(node, key,
                 std::to_string(node.size()) + " entries, but the type has " +
                     std::to_string(limit));
        }
        for (std::size_t i = 0; i < node.size(); ++i) {
            const YAML::Node slot = node[i];
            if (slot.IsNull() || (slot.IsMap() && slot.size() == 0)) {
                continue;
            }
            if (!slot.IsMap()) {
                Fail(slot, key, "an entry is {prop: NAME, amount: N}");
            }
            for (const auto& entry : slot) {
                const std::string field = entry.first.as<std::string>("");
                if (field != "prop" && field != "amount") {
                    Fail(entry.first, key, "unknown field \"" + field + "\" in an entry");
                }
            }
            slots[i].Prop = RefOf(slot["prop"], key, rkProp);
            if (slot["amount"]) {
                slots[i].Amount = IntOf(slot["amount"], key);
            }
        }
    }

    void SetTables(const std::array<std::unordered_map<std::string, int32_t>, RefKindCount>* t) {
        tables_ = t;
    }

private:
    std::string fileName_;
    YAML::Node map_;
    std::set<std::string> used_;
    const std::array<std::unordered_map<std::string, int32_t>, RefKindCount>* tables_ = nullptr;
};

std::string NameOf(const TYamlReader& reader, const YAML::Node& item, std::string_view what) {
    if (!item.IsMap()) {
        reader.Fail(item, what, "a map of fields is expected");
    }
    const YAML::Node name = item["name"];
    if (!name) {
        reader.Fail(item, what, "a name is required");
    }
    std::string text = reader.Scalar(name, "name");
    if (text.empty()) {
        reader.Fail(name, "name", "a name may not be empty");
    }
    return text;
}

YAML::Node ListOf(const TYamlReader& reader, const YAML::Node& parent, const char* key) {
    const YAML::Node list = parent[key];
    if (list && !list.IsNull() && !list.IsSequence()) {
        reader.Fail(list, key, "a list is expected");
    }
    return list && list.IsSequence() ? list : YAML::Node(YAML::NodeType::Sequence);
}

// ---------------------------------------------------------------------------------------------
// Writing

bool PlainSafe(std::string_view text) {
    if (text.empty() || text == "~" || text == "null" || text == "true" || text == "false" ||
        text == "yes" || text == "no" || text == "on" || text == "off" || text == "Null" ||
        text == "NULL" || text == "True" || text == "False" || text == "Yes" || text == "No") {
        return false;
    }
    const char first = text.front();
    if (first == '-' || first == '.' || (first >= '0' && first <= '9') || first == '+' ||
        first == ' ') {
        return false;
    }
    return std::all_of(text.begin(), text.end(),
                       [](char c) {
                           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                  (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' ||
                                  c == '/' || c == ' ';
                       }) &&
           text.back() != ' ';
}

std::string Quote(std::string_view text) {
    if (PlainSafe(text)) {
        return std::string(text);
    }
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        // The line breaks YAML knows beyond ASCII would fold the text; they are escaped.
        if (text.substr(i, 2) == "\xC2\x85") {
            out += "\\u0085";
            ++i;
        } else if (text.substr(i, 3) == "\xE2\x80\xA8" || text.substr(i, 3) == "\xE2\x80\xA9") {
            out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            constexpr char Hex[] = "0123456789ABCDEF";
            out += "\\x";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string FloatText(float value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    (void)error;
    return std::string(buffer.data(), end);
}

class TYamlWriter {
public:
    TYamlWriter(std::string& out, const TWorldModel& world) : out_(out) {
        for (int32_t kind = 0; kind < RefKindCount; ++kind) {
            names_[static_cast<std::size_t>(kind)] = world.Names(static_cast<TRefKind>(kind));
        }
    }

    // Lines of the current record are written at Indent; the first gets the list dash.
    void BeginItem(int indent) {
        indent_ = indent;
        first_ = true;
    }
    void Line(std::string_view key, const std::string& value) {
        if (first_) {
            out_.append(static_cast<std::size_t>(indent_ - 2), ' ');
            out_ += "- ";
            first_ = false;
        } else {
            out_.append(static_cast<std::size_t>(indent_), ' ');
        }
        out_ += key;
        if (!value.empty()) {
            out_ += ": ";
            out_ += value;
        } else {
            out_ += ':';
        }
        out_ += '\n';
    }
    std::string RefText(TRefKind kind, int32_t value) const {
        const auto& names = names_[static_cast<std::size_t>(kind)];
        if (value < 1 || static_cast<std::size_t>(value) > names.size()) {
            return "~";
        }
        return Quote(names[static_cast<std::size_t>(value) - 1]);
    }

    void Int(std::string_view key, int32_t& value) {
        if (value != 0 || key == "number") {
            Line(key, std::to_string(value));
        }
    }
    void Byte(std::string_view key, uint8_t& value) {
        if (value == 1) {
            Line(key, "true");
        } else if (value != 0) {
            Line(key, std::to_string(value));
        }
    }
    void Float(std::string_view key, float& value) {
        if (value != 0 || std::signbit(value)) {
            Line(key, FloatText(value));
        }
    }
    void Enum(std::string_view key, TEnumKind kind, int32_t& value) {
        if ((value == 0 && kind != ekSceneType) || (kind == ekSceneType && SkipSceneType)) {
            return;
        }
        const std::string name = EnumName(kind, value);
        Line(key, name.empty() ? std::to_string(value) : Quote(name));
    }
    void Ref(std::string_view key, TRefKind kind, int32_t& value) {
        if (value != 0) {
            Line(key, RefText(kind, value));
        }
    }
    template <class T, std::size_t N, class F>
    void Sequence(std::string_view key, const std::array<T, N>& values, F text) {
        std::size_t used = N;
        while (used > 0 && values[used - 1] == T{}) {
            --used;
        }
        if (used == 0) {
            return;
        }
        std::string list = "[";
        for (std::size_t i = 0; i < used; ++i) {
            list += (i > 0 ? ", " : "") + text(values[i]);
        }
        Line(key, list + "]");
    }
    template <std::size_t N>
    void Refs(std::string_view key, TRefKind kind, std::array<int32_t, N>& values) {
        Sequence(key, values, [&](int32_t v) { return RefText(kind, v); });
    }
    template <std::size_t N>
    void Ints(std::string_view key, std::array<int32_t, N>& values) {
        Sequence(key, values, [](int32_t v) { return std::to_string(v); });
    }
    template <std::size_t N>
    void Floats(std::string_view key, std::array<float, N>& values) {
        if (std::all_of(values.begin(), values.end(), [](float v) { return v == 1; })) {
            return;
        }
        std::string list = "[";
        for (std::size_t i = 0; i < N; ++i) {
            list += (i > 0 ? ", " : "") + FloatText(values[i]);
        }
        Line(key, list + "]");
    }
    template <std::size_t N>
    void Bytes(std::string_view key, std::array<uint8_t, N>& values) {
        Sequence(key, values, [](uint8_t v) { return std::to_string(v); });
    }
    template <std::size_t N>
    void Bits(std::string_view key, std::array<uint8_t, N>& values) {
        std::string list;
        for (std::size_t bit = 0; bit < N * 8; ++bit) {
            if ((values[bit / 8] >> (bit % 8) & 1) != 0) {
                list += (list.empty() ? "" : ", ") + std::to_string(bit);
            }
        }
        if (!list.empty()) {
            Line(key, "[" + list + "]");
        }
    }
    template <std::size_t N>
    void Slots(std::string_view key, std::array<TSlot, N>& slots, int32_t) {
        std::size_t used = N;
        while (used > 0 && slots[used - 1].Prop == 0 && slots[used - 1].Amount == 0) {
            --used;
        }
        if (used == 0) {
            return;
        }
        std::string list = "[";
        for (std::size_t i = 0; i < used; ++i) {
            list += i > 0 ? ", " : "";
            std::string entry;
            if (slots[i].Prop != 0) {
                entry = "prop: " + RefText(rkProp, slots[i].Prop);
            }
            if (slots[i].Amount != 0) {
                entry += (entry.empty() ? "" : ", ") + std::string("amount: ") +
                         std::to_string(slots[i].Amount);
            }
            list += "{" + entry + "}";
        }
        Line(key, list + "]");
    }

    // Scenes name their type first, where it reads best; Fields then passes over it.
    bool SkipSceneType = false;

private:
    std::string& out_;
    std::array<std::vector<std::string>, RefKindCount> names_;
    int indent_ = 2;
    bool first_ = true;
};

bool ValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3F);
        }
        const uint32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < lowest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
            code == 0xFEFF) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::string CompileWorldText(const std::string& text, const std::string& fileName,
                             std::vector<std::string>& warnings) {
    return WriteWorldBytes(ParseWorldYaml(text, fileName, warnings));
}

std::string DecompileWorldBytes(std::string_view bytes, const std::string& fileName) {
    TWorldModel world;
    try {
        world = ReadWorldBytes(bytes);
    } catch (const EngineError& error) {
        throw EngineError(fileName + ": " + error.what());
    }
    std::vector<std::string> problems = CheckWorld(world);
    for (int32_t kind = 0; kind < RefKindCount; ++kind) {
        for (const std::string& name : world.Names(static_cast<TRefKind>(kind))) {
            if (name.empty() || !ValidUtf8(name)) {
                problems.push_back("a " + std::string(RefKindName(static_cast<TRefKind>(kind))) +
                                   " name is empty or not UTF-8");
                break;
            }
        }
    }
    if (!problems.empty()) {
        throw EngineError(fileName + ": cannot be written as text: " + problems.front());
    }
    std::string text = WriteWorldYaml(world);
    // The text must build back to the very same bytes; anything else is refused rather than
    // handed to an author as if it were the same world.
    std::vector<std::string> warnings;
    std::string rebuilt;
    try {
        rebuilt = CompileWorldText(text, fileName, warnings);
    } catch (const EngineError& error) {
        throw EngineError(fileName + ": cannot be written as text: " + error.what());
    }
    if (rebuilt != bytes) {
        throw EngineError(fileName + ": cannot be written as text without change");
    }
    return text;
}

TWorldModel ParseWorldYaml(const std::string& text, const std::string& fileName,
                           std::vector<std::string>& warnings) {
    TYamlReader reader(fileName);
    YAML::Node root;
    try {
        root = YAML::Load(text);
    } catch (const YAML::Exception& error) {
        throw EngineError(fileName + ":" + std::to_string(error.mark.line + 1) +
                          ": YAML: " + error.msg);
    }
    if (!root.IsMap()) {
        reader.Fail(root, "world", "the world is a map of sections");
    }
    TWorldModel world;
    std::array<std::unordered_map<std::string, int32_t>, RefKindCount> tables;
    // Site names with the region that holds them, for the clearer message.
    std::unordered_map<std::string, std::string> siteRegion;
    auto declare = [&](TRefKind kind, const std::string& name, const YAML::Node& at,
                       const std::string& region = {}) {
        if (!ValidUtf8(name)) {
            reader.Fail(at, "name", "a name must be UTF-8");
        }
        auto& table = tables[static_cast<std::size_t>(kind)];
        const auto index = static_cast<int32_t>(table.size() + 1);
        if (!table.emplace(name, index).second) {
            if (kind == rkSite) {
                reader.Fail(at, "name",
                            "site \"" + name + "\" is already in region \"" + siteRegion[name] +
                                "\"; a site belongs to one region");
            }
            reader.Fail(at, "name",
                        "a " + std::string(RefKindName(kind)) + " named \"" + name +
                            "\" exists already");
        }
        if (kind == rkSite) {
            siteRegion[name] = region;
        }
    };

    // Pass 1: every name, so that any record may refer forward.
    const YAML::Node pool = root["pool"];
    if (pool && !pool.IsNull()) {
        reader.Begin(pool, "pool");
        for (int32_t kind = 0; kind < PoolKindCount; ++kind) {
            const YAML::Node list = reader.Field(PoolKeys[static_cast<std::size_t>(kind)]);
            if (!list || list.IsNull()) {
                continue;
            }
            if (!list.IsSequence()) {
                reader.Fail(list, PoolKeys[static_cast<std::size_t>(kind)], "a list is expected");
            }
            for (const YAML::Node& item : list) {
                std::string name = reader.Scalar(item, PoolKeys[static_cast<std::size_t>(kind)]);
                if (name.empty()) {
                    reader.Fail(item, "name", "a name may not be empty");
                }
                declare(static_cast<TRefKind>(kind), name, item);
                world.Pool[static_cast<std::size_t>(kind)].push_back(std::move(name));
            }
        }
        reader.End();
    }
    const YAML::Node props = ListOf(reader, root, "props");
    for (const YAML::Node& item : props) {
        declare(rkProp, NameOf(reader, item, "props"), item["name"]);
    }
    const YAML::Node regions = ListOf(reader, root, "regions");
    for (const YAML::Node& item : regions) {
        const std::string region = NameOf(reader, item, "regions");
        declare(rkRegion, region, item["name"]);
        for (const YAML::Node& site : ListOf(reader, item, "sites")) {
            declare(rkSite, NameOf(reader, site, "sites"), site["name"], region);
        }
    }
    const YAML::Node unattached = ListOf(reader, root, "unattached-sites");
    for (const YAML::Node& item : unattached) {
        const std::string name = reader.Scalar(item, "unattached-sites");
        if (name.empty()) {
            reader.Fail(item, "name", "a name may not be empty");
        }
        declare(rkSite, name, item, "(none)");
        world.UnattachedSites.emplace_back().Name = name;
    }
    const YAML::Node hints = ListOf(reader, root, "hints");
    for (const YAML::Node& item : hints) {
        declare(rkHint, NameOf(reader, item, "hints"), item["name"]);
    }
    const YAML::Node achievements = ListOf(reader, root, "achievements");
    for (const YAML::Node& item : achievements) {
        declare(rkAchievement, NameOf(reader, item, "achievements"), item["name"]);
    }
    reader.SetTables(&tables);

    // Pass 2: the records. Numbers left out count up in file order.
    int32_t siteNumber = 0;
    for (const YAML::Node& item : props) {
        TPropModel& prop = world.Props.emplace_back();
        prop.Name = item["name"].Scalar();
        prop.Number = static_cast<int32_t>(world.Props.size());
        reader.Begin(item, "props");
        reader.Allow("name");
        Fields(reader, prop);
        reader.End();
    }
    for (const YAML::Node& item : regions) {
        TRegionModel& region = world.Regions.emplace_back();
        region.Name = item["name"].Scalar();
        region.Number = static_cast<int32_t>(world.Regions.size());
        reader.Begin(item, "regions");
        reader.Allow("name");
        reader.Allow("sites");
        const YAML::Node map = reader.Field("map");
        Fields(reader, region);
        reader.End();
        if (map && !map.IsNull()) {
            reader.Begin(map, "map");
            for (const char* key : {"terrain", "water"}) {
                const YAML::Node rows = reader.Field(key);
                if (!rows || rows.IsNull()) {
                    continue;
                }
                if (!rows.IsSequence() || rows.size() > 11) {
                    reader.Fail(rows, key, "at most 11 rows of at most 10 cells");
                }
                for (std::size_t row = 0; row < rows.size(); ++row) {
                    if (!rows[row].IsSequence() || rows[row].size() > 10) {
                        reader.Fail(rows[row], key, "a row is a list of at most 10 cells");
                    }
                    for (std::size_t column = 0; column < rows[row].size(); ++column) {
                        TCellModel& cell = region.Cells[row * 10 + column];
                        const YAML::Node value = rows[row][column];
                        if (key[0] == 't') {
                            cell.Terrain = reader.RefOf(value, key, rkTerrain);
                        } else {
                            cell.Water = reader.RefOf(value, key, rkWater);
                        }
                    }
                }
            }
            const YAML::Node plots = reader.Field("plots");
            reader.End();
            if (plots && !plots.IsNull()) {
                if (!plots.IsSequence()) {
                    reader.Fail(plots, "plots", "a list is expected");
                }
                for (const YAML::Node& plotNode : plots) {
                    reader.Begin(plotNode, "plots");
                    Fields(reader, region.Plots.emplace_back());
                    reader.End();
                }
            }
        }
        for (const YAML::Node& siteNode : ListOf(reader, item, "sites")) {
            TSiteModel& site = region.Sites.emplace_back();
            site.Name = siteNode["name"].Scalar();
            site.Number = ++siteNumber;
            reader.Begin(siteNode, "sites");
            reader.Allow("name");
            const YAML::Node scenes = reader.Field("scenes");
            Fields(reader, site);
            reader.End();
            if (scenes && !scenes.IsNull()) {
                if (!scenes.IsSequence()) {
                    reader.Fail(scenes, "scenes", "a list is expected");
                }
                for (const YAML::Node& sceneNode : scenes) {
                    TSceneModel& scene = site.Scenes.emplace_back();
                    reader.Begin(sceneNode, "scenes");
                    // The type decides how many slots the rest may fill.
                    reader.Enum("type", ekSceneType, scene.SceneType);
                    scene.NumberFixed = sceneNode["number"].IsDefined();
                    scene.Line = sceneNode.Mark().line + 1;
                    Fields(reader, scene);
                    reader.End();
                }
            }
        }
    }
    for (const YAML::Node& item : hints) {
        THintModel& hint = world.Hints.emplace_back();
        hint.Name = item["name"].Scalar();
        hint.Number = static_cast<int32_t>(world.Hints.size());
        reader.Begin(item, "hints");
        reader.Allow("name");
        Fields(reader, hint);
        reader.End();
    }
    for (const YAML::Node& item : achievements) {
        TAchievementModel& achievement = world.Achievements.emplace_back();
        achievement.Name = item["name"].Scalar();
        achievement.Number = static_cast<int32_t>(world.Achievements.size());
        reader.Begin(item, "achievements");
        reader.Allow("name");
        Fields(reader, achievement);
        reader.End();
    }

    reader.Begin(root, "world");
    for (const char* key :
         {"pool", "props", "regions", "unattached-sites", "hints", "achievements"}) {
        reader.Allow(key);
    }
    reader.Ref("menu-region", rkRegion, world.MenuRegion);
    reader.Ref("start-region", rkRegion, world.StartRegion);
    reader.Ref("world-map-region", rkRegion, world.WorldMapRegion);
    reader.Ref("recommendation-start", rkSite, world.RecommendationStart);
    int32_t highest = 0;
    for (const TRegionModel& region : world.Regions) {
        highest = std::max(highest, region.Number);
    }
    world.RegionCounter = highest;
    reader.Int("region-counter", world.RegionCounter);
    reader.End();

    // Scene legends are found by number alone: numbers the author left out are unique in the
    // whole world, and fixed ones that two sites share are pointed out.
    std::map<int32_t, const TSiteModel*> fixedBy;
    for (const TRegionModel& region : world.Regions) {
        for (const TSiteModel& site : region.Sites) {
            for (const TSceneModel& scene : site.Scenes) {
                if (!scene.NumberFixed) {
                    continue;
                }
                const auto [at, added] = fixedBy.emplace(scene.Number, &site);
                if (!added && at->second != &site) {
                    warnings.push_back(fileName + ":" + std::to_string(scene.Line) +
                                       ": number: scene number " + std::to_string(scene.Number) +
                                       " is also used in site \"" + at->second->Name +
                                       "\"; both scenes show the same legend");
                }
            }
        }
    }
    int32_t next = 1;
    for (TRegionModel& region : world.Regions) {
        for (TSiteModel& site : region.Sites) {
            for (TSceneModel& scene : site.Scenes) {
                if (scene.NumberFixed) {
                    continue;
                }
                while (fixedBy.count(next) != 0) {
                    ++next;
                }
                scene.Number = next++;
                scene.NumberFixed = true;
            }
        }
    }
    for (const std::string& problem : CheckWorld(world)) {
        throw EngineError(fileName + ": " + problem);
    }
    return world;
}

std::string WriteWorldYaml(const TWorldModel& world) {
    std::string out = "# A Valdmoor world (valdmoor-scenario); see docs/scenario.md.\n";
    TYamlWriter w(out, world);
    TWorldModel copy = world;
    out += "pool:\n";
    for (int32_t kind = 0; kind < PoolKindCount; ++kind) {
        const auto& names = world.Pool[static_cast<std::size_t>(kind)];
        out += "  " + std::string(PoolKeys[static_cast<std::size_t>(kind)]) + ": [";
        for (std::size_t i = 0; i < names.size(); ++i) {
            out += (i > 0 ? ", " : "") + Quote(names[i]);
        }
        out += "]\n";
    }
    out += copy.Props.empty() ? "props: []\n" : "props:\n";
    for (TPropModel& prop : copy.Props) {
        w.BeginItem(4);
        w.Line("name", Quote(prop.Name));
        Fields(w, prop);
    }
    out += copy.Regions.empty() ? "regions: []\n" : "regions:\n";
    for (TRegionModel& region : copy.Regions) {
        w.BeginItem(4);
        w.Line("name", Quote(region.Name));
        Fields(w, region);
        const bool terrain = std::any_of(region.Cells.begin(), region.Cells.end(),
                                         [](const TCellModel& c) { return c.Terrain != 0; });
        const bool water = std::any_of(region.Cells.begin(), region.Cells.end(),
                                       [](const TCellModel& c) { return c.Water != 0; });
        if (terrain || water || !region.Plots.empty()) {
            out += "    map:\n";
            for (int layer = 0; layer < 2; ++layer) {
                if (!(layer == 0 ? terrain : water)) {
                    continue;
                }
                out += layer == 0 ? "      terrain:\n" : "      water:\n";
                // Rows and cells left out at the ends are none.
                auto cellAt = [&](int row, int column) {
                    const TCellModel& cell =
                        region.Cells[static_cast<std::size_t>(row * 10 + column)];
                    return layer == 0 ? cell.Terrain : cell.Water;
                };
                int rows = 11;
                while (rows > 0 && [&] {
                    for (int column = 0; column < 10; ++column) {
                        if (cellAt(rows - 1, column) != 0) {
                            return false;
                        }
                    }
                    return true;
                }()) {
                    --rows;
                }
                for (int row = 0; row < rows; ++row) {
                    int columns = 10;
                    while (columns > 0 && cellAt(row, columns - 1) == 0) {
                        --columns;
                    }
                    out += "        - [";
                    for (int column = 0; column < columns; ++column) {
                        const TCellModel& cell =
                            region.Cells[static_cast<std::size_t>(row * 10 + column)];
                        out += (column > 0 ? ", " : "") + (layer == 0
                                                               ? w.RefText(rkTerrain, cell.Terrain)
                                                               : w.RefText(rkWater, cell.Water));
                    }
                    out += "]\n";
                }
            }
            if (!region.Plots.empty()) {
                out += "      plots:\n";
                for (TPlotModel& plot : region.Plots) {
                    w.BeginItem(10);
                    Fields(w, plot);
                    if (plot.Figure == 0 && plot.Group == 0 && plot.X == 0 && plot.Y == 0 &&
                        plot.Values == std::array<int32_t, 2>{} && plot.Sound == 0 &&
                        plot.Bytes == std::array<uint8_t, 2>{} && plot.InitiallyHidden == 0 &&
                        plot.Last == 0) {
                        out += "        - {}\n";
                    }
                }
            }
        }
        if (!region.Sites.empty()) {
            out += "    sites:\n";
        }
        for (TSiteModel& site : region.Sites) {
            w.BeginItem(8);
            w.Line("name", Quote(site.Name));
            Fields(w, site);
            if (!site.Scenes.empty()) {
                out += "        scenes:\n";
            }
            for (TSceneModel& scene : site.Scenes) {
                w.BeginItem(12);
                w.SkipSceneType = false;
                w.Enum("type", ekSceneType, scene.SceneType);
                w.SkipSceneType = true;
                Fields(w, scene);
                w.SkipSceneType = false;
            }
        }
    }
    if (!copy.UnattachedSites.empty()) {
        out += "unattached-sites: [";
        for (std::size_t i = 0; i < copy.UnattachedSites.size(); ++i) {
            out += (i > 0 ? ", " : "") + Quote(copy.UnattachedSites[i].Name);
        }
        out += "]\n";
    }
    out += copy.Hints.empty() ? "hints: []\n" : "hints:\n";
    for (THintModel& hint : copy.Hints) {
        w.BeginItem(4);
        w.Line("name", Quote(hint.Name));
        Fields(w, hint);
    }
    out += copy.Achievements.empty() ? "achievements: []\n" : "achievements:\n";
    for (TAchievementModel& achievement : copy.Achievements) {
        w.BeginItem(4);
        w.Line("name", Quote(achievement.Name));
        Fields(w, achievement);
    }
    w.BeginItem(2);
    auto topRef = [&](const char* key, TRefKind kind, int32_t value) {
        if (value != 0) {
            out += std::string(key) + ": " + w.RefText(kind, value) + "\n";
        }
    };
    topRef("menu-region", rkRegion, copy.MenuRegion);
    topRef("start-region", rkRegion, copy.StartRegion);
    topRef("world-map-region", rkRegion, copy.WorldMapRegion);
    topRef("recommendation-start", rkSite, copy.RecommendationStart);
    out += "region-counter: " + std::to_string(copy.RegionCounter) + "\n";
    return out;
}

} // namespace valdmoor::scenario
