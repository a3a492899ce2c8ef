// valdmoor-screenshots: each of the game's dialogs, the click ripple, both hint balloons and a
// cover transition half-way, drawn headless on a small world built here and written as PNGs
// into a folder; with --world, also the play form on a compiled world. With --references it
// compares every shot with the picture of its name there.
#include "ShowcaseScene.h"
#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "gui/EngineGuiControls.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "screens/GameGuiCursors.h"
#include "screens/GameGuiDialogAchievement.h"
#include "screens/GameGuiDialogAchievements.h"
#include "screens/GameGuiDialogHint.h"
#include "screens/GameGuiDialogInventory.h"
#include "screens/GameGuiDialogs.h"
#include "screens/GameGuiFormPlay.h"
#include "screens/GameGuiHints.h"
#include "screens/GameGuiTransitions.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "world/GameAchievement.h"
#include "world/GameAvatar.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameScenario.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

namespace valdmoor {
namespace {

constexpr int SkipCode = 77;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw EngineError("Unable to create file \"" + path + "\"");
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw EngineError("Unable to open file \"" + path + "\"");
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

constexpr const char* CommonScript =
    "<script>"
    "<text id=\"GameTitle\">Valdmoor</text>"
    "<text id=\"ButtonOK\">OK</text><text id=\"ButtonYes\">Yes</text>"
    "<text id=\"ButtonNo\">No</text><text id=\"ButtonCancel\">Cancel</text>"
    "<text id=\"ButtonClose\">Close</text>"
    "<text id=\"LabelInventory\">Inventory</text><text id=\"LabelHint\">Hint</text>"
    "<text id=\"LabelINeed\">I need</text><text id=\"LabelIHave\">I have</text>"
    "<text id=\"LabelAchievementEarned\">Achievement earned!</text>"
    "<text id=\"LabelAchievements\">Achievements</text>"
    "<text id=\"LabelEarnedAchievements\">Earned</text><text id=\"LabelOf\">of</text>"
    "<text id=\"LabelProgress\">Progress</text>"
    "<text id=\"HintAchievements\">All achievements</text>"
    "<text id=\"MsgTooManyProfiles\">There is no room for another profile.</text>"
    "<text id=\"QueryExitToMenu\">Leave the journey and return to the menu?</text>"
    "<text id=\"InputName\">What is your name, traveller?</text>"
    "<text id=\"LabelSettings\">Settings</text><text id=\"LabelLanguage\">Language</text>"
    "<text id=\"LabelUserProfiles\">Profiles</text>"
    "<text id=\"LabelDisplayMode\">Display</text>"
    "<text id=\"LabelVolumeEffects\">Effects</text>"
    "<text id=\"LabelVolumeEnvironment\">Surroundings</text>"
    "<text id=\"LabelVolumeMusic\">Music</text><text id=\"LabelOff\">off</text>"
    "<text id=\"LabelEnabled\">On</text><text id=\"LabelDisabled\">Off</text>"
    "<text id=\"LabelFullScreen\">Full screen</text><text id=\"LabelWindowed\">Window</text>"
    "<text id=\"LabelVersion\">Version</text>"
    "<text id=\"TextCredits\">Painted, written and built by the Valdmoor team.</text>"
    "<text id=\"LabelTheEnd\">The End</text>"
    "</script>";
constexpr const char* ScenarioScript =
    "<script>"
    "<text id=\"HintLegendH1\">Ask the ferryman at the river for passage.</text>"
    "<text id=\"Medal\">Ferryman</text>"
    "<text id=\"AchievementLegendH1\">Cross the river.</text>"
    "<text id=\"Gold\">Gold</text><text id=\"Rope\">Rope</text>"
    "</script>";

// The world the shots show: a few props of three kinds, a hint, and achievements in each state.
void BuildWorld() {
    const auto prop = [](const char* name, int32_t kind, int32_t count, int32_t frame) {
        auto p = std::make_unique<TProp>(name);
        p->Kind = kind;
        p->Count = count;
        p->Picture = PoolPictures().First();
        p->PictureFrame = frame;
        p->Caption = PoolCaptions().Add(std::make_unique<TCaption>(name));
        ScenarioProps().Add(std::move(p));
    };
    PoolPictures().Add(std::make_unique<TPicture>("G2PropIcons"));
    prop("Gold", pkProperty, 12, 0);
    prop("Map", pkKnowledge, 1, 4);
    prop("Swim", pkSkill, 1, 6);
    prop("Rope", pkItem, 2, 5);
    prop("Lamp", pkItem, 1, 1);
    for (int32_t i = 1; i <= 12; ++i) {
        auto a = std::make_unique<TAchievement>("A" + std::to_string(i));
        a->Number = i;
        a->Order = i + 1;
        a->Target = 3;
        a->Progress = i <= 4 ? 3 : 1;
        a->Hidden = i > 9 ? 1 : 0;
        if (i == 1) {
            a->Caption = PoolCaptions().Add(std::make_unique<TCaption>("Medal"));
        }
        ScenarioAchievements().Add(std::move(a));
    }
}

void RegisterAll() {
    RegisterCursor(std::make_unique<TGuiCursorCustom>("Custom"));
    RegisterHint(std::make_unique<TGuiHintCustom>("Custom", 0.85f, 0.25f, 0.25f));
    RegisterHint(std::make_unique<TGuiHintDefault>("Default", 0.75f, 0.0f, 0.0f));
    const auto dialog = [](auto made) { RegisterDialog(std::move(made)); };
    dialog(std::make_unique<TGuiDialogMessageCustom>("MessageCustom", 0, 0, "Custom", "Custom"));
    dialog(std::make_unique<TGuiDialogQueryCustom>("QueryCustom", 0, 0, "Custom", "Custom"));
    dialog(
        std::make_unique<TGuiDialogInputLineCustom>("InputLineCustom", 0, 0, "Custom", "Custom"));
    dialog(std::make_unique<TGuiDialogSettings>("Settings", 0, 0, "Custom", "Custom"));
    dialog(std::make_unique<TGuiDialogAbout>("About", 0, 0, "Custom", "Custom"));
    dialog(std::make_unique<TGuiDialogAchievement>("Achievement", 0, 0, "Custom", "Custom"));
    dialog(std::make_unique<TGuiDialogAchievements>("Achievements", 0, 0, "Custom", "Custom"));
    dialog(std::make_unique<TGuiDialogInventory>("Inventory", 0, 0, "Custom", "Custom"));
    dialog(std::make_unique<TGuiDialogHint>("Hint", 0, 0, "Custom", "Custom"));
    RegisterTransition(std::make_unique<TGuiTransitionCover>("FadeEnding", 4.0f, 2.0f, 2.0f,
                                                             TColor3{}, "LabelTheEnd"));
}

// A plain form with two buttons that carry hints, behind every shot.
class TBackdrop : public TGuiForm {
public:
    TBackdrop(std::string name) : TGuiForm(std::move(name), "Custom", "Custom") {}
    void Show(int32_t) override {
        Layout = {-300, 250, 240, 60};
        CreateControl<TGuiControlButton>(this, 0,
                                         {{0, "Left"}, {21, "Journey"}, {23, "Set out again"}});
        Layout = {300, 250, 240, 60};
        CreateControl<TGuiControlButton>(
            this, 0, {{0, "Right"}, {21, "Ledger"}, {23, "Engine hint"}, {26, "Default"}});
    }
};

int64_t passes = 0;

void Frames(int count) {
    for (int i = 0; i < count; ++i) {
        PumpMessages();
        ++passes;
        AdvanceFrameCounter();
        TimerUpdate();
        GuiFrame();
        UpdateEffects();
    }
}

// Feeds input whose frames count from the next pass of the pump.
void Input(const std::string& script) {
    std::string shifted;
    std::size_t start = 0;
    while (start < script.size()) {
        const std::size_t end = script.find('\n', start);
        const std::string line = script.substr(start, end - start);
        const std::size_t space = line.find(' ');
        shifted +=
            std::to_string(std::stoll(line.substr(0, space)) + passes) + line.substr(space) + "\n";
        start = end == std::string::npos ? script.size() : end + 1;
    }
    const std::string path = StorageFolderPath(sfLanguage) + "input.txt";
    WriteFile(path, shifted);
    LoadInputScript(path);
}

// The play form on a compiled world, as a new journey with all four corner buttons.
void ShowPlayOn(const std::string& world, const std::string& home) {
    WriteFile(home + "ScriptScenario.xml", ReadFile(world + "/english/ScriptScenario.xml"));
    LoadScript(ssScenario, true);
    ScenarioStop();
    ScenarioStart();
    AvatarStart();
    TMemoryStream stream(ReadFile(world + "/Ordinary/S0Scenario.dat"));
    LoadScenarioFrom(stream);
    if (CurrentGameState() == nullptr) {
        throw EngineError("No game state for the world " + world);
    }
    CurrentGameState()->Restart();
    for (int32_t flag = 1; flag <= 3; ++flag) {
        SetStoryFlag(flag);
    }
    RegisterForm(std::make_unique<TGuiFormPlay>(std::string(FormPlayName), "Custom", "Custom"));
    SetCurrentForm(FormPlayName);
    // The corner buttons slide in.
    Frames(60);
}

struct TShot {
    const char* Name;
    std::function<void()> Make;
};

} // namespace
} // namespace valdmoor

