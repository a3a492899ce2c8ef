// The registry in-process, and the game executable run end to end from its first screen: each
// run on a game folder of its own (the built data linked in) and a per-user folder of its own,
// with captures of the forms compared with committed pictures. VALDMOOR_WRITE_REFERENCES=1
// writes the pictures instead (look at them before committing).
#include "screens/GameRegistry.h"

#include "GuiFixture.h"
#include "ShowcaseScene.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "video/EngineTextures.h"
#include "video/PictureFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;
using test::TProcessResult;
using test::TTempFolder;

class RegistryTest : public test::GuiFixture {};

TEST_F(RegistryTest, DebugOnlyObjectsExistOnlyWithDebug) {
    RegisterEngineObjects();
    EXPECT_NE(FindCursor("Custom"), nullptr);
    EXPECT_NE(FindHint("Custom"), nullptr);
    EXPECT_EQ(FindCursor("Default"), nullptr);
    EXPECT_EQ(FindHint("Default"), nullptr);
    for (const char* form : {"Splash", "Menu", "Profiles", "Languages", "Play"}) {
        EXPECT_NE(FindForm(form), nullptr) << form;
    }
    for (const char* transition :
         {"Splash", "Fade", "FadeBeginning", "FadeAfterWhile", "FadeEnding"}) {
        EXPECT_NE(FindTransition(transition), nullptr) << transition;
    }
    for (const char* dialog :
         {"MessageCustom", "QueryCustom", "InputLineCustom", "Settings", "About", "Achievement",
          "Achievements", "Scene", "Inventory", "Hint"}) {
        EXPECT_TRUE(DialogExists(dialog)) << dialog;
    }
    EXPECT_FALSE(DialogExists("ShowAllProps"));
    GuiStop();
    GuiStart();
    SetSwitches(ParseSwitches({"-debug"}));
    RegisterEngineObjects();
    EXPECT_NE(FindCursor("Default"), nullptr);
    EXPECT_NE(FindHint("Default"), nullptr);
    EXPECT_TRUE(DialogExists("ShowAllProps"));
    GameDataStop();
}

// The first screen loads what it shows; the rest of the common pictures wait until it has been
// drawn, so they never hold it up, and are all there from the frame after.
TEST_F(RegistryTest, CommonTexturesFollowTheFirstScreensFirstFrame) {
    GameDataStart();
    PreloadCommon();
    const auto loaded = [] { return Textures()->Find("G2SiteIcons") != nullptr; };
    EXPECT_TRUE(TexturesPreloadPending());
    GameDataUpdate(); // no screen yet
    GameDataUpdate();
    EXPECT_FALSE(loaded());
    ShowBuiltForm([](test::TBuildForm*) {});
    GameDataUpdate(); // the update before the screen's first frame is drawn
    EXPECT_FALSE(loaded());
    GameDataUpdate();
    EXPECT_TRUE(loaded());
    EXPECT_FALSE(TexturesPreloadPending());
    // A new start of the game data waits again; the preload runs once per start.
    GameDataStop();
    GameDataStart();
    PreloadCommon();
    PreloadCommon();
    EXPECT_TRUE(TexturesPreloadPending());
    PreloadTexturesNow();
    EXPECT_FALSE(TexturesPreloadPending());
    GameDataStop();
}

const fs::path GameFolder = fs::path(VALDMOOR_GAME_EXE).parent_path();
const fs::path References = VALDMOOR_SCREENS_REFERENCES;

