#include "ScenarioProve.h"

#include "players/EnginePlayers.h"
#include "storage/EngineStorage.h"
#include "world/GameAchievement.h"
#include "world/GameAvatar.h"
#include "world/GameMap.h"
#include "world/GamePlayActions.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"
#include "world/GameWorldState.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <set>
#include <unordered_map>

namespace valdmoor::scenario {
namespace {

// Frames the avatar may take to come to rest before the world counts as looping by itself.
constexpr int32_t MaxSteps = 100000;
// A frame long enough to finish any reveal or effect at once.
constexpr float LongFrame = 1000.0f;

// No map control exists headless: every point counts as uncovered.
class TOpenMap final : public TMapView {
public:
    bool IsRevealedPoint(float, float) const override { return true; }
};

std::set<int32_t>* earned = nullptr;

bool EarnedInRun(int32_t number) {
    return earned != nullptr && earned->count(number) > 0;
}

// The player's side of the avatar: dialogs stay open until the search answers them.
class TProverScreens final : public TAvatarScreens {
public:
    void OpenSceneDialog(TScene&) override { DialogOpen = true; }
    void OpenAchievementDialog(TAchievement& achievement) override {
        Earned.insert(achievement.Number);
    }
    void SwitchForm(std::string_view form, std::string_view,
                    std::function<void()> completed) override {
        if (form == "Menu") {
            Ended = true;
            return;
        }
        if (completed) {
            completed();
        }
    }
    void PlaySceneExecutionEffects(const TScene&) override {}
    void SaveProfiles() override {}

    bool DialogOpen = false;
    bool Ended = false;
    std::set<int32_t> Earned;
};

enum TStop {
    stIdle,
    stDialog,
    stEnding,
    stStuck
};

struct TNode {
    int64_t Parent = -1;
    TPlayAction Action;
    int32_t Depth = 0;
    TStop Stop = stIdle;
    std::vector<int64_t> Children;
};

std::string SiteName(const TSite& site) {
    const std::string region = site.Region != nullptr ? site.Region->Name() : std::string{};
    return region + "/" + site.Name();
}

class TProver {
public:
    explicit TProver(const TProveOptions& options) : options_(options) {
        SetAvatarScreens(&screens_);
        SetEventRecorder(&recorder_);
        earned = &screens_.Earned;
        SetAchievementEarnedQuery(EarnedInRun);
    }
    ~TProver() {
        earned = nullptr;
        SetEventRecorder(nullptr);
        SetAvatarScreens(nullptr);
        // Puts the game's own achievement query back.
        AvatarStart();
    }
    TProver(const TProver&) = delete;
    TProver& operator=(const TProver&) = delete;

    TProveReport Run();

private:
    TStop RunToRest() {
        TAvatar& avatar = TheAvatar();
        for (int32_t step = 0; step < MaxSteps; ++step) {
            if (screens_.Ended) {
                return stEnding;
            }
            if (avatar.AvatarState == asDialogOpen && screens_.DialogOpen) {
                return stDialog;
            }
            if (avatar.AvatarState == asIdle) {
                return stIdle;
            }
            avatar.UpdateBy(true, &map_, LongFrame);
        }
        return stStuck;
    }

    void Apply(const TPlayAction& action) {
        TAvatar& avatar = TheAvatar();
        switch (action.Kind) {
            case paSite:
                avatar.GoToSite(FindSite(action.Region, action.Site), true);
                break;
            case paTravel:
                avatar.TravelTo(FindRegionByNumber(action.Region));
                break;
            case paHint:
                CloseHintDialog();
                break;
            case paInventory:
                CloseInventoryDialog();
                break;
            case paAccept:
                screens_.DialogOpen = false;
                avatar.Choices = action.Choices;
                avatar.AcceptScene();
                break;
            case paCancel:
                screens_.DialogOpen = false;
                avatar.CancelVisit();
                break;
            default:
                break;
        }
    }

