#include "ScenarioTexts.h"

#include "app/EngineApplication.h"
#include "world/GameAchievement.h"
#include "world/GameScene.h"

#include <set>
#include <yaml-cpp/yaml.h>

namespace valdmoor::scenario {
namespace {

constexpr std::array<const char*, 4> Sections = {"captions", "scenes", "hints", "achievements"};

[[noreturn]] void Fail(const std::string& fileName, const YAML::Node& node,
                       const std::string& field, const std::string& what) {
    throw EngineError(fileName + ":" + std::to_string(node.Mark().line + 1) + ": " + field + ": " +
                      what);
}

std::string EscapeXml(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

} // namespace

std::vector<TTextKey> WorldTextKeys(const TWorldModel& world) {
    std::vector<TTextKey> keys;
    for (const std::string& caption : world.Pool[rkCaption]) {
        keys.push_back({"captions", caption, caption});
    }
    for (const TRegionModel& region : world.Regions) {
        for (const TSiteModel& site : region.Sites) {
            for (std::size_t i = 0; i < site.Scenes.size(); ++i) {
                const TSceneModel& scene = site.Scenes[i];
                // Only scenes whose type shows a text need one.
                if (SceneTypeOf(scene.SceneType).ShowsText) {
                    keys.push_back({"scenes", site.Name + "/" + std::to_string(i + 1),
                                    SceneLegendName(scene.Number)});
                }
            }
        }
    }
    for (const THintModel& hint : world.Hints) {
        // A hint that only groups others is never shown.
        if (hint.GroupOnly != 0) {
            continue;
        }
        keys.push_back({"hints", hint.Name, "HintLegendH" + std::to_string(hint.Number)});
    }
    for (const TAchievementModel& achievement : world.Achievements) {
        keys.push_back(
            {"achievements", achievement.Name, AchievementLegendName(achievement.Number)});
    }
    return keys;
}

TTextSource ParseTextSource(const std::string& text, const std::string& fileName) {
    TTextSource source;
    source.FileName = fileName;
    YAML::Node root;
    try {
        root = YAML::Load(text);
    } catch (const YAML::Exception& error) {
        throw EngineError(fileName + ":" + std::to_string(error.mark.line + 1) +
                          ": YAML: " + error.msg);
    }
    if (root.IsNull()) {
        return source;
    }
    if (!root.IsMap()) {
        Fail(fileName, root, "texts", "a map of sections is expected");
    }
    for (const auto& section : root) {
        const std::string name = section.first.as<std::string>("");
        if (std::find(Sections.begin(), Sections.end(), name) == Sections.end()) {
            Fail(fileName, section.first, name,
                 "unknown section; known: captions, scenes, hints, achievements");
        }
        if (section.second.IsNull()) {
            continue;
        }
        if (!section.second.IsMap()) {
            Fail(fileName, section.second, name, "a map of key: text is expected");
        }
        for (const auto& entry : section.second) {
            const std::string key = entry.first.as<std::string>("");
            if (!entry.second.IsScalar()) {
                Fail(fileName, entry.second, name + "." + key, "a text is expected");
            }
            if (!source.Texts[name].emplace(key, entry.second.Scalar()).second) {
                Fail(fileName, entry.first, name + "." + key, "given twice");
            }
        }
    }
    return source;
}

std::string WriteScriptXml(const TWorldModel& world, const TTextSource& source,
                           std::vector<std::string>& warnings) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!-- Written by valdmoor-scenario from " +
                      EscapeXml(source.FileName.substr(source.FileName.rfind('/') + 1)) +
                      "; edit the source, not this file. -->\n<script>\n";
    std::map<std::string, std::pair<std::string, std::string>> written; // id -> key, text
    for (const TTextKey& key : WorldTextKeys(world)) {
        const auto section = source.Texts.find(key.Section);
        if (section == source.Texts.end()) {
            continue;
        }
        const auto text = section->second.find(key.Key);
        if (text == section->second.end()) {
            continue;
        }
        const auto [at, added] = written.emplace(key.Id, std::make_pair(key.Key, text->second));
        if (!added) {
            if (at->second.second != text->second) {
                warnings.push_back(source.FileName + ": " + key.Section + "." + key.Key +
                                   ": shares the legend " + key.Id + " with " + at->second.first +
                                   ", whose text is shown for both");
            }
            continue;
        }
        out += "\t<text id=\"" + EscapeXml(key.Id) + "\">" + EscapeXml(text->second) + "</text>\n";
    }
    return out + "</script>\n";
}

TTextReport CheckTexts(const TWorldModel& world, const TTextSource& source) {
    TTextReport report;
    std::set<std::pair<std::string, std::string>> used;
    for (const TTextKey& key : WorldTextKeys(world)) {
        used.emplace(key.Section, key.Key);
        const auto section = source.Texts.find(key.Section);
        if (section == source.Texts.end() || section->second.count(key.Key) == 0) {
            report.Missing.push_back(key.Section + ": " + key.Key);
        }
    }
    for (const auto& [section, texts] : source.Texts) {
        for (const auto& entry : texts) {
            if (used.count({section, entry.first}) == 0) {
                report.Unused.push_back(section + ": " + entry.first);
            }
        }
    }
    return report;
}

} // namespace valdmoor::scenario