// The game executable copied beside links to the built data, so a test may give it a branding
// folder of its own; the game never writes into it.
class TGame {
public:
    TGame() {
        fs::copy_file(VALDMOOR_GAME_EXE, game_.Path() / "valdmoor");
        for (const char* folder : {"Ordinary", "Languages"}) {
            fs::create_directory_symlink(GameFolder / folder, game_.Path() / folder);
        }
        fs::create_directory(game_.Path() / "Branding");
    }
    // The test world and its English texts in place of the shipped world, whose sites move
    // as it grows; everything else is the built data.
    struct TTestWorld {};
    explicit TGame(TTestWorld) {
        fs::copy_file(VALDMOOR_GAME_EXE, game_.Path() / "valdmoor");
        fs::create_directory(game_.Path() / "Branding");
        const fs::path world = VALDMOOR_TEST_WORLD;
        LinkEach(GameFolder / "Ordinary", game_.Path() / "Ordinary",
                 {{"S0Scenario.dat", world / "Ordinary" / "S0Scenario.dat"}});
        for (const fs::directory_entry& language :
             fs::directory_iterator(GameFolder / "Languages")) {
            const fs::path scenario = world / language.path().filename() / "ScriptScenario.xml";
            LinkEach(language.path(), game_.Path() / "Languages" / language.path().filename(),
                     fs::exists(scenario)
                         ? std::map<std::string, fs::path>{{"ScriptScenario.xml", scenario}}
                         : std::map<std::string, fs::path>{});
        }
    }
    const fs::path& Folder() const { return game_.Path(); }
    fs::path Cloud(const std::string& file) const {
        return home_.Path() / "Quillane" / "Valdmoor" / "Cloud" / file;
    }
    // The platform asks for French, which the game lacks: the language choice is pending
    // until a language is confirmed. The timeout only catches a game that hangs: a machine
    // busy with other work draws the software frames slowly.
    TProcessResult Run(int frames, const std::string& input = {}, const std::string& capture = {},
                       int timeoutSeconds = 180) const {
        std::vector<std::string> args{"-headless", "-nosound", "-frames", std::to_string(frames)};
        if (!windowSize_.empty()) {
            args.push_back("-windowsize");
            args.push_back(windowSize_);
        }
        if (!input.empty()) {
            args.push_back("-input");
            args.push_back(home_.Write("input.txt", input).string());
        }
        if (!capture.empty()) {
            args.push_back("-capture");
            args.push_back((home_.Path() / capture).string());
        }
        return test::RunProcess(game_.Path() / "valdmoor", args,
                                {"VALDMOOR_HOME=" + home_.Path().string(), "CI=1", "LANGUAGE=fr",
                                 "LC_ALL=fr_FR.UTF-8",
                                 "VALDMOOR_INPUT_TRACE=" + (home_.Path() / "trace.txt").string()},
                                timeoutSeconds);
    }
    // The frames the last run with an input script drew.
    std::size_t FramesDrawn() const {
        const std::string trace = test::ReadFile(home_.Path() / "trace.txt");
        return static_cast<std::size_t>(std::count(trace.begin(), trace.end(), '\n'));
    }
    fs::path Home() const { return home_.Path(); }
    // Profiles stored as a save file before the game starts.
    void StoreProfiles(const std::vector<std::string>& names, int32_t current) const {
        TPlayerList players;
        for (const std::string& name : names) {
            players.Add(std::make_unique<TPlayer>(name));
        }
        TMemoryStream stream;
        WriteSaveData(stream, players, current);
        home_.Write("Quillane/Valdmoor/Cloud/Save" + std::string(FileKindExtension(fkData)),
                    stream.Bytes());
        // A player with profiles has chosen a language long ago.
        home_.Write("Quillane/Valdmoor/Cloud/StartLanguage.str", "English");
    }
    std::vector<std::string> StoredProfiles(int32_t& current) const {
        TMemoryStream stream(
            test::ReadFile(Cloud("Save" + std::string(FileKindExtension(fkData)))));
        TPlayerList players;
        current = ReadSaveData(stream, "Save", players);
        std::vector<std::string> names;
        for (const TPlayer& player : players) {
            names.push_back(player.Name());
        }
        return names;
    }

