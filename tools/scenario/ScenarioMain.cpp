// valdmoor-scenario: builds the game's world file "S0Scenario.dat" and each language's
// "ScriptScenario.xml" from a world written in YAML, decompiles a world file back into YAML,
// and lists texts that are missing or no longer used.
#include "ScenarioCheck.h"
#include "ScenarioProve.h"
#include "ScenarioScript.h"
#include "ScenarioTexts.h"
#include "ScenarioYaml.h"
#include "ToolFiles.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GameAvatar.h"
#include "world/GameScenario.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace valdmoor;
using namespace valdmoor::scenario;

constexpr const char* Layout = R"(A world in YAML (docs/scenario.md has the whole format):

  pool: {pictures: [G1Meadow], captions: [SiteHome], ...}
  props: [{name: Gold, kind: property, initial-count: 10}]
  regions:
    - name: Meadow
      sites:
        - name: Home
          caption: SiteHome
          scenes: [{type: Text}]
  start-region: Meadow

Texts live beside the world in texts/<language>.yaml, keyed by the world's names:
  captions: {SiteHome: Home}
  scenes: {Home/1: "Welcome home."}
  hints: {...}
  achievements: {...}
)";

// The text sources of every language, in name order.
std::vector<std::pair<std::string, TTextSource>> LoadTextSources(const std::string& folder) {
    std::vector<std::pair<std::string, TTextSource>> sources;
    if (folder.empty() || !fs::is_directory(folder)) {
        return sources;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".yaml") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        sources.emplace_back(file.stem().string(),
                             ParseTextSource(tools::ReadBinaryFile(file.string()), file.string()));
    }
    return sources;
}

std::string DefaultTextFolder(const std::string& world) {
    return (fs::path(world).parent_path() / "texts").string();
}