    // What each action of Path leads to and which achievement dialogs it shows on the way.
    void DescribeSteps(const std::vector<TPlayAction>& path, TProveReport& report) {
        auto rest = [](TStop stop) {
            return stop == stDialog   ? TPlayStep::rScene
                   : stop == stEnding ? TPlayStep::rEnding
                                      : TPlayStep::rPlay;
        };
        auto noteRest = [](TStop stop, TPlayStep& step) {
            const TRegion* region = CurrentRegion();
            step.RestRegion = region != nullptr ? region->Number : -1;
            const TScene* scene = TheAvatar().Scene;
            step.RestSceneType = stop == stDialog && scene != nullptr ? scene->SceneType : -1;
        };
        std::vector<TPlayAction> none;
        TStop stop = Replay(none);
        noteRest(stop, report.StartStep);
        report.StartStep.Rest = rest(stop);
        report.StartStep.Achievements = static_cast<int32_t>(screens_.Earned.size());
        report.WinningSteps.clear();
        for (const TPlayAction& action : path) {
            TPlayStep step;
            step.Action = action;
            if (const TScene* scene = TheAvatar().Scene;
                scene != nullptr && (action.Kind == paAccept || action.Kind == paCancel)) {
                step.ClosesByItself = OfferedSceneActions(*scene).ClosesByItself;
                step.Barter = scene->IsBarter();
            }
            const std::size_t before = screens_.Earned.size();
            Apply(action);
            stop = RunToRest();
            step.Rest = rest(stop);
            noteRest(stop, step);
            step.Achievements = static_cast<int32_t>(screens_.Earned.size() - before);
            report.WinningSteps.push_back(step);
        }
        report.WinningAchievements.assign(screens_.Earned.begin(), screens_.Earned.end());
    }

    std::vector<TPlayAction> PathTo(int64_t node) const {
        std::vector<TPlayAction> path;
        for (; node > 0; node = nodes_[static_cast<std::size_t>(node)].Parent) {
            path.push_back(nodes_[static_cast<std::size_t>(node)].Action);
        }
        std::reverse(path.begin(), path.end());
        return path;
    }

    // A new game, then the path, live.
    TStop Replay(const std::vector<TPlayAction>& path) {
        screens_.DialogOpen = false;
        screens_.Ended = false;
        screens_.Earned.clear();
        recorder_.Events().Clear();
        ResetWorld();
        TStop stop = RunToRest();
        for (const TPlayAction& action : path) {
            Apply(action);
            stop = RunToRest();
        }
        return stop;
    }

    uint64_t Digest(TStop stop) const {
        uint64_t hash = WorldDigest(TWorldStateOptions{false});
        auto mix = [&](int64_t value) {
            hash ^= static_cast<uint64_t>(value);
            hash *= 1099511628211ULL;
        };
        const TAvatar& avatar = TheAvatar();
        mix(stop);
        mix(avatar.AvatarState);
        mix(avatar.Site != nullptr ? avatar.Site->Number : -1);
        mix(avatar.Site != nullptr && avatar.Site->Region != nullptr ? avatar.Site->Region->Number
                                                                     : -1);
        mix(avatar.Scene != nullptr ? avatar.Scene->Number : -1);
        for (int32_t number : screens_.Earned) {
            mix(number);
        }
        return hash;
    }

    void NoteReached() {
        for (TRegion& region : ScenarioRegions()) {
            for (TSite& site : region.Sites) {
                if (site.Visits > 0 || site.Entered) {
                    sites_.insert(&site);
                }
                for (TScene& scene : site.Scenes) {
                    if (scene.Executions > 0) {
                        scenes_.insert(&scene);
                    }
                }
            }
        }
        for (int32_t number : screens_.Earned) {
            achievements_.insert(number);
        }
    }

    std::vector<uint16_t> CounterValues(int64_t largest) const {
        largest = std::clamp<int64_t>(largest, 0, 65535);
        std::vector<uint16_t> values;
        const int64_t count = std::max(options_.Choices, 2);
        if (largest + 1 <= count) {
            for (int64_t v = 0; v <= largest; ++v) {
                values.push_back(static_cast<uint16_t>(v));
            }
            return values;
        }
        for (int64_t i = 0; i < count; ++i) {
            values.push_back(static_cast<uint16_t>(largest * i / (count - 1)));
        }
        values.erase(std::unique(values.begin(), values.end()), values.end());
        return values;
    }