    // Runs that are not compared with pictures draw a small window: the same canvas units,
    // a fraction of the pixels.
    void DrawSmall() { windowSize_ = "320x180"; }
    // Each stored profile's name and its number of recorded game events.
    std::vector<std::pair<std::string, int32_t>> StoredProgress() const {
        TMemoryStream stream(
            test::ReadFile(Cloud("Save" + std::string(FileKindExtension(fkData)))));
        TPlayerList players;
        ReadSaveData(stream, "Save", players);
        std::vector<std::pair<std::string, int32_t>> progress;
        for (const TPlayer& player : players) {
            const auto* state = dynamic_cast<const TCustomPlayerState*>(&player.State());
            progress.emplace_back(player.Name(), state != nullptr ? state->Events().Count() : -1);
        }
        return progress;
    }

private:
    static void LinkEach(const fs::path& from, const fs::path& to,
                         const std::map<std::string, fs::path>& replaced) {
        fs::create_directories(to);
        for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
            const std::string name = entry.path().filename().string();
            const auto replacement = replaced.find(name);
            fs::create_symlink(replacement != replaced.end() ? replacement->second : entry.path(),
                               to / name);
        }
    }

    TTempFolder game_;
    TTempFolder home_;
    std::string windowSize_;
};

// The capture of the last run compared with the committed picture of that name.
void ExpectCaptureMatches(const TGame& game, const std::string& name) {
    const std::string bytes = test::ReadFile(game.Home() / name);
    ASSERT_FALSE(bytes.empty()) << "no capture " << name;
    const char* write = std::getenv("VALDMOOR_WRITE_REFERENCES");
    if (write != nullptr && std::string(write) == "1") {
        fs::copy_file(game.Home() / name, References / name, fs::copy_options::overwrite_existing);
        return;
    }
    const TPictureImage actual = DecodePng(bytes, name);
    const TPictureImage expected = DecodePng(test::ReadFile(References / name), name);
    const showcase::TDifference difference = showcase::ComparePictures(actual, expected);
    EXPECT_TRUE(showcase::WithinTolerance(difference))
        << name << ": " << difference.PixelsOverSmall << " pixels differ, by up to "
        << difference.Largest;
}

// Canvas positions of the forms' buttons.
constexpr const char* AnnButton = "0 -170";
constexpr const char* GermanButton = "0 10";
constexpr const char* LanguagesOk = "0 300";
constexpr const char* ProfilesLink = "0 -355";
constexpr const char* NewButton = "-320 300";
constexpr const char* DeleteButton = "0 300";
constexpr const char* PlayButton = "500 -120";
constexpr const char* NewGameButton = "500 -50";
constexpr const char* QuitButton = "500 90";
constexpr const char* ExitButton = "737 -387";
// The test world's first site.
constexpr const char* HomeSite = "-300 120";
constexpr const char* SceneStopButton = "0 20";

// Frames (60 a second) until the first screen is uncovered (opaque at once, 0.75 s uncover),
// until a form reached through "Fade" takes clicks (0.3 s each way plus a frame for each step
// that ends at once: 41 frames), and until the play form of a new game does ("FadeBeginning":
// 0.3 s and 1.5 s).
constexpr int FirstScreen = 100;
constexpr int FormSwitch = 50;
constexpr int NewGameSwitch = 120;

std::string Click(int frame, const char* position) {
    return std::to_string(frame) + " move " + position + "\n" + std::to_string(frame + 1) +
           " down\n" + std::to_string(frame + 2) + " up\n";
}

std::string Enter(int frame) {
    return std::to_string(frame) + " key enter\n" + std::to_string(frame + 1) + " release enter\n";
}

