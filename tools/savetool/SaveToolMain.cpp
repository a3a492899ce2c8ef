// valdmoor-save: shows what a save file holds, as the game reads it: the profiles with their
// volumes, achievements and event counts, and every recorded event decoded; with a scenario,
// the events carry the world's names and can be checked against it.
#include "app/EngineApplication.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "storage/EngineStorage.h"
#include "world/GameAvatar.h"
#include "world/GameScenario.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace valdmoor::tools {
namespace {

struct TSaveFile {
    int32_t Version = 0;
    int32_t Current = 0;
    TPlayerList Players;
};

// Raises EngineError naming Path for a file that cannot be read or is damaged.
void ReadSave(const std::string& path, TSaveFile& save) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw EngineError(path + ": the file cannot be read");
    }
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        throw EngineError(path + ": the file cannot be read");
    }
    if (bytes.size() >= 4) {
        std::memcpy(&save.Version, bytes.data(), 4);
    }
    TMemoryStream stream(std::move(bytes));
    try {
        save.Current = ReadSaveData(stream, path, save.Players);
    } catch (const TSaveVersionError& error) {
        throw EngineError(path + ": " + error.what() + " (version " +
                          std::to_string(error.Version()) + "; versions " +
                          std::to_string(SaveVersionOldest) + " to " + std::to_string(SaveVersion) +
                          " are read)");
    }
}

// Loads the world the events are named and checked against; Path names it in every error.
void ReadScenario(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw EngineError(path + ": the file cannot be read");
    }
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        throw EngineError(path + ": the file cannot be read");
    }
    TMemoryStream stream(std::move(bytes));
    try {
        LoadScenarioFrom(stream);
    } catch (const std::exception& error) {
        throw EngineError(path + ": " + error.what());
    }
}

// The world's own stop and start, so an early error leaves nothing behind.
class TScenarioScope {
public:
    TScenarioScope() { ScenarioStart(); }
    ~TScenarioScope() { ScenarioStop(); }
    TScenarioScope(const TScenarioScope&) = delete;
    TScenarioScope& operator=(const TScenarioScope&) = delete;
};

const TCustomPlayerState* GameOf(const TPlayer& player) {
    return dynamic_cast<const TCustomPlayerState*>(&player.State());
}

