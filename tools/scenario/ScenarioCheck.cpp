#include "ScenarioCheck.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

namespace valdmoor::scenario {
namespace {

namespace fs = std::filesystem;

// The line of "name: NAME" in the source, the nearest thing to an object's position the
// parsed model keeps.
int32_t LineOfName(const std::string& text, const std::string& name) {
    if (name.empty()) {
        return 0;
    }
    for (const std::string& pattern : {"name: " + name + "\n", "name: " + name + ",",
                                       "name: " + name + "}", "name: " + name + " "}) {
        const std::size_t at = text.find(pattern);
        if (at != std::string::npos) {
            return 1 + static_cast<int32_t>(std::count(
                           text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
        }
    }
    return 0;
}

struct TSiteRef {
    const TSiteModel* Site = nullptr;
    bool Attached = false;
};

class TChecker {
public:
    TChecker(const TWorldModel& world, const std::string& text, const std::string& fileName)
        : world_(world), text_(text), file_(fileName) {
        for (const TRegionModel& region : world.Regions) {
            for (const TSiteModel& site : region.Sites) {
                sites_.push_back({&site, true});
            }
        }
        for (const TSiteModel& site : world.UnattachedSites) {
            sites_.push_back({&site, false});
        }
    }

    void Add(const std::string& kind, const std::string& name, bool error,
             const std::string& message, int32_t line = 0) {
        findings_.push_back(
            {file_, line != 0 ? line : LineOfName(text_, name), kind + " " + name, error, message});
    }

    const TSiteModel* Site(int32_t ref) const {
        return ref >= 1 && ref <= static_cast<int32_t>(sites_.size())
                   ? sites_[static_cast<std::size_t>(ref - 1)].Site
                   : nullptr;
    }

    // Follows Next from every start; reports each cycle once, by its first object.
    void Cycles(int32_t count, const std::function<std::vector<int32_t>(int32_t)>& next,
                const std::function<std::string(int32_t)>& name, const std::string& kind,
                const std::string& what) {
        std::vector<int32_t> mark(static_cast<std::size_t>(count + 1), 0); // 0 new, 1 open, 2 done
        std::set<int32_t> reported;
        std::function<void(int32_t)> visit = [&](int32_t i) {
            mark[static_cast<std::size_t>(i)] = 1;
            for (int32_t j : next(i)) {
                if (j < 1 || j > count) {
                    continue;
                }
                if (mark[static_cast<std::size_t>(j)] == 1) {
                    if (reported.insert(j).second) {
                        Add(kind, name(j), true, what + " returns to " + name(j));
                    }
                } else if (mark[static_cast<std::size_t>(j)] == 0) {
                    visit(j);
                }
            }
            mark[static_cast<std::size_t>(i)] = 2;
        };
        for (int32_t i = 1; i <= count; ++i) {
            if (mark[static_cast<std::size_t>(i)] == 0) {
                visit(i);
            }
        }
    }

    void CheckCycles() {
        const auto& hints = world_.Hints;
        Cycles(
            static_cast<int32_t>(hints.size()),
            [&](int32_t i) {
                const auto& sub = hints[static_cast<std::size_t>(i - 1)].Subhints;
                return std::vector<int32_t>(sub.begin(), sub.end());
            },
            [&](int32_t i) { return hints[static_cast<std::size_t>(i - 1)].Name; }, "hint",
            "the chain of sub-hints");
        const auto& achievements = world_.Achievements;
        Cycles(
            static_cast<int32_t>(achievements.size()),
            [&](int32_t i) {
                return std::vector<int32_t>{achievements[static_cast<std::size_t>(i - 1)].Parent};
            },
            [&](int32_t i) { return achievements[static_cast<std::size_t>(i - 1)].Name; },
            "achievement", "the chain of parents");
        Cycles(
            static_cast<int32_t>(sites_.size()),
            [&](int32_t i) { return std::vector<int32_t>{Site(i)->NextRecommended}; },
            [&](int32_t i) { return Site(i)->Name; }, "site", "the recommended-site chain");
    }

    void CheckProps() {
        std::set<int32_t> given;
        std::vector<std::pair<int32_t, std::string>> needed; // prop, who
        for (std::size_t i = 0; i < world_.Props.size(); ++i) {
            if (world_.Props[i].InitialCount > 0) {
                given.insert(static_cast<int32_t>(i + 1));
            }
        }
        for (const TRegionModel& region : world_.Regions) {
            for (const TSiteModel& site : region.Sites) {
                for (const TSlot& slot : site.NeedProps) {
                    if (slot.Prop != 0 && slot.Amount > 0) {
                        needed.emplace_back(slot.Prop, "site " + site.Name);
                    }
                }
                for (const TSceneModel& scene : site.Scenes) {
                    const int32_t type = scene.SceneType;
                    const bool takes = type >= 7 && type <= 28; // requirements and losses
                    const bool exchange = type >= 38;           // barter and make
                    for (int32_t i = 0; i < SceneInputSlots(type); ++i) {
                        const TSlot& slot = scene.Inputs[static_cast<std::size_t>(i)];
                        if (slot.Prop != 0 && (takes || exchange)) {
                            needed.emplace_back(slot.Prop, "scene " + site.Name + "/" +
                                                               std::to_string(scene.Number));
                        }
                    }
                    for (int32_t i = 0; i < SceneOutputSlots(type); ++i) {
                        const TSlot& slot = scene.Outputs[static_cast<std::size_t>(i)];
                        if (slot.Prop != 0) {
                            given.insert(slot.Prop);
                        }
                    }
                }
            }
        }
        std::set<int32_t> reported;
        for (const auto& [prop, who] : needed) {
            if (given.count(prop) == 0 && prop >= 1 &&
                prop <= static_cast<int32_t>(world_.Props.size())) {
                const std::string& name = world_.Props[static_cast<std::size_t>(prop - 1)].Name;
                Add("prop", name, true, who + " requires or takes it, but nothing gives it");
                reported.insert(prop);
            }
        }
        never_ = reported;
    }

    // A fixed point: a site can show when every site it waits for can, on the map, and the
    // props it needs are ever given.
    void CheckPrerequisites() {
        const auto count = sites_.size();
        std::vector<bool> possible(count, false);
        bool changed = true;
        while (changed) {
            changed = false;
            for (std::size_t i = 0; i < count; ++i) {
                if (possible[i] || !sites_[i].Attached) {
                    continue;
                }
                const TSiteModel& site = *sites_[i].Site;
                auto ok = [&](int32_t ref) {
                    return ref == 0 || (ref >= 1 && ref <= static_cast<int32_t>(count) &&
                                        possible[static_cast<std::size_t>(ref - 1)]);
                };
                bool all = ok(site.NeedRevealed) && ok(site.NeedEntered);
                for (int32_t ref : site.NeedVisited) {
                    all = all && ok(ref);
                }
                for (const TSlot& slot : site.NeedProps) {
                    all =
                        all && !(slot.Prop != 0 && slot.Amount > 0 && never_.count(slot.Prop) > 0);
                }
                if (all) {
                    possible[i] = true;
                    changed = true;
                }
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!possible[i] && sites_[i].Attached) {
                Add("site", sites_[i].Site->Name, true, "its prerequisites can never hold");
            }
        }
    }

    void CheckTextsOf(const std::vector<std::pair<std::string, TTextSource>>& sources) {
        for (const auto& [language, source] : sources) {
            for (const std::string& key : CheckTexts(world_, source).Missing) {
                findings_.push_back(
                    {source.FileName, 0, "text " + key, true, "missing in " + language});
            }
        }
    }

    void CheckMedia(const std::string& game) {
        std::set<std::string> stems;
        std::error_code error;
        for (fs::recursive_directory_iterator it(game, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_regular_file()) {
                stems.insert(it->path().stem().string());
            }
        }
        for (TRefKind kind : {rkPicture, rkEffector, rkSound, rkTerrain, rkWater, rkFigure}) {
            for (const std::string& name : world_.Pool[static_cast<std::size_t>(kind)]) {
                if (stems.count(name) == 0) {
                    Add(std::string(RefKindName(kind)), name, true, "no such file in " + game);
                }
            }
        }
    }

    std::vector<TFinding> findings_;

private:
    const TWorldModel& world_;
    const std::string& text_;
    std::string file_;
    std::vector<TSiteRef> sites_;
    std::set<int32_t> never_;
};

} // namespace

std::vector<TFinding>
CheckWorldSource(const TWorldModel& world, const std::string& text, const std::string& fileName,
                 const std::vector<std::pair<std::string, TTextSource>>& sources,
                 const std::string& game) {
    TChecker checker(world, text, fileName);
    for (const std::string& problem : CheckWorld(world)) {
        checker.findings_.push_back({fileName, 0, "world", true, problem});
    }
    checker.CheckCycles();
    checker.CheckProps();
    checker.CheckPrerequisites();
    checker.CheckTextsOf(sources);
    if (!game.empty()) {
        checker.CheckMedia(game);
    }
    return checker.findings_;
}

std::string FormatFinding(const TFinding& finding) {
    return finding.File + ":" + std::to_string(finding.Line) + ": " +
           (finding.Error ? "error" : "warning") + ": " + finding.Object + ": " + finding.Message;
}

} // namespace valdmoor::scenario