TEST(GameScreens, FirstStartAsksForTheLanguageAndTheChoiceSwitchesEveryText) {
    const TGame game;
    ASSERT_EQ(game.Run(FirstScreen, {}, "Languages.png").ExitCode, 0);
    ExpectCaptureMatches(game, "Languages.png");
    EXPECT_FALSE(fs::exists(game.Cloud("StartLanguage.str")));

    // Choosing German changes the title and buttons at once, without remembering it yet.
    ASSERT_EQ(game.Run(FirstScreen + 20, Click(FirstScreen, GermanButton), "LanguagesGerman.png")
                  .ExitCode,
              0);
    ExpectCaptureMatches(game, "LanguagesGerman.png");
    EXPECT_FALSE(fs::exists(game.Cloud("StartLanguage.str")));

    // OK remembers it, and the next start goes straight to the menu in German.
    ASSERT_EQ(game.Run(FirstScreen + 60,
                       Click(FirstScreen, GermanButton) + Click(FirstScreen + 10, LanguagesOk))
                  .ExitCode,
              0);
    EXPECT_EQ(test::ReadFile(game.Cloud("StartLanguage.str")), "German");
    ASSERT_EQ(game.Run(FirstScreen, {}, "MenuGerman.png").ExitCode, 0);
    // The logo's shine is part of the picture: effects draw from a fixed seed and headless
    // frames last a fixed time, so the same run draws the same sparks.
    ExpectCaptureMatches(game, "MenuGerman.png");
    EXPECT_EQ(test::ReadFile(game.Cloud("StartLanguage.str")), "German");
}

TEST(GameScreens, ProfilesAreCreatedChosenAndDeletedAndSaved) {
    const TGame game;
    game.StoreProfiles({"Ann"}, 1);
    // Menu, the profile link, "New", a name, Enter.
    const std::string create = Click(FirstScreen, ProfilesLink) +
                               Click(FirstScreen + FormSwitch, NewButton) +
                               "180 text Ida\n182 key enter\n183 release enter\n";
    ASSERT_EQ(game.Run(230, create, "Profiles.png").ExitCode, 0);
    ExpectCaptureMatches(game, "Profiles.png");
    int32_t current = 0;
    EXPECT_EQ(game.StoredProfiles(current), (std::vector<std::string>{"Ann", "Ida"}));
    EXPECT_EQ(current, 2);

    // Choose Ann, delete her after the question, OK back to the menu: Ida is left.
    const std::string remove =
        Click(FirstScreen, ProfilesLink) + Click(FirstScreen + FormSwitch, AnnButton) +
        Click(FirstScreen + FormSwitch + 10, DeleteButton) + "190 key enter\n191 release enter\n" +
        "220 key enter\n221 release enter\n";
    ASSERT_EQ(game.Run(260, remove).ExitCode, 0);
    EXPECT_EQ(game.StoredProfiles(current), (std::vector<std::string>{"Ida"}));
    EXPECT_EQ(current, 1);
}