int32_t EventCount(const TPlayer& player) {
    const TCustomPlayerState* game = GameOf(player);
    return game != nullptr ? game->Events().Count() : 0;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The name as the player typed it, quoted, with control bytes escaped.
std::string Quoted(std::string_view text) {
    return JsonString(text);
}

void List(const TSaveFile& save, const std::string& path, bool json) {
    std::ostream& out = std::cout;
    if (json) {
        out << "{\"file\":" << JsonString(path) << ",\"version\":" << save.Version
            << ",\"current\":" << save.Current << ",\"profiles\":[";
    } else {
        out << path << ": version " << save.Version << ", " << save.Players.Count()
            << (save.Players.Count() == 1 ? " profile" : " profiles") << ", current profile "
            << save.Current << "\n";
    }
    int32_t index = 0;
    for (const TPlayer& player : save.Players) {
        ++index;
        const bool current = index == save.Current;
        if (json) {
            out << (index > 1 ? "," : "") << "{\"index\":" << index
                << ",\"name\":" << JsonString(player.Name())
                << ",\"current\":" << (current ? "true" : "false") << ",\"volumes\":["
                << player.Volume(0) << "," << player.Volume(1) << "," << player.Volume(2)
                << "],\"achievements\":[";
            for (std::size_t i = 0; i < player.Achievements().size(); ++i) {
                out << (i > 0 ? "," : "") << player.Achievements()[i];
            }
            out << "],\"events\":" << EventCount(player) << "}";
            continue;
        }
        out << "profile " << index << " " << Quoted(player.Name()) << (current ? " (current)" : "")
            << "\n";
        out << "  volumes " << player.Volume(0) << " " << player.Volume(1) << " "
            << player.Volume(2) << "\n";
        out << "  achievements " << player.Achievements().size();
        if (!player.Achievements().empty()) {
            out << ":";
            for (const int32_t number : player.Achievements()) {
                out << " " << number;
            }
        }
        out << "\n  events " << EventCount(player) << "\n";
    }
    if (json) {
        out << "]}\n";
    }
}

void EventText(std::ostream& out, const TData& data) {
    // Without a scenario the world has no objects to name: numbers only.
    out << DescribeEvent(data);
}

// Named: with a scenario, the line a person reads, with the world's names, comes along.
void EventJson(std::ostream& out, const TData& data, bool named) {
    out << "{\"kind\":" << data.Kind << ",\"name\":" << JsonString(EventKindName(data.Kind));
    if (EventNamesRegion(data.Kind)) {
        out << ",\"region\":" << data.RegionNumber;
    }
    if (EventNamesSite(data.Kind)) {
        out << ",\"site\":" << data.SiteNumber;
    }
    if (EventNamesScene(data.Kind)) {
        out << ",\"scene\":" << data.SceneNumber;
    }
    if (EventHasValue(data.Kind)) {
        out << ",\"value\":" << data.Value();
    }
    if (EventHasChoices(data.Kind)) {
        out << ",\"choices\":[";
        const TChoices choices = data.Choices();
        for (std::size_t i = 0; i < choices.size(); ++i) {
            out << (i > 0 ? "," : "") << choices[i];
        }
        out << "]";
    }
    if (named) {
        out << ",\"text\":" << JsonString(DescribeEvent(data));
    }
    out << "}";
}

void CheckProfileIndex(const TSaveFile& save, const std::string& path, int32_t only) {
    if (only != 0 && (only < 1 || only > save.Players.Count())) {
        throw EngineError(path + ": there is no profile " + std::to_string(only) +
                          " (the file holds " + std::to_string(save.Players.Count()) + ")");
    }
}

void Events(const TSaveFile& save, const std::string& path, int32_t only, bool json, bool named) {
    CheckProfileIndex(save, path, only);
    std::ostream& out = std::cout;
    if (json) {
        out << "{\"file\":" << JsonString(path) << ",\"profiles\":[";
    }
    int32_t index = 0;
    bool first = true;
    for (const TPlayer& player : save.Players) {
        ++index;
        if (only != 0 && index != only) {
            continue;
        }
        const TCustomPlayerState* game = GameOf(player);
        if (json) {
            out << (first ? "" : ",") << "{\"index\":" << index
                << ",\"name\":" << JsonString(player.Name()) << ",\"events\":[";
        } else {
            out << "profile " << index << " " << Quoted(player.Name()) << ": " << EventCount(player)
                << (EventCount(player) == 1 ? " event" : " events") << "\n";
        }
        first = false;
        int32_t number = 0;
        if (game != nullptr) {
            for (const TEvent& event : game->Events()) {
                ++number;
                if (json) {
                    out << (number > 1 ? "," : "");
                    EventJson(out, event.Data, named);
                } else {
                    out << "  " << number << " ";
                    EventText(out, event.Data);
                    out << "\n";
                }
            }
        }
        if (json) {
            out << "]}";
        }
    }
    if (json) {
        out << "]}\n";
    }
}

// Replays every profile over the world and lists the events naming objects it lacks. True
// when nothing is wrong.
bool Check(const TSaveFile& save, const std::string& path, int32_t only, bool json) {
    CheckProfileIndex(save, path, only);
    std::ostream& out = std::cout;
    if (json) {
        out << "{\"file\":" << JsonString(path) << ",\"profiles\":[";
    }
    int32_t index = 0;
    int32_t total = 0;
    bool first = true;
    for (const TPlayer& player : save.Players) {
        ++index;
        if (only != 0 && index != only) {
            continue;
        }
        const TCustomPlayerState* game = GameOf(player);
        const std::vector<TEventProblem> problems =
            game != nullptr ? CheckEvents(game->Events()) : std::vector<TEventProblem>{};
        total += static_cast<int32_t>(problems.size());
        if (json) {
            out << (first ? "" : ",") << "{\"index\":" << index
                << ",\"name\":" << JsonString(player.Name()) << ",\"events\":" << EventCount(player)
                << ",\"problems\":[";
        } else {
            out << "profile " << index << " " << Quoted(player.Name()) << ": " << EventCount(player)
                << (EventCount(player) == 1 ? " event" : " events") << ", " << problems.size()
                << (problems.size() == 1 ? " problem" : " problems") << "\n";
        }
        first = false;
        for (std::size_t i = 0; i < problems.size(); ++i) {
            const TEventProblem& problem = problems[i];
            if (json) {
                out << (i > 0 ? "," : "") << "{\"event\":" << problem.Index
                    << ",\"problem\":" << JsonString(problem.Problem) << ",\"data\":";
                EventJson(out, problem.Data, false);
                out << "}";
            } else {
                out << "  event " << problem.Index << ": " << problem.Problem << " ("
                    << DescribeEvent(problem.Data) << ")\n";
            }
        }
        if (json) {
            out << "]}";
        }
    }
    if (json) {
        out << "],\"problems\":" << total << ",\"ok\":" << (total == 0 ? "true" : "false") << "}\n";
    } else {
        out << (total == 0 ? "no problems" : std::to_string(total) + " problems") << "\n";
    }
    return total == 0;
}

int Run(int argc, char** argv) {
    CLI::App app{"Shows the profiles and the recorded events of a Valdmoor save file.",
                 "valdmoor-save"};
    app.require_subcommand(1);
    std::string path;
    bool json = false;
    int32_t profile = 0;
    std::string scenario;

    CLI::App* list = app.add_subcommand(
        "list", "Profiles: names, volumes, achievements, event counts, the current profile.");
    list->add_option("SAVE", path, "The save file (Save.dat or Backup_Save.dat).")->required();
    list->add_flag("--json", json, "Print JSON instead of text.");

    CLI::App* events = app.add_subcommand("events", "Every recorded event, decoded.");
    events->add_option("SAVE", path, "The save file (Save.dat or Backup_Save.dat).")->required();
    events->add_option("--profile", profile, "Only this profile (1-based).");
    events->add_option("--scenario", scenario,
                       "The world (S0Scenario.dat) whose names the events are shown with.");
    events->add_flag("--json", json, "Print JSON instead of text.");

    CLI::App* check = app.add_subcommand(
        "check", "Replays each profile over the world and lists events naming objects it "
                 "lacks; exit status 2 when there are any, 1 when a file cannot be read.");
    check->add_option("SAVE", path, "The save file (Save.dat or Backup_Save.dat).")->required();
    check->add_option("--scenario", scenario, "The world (S0Scenario.dat).")->required();
    check->add_option("--profile", profile, "Only this profile (1-based).");
    check->add_flag("--json", json, "Print JSON instead of text.");

    CLI11_PARSE(app, argc, argv);
    try {
        TSaveFile save;
        ReadSave(path, save);
        TScenarioScope world;
        if (!scenario.empty()) {
            ReadScenario(scenario);
        }
        if (list->parsed()) {
            List(save, path, json);
        } else if (events->parsed()) {
            Events(save, path, profile, json, !scenario.empty());
        } else if (!Check(save, path, profile, json)) {
            return 2;
        }
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-save: " << error.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace
} // namespace valdmoor::tools

int main(int argc, char** argv) {
    return valdmoor::tools::Run(argc, argv);
}
