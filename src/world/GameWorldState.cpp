#include "world/GameWorldState.h"

#include "world/GameAchievement.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <algorithm>
#include <bit>

namespace valdmoor {
namespace {

class TCollector {
public:
    explicit TCollector(std::vector<TWorldStateEntry>& entries) : entries_(entries) {}
    void Add(const std::string& prefix, const char* field, int64_t value) {
        entries_.push_back({prefix + "." + field, value});
    }
    void AddFloat(const std::string& prefix, const char* field, float value) {
        Add(prefix, field, std::bit_cast<int32_t>(value));
    }

private:
    std::vector<TWorldStateEntry>& entries_;
};

int64_t NumberOf(const TRegion* region) {
    return region != nullptr ? region->Number : -1;
}

std::string Named(const char* kind, int64_t number, const std::string& name) {
    return std::string(kind) + " " + std::to_string(number) + " \"" + name + "\"";
}

std::string SoundName(const TSound* sound) {
    return sound != nullptr ? sound->Name() : std::string();
}

// Sounds are compared by name, which the entry's text carries; the value says whether one is set.
int64_t SoundKey(const TSound* sound) {
    return sound != nullptr ? 1 : 0;
}

} // namespace

std::vector<TWorldStateEntry> CaptureWorldState(const TWorldStateOptions& options) {
    std::vector<TWorldStateEntry> entries;
    TCollector add(entries);
    int32_t index = 0;
    for (const TProp& prop : ScenarioProps()) {
        const std::string p = Named("prop", ++index, prop.Name());
        add.Add(p, "Count", prop.Count);
        add.Add(p, "StashedCount", prop.StashedCount);
    }
    for (const TRegion& region : ScenarioRegions()) {
        const std::string r = Named("region", region.Number, region.Name());
        if (options.TintsAndMusic) {
            for (std::size_t i = 0; i < region.Tint.size(); ++i) {
                add.AddFloat(r, i == 0 ? "Tint.R" : i == 1 ? "Tint.G" : "Tint.B", region.Tint[i]);
            }
            add.Add(r + ".CurrentMusic \"" + SoundName(region.CurrentMusic) + "\"", "Set",
                    SoundKey(region.CurrentMusic));
        }
        for (int32_t i = 0; i < region.Map.PlotCount(); ++i) {
            const TPlotData& plot = region.Map.Plots[static_cast<std::size_t>(i)];
            add.Add(r + " plot " + std::to_string(i + 1), "Hidden", plot.Hidden);
        }
        for (const TSite& site : region.Sites) {
            const std::string s = Named("site", site.Number, site.Name());
            add.Add(s, "Revealed", site.Revealed);
            add.Add(s, "Entered", site.Entered);
            add.Add(s, "Visits", site.Visits);
            add.Add(s, "Closed", site.Closed);
            for (const TScene& scene : site.Scenes) {
                add.Add(s + " scene " + std::to_string(scene.Number), "Executions",
                        scene.Executions);
            }
        }
    }
    for (const TAchievement& achievement : ScenarioAchievements()) {
        const std::string a = Named("achievement", achievement.Number, achievement.Name());
        add.Add(a, "Progress", achievement.Progress);
        add.Add(a, "Revealed", achievement.Revealed);
    }
    for (int32_t i = 1; i <= 3; ++i) {
        add.Add("story flag " + std::to_string(i), "Set", StoryFlag(i));
    }
    add.Add("story", "Stage", StoryStage());
    add.Add("world", "CurrentRegion", NumberOf(CurrentRegion()));
    add.Add("world", "PreviousRegion", NumberOf(PreviousRegion()));
    if (options.TintsAndMusic) {
        add.Add("world.MusicNow \"" + SoundName(MusicNow()) + "\"", "Set", SoundKey(MusicNow()));
    }
    return entries;
}

uint64_t WorldStateDigest(const std::vector<TWorldStateEntry>& state) {
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
    };
    for (const TWorldStateEntry& entry : state) {
        mix(entry.Name.data(), entry.Name.size());
        const unsigned char separator = 0;
        mix(&separator, 1);
        mix(&entry.Value, sizeof entry.Value);
    }
    return hash;
}

uint64_t WorldDigest(const TWorldStateOptions& options) {
    return WorldStateDigest(CaptureWorldState(options));
}

std::string FirstWorldStateDifference(const std::vector<TWorldStateEntry>& expected,
                                      const std::vector<TWorldStateEntry>& actual) {
    const std::size_t n = std::min(expected.size(), actual.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (expected[i].Name != actual[i].Name) {
            return "entry " + std::to_string(i + 1) + ": \"" + expected[i].Name + "\" against \"" +
                   actual[i].Name + "\"";
        }
        if (expected[i].Value != actual[i].Value) {
            return expected[i].Name + ": " + std::to_string(expected[i].Value) + " against " +
                   std::to_string(actual[i].Value);
        }
    }
    if (expected.size() != actual.size()) {
        return "entry count: " + std::to_string(expected.size()) + " against " +
               std::to_string(actual.size());
    }
    return {};
}

} // namespace valdmoor
