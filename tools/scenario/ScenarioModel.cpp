#include "ScenarioModel.h"

#include "app/EngineApplication.h"
#include "world/GameScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <span>
#include <string>

namespace valdmoor::scenario {
namespace {

constexpr std::array<std::string_view, RefKindCount> RefKindNames = {
    "picture", "effector", "sound",  "terrain", "water", "figure",      "caption",
    "group",   "prop",     "region", "site",    "hint",  "achievement",
};

constexpr std::array<std::string_view, 5> PropKindNames = {"property", "knowledge", "skill",
                                                           "companion", "item"};
constexpr std::array<std::string_view, 5> SoundActionNames = {"none", "effect", "stream", "music",
                                                              "region-music"};

struct TNamedValue {
    std::string_view Name;
    int32_t Value;
};
// The story actions a site runs after its first visit, the codes that steer the guide, and
// slow travel.
constexpr std::array<TNamedValue, 18> ActionCodes = {{
    {"none", 0},
    {"unlock-hints", 1},
    {"unlock-inventory", 2},
    {"unlock-map", 3},
    {"point-at-recommended", 9},
    {"point-at-nothing", 10},
    {"stash-companions-and-items", 23},
    {"restore-companions-and-items", 24},
    {"hide-map-button", 30},
    {"show-map-button", 31},
    {"hide-hint-button", 32},
    {"guide-to-accept", 110},
    {"guide-through-requirements", 111},
    {"guide-to-reward", 112},
    {"guide-to-make", 113},
    {"way-back", 200},
    {"stop-music", 446},
    {"slow-travel", 600},
}};

constexpr std::array<TNamedValue, 5> TintWords = {{
    {"night", 900},
    {"night-wide", 901},
    {"default", 1000},
    {"default-wide", 1001},
    {"none", 0},
}};

bool ParseInt(std::string_view text, int32_t& value) {
    if (text.empty() || text.size() > 11) {
        return false;
    }
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) {
        return false;
    }
    int64_t result = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        result = result * 10 + (text[i] - '0');
    }
    result = negative ? -result : result;
    if (result < INT32_MIN || result > INT32_MAX) {
        return false;
    }
    value = static_cast<int32_t>(result);
    return true;
}

// Names whose position is the value.
std::string NameAt(std::span<const std::string_view> names, int32_t value) {
    return value >= 0 && static_cast<std::size_t>(value) < names.size()
               ? std::string(names[static_cast<std::size_t>(value)])
               : std::string();
}

bool PositionOf(std::span<const std::string_view> names, std::string_view text, int32_t& value) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == text) {
            value = static_cast<int32_t>(i);
            return true;
        }
    }
    return false;
}

// Names of scattered values.
std::string NameOf(std::span<const TNamedValue> table, int32_t value) {
    for (const TNamedValue& entry : table) {
        if (entry.Value == value) {
            return std::string(entry.Name);
        }
    }
    return {};
}

bool ValueOf(std::span<const TNamedValue> table, std::string_view text, int32_t& value) {
    for (const TNamedValue& entry : table) {
        if (entry.Name == text) {
            value = entry.Value;
            return true;
        }
    }
    return false;
}

[[noreturn]] void Damaged(const std::string& what) {
    throw EngineError("Damaged scenario data (" + what + ")");
}

// The list fields, the same for every byte visitor: each element as its single field.
template <class TVisitor>
class TFieldLists {
public:
    void Enum(std::string_view key, TEnumKind, int32_t& value) { Self().Int(key, value); }
    template <std::size_t N>
    void Refs(std::string_view key, TRefKind kind, std::array<int32_t, N>& values) {
        for (int32_t& value : values) {
            Self().Ref(key, kind, value);
        }
    }
    template <std::size_t N>
    void Ints(std::string_view key, std::array<int32_t, N>& values) {
        for (int32_t& value : values) {
            Self().Int(key, value);
        }
    }
    template <std::size_t N>
    void Floats(std::string_view key, std::array<float, N>& values) {
        for (float& value : values) {
            Self().Float(key, value);
        }
    }
    template <std::size_t N>
    void Bytes(std::string_view key, std::array<uint8_t, N>& values) {
        for (uint8_t& value : values) {
            Self().Byte(key, value);
        }
    }
    template <std::size_t N>
    void Bits(std::string_view key, std::array<uint8_t, N>& values) {
        Bytes(key, values);
    }
    // Every slot is in the file, also those the scene type leaves unused.
    template <std::size_t N>
    void Slots(std::string_view key, std::array<TSlot, N>& slots, int32_t) {
        for (TSlot& slot : slots) {
            Self().Ref(key, rkProp, slot.Prop);
            Self().Int(key, slot.Amount);
        }
    }

private:
    TVisitor& Self() { return static_cast<TVisitor&>(*this); }
};

