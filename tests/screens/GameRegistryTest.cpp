// The registry in-process, and the game executable run end to end from its first screen: each
// run on a game folder of its own (the built data linked in) and a per-user folder of its own,
// with captures of the forms compared with committed pictures. VALDMOOR_WRITE_REFERENCES=1
// writes the pictures instead (look at them before committing).
#include "screens/GameRegistry.h"

#include "GuiFixture.h"
#include "ShowcaseScene.h"
#include "players/EnginePlayers.h"
#include "video/PictureFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

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
        if (!input.empty()) {
            args.push_back("-input");
            args.push_back(home_.Write("input.txt", input).string());
        }
        if (!capture.empty()) {
            args.push_back("-capture");
            args.push_back((home_.Path() / capture).string());
        }
        return test::RunProcess(
            game_.Path() / "valdmoor", args,
            {"VALDMOOR_HOME=" + home_.Path().string(), "CI=1", "LANGUAGE=fr", "LC_ALL=fr_FR.UTF-8"},
            timeoutSeconds);
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

private:
    TTempFolder game_;
    TTempFolder home_;
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
constexpr const char* ExitButton = "737 -387";

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
    ASSERT_EQ(game.Run(FirstScreen, {}, "Menu.png").ExitCode, 0);
    const std::string menu = test::ReadFile(game.Home() / "Menu.png");
    EXPECT_NE(menu, test::ReadFile(game.Home() / "Languages.png"));
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

} // namespace
} // namespace valdmoor
