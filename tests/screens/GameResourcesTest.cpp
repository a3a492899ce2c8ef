// Every picture, effect, font, sound and text the menus and dialogs ask for by name, checked
// against the built game folder: each form and dialog is shown over the built data, and each
// text identifier its controls name is looked up in every language. A missing file shows up as
// a log line (the placeholder stands in), a missing text as its identifier.
#include "GuiFixture.h"
#include "effects/EngineEffects.h"
#include "gui/EngineGuiControls.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "screens/GameRegistry.h"
#include "world/GameAvatar.h"
#include "world/GameScenario.h"

#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;

const fs::path GameFolder = VALDMOOR_GAME_FOLDER;

// Named by the map under the menu and the play form, and still to be drawn with the regions'
// own pictures; every other screen name must be there.
const std::set<std::string> AwaitedPictures = {"G2BackgroundMap"};

// Form names, and dialogs that open without a scene, prop or achievement to show.
const char* const Forms[] = {"Menu", "Profiles", "Languages"};
const char* const Dialogs[] = {"MessageCustom", "QueryCustom",  "InputLineCustom", "Settings",
                               "About",         "Achievements", "Inventory",       "Hint"};
// Texts the screens look up by name rather than through a control shown here: the play form's
// buttons, the scene, hint and achievement dialogs' pieces, the transitions' texts.
const char* const NamedTexts[] = {"HintExit",
                                  "HintHint",
                                  "HintInventory",
                                  "HintMap1",
                                  "HintMap2",
                                  "HintBarter",
                                  "HintMake",
                                  "LabelIHave",
                                  "LabelINeed",
                                  "LabelOf",
                                  "LabelOff",
                                  "LabelProgress",
                                  "LabelEnabled",
                                  "LabelWindowed",
                                  "LabelFullScreen",
                                  "QueryExitToMenu",
                                  "LabelAchievementEarned",
                                  "LabelAfterWhile",
                                  "LabelTheEnd",
                                  "QueryNewGame",
                                  "QueryQuitGame",
                                  "InputName",
                                  "DefaultProfileName",
                                  "MsgProfileAlreadyExists",
                                  "MsgTooManyProfiles",
                                  "MsgCantDeleteProfile",
                                  "QueryDeleteProfile",
                                  "LabelWelcome",
                                  "ButtonYes",
                                  "ButtonNo"};
// Played by name from the screens' code rather than from a control.
const char* const Sounds[] = {"G8ButtonFocus", "G8ButtonClick", "G8MusicMenu"};

class GameResources : public test::GuiFixture {
protected:
    void SetUp() override {
        test::GuiFixture::SetUp();
        // Fonts load from the folder set when the texts start.
        TextsStop();
        SetStorageFolderPath(sfOrdinary, (GameFolder / "Ordinary").string() + "/");
        SetStorageFolderPath(sfLanguage, (GameFolder / "Languages" / "english").string() + "/");
        SetStorageFolderPath(sfUser, home.Path().string() + "/");
        TextsStart();
        EffectsStart();
        GameDataStart();
        PlayersStart();
        RegisterEngineObjects();
        PreloadCommon();
        PreloadTexturesNow();
    }
    void TearDown() override {
        CloseAllDialogs();
        GuiStop();
        PlayersStop();
        GameDataStop();
        EffectsStop();
        test::GuiFixture::TearDown();
    }

    // The names the controls of Form ask for.
    void Collect(TGuiForm* form) {
        ASSERT_NE(form, nullptr);
        for (const TGuiControl& control : form->Controls) {
            for (const std::string* key : {&control.TextKey, &control.HintKey}) {
                if (!key->empty()) {
                    textKeys.insert(*key);
                }
            }
        }
    }
    // Failed loads of the screens' own names: "G2" pictures and effects, "G8" sounds, "F0" and
    // "F2" fonts. The world's media have names of their own and are checked with the world.
    static std::vector<std::string> FailedLoads() {
        std::vector<std::string> failed;
        for (const std::string& line : LogLines()) {
            const std::size_t open = line.find('"');
            const std::size_t close = line.find('"', open + 1);
            if (line.rfind("Failed", 0) != 0 || close == std::string::npos) {
                continue;
            }
            const std::string name = line.substr(open + 1, close - open - 1);
            const std::string family = name.substr(0, 2);
            if ((family == "G2" || family == "G8" || family == "F0" || family == "F2") &&
                AwaitedPictures.count(name) == 0) {
                failed.push_back(line);
            }
        }
        return failed;
    }

    // "Key in language" for each collected identifier without a text in a shipped language.
    std::vector<std::string> MissingTexts() const {
        std::vector<std::string> missing;
        for (const fs::directory_entry& language :
             fs::directory_iterator(GameFolder / "Languages")) {
            SetStorageFolderPath(sfLanguage, language.path().string() + "/");
            LoadScript(ssCommon, true);
            for (const std::string& key : textKeys) {
                if (ScriptText(key) == key) {
                    missing.push_back(key + " in " + language.path().filename().string());
                }
            }
        }
        return missing;
    }

    std::set<std::string> textKeys;
};

TEST_F(GameResources, FormsAndDialogsFindEveryPictureEffectAndFontTheyName) {
    for (const char* name : Forms) {
        SetCurrentForm(name);
        Frames(3);
        Collect(CurrentForm());
    }
    textKeys.insert(std::begin(NamedTexts), std::end(NamedTexts));
    for (const char* name : Dialogs) {
        TDialogArguments arguments;
        TGuiDialog* dialog = ShowDialog(name, arguments);
        ASSERT_NE(dialog, nullptr) << name;
        Frames(40);
        Collect(dialog);
        CloseAllDialogs();
        Frames(40);
    }
    EXPECT_EQ(FailedLoads(), std::vector<std::string>{});
    EXPECT_GT(textKeys.size(), 20u);

    EXPECT_EQ(MissingTexts(), std::vector<std::string>{});

    for (const char* sound : Sounds) {
        EXPECT_TRUE(fs::exists(GameFolder / "Ordinary" / (std::string(sound) + ".wav")) ||
                    fs::exists(GameFolder / "Ordinary" / (std::string(sound) + ".ogg")))
            << sound;
    }
}

// The check itself: a picture, an effect and a text that are not there are all reported.
TEST_F(GameResources, MissingNamesAreReported) {
    test::TBuildForm* form = ShowBuiltForm([](test::TBuildForm* f) {
        f->Layout = {0, 0, 100, 100};
        CreateControl<TGuiControlPicture>(f, 0, {{12, "G2NoSuchPicture"}});
        CreateControl<TGuiControlEffect>(f, 0, {{18, "G2NoSuchEffect"}});
        CreateControl<TGuiControlLabel>(f, 0, {{22, "LabelNoSuchText"}, {24, "ButtonOK"}});
    });
    Frames(3);
    const std::vector<std::string> failed = FailedLoads();
    ASSERT_EQ(failed.size(), 2u) << ::testing::PrintToString(LogLines());
    EXPECT_NE(failed[0].find("G2NoSuch"), std::string::npos);
    EXPECT_NE(failed[1].find("G2NoSuch"), std::string::npos);
    Collect(form);
    EXPECT_EQ(MissingTexts(), (std::vector<std::string>{"LabelNoSuchText in english",
                                                        "LabelNoSuchText in german"}));
}

} // namespace
} // namespace valdmoor