// Little-endian writing of every field kind the records hold.
class TByteWriter : public TFieldLists<TByteWriter> {
public:
    std::string Out;

    void Put32(uint32_t bits) {
        for (int shift = 0; shift < 32; shift += 8) {
            Out.push_back(static_cast<char>(bits >> shift & 0xFF));
        }
    }
    void Int(std::string_view, int32_t& value) { Put32(static_cast<uint32_t>(value)); }
    void Byte(std::string_view, uint8_t& value) { Out.push_back(static_cast<char>(value)); }
    void Float(std::string_view, float& value) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        Put32(bits);
    }
    void Ref(std::string_view key, TRefKind, int32_t& value) { Int(key, value); }
    void Name(const std::string& name) {
        Put32(static_cast<uint32_t>(name.size()));
        Out += name;
    }
    void Count(std::size_t count) { Put32(static_cast<uint32_t>(count)); }
};

// The same fields read back, every count and reference checked before it is trusted.
class TByteReader : public TFieldLists<TByteReader> {
public:
    TByteReader(std::string_view bytes, const std::array<int32_t, RefKindCount>& counts)
        : bytes_(bytes), counts_(counts) {}

    std::size_t Left() const { return bytes_.size() - position_; }
    uint32_t Get32() {
        if (Left() < 4) {
            Damaged("end of data");
        }
        uint32_t bits = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            bits |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[position_++])) << shift;
        }
        return bits;
    }
    void Int(std::string_view, int32_t& value) { value = static_cast<int32_t>(Get32()); }
    void Byte(std::string_view, uint8_t& value) {
        if (Left() < 1) {
            Damaged("end of data");
        }
        value = static_cast<uint8_t>(bytes_[position_++]);
    }
    void Float(std::string_view key, float& value) {
        const uint32_t bits = Get32();
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) {
            Damaged(std::string(key) + ": number not finite");
        }
    }
    void Ref(std::string_view key, TRefKind kind, int32_t& value) {
        Int(key, value);
        if (value < 0 || value > counts_[kind]) {
            Damaged(std::string(key) + ": " + std::string(RefKindName(kind)) + " " +
                    std::to_string(value) + " outside 1.." + std::to_string(counts_[kind]));
        }
    }
    // A count of items of at least MinItemBytes each that fit in the bytes left.
    int32_t Count(std::size_t minItemBytes, const char* what) {
        const auto count = static_cast<int32_t>(Get32());
        if (count < 0 || static_cast<uint64_t>(count) * minItemBytes > Left()) {
            Damaged(what);
        }
        return count;
    }
    std::string Name() {
        const int32_t length = Count(1, "name length");
        std::string name(bytes_.substr(position_, static_cast<std::size_t>(length)));
        position_ += static_cast<std::size_t>(length);
        return name;
    }
    std::vector<std::string> Names(const char* what) {
        const int32_t count = Count(4, what);
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            names.push_back(Name());
        }
        return names;
    }
    std::array<int32_t, RefKindCount>& Counts() { return counts_; }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
    std::array<int32_t, RefKindCount> counts_;
};

constexpr int32_t SceneBytes = 207;
constexpr int32_t SiteBytes = 136;

// The visitors take fields by reference, so the writer works on a copy.
template <class TRecord>
void WriteRecord(TByteWriter& w, const TRecord& record) {
    TRecord copy = record;
    Fields(w, copy);
}

void WriteRecord(TByteWriter& w, const TSiteModel& site) {
    TSiteModel copy = site;
    Fields(w, copy);
    w.Count(site.Scenes.size());
    for (const TSceneModel& scene : site.Scenes) {
        WriteRecord(w, scene);
    }
}