// Loads the world into the live model and searches it; exit 0 only when an ending is reachable.
int Prove(const TWorldModel& world, const TProveOptions& options, const std::string& saveFile,
          const std::string& scriptFile, const std::string& actionsFile) {
    ApplicationStart();
    ScenarioStart();
    AvatarStart();
    TMemoryStream stream(WriteWorldBytes(world));
    LoadScenarioFrom(stream);
    const TProveReport report = ProveWorld(options);
    std::cout << (report.Complete ? "explored every state: " : "stopped by the bounds: ")
              << report.States << " states, " << report.Expanded << " expanded in "
              << report.Seconds << " s\n";
    // An empty path is the new game itself.
    auto printPath = [](const std::vector<TPlayAction>& path) {
        if (path.empty()) {
            std::cout << "  (the new game)\n";
        }
        for (const TPlayAction& action : path) {
            std::cout << "  " << DescribePlayAction(action) << "\n";
        }
    };
    if (report.EndingReachable) {
        std::cout << "ending reachable in " << report.WinningPath.size() << " actions:\n";
        printPath(report.WinningPath);
    } else {
        std::cout << "error: no ending reachable\n";
    }
    for (const std::string& name : report.SitesNeverVisited) {
        std::cout << "never visited: site " << name << "\n";
    }
    for (const std::string& name : report.ScenesNeverExecuted) {
        std::cout << "never executed: scene " << name << "\n";
    }
    for (const std::string& name : report.AchievementsNeverCompleted) {
        std::cout << "never completed: achievement " << name << "\n";
    }
    if (report.DeadEnds > 0) {
        std::cout << "dead ends: " << report.DeadEnds << " states, the nearest after "
                  << report.DeadEndPath.size() << " actions:\n";
        printPath(report.DeadEndPath);
    }
    if (report.StageLocks > 0) {
        std::cout << "stage lock: story stage " << report.LockedStage
                  << " holds every site control and nothing clears it, after "
                  << report.StageLockPath.size() << " actions:\n";
        printPath(report.StageLockPath);
    }
    if (report.Stuck > 0) {
        std::cout << "error: " << report.Stuck << " states where the world never comes to rest\n";
    }
    if (report.EndingReachable && !saveFile.empty()) {
        tools::WriteBinaryFile(saveFile,
                               ProofSaveBytes(report.WinningEvents, report.WinningAchievements));
        std::cerr << "valdmoor-scenario: winning save -> " << saveFile << "\n";
    }
    if (report.EndingReachable && !scriptFile.empty()) {
        tools::WriteBinaryFile(scriptFile, PlayInputScript(report));
        std::cerr << "valdmoor-scenario: winning input script -> " << scriptFile << "\n";
    }
    if (report.EndingReachable && !actionsFile.empty()) {
        tools::WriteBinaryFile(actionsFile, PlayActionScript(report.WinningPath));
        std::cerr << "valdmoor-scenario: winning actions -> " << actionsFile << "\n";
    }
    AvatarStop();
    ScenarioStop();
    ApplicationStop();
    return report.EndingReachable && report.Stuck == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Builds the Valdmoor world file from YAML and its texts, and back."};
    app.footer(Layout);
    app.require_subcommand(1);

    std::string source;
    std::string output;
    std::string texts;
    std::string scripts;
    CLI::App* build = app.add_subcommand("build", "YAML world to S0Scenario.dat (and scripts)");
    build->add_option("world", source, "the YAML world")->required();
    build->add_option("-o,--output", output, "the S0Scenario.dat to write")->required();
    build->add_option("--texts", texts,
                      "folder of <language>.yaml texts (default: texts/ beside "
                      "the world)");
    build->add_option("--scripts", scripts,
                      "folder to write <language>/ScriptScenario.xml into (default: none)");
    CLI::App* decompile = app.add_subcommand("decompile", "S0Scenario.dat to YAML");
    decompile->add_option("data", source, "the S0Scenario.dat")->required();
    decompile->add_option("-o,--output", output, "the YAML file to write (default: print it)");
    CLI::App* textsCommand =
        app.add_subcommand("texts", "per language, the texts missing and no longer used");
    textsCommand->add_option("world", source, "the YAML world")->required();
    textsCommand->add_option("--texts", texts, "folder of <language>.yaml texts");
    std::string game;
    CLI::App* check = app.add_subcommand(
        "check", "static findings: references, texts, media, cycles, props, prerequisites");
    check->add_option("world", source, "the YAML world")->required();
    check->add_option("--texts", texts, "folder of <language>.yaml texts");
    check->add_option("--game", game, "game folder whose media the world names");
    TProveOptions prove;
    std::string saveFile;
    std::string scriptFile;
    std::string actionsFile;
    CLI::App* proveCommand =
        app.add_subcommand("prove", "plays the world headless: can it be finished?");
    proveCommand->add_option("world", source, "the YAML world")->required();
    proveCommand->add_option("--max-states", prove.MaxStates, "stop after this many states");
    proveCommand->add_option("--seconds", prove.Seconds, "stop after this many seconds");
    proveCommand->add_option("--choices", prove.Choices,
                             "values tried per exchange counter (0 and the largest among them)");
    proveCommand->add_option("--save", saveFile, "write the winning path as a save file");
    proveCommand->add_option("--script", scriptFile,
                             "write the winning path as the game's input script (-input)");
    proveCommand->add_option("--actions", actionsFile,
                             "write the winning path as a list of player actions");
    CLI11_PARSE(app, argc, argv);

    try {
        if (decompile->parsed()) {
            const std::string yaml = DecompileWorldBytes(tools::ReadBinaryFile(source), source);
            if (output.empty()) {
                std::cout << yaml;
            } else {
                tools::WriteBinaryFile(output, yaml);
                std::cerr << "valdmoor-scenario: " << source << " -> " << output << "\n";
            }
            return 0;
        }
        std::vector<std::string> warnings;
        const TWorldModel world = ParseWorldYaml(tools::ReadBinaryFile(source), source, warnings);
        if (texts.empty()) {
            texts = DefaultTextFolder(source);
        }
        const auto sources = LoadTextSources(texts);
        if (proveCommand->parsed()) {
            for (const std::string& warning : warnings) {
                std::cerr << "valdmoor-scenario: warning: " << warning << "\n";
            }
            prove.Progress = isatty(STDERR_FILENO) != 0;
            return Prove(world, prove, saveFile, scriptFile, actionsFile);
        }
        if (check->parsed()) {
            const std::vector<TFinding> findings =
                CheckWorldSource(world, tools::ReadBinaryFile(source), source, sources, game);
            bool failed = false;
            for (const TFinding& finding : findings) {
                std::cout << FormatFinding(finding) << "\n";
                failed = failed || finding.Error;
            }
            for (const std::string& warning : warnings) {
                std::cout << source << ": warning: " << warning << "\n";
            }
            return failed ? 1 : 0;
        }
        if (textsCommand->parsed()) {
            for (const std::string& warning : warnings) {
                std::cerr << "valdmoor-scenario: warning: " << warning << "\n";
            }
            for (const auto& [language, text] : sources) {
                const TTextReport report = CheckTexts(world, text);
                std::cout << language << ": " << report.Missing.size() << " missing, "
                          << report.Unused.size() << " unused\n";
                for (const std::string& key : report.Missing) {
                    std::cout << "  missing " << key << "\n";
                }
                for (const std::string& key : report.Unused) {
                    std::cout << "  unused  " << key << "\n";
                }
            }
            return 0;
        }
        tools::WriteBinaryFile(output, WriteWorldBytes(world));
        std::cerr << "valdmoor-scenario: " << source << " -> " << output << "\n";
        if (!scripts.empty()) {
            for (const auto& [language, text] : sources) {
                const fs::path target = fs::path(scripts) / language / "ScriptScenario.xml";
                fs::create_directories(target.parent_path());
                tools::WriteBinaryFile(target.string(), WriteScriptXml(world, text, warnings));
                std::cerr << "valdmoor-scenario: " << text.FileName << " -> " << target.string()
                          << "\n";
            }
        }
        for (const std::string& warning : warnings) {
            std::cerr << "valdmoor-scenario: warning: " << warning << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-scenario: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