// A second profile's whole life. A name is given only to a lone unnamed profile: the settings'
// "user profiles" button switches profiles off (the name is cleared) and on again (the profile
// form asks for a name), so the first profile goes before the second is renamed.
TEST(GameScreens, SecondProfileIsCreatedRenamedChosenAndDeleted) {
    TGame game;
    game.DrawSmall();
    game.StoreProfiles({"Ann"}, 1);
    constexpr int Profiles = FirstScreen + FormSwitch;
    // A dialog fades in and out in 0.3 s: 18 frames, and a few to spare.
    constexpr int DialogFade = 25;
    int32_t current = 0;

    // Ida is created and becomes current; Ann is chosen and deleted after the question.
    constexpr int AfterName = Profiles + 30 + DialogFade;
    const std::string create =
        Click(FirstScreen, ProfilesLink) + Click(Profiles, NewButton) +
        std::to_string(Profiles + 30) + " text Ida\n" + Enter(Profiles + 32) +
        Click(AfterName, AnnButton) + Click(AfterName + 10, DeleteButton) +
        Enter(AfterName + 10 + DialogFade) + Enter(AfterName + 10 + 2 * DialogFade);
    ASSERT_EQ(game.Run(AfterName + 10 + 2 * DialogFade + FormSwitch, create).ExitCode, 0);
    EXPECT_EQ(game.StoredProfiles(current), (std::vector<std::string>{"Ida"}));
    EXPECT_EQ(current, 1);

    // Off and on again in the settings; the name prompt offers the default name, which is
    // erased and replaced.
    constexpr const char* SettingsButton = "500 20";
    constexpr const char* UserProfilesButton = "150 -140";
    constexpr int Prompt = FirstScreen + 2 * DialogFade + FormSwitch + DialogFade;
    std::string rename = Click(FirstScreen, SettingsButton) +
                         Click(FirstScreen + DialogFade, UserProfilesButton) +
                         Click(FirstScreen + 2 * DialogFade, UserProfilesButton);
    for (int erase = 0; erase < 6; ++erase) {
        rename += std::to_string(Prompt + 2 * erase) + " key backspace\n" +
                  std::to_string(Prompt + 2 * erase + 1) + " release backspace\n";
    }
    rename += std::to_string(Prompt + 14) + " text Ivy\n" + Enter(Prompt + 16) +
              Enter(Prompt + 16 + DialogFade);
    ASSERT_EQ(game.Run(Prompt + 16 + DialogFade + FormSwitch, rename).ExitCode, 0);
    EXPECT_EQ(game.StoredProfiles(current), (std::vector<std::string>{"Ivy"}));
    EXPECT_EQ(current, 1);

    // A third profile makes the second deletable: Ivy is chosen and deleted, Bo is left.
    const std::string remove = Click(FirstScreen, ProfilesLink) + Click(Profiles, NewButton) +
                               std::to_string(Profiles + 30) + " text Bo\n" + Enter(Profiles + 32) +
                               Click(AfterName, AnnButton) + Click(AfterName + 10, DeleteButton) +
                               Enter(AfterName + 10 + DialogFade) +
                               Enter(AfterName + 10 + 2 * DialogFade);
    ASSERT_EQ(game.Run(AfterName + 10 + 2 * DialogFade + FormSwitch, remove).ExitCode, 0);
    EXPECT_EQ(game.StoredProfiles(current), (std::vector<std::string>{"Bo"}));
    EXPECT_EQ(current, 1);
}

TEST(GameScreens, SplashShowsTheBrandingPicturesFirst) {
    const TGame game;
    TPictureImage picture;
    picture.Width = 320;
    picture.Height = 180;
    picture.Pitch = picture.Width * 4;
    picture.Pixels.resize(static_cast<std::size_t>(picture.Pitch) * picture.Height);
    for (int32_t y = 0; y < picture.Height; ++y) {
        for (int32_t x = 0; x < picture.Width; ++x) {
            uint8_t* pixel = picture.Row(y) + x * 4;
            pixel[0] = static_cast<uint8_t>(x * 255 / picture.Width); // blue
            pixel[1] = static_cast<uint8_t>(y * 255 / picture.Height);
            pixel[2] = 160;
            pixel[3] = 255;
        }
    }
    std::ofstream(game.Folder() / "Branding" / "Studio.png", std::ios::binary)
        << EncodePng(picture);
    ASSERT_EQ(game.Run(FirstScreen, {}, "Splash.png").ExitCode, 0);
    ExpectCaptureMatches(game, "Splash.png");
    // Skipped with a click, the splash gives way to the language choice.
    ASSERT_EQ(game.Run(2 * FirstScreen, Click(FirstScreen, "0 0"), "AfterSplash.png").ExitCode, 0);
    EXPECT_NE(test::ReadFile(game.Home() / "AfterSplash.png"),
              test::ReadFile(game.Home() / "Splash.png"));
}

// Whether two captures of the last runs show the same screen, within the drawing tolerance.
bool Alike(const TGame& game, const std::string& first, const std::string& second) {
    const TPictureImage a = DecodePng(test::ReadFile(game.Home() / first), first);
    const TPictureImage b = DecodePng(test::ReadFile(game.Home() / second), second);
    return showcase::WithinTolerance(showcase::ComparePictures(a, b));
}