void WritePool(TByteWriter& w, const TWorldModel& world) {
    for (const std::vector<std::string>& list : world.Pool) {
        w.Count(list.size());
        for (const std::string& name : list) {
            w.Name(name);
        }
    }
}

void WriteMap(TByteWriter& w, const TRegionModel& region) {
    for (TCellModel cell : region.Cells) {
        w.Int("terrain", cell.Terrain);
        w.Int("water", cell.Water);
    }
    w.Count(region.Plots.size());
    for (const TPlotModel& plot : region.Plots) {
        WriteRecord(w, plot);
    }
}

// One piece of the file alone.
template <class TPiece>
std::string PieceBytes(void (*write)(TByteWriter&, const TPiece&), const TPiece& piece) {
    TByteWriter w;
    write(w, piece);
    return std::move(w.Out);
}

} // namespace

std::string_view RefKindName(TRefKind kind) {
    return RefKindNames[static_cast<std::size_t>(kind)];
}

std::vector<std::string> TWorldModel::Names(TRefKind kind) const {
    std::vector<std::string> names;
    auto collect = [&](const auto& list) {
        for (const auto& item : list) {
            names.push_back(item.Name);
        }
    };
    switch (kind) {
        case rkProp:
            collect(Props);
            break;
        case rkRegion:
            collect(Regions);
            break;
        case rkSite:
            for (const TRegionModel& region : Regions) {
                collect(region.Sites);
            }
            collect(UnattachedSites);
            break;
        case rkHint:
            collect(Hints);
            break;
        case rkAchievement:
            collect(Achievements);
            break;
        default:
            names = Pool[static_cast<std::size_t>(kind)];
            break;
    }
    return names;
}

std::string WriteWorldBytes(const TWorldModel& world) {
    TByteWriter w;
    WritePool(w, world);
    w.Count(world.Props.size());
    for (const TPropModel& prop : world.Props) {
        w.Name(prop.Name);
        WriteRecord(w, prop);
    }
    for (TRefKind kind : {rkRegion, rkSite, rkHint, rkAchievement}) {
        const std::vector<std::string> names = world.Names(kind);
        w.Count(names.size());
        for (const std::string& name : names) {
            w.Name(name);
        }
    }
    for (const TRegionModel& region : world.Regions) {
        w.Count(region.Sites.size());
        for (const TSiteModel& site : region.Sites) {
            WriteRecord(w, site);
        }
    }
    for (const TRegionModel& region : world.Regions) {
        WriteRecord(w, region);
        WriteMap(w, region);
    }
    w.Put32(static_cast<uint32_t>(world.MenuRegion));
    w.Put32(static_cast<uint32_t>(world.StartRegion));
    w.Put32(static_cast<uint32_t>(world.WorldMapRegion));
    for (const THintModel& hint : world.Hints) {
        WriteRecord(w, hint);
    }
    w.Put32(static_cast<uint32_t>(world.RecommendationStart));
    for (const TAchievementModel& achievement : world.Achievements) {
        WriteRecord(w, achievement);
    }
    w.Put32(static_cast<uint32_t>(world.RegionCounter));
    return w.Out;
}

std::string PoolBytes(const TWorldModel& world) {
    return PieceBytes(WritePool, world);
}

template <class TRecord>
std::string RecordBytes(const TRecord& record) {
    return PieceBytes<TRecord>(WriteRecord, record);
}
template std::string RecordBytes(const TPropModel&);
template std::string RecordBytes(const TSceneModel&);
template std::string RecordBytes(const TSiteModel&);
template std::string RecordBytes(const TRegionModel&);
template std::string RecordBytes(const THintModel&);
template std::string RecordBytes(const TAchievementModel&);

std::string MapBytes(const TRegionModel& region) {
    return PieceBytes(WriteMap, region);
}