    static int64_t Affordable(const TPropAmount& input) {
        if (input.Prop == nullptr || input.Amount <= 0) {
            return 65535;
        }
        return std::max<int64_t>(0, input.Prop->Count / input.Amount);
    }

    // Every combination of counter values the scene's props allow, sampled per counter.
    std::vector<TChoices> ChoicesFor(const TScene& scene) const {
        std::vector<TChoices> all{TChoices{}};
        if (scene.IsMake()) {
            int64_t largest = 65535;
            for (int32_t i = 0; i < scene.Type().InputSlots; ++i) {
                largest = std::min(largest, Affordable(scene.Inputs[static_cast<std::size_t>(i)]));
            }
            all.clear();
            for (uint16_t v : CounterValues(largest)) {
                TChoices c{};
                c[0] = v;
                all.push_back(c);
            }
        } else if (scene.IsBarter()) {
            for (int32_t i = 0; i < scene.Type().InputSlots; ++i) {
                const auto k = static_cast<std::size_t>(i);
                if (scene.Inputs[k].Prop == nullptr || scene.Outputs[k].Prop == nullptr) {
                    continue;
                }
                std::vector<TChoices> next;
                for (const TChoices& c : all) {
                    for (uint16_t v : CounterValues(Affordable(scene.Inputs[k]))) {
                        TChoices d = c;
                        d[k] = v;
                        next.push_back(d);
                    }
                }
                all = std::move(next);
            }
            // The perform buttons stop when a prop runs out, whichever slots share it.
            std::erase_if(all, [&](const TChoices& c) {
                std::unordered_map<const TProp*, int64_t> taken;
                for (int32_t i = 0; i < scene.Type().InputSlots; ++i) {
                    const TPropAmount& input = scene.Inputs[static_cast<std::size_t>(i)];
                    if (input.Prop != nullptr) {
                        taken[input.Prop] +=
                            static_cast<int64_t>(c[static_cast<std::size_t>(i)]) * input.Amount;
                    }
                }
                return std::any_of(taken.begin(), taken.end(),
                                   [](const auto& t) { return t.second > t.first->Count; });
            });
        }
        return all;
    }

    static TPlayAction Action(int32_t kind, int32_t region = 0, int32_t site = 0,
                              const TChoices& choices = {}) {
        TPlayAction action;
        action.Kind = kind;
        action.Region = region;
        action.Site = site;
        action.Choices = choices;
        return action;
    }

    std::vector<TPlayAction> Offered(TStop stop) const {
        std::vector<TPlayAction> actions;
        const TAvatar& avatar = TheAvatar();
        if (stop == stIdle) {
            const TPlayActions play = OfferedPlayActions(avatar, true);
            for (TSite* site : play.Sites) {
                actions.push_back(Action(paSite, site->Region != nullptr ? site->Region->Number : 0,
                                         site->Number));
            }
            // The tool buttons matter to the search only where the story records their use.
            if (play.HintButton && StoryStage() == 1) {
                actions.push_back(Action(paHint));
            }
            if (play.InventoryButton && StoryStage() == 2) {
                actions.push_back(Action(paInventory));
            }
            if (play.MapTarget != nullptr) {
                actions.push_back(Action(paTravel, play.MapTarget->Number));
            }
        } else if (stop == stDialog && avatar.Scene != nullptr) {
            const TScene& scene = *avatar.Scene;
            const TSceneActions offered = OfferedSceneActions(scene);
            if (offered.Accept) {
                for (const TChoices& choices : ChoicesFor(scene)) {
                    if (SceneChoicesAcceptable(scene, choices)) {
                        actions.push_back(Action(paAccept, 0, 0, choices));
                    }
                }
            }
            if (offered.Cancel) {
                actions.push_back(Action(paCancel));
            }
        }
        return actions;
    }

    void ShowProgress(bool done) {
        if (!options_.Progress) {
            return;
        }
        std::fprintf(stderr, "\rvaldmoor-scenario: %lld states, %lld expanded, %zu queued%s",
                     static_cast<long long>(nodes_.size()), static_cast<long long>(expanded_),
                     queue_.size(), done ? "\n" : "");
    }