// The menu's Play button reaches the play form of the game's own world, and its exit question
// leads back to the menu.
TEST(GameScreens, PlayFromTheMenuAndExitBack) {
    const TGame game;
    game.StoreProfiles({"Ann"}, 1);
    ASSERT_EQ(game.Run(FirstScreen, {}, "Menu.png").ExitCode, 0);
    ExpectCaptureMatches(game, "Menu.png");
    // The play form draws slowly without a graphics card: these runs get even longer.
    const int play = FirstScreen + NewGameSwitch;
    ASSERT_EQ(game.Run(play, Click(FirstScreen, PlayButton), "Play.png", 300).ExitCode, 0);
    EXPECT_FALSE(Alike(game, "Play.png", "Menu.png"));
    // The corner buttons slide in once the avatar is idle; the question fades in.
    const int exit = play + 30;
    const std::string input = Click(FirstScreen, PlayButton) + Click(exit, ExitButton) +
                              std::to_string(exit + 25) + " key enter\n" +
                              std::to_string(exit + 26) + " release enter\n";
    const TProcessResult result = game.Run(exit + 25 + FormSwitch + 10, input, "Back.png", 300);
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_TRUE(Alike(game, "Back.png", "Menu.png"));
}

// From the menu out of the game: the exit question on the play form, then the quit question.
std::string ExitAndQuit(int frame) {
    return Click(frame, ExitButton) + Enter(frame + 40) +
           Click(frame + 40 + FormSwitch + 30, QuitButton) + Enter(frame + 40 + FormSwitch + 70);
}

// A new game on the test world, a visit to its first site, the way out through both questions;
// then a second start that continues the same game, and a new game that starts it over.
TEST(GameScreens, NewGameVisitQuitAndContinueAfterARestart) {
    TGame game(TGame::TTestWorld{});
    game.DrawSmall();
    game.StoreProfiles({"Ann"}, 1);
    // The visit's scenes are accepted with Enter as they come; its last one ends it with the
    // button under its text.
    constexpr int Play = FirstScreen + NewGameSwitch;
    std::string visit = Click(FirstScreen, NewGameButton) + Click(Play, HomeSite);
    for (int frame = Play + 30; frame < Play + 320; frame += 20) {
        visit += Enter(frame);
    }
    visit += Click(Play + 320, SceneStopButton);
    constexpr int Frames = 1000;
    const TProcessResult first = game.Run(Frames, visit + ExitAndQuit(Play + 360));
    ASSERT_EQ(first.ExitCode, 0) << first.Err;
    // The quit question ended the run, not the frame limit.
    EXPECT_LT(game.FramesDrawn(), static_cast<std::size_t>(Frames));
    const auto afterVisit = game.StoredProgress();
    ASSERT_EQ(afterVisit.size(), 1u);
    EXPECT_EQ(afterVisit[0].first, "Ann");
    EXPECT_GT(afterVisit[0].second, 1) << "the visit left no events";

    // Play continues: the events are replayed, neither dropped nor recorded twice.
    const TProcessResult second =
        game.Run(Frames, Click(FirstScreen, PlayButton) + ExitAndQuit(Play + 20));
    ASSERT_EQ(second.ExitCode, 0) << second.Err;
    EXPECT_LT(game.FramesDrawn(), static_cast<std::size_t>(Frames));
    EXPECT_EQ(game.StoredProgress(), afterVisit);

    // "New game" on a game with progress asks first; yes starts over, the visit forgotten.
    const TProcessResult over =
        game.Run(Frames, Click(FirstScreen, NewGameButton) + Enter(FirstScreen + 40) +
                             ExitAndQuit(Play + 60));
    ASSERT_EQ(over.ExitCode, 0) << over.Err;
    EXPECT_LT(game.FramesDrawn(), static_cast<std::size_t>(Frames));
    const auto startedOver = game.StoredProgress();
    ASSERT_EQ(startedOver.size(), 1u);
    EXPECT_LT(startedOver[0].second, afterVisit[0].second);
}

} // namespace
} // namespace valdmoor