TWorldModel ReadWorldBytes(std::string_view bytes) {
    TWorldModel world;
    TByteReader r(bytes, {});
    for (std::size_t kind = 0; kind < world.Pool.size(); ++kind) {
        world.Pool[kind] = r.Names("pool count");
        r.Counts()[kind] = static_cast<int32_t>(world.Pool[kind].size());
    }
    // Props refer only to the pool, whose sizes are known by now.
    const int32_t propCount = r.Count(4 + 25, "prop count");
    world.Props.resize(static_cast<std::size_t>(propCount));
    for (TPropModel& prop : world.Props) {
        prop.Name = r.Name();
        Fields(r, prop);
    }
    std::vector<std::string> regionNames = r.Names("region count");
    std::vector<std::string> siteNames = r.Names("site count");
    std::vector<std::string> hintNames = r.Names("hint count");
    std::vector<std::string> achievementNames = r.Names("achievement count");
    r.Counts()[rkProp] = propCount;
    r.Counts()[rkRegion] = static_cast<int32_t>(regionNames.size());
    r.Counts()[rkSite] = static_cast<int32_t>(siteNames.size());
    r.Counts()[rkHint] = static_cast<int32_t>(hintNames.size());
    r.Counts()[rkAchievement] = static_cast<int32_t>(achievementNames.size());

    world.Regions.resize(regionNames.size());
    std::size_t nextSite = 0;
    for (std::size_t i = 0; i < regionNames.size(); ++i) {
        TRegionModel& region = world.Regions[i];
        region.Name = regionNames[i];
        const int32_t count = r.Count(SiteBytes, "site count");
        if (static_cast<std::size_t>(count) > siteNames.size() - nextSite) {
            Damaged("site count");
        }
        region.Sites.resize(static_cast<std::size_t>(count));
        for (TSiteModel& site : region.Sites) {
            site.Name = siteNames[nextSite++];
            Fields(r, site);
            const int32_t scenes = r.Count(SceneBytes, "scene count");
            site.Scenes.resize(static_cast<std::size_t>(scenes));
            for (TSceneModel& scene : site.Scenes) {
                Fields(r, scene);
            }
        }
    }
    for (; nextSite < siteNames.size(); ++nextSite) {
        world.UnattachedSites.emplace_back().Name = siteNames[nextSite];
    }
    for (TRegionModel& region : world.Regions) {
        Fields(r, region);
        for (TCellModel& cell : region.Cells) {
            r.Ref("terrain", rkTerrain, cell.Terrain);
            r.Ref("water", rkWater, cell.Water);
        }
        const int32_t plots = r.Count(32, "plot count");
        region.Plots.resize(static_cast<std::size_t>(plots));
        for (TPlotModel& plot : region.Plots) {
            Fields(r, plot);
        }
    }
    r.Ref("menu-region", rkRegion, world.MenuRegion);
    r.Ref("start-region", rkRegion, world.StartRegion);
    r.Ref("world-map-region", rkRegion, world.WorldMapRegion);
    world.Hints.resize(hintNames.size());
    for (std::size_t i = 0; i < hintNames.size(); ++i) {
        world.Hints[i].Name = hintNames[i];
        Fields(r, world.Hints[i]);
    }
    r.Ref("recommendation-start", rkSite, world.RecommendationStart);
    world.Achievements.resize(achievementNames.size());
    for (std::size_t i = 0; i < achievementNames.size(); ++i) {
        world.Achievements[i].Name = achievementNames[i];
        Fields(r, world.Achievements[i]);
    }
    r.Int("region-counter", world.RegionCounter);
    if (r.Left() != 0) {
        Damaged("bytes after the end");
    }
    return world;
}

std::vector<std::string> CheckWorld(const TWorldModel& world) {
    std::vector<std::string> problems;
    for (int32_t kind = 0; kind < RefKindCount; ++kind) {
        std::set<std::string> seen;
        for (const std::string& name : world.Names(static_cast<TRefKind>(kind))) {
            if (!seen.insert(name).second) {
                problems.push_back("two " + std::string(RefKindName(static_cast<TRefKind>(kind))) +
                                   "s named \"" + name + "\"");
            }
        }
    }
    for (const TRegionModel& region : world.Regions) {
        for (const TSiteModel& site : region.Sites) {
            for (std::size_t i = 0; i < site.Scenes.size(); ++i) {
                const TSceneModel& scene = site.Scenes[i];
                auto check = [&](const std::array<TSlot, 8>& slots, int32_t limit,
                                 const char* what) {
                    for (std::size_t k = static_cast<std::size_t>(limit); k < slots.size(); ++k) {
                        if (slots[k].Prop != 0 || slots[k].Amount != 0) {
                            problems.push_back("site \"" + site.Name + "\" scene " +
                                               std::to_string(i + 1) + ": more " + what +
                                               " than its type has (" + std::to_string(limit) +
                                               ")");
                            return;
                        }
                    }
                };
                check(scene.Inputs, SceneInputSlots(scene.SceneType), "inputs");
                check(scene.Outputs, SceneOutputSlots(scene.SceneType), "outputs");
            }
        }
    }
    return problems;
}