int main(int argc, char** argv) {
    using namespace valdmoor;
    std::string output;
    std::string references;
    std::string world;
    bool writeReferences = false;
    CLI::App app{"Draws the game's dialogs, ripple, hints and a transition headless on a small "
                 "world and writes one PNG each. Exits with 77 when this machine cannot draw."};
    app.add_option("output", output, "the folder to write the shots into")->required();
    app.add_option("--references", references, "compare every shot with the PNG of its name here");
    app.add_flag("--write-references", writeReferences, "write the shots as the references");
    app.add_option("--world", world,
                   "also draw the play form on this compiled world (a folder holding "
                   "Ordinary/S0Scenario.dat and english/ScriptScenario.xml)");
    CLI11_PARSE(app, argc, argv);

    std::unique_ptr<showcase::TEngine> engine;
    try {
        engine = std::make_unique<showcase::TEngine>(VALDMOOR_GAME_DIR);
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-screenshots: cannot draw here: " << error.what() << "\n";
        return SkipCode;
    }
    int failed = 0;
    try {
        std::filesystem::create_directories(output);
        const std::string home = output + "/home/";
        std::filesystem::create_directories(home);
        WriteFile(home + "ScriptCommon.xml", CommonScript);
        WriteFile(home + "ScriptScenario.xml", ScenarioScript);
        SetStorageFolderPath(sfLanguage, home);
        SetStorageFolderPath(sfUser, home);
        if (!ServiceInit(home)) {
            throw EngineError("No cloud folder in " + home);
        }
        ScriptStart();
        LoadScript(ssCommon, true);
        LoadScript(ssScenario, true);
        ScenarioStart();
        PlayersStart();
        GuiStart();
        SetApplicationRunning(true);
        ResumeApplication();
        ActivateApplication();
        BuildWorld();
        RegisterAll();
        RegisterForm(std::make_unique<TBackdrop>("Backdrop"));
        RegisterForm(std::make_unique<TBackdrop>("End"));
        MainCanvas()->ClearColor = 0xFF3A4A3A;

        const auto open = [](const char* name, const char* text = "", int32_t option = 0) {
            return [=] {
                TDialogArguments arguments;
                arguments.Text = text;
                arguments.Option = option;
                ShowDialog(name, arguments);
                Frames(30);
            };
        };
        std::vector<TShot> shots = {
            {"Inventory", open("Inventory")},
            {"Hint", open("Hint")},
            {"Achievement",
             [] {
                 TDialogArguments arguments;
                 arguments.ResultTarget = ScenarioAchievements().First();
                 ShowDialog("Achievement", arguments);
                 Frames(30);
             }},
            {"Achievements", open("Achievements")},
            {"Message", open("MessageCustom", "MsgTooManyProfiles")},
            {"Query", open("QueryCustom", "QueryExitToMenu")},
            {"InputLine", open("InputLineCustom", "InputName", 8)},
            {"Settings", open("Settings")},
            {"About", open("About")},
            {"Ripple",
             [] {
                 Input("1 move 0 -100\n2 down 0 -100\n3 up\n");
                 Frames(20);
             }},
            {"HintCustom",
             [] {
                 Input("1 move -300 250\n");
                 Frames(90);
             }},
            {"HintDefault",
             [] {
                 Input("1 move 300 250\n");
                 Frames(90);
             }},
            {"Transition",
             [] {
                 SwitchForm("End", "FadeEnding");
                 Frames(120); // half of the four-second cover
             }},
        };
        if (!world.empty()) {
            // The compiled world takes the small one's place, so this shot comes last.
            shots.push_back({"Play", [&world, &home] { ShowPlayOn(world, home); }});
        }
        for (const TShot& shot : shots) {
            SetCurrentForm("Backdrop");
            Input("1 move 790 -440\n");
            Frames(40);
            shot.Make();
            const TPictureImage frame = showcase::CaptureFrame();
            CloseAllDialogs();
            const std::string file = output + "/" + shot.Name + ".png";
            WriteFile(file, EncodePng(frame));
            if (references.empty()) {
                continue;
            }
            const std::string reference = references + "/" + shot.Name + ".png";
            if (writeReferences) {
                WriteFile(reference, EncodePng(frame));
                continue;
            }
            const TPictureImage expected = DecodePng(ReadFile(reference), reference);
            const showcase::TDifference difference = showcase::ComparePictures(frame, expected);
            std::printf("%s: %lld of %lld pixels differ by more than %d, largest %d\n", shot.Name,
                        static_cast<long long>(difference.PixelsOverSmall),
                        static_cast<long long>(difference.Pixels), showcase::SmallDifference,
                        difference.Largest);
            if (!showcase::WithinTolerance(difference)) {
                ++failed;
                WriteFile(output + "/" + shot.Name + "-difference.png",
                          EncodePng(showcase::DifferencePicture(frame, expected)));
            }
        }
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-screenshots: " << error.what() << "\n";
        failed = -1;
    }
    CloseAllDialogs();
    GuiStop();
    AvatarStop();
    PlayersStop();
    ScenarioStop();
    ScriptStop();
    ServiceShutdown();
    engine.reset();
    if (failed != 0) {
        std::fprintf(stderr, "valdmoor-screenshots: %d shot(s) differ from their references\n",
                     failed < 0 ? 0 : failed);
        return 1;
    }
    return 0;
}