    void ReportDeadEnds(TProveReport& report) {
        std::vector<bool> canEnd(nodes_.size(), false);
        std::vector<std::vector<int64_t>> parents(nodes_.size());
        std::deque<int64_t> work;
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            for (int64_t child : nodes_[i].Children) {
                parents[static_cast<std::size_t>(child)].push_back(static_cast<int64_t>(i));
            }
            if (nodes_[i].Stop == stEnding) {
                canEnd[i] = true;
                work.push_back(static_cast<int64_t>(i));
            }
        }
        while (!work.empty()) {
            const int64_t n = work.front();
            work.pop_front();
            for (int64_t p : parents[static_cast<std::size_t>(n)]) {
                if (!canEnd[static_cast<std::size_t>(p)]) {
                    canEnd[static_cast<std::size_t>(p)] = true;
                    work.push_back(p);
                }
            }
        }
        // A held stage matters only where it keeps the ending away: travel may still lead to a
        // site that clears it by itself.
        for (const auto& [node, stage] : locks_) {
            if (!canEnd[static_cast<std::size_t>(node)] && report.StageLocks++ == 0) {
                report.LockedStage = stage;
                report.StageLockPath = PathTo(node);
            }
        }
        int64_t first = -1;
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            const TNode& node = nodes_[i];
            if (canEnd[i] || node.Stop == stEnding) {
                continue;
            }
            const bool finished =
                node.Stop == stStuck || (expandedFlags_[i] && node.Children.empty());
            if (report.Complete ? expandedFlags_[i] || node.Stop == stStuck : finished) {
                ++report.DeadEnds;
                if (first < 0) {
                    first = static_cast<int64_t>(i);
                }
            }
        }
        if (first >= 0) {
            report.DeadEndPath = PathTo(first);
        }
    }

    const TProveOptions& options_;
    TProverScreens screens_;
    TCustomPlayerState recorder_;
    TOpenMap map_;
    std::vector<TNode> nodes_;
    std::vector<bool> expandedFlags_;
    std::unordered_map<uint64_t, int64_t> seen_;
    std::deque<int64_t> queue_;
    int64_t expanded_ = 0;
    std::set<const TSite*> sites_;
    std::set<const TScene*> scenes_;
    std::set<int32_t> achievements_;
    // Resting states whose story stage holds the site controls with no button to clear it.
    std::vector<std::pair<int64_t, int32_t>> locks_;
};