int32_t SceneInputSlots(int32_t sceneType) {
    return SceneTypeOf(sceneType).InputSlots;
}

int32_t SceneOutputSlots(int32_t sceneType) {
    return SceneTypeOf(sceneType).OutputSlots;
}

std::string EnumName(TEnumKind kind, int32_t value) {
    switch (kind) {
        case ekPropKind:
            return NameAt(PropKindNames, value);
        case ekSoundAction:
            return NameAt(SoundActionNames, value);
        case ekSceneType:
            return value >= 0 && value < SceneTypeCount ? std::string(SceneTypeOf(value).Name)
                                                        : std::string();
        case ekActionCode:
            return NameOf(ActionCodes, value);
        case ekTintAction:
            if (std::string word = NameOf(TintWords, value); !word.empty()) {
                return word;
            }
            if (value >= 1 && value <= 100) {
                return "set " + std::to_string(value);
            }
            if (value >= 101 && value <= 200) {
                return "lighten " + std::to_string(value - 100);
            }
            if (value >= 201 && value <= 300) {
                return "darken " + std::to_string(value - 200);
            }
            return {};
        case ekNone:
            break;
    }
    return {};
}

bool EnumValue(TEnumKind kind, std::string_view text, int32_t& value) {
    if (ParseInt(text, value)) {
        return true;
    }
    switch (kind) {
        case ekPropKind:
            return PositionOf(PropKindNames, text, value);
        case ekSoundAction:
            return PositionOf(SoundActionNames, text, value);
        case ekSceneType:
            for (int32_t i = 0; i < SceneTypeCount; ++i) {
                if (SceneTypeOf(i).Name == text) {
                    value = i;
                    return true;
                }
            }
            return false;
        case ekActionCode:
            return ValueOf(ActionCodes, text, value);
        case ekTintAction: {
            if (ValueOf(TintWords, text, value)) {
                return true;
            }
            const std::size_t space = text.find(' ');
            int32_t percent = 0;
            if (space == std::string_view::npos || !ParseInt(text.substr(space + 1), percent)) {
                return false;
            }
            const std::string_view verb = text.substr(0, space);
            if (percent < 1 || percent > 100) {
                return false;
            }
            if (verb == "set") {
                value = percent;
            } else if (verb == "lighten") {
                value = 100 + percent;
            } else if (verb == "darken") {
                value = 200 + percent;
            } else {
                return false;
            }
            return true;
        }
        case ekNone:
            break;
    }
    return false;
}

std::string EnumNames(TEnumKind kind) {
    std::string names;
    auto add = [&](std::string_view name) {
        if (!names.empty()) {
            names += ", ";
        }
        names += name;
    };
    auto addNamed = [&](std::span<const TNamedValue> table) {
        for (const TNamedValue& entry : table) {
            add(entry.Name);
        }
    };
    switch (kind) {
        case ekPropKind:
            std::ranges::for_each(PropKindNames, add);
            break;
        case ekSoundAction:
            std::ranges::for_each(SoundActionNames, add);
            break;
        case ekSceneType:
            for (int32_t i = 0; i < SceneTypeCount; ++i) {
                add(SceneTypeOf(i).Name);
            }
            break;
        case ekActionCode:
            addNamed(ActionCodes);
            break;
        case ekTintAction:
            addNamed(TintWords);
            add("set N, lighten N, darken N (N in 1..100)");
            break;
        case ekNone:
            break;
    }
    return names + ", or a number";
}

} // namespace valdmoor::scenario