TProveReport TProver::Run() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    TProveReport report;
    const TStop first = Replay({});
    TNode root;
    root.Stop = first;
    nodes_.push_back(root);
    expandedFlags_.push_back(false);
    seen_.emplace(Digest(first), 0);
    NoteReached();
    int64_t ending = first == stEnding ? 0 : -1;
    if (first != stEnding && first != stStuck) {
        queue_.push_back(0);
    }
    auto lastProgress = start;
    bool bounded = false;
    while (!queue_.empty()) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (static_cast<int64_t>(nodes_.size()) >= options_.MaxStates ||
            elapsed >= options_.Seconds) {
            bounded = true;
            break;
        }
        const int64_t current = queue_.front();
        queue_.pop_front();
        const std::vector<TPlayAction> path = PathTo(current);
        const TStop rest = Replay(path);
        const std::vector<TPlayAction> actions = Offered(rest);
        if (rest == stIdle && StoryStage() >= 1 && StoryStage() <= 3 &&
            std::none_of(actions.begin(), actions.end(), [](const TPlayAction& a) {
                return a.Kind == paHint || a.Kind == paInventory;
            })) {
            locks_.emplace_back(current, StoryStage());
        }
        ++expanded_;
        expandedFlags_[static_cast<std::size_t>(current)] = true;
        for (const TPlayAction& action : actions) {
            std::vector<TPlayAction> childPath = path;
            childPath.push_back(action);
            const TStop stop = Replay(childPath);
            NoteReached();
            const uint64_t digest = Digest(stop);
            auto [it, added] = seen_.emplace(digest, static_cast<int64_t>(nodes_.size()));
            nodes_[static_cast<std::size_t>(current)].Children.push_back(it->second);
            if (!added) {
                continue;
            }
            TNode node;
            node.Parent = current;
            node.Action = action;
            node.Depth = nodes_[static_cast<std::size_t>(current)].Depth + 1;
            node.Stop = stop;
            nodes_.push_back(std::move(node));
            expandedFlags_.push_back(false);
            if (stop == stEnding) {
                if (ending < 0) {
                    ending = it->second;
                }
            } else if (stop == stStuck) {
                ++report.Stuck;
            } else {
                queue_.push_back(it->second);
            }
        }
        if (options_.Progress && Clock::now() - lastProgress > std::chrono::milliseconds(200)) {
            lastProgress = Clock::now();
            ShowProgress(false);
        }
    }
    ShowProgress(true);
    report.Complete = !bounded;
    report.States = static_cast<int64_t>(nodes_.size());
    report.Expanded = expanded_;
    if (ending >= 0) {
        report.EndingReachable = true;
        report.WinningPath = PathTo(ending);
        std::vector<TPlayAction> before = report.WinningPath;
        if (!before.empty()) {
            before.pop_back();
        }
        Replay(before);
        for (const TEvent& event : recorder_.Events()) {
            report.EventsBeforeEnding.push_back(event.Data);
        }
        report.StateBeforeEnding = CaptureWorldState(TWorldStateOptions{false});
        DescribeSteps(report.WinningPath, report);
        for (const TEvent& event : recorder_.Events()) {
            report.WinningEvents.push_back(event.Data);
        }
    }
    ReportDeadEnds(report);
    for (TRegion& region : ScenarioRegions()) {
        for (TSite& site : region.Sites) {
            if (sites_.count(&site) == 0) {
                report.SitesNeverVisited.push_back(SiteName(site));
            }
            for (TScene& scene : site.Scenes) {
                if (scenes_.count(&scene) == 0) {
                    report.ScenesNeverExecuted.push_back(SiteName(site) + "/" +
                                                         std::to_string(scene.Number));
                }
            }
        }
    }
    for (TAchievement& achievement : ScenarioAchievements()) {
        if (achievements_.count(achievement.Number) == 0) {
            report.AchievementsNeverCompleted.push_back(achievement.Name());
        }
    }
    ResetWorld();
    report.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return report;
}

} // namespace

TProveReport ProveWorld(const TProveOptions& options) {
    TProver prover(options);
    return prover.Run();
}

std::string DescribePlayAction(const TPlayAction& action) {
    auto site = [&] {
        const TSite* s = FindSite(action.Region, action.Site);
        return std::to_string(action.Region) + " " + std::to_string(action.Site) +
               (s != nullptr ? " \"" + s->Name() + "\"" : std::string{});
    };
    std::string counters;
    for (uint16_t c : action.Choices) {
        counters += " " + std::to_string(c);
    }
    switch (action.Kind) {
        case paSite:
            return "site " + site();
        case paTravel: {
            const TRegion* r = FindRegionByNumber(action.Region);
            return "travel " + std::to_string(action.Region) +
                   (r != nullptr ? " \"" + r->Name() + "\"" : std::string{});
        }
        case paHint:
            return "hint";
        case paInventory:
            return "inventory";
        case paAccept:
            return action.Choices == TChoices{} ? "accept" : "accept" + counters;
        case paCancel:
            return "cancel";
        default:
            return "unknown";
    }
}

std::string PlayActionScript(const std::vector<TPlayAction>& path) {
    std::string script = "# The winning path, one player action a line (site REGION SITE, travel "
                         "REGION,\n# hint, inventory, accept [C1..C8], cancel).\n";
    for (const TPlayAction& action : path) {
        script += DescribePlayAction(action) + "\n";
    }
    return script;
}

std::string ProofSaveBytes(const std::vector<TData>& events,
                           const std::vector<int32_t>& achievements) {
    TPlayerList players;
    TPlayer* player = players.Add(std::make_unique<TPlayer>("Proof"));
    for (int32_t number : achievements) {
        AddAchievement(player, number);
    }
    if (auto* game = dynamic_cast<TCustomPlayerState*>(&player->State())) {
        for (const TData& data : events) {
            game->RecordEvent(data);
        }
    }
    TMemoryStream stream;
    WriteSaveData(stream, players, 1);
    return stream.Bytes();
}

} // namespace valdmoor::scenario
