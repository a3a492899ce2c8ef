#include "storage/EngineLanguages.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

std::string Settings(const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string text = "<language>\n";
    for (const auto& [key, value] : settings) {
        text += "<setting id=\"" + key + "\">" + value + "</setting>\n";
    }
    return text + "</language>\n";
}

class EngineLanguages : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        SetSwitches(TSwitches{});
        // A platform language that no test folder is named after, unless a test says so.
        setenv("LANGUAGE", "fr_FR.UTF-8", 1);
        SetStorageFolderPath(sfMain, game.Path().string() + "/");
        ASSERT_TRUE(ServiceInit(cloud.Path().string()));
    }
    void TearDown() override {
        StorageReset();
        ServiceShutdown();
        unsetenv("LANGUAGE");
        ApplicationStop();
    }

    void Add(const std::string& folder, const std::string& settings = Settings({})) {
        game.Write(folder + "/LanguageSettings.xml", settings);
    }
    std::string Main() const { return game.Path().string() + "/"; }
    static std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        for (const TLanguage& language : *Languages()) {
            keys.push_back(language.Name());
        }
        return keys;
    }
    static void Start() {
        DiscoverLanguages();
        ChooseStartLanguage();
    }
    static std::string Remembered() { return StorageLoadString(sfCloud, "StartLanguage"); }

    test::TTempFolder game;
    test::TTempFolder cloud;
};

TEST_F(EngineLanguages, DiscoveryKeepsOnlyUsableFolders) {
    for (const char* folder : {"english", "English", "german", ".svn", "1abc", "de.old"}) {
        Add(std::string("Languages/") + folder);
    }
    game.Write("Languages/french/ScriptCommon.xml", "<script></script>");
    game.Write("Languages/italian", "a file, not a folder");
    DiscoverLanguages();
    // "english" and "English" would answer to one key; the byte-wise first one is kept.
    EXPECT_EQ(Keys(), (std::vector<std::string>{"English", "German"}));
    EXPECT_EQ(Languages()->Find("English")->Folder, Main() + "Languages/English/");
}

TEST_F(EngineLanguages, NoLanguageFolderIsAFilesError) {
    Add("Languages/.svn");
    game.Write("Languages/english/readme.txt", "no settings here");
    try {
        DiscoverLanguages();
        ADD_FAILURE() << "discovery without a language folder succeeded";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Failed to find at least one language folder");
    }
    EXPECT_EQ(ErrorKind(), ekFilesCorrupt);
}

TEST_F(EngineLanguages, SwitchWinsAndIsRememberedForTheNextStart) {
    Add("Languages/english");
    Add("Languages/german");
    TSwitches switches;
    switches.Language = "German";
    SetSwitches(switches);
    Start();
    EXPECT_EQ(CurrentLanguageName(), "German");
    EXPECT_EQ(Remembered(), "German");
    EXPECT_EQ(StorageFolderPath(sfLanguage), Main() + "Languages/german/");

    FreeLanguages();
    SetSwitches(TSwitches{});
    Start();
    EXPECT_EQ(CurrentLanguageName(), "German");
    EXPECT_FALSE(LanguageChoicePending());
}

TEST_F(EngineLanguages, PlatformLanguageThenSingleFolderComeBeforeTheDefault) {
    Add("Languages/english");
    Add("Languages/german");
    Add("Language");
    setenv("LANGUAGE", "de_DE.UTF-8", 1);
    Start();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"!", "?", "English", "German"}));
    EXPECT_EQ(Languages()->Find("?")->Folder, Main() + "Language/");
    EXPECT_EQ(CurrentLanguageName(), "!");
    EXPECT_EQ(StorageFolderPath(sfLanguage), Main() + "Languages/german/");
    EXPECT_EQ(Remembered(), "!");

    FreeLanguages();
    StorageSaveString(sfCloud, "StartLanguage", "");
    setenv("LANGUAGE", "fr_FR.UTF-8", 1);
    Start();
    EXPECT_EQ(CurrentLanguageName(), "?");
    EXPECT_EQ(Remembered(), "?");
    EXPECT_FALSE(LanguageChoicePending());
}

TEST_F(EngineLanguages, UnsettledChoiceFallsBackAndWaitsForThePlayer) {
    Add("Languages/english");
    Add("Languages/german");
    TSwitches switches;
    switches.Language = "Klingon";
    SetSwitches(switches);
    StorageSaveString(sfCloud, "StartLanguage", "Elvish");
    Start();
    EXPECT_EQ(CurrentLanguageName(), "English");
    EXPECT_TRUE(LanguageChoicePending());
    EXPECT_EQ(Remembered(), "Elvish");
    ConfirmLanguage();
    EXPECT_FALSE(LanguageChoicePending());
    EXPECT_EQ(Remembered(), "English");

    FreeLanguages();
    std::filesystem::rename(game.Path() / "Languages/english", game.Path() / "Languages/welsh");
    StorageSaveString(sfCloud, "StartLanguage", "");
    Start();
    EXPECT_EQ(CurrentLanguageName(), "German");
    EXPECT_TRUE(LanguageChoicePending());
    EXPECT_EQ(Remembered(), "");
}

TEST_F(EngineLanguages, SingleLanguageIsConfirmedAndRemembered) {
    Add("Languages/german");
    Start();
    EXPECT_EQ(CurrentLanguageName(), "German");
    EXPECT_FALSE(LanguageChoicePending());
    EXPECT_EQ(Remembered(), "German");
}

TEST_F(EngineLanguages, SelectingFailsForUnknownAndCurrentWithoutRewriting) {
    Add("Languages/english");
    Add("Languages/german");
    Start();
    StorageSaveString(sfCloud, "StartLanguage", "Marker");
    for (const char* name : {"English", "", "Klingon", "english"}) {
        EXPECT_FALSE(SelectLanguage(name, true)) << name;
    }
    EXPECT_TRUE(SelectLanguage("German", false));
    EXPECT_EQ(Remembered(), "Marker");
    EXPECT_TRUE(SelectLanguage("English", true));
    EXPECT_EQ(Remembered(), "English");

    FreeLanguages();
    FreeLanguages();
    EXPECT_EQ(CurrentLanguageName(), "");
    EXPECT_FALSE(SelectLanguage("German", false));
}

TEST_F(EngineLanguages, SettingsArePublishedOnSelectionAndResetByFreeing) {
    Add("Languages/german", Settings({{"LanguageName", "Deutsch"},
                                      {"DecimalSymbol", ","},
                                      {"DigitGroupingSymbol", "\xC2\xA0"},
                                      {"DigitGroupingAboveValue", "9999"},
                                      {"SpaceBeforeColon", "yEs"}}));
    Add("Languages/english", Settings({{"DecimalSymbol", ",,"},
                                       {"DigitGroupingSymbol", ""},
                                       {"DigitGroupingAboveValue", "12x"},
                                       {"SpaceBeforeColon", "no"}}));
    DiscoverLanguages();
    ASSERT_TRUE(SelectLanguage("German", false));
    EXPECT_EQ(PublishedLanguageName(), "Deutsch");
    EXPECT_EQ(DecimalSymbol(), ",");
    EXPECT_EQ(DigitGroupingSymbol(), "\xC2\xA0");
    EXPECT_EQ(DigitGroupingAboveValue(), 9999);
    EXPECT_EQ(ColonPrefix(), "\xC2\xA0");
    EXPECT_EQ(FormatNumber(5000), "5000");
    EXPECT_EQ(FormatNumber(-9999), "-9999");
    EXPECT_EQ(FormatNumber(1234567), "1\xC2\xA0"
                                     "234\xC2\xA0"
                                     "567");

    ASSERT_TRUE(SelectLanguage("English", false));
    EXPECT_EQ(PublishedLanguageName(), "Unknown");
    EXPECT_EQ(DecimalSymbol(), ".");
    EXPECT_EQ(DigitGroupingSymbol(), ",");
    EXPECT_EQ(DigitGroupingAboveValue(), 999);
    EXPECT_EQ(ColonPrefix(), "");

    ASSERT_TRUE(SelectLanguage("German", false));
    FreeLanguages();
    EXPECT_EQ(PublishedLanguageName(), "Unknown");
    EXPECT_EQ(DigitGroupingSymbol(), ",");
    EXPECT_EQ(ColonPrefix(), "");
}

TEST_F(EngineLanguages, DisplayNamesAreReadOnceAndSurviveDamage) {
    Add("Languages/danish", "<language><setting id=\"LanguageName\">Dansk</setting>"
                            "<setting id=\"DecimalSymbol\">,");
    Add("Languages/english", "<language><setting id=\"LanguageName\">" +
                                 std::string(1024 * 1024, 'x') + "</setting></language>");
    Add("Languages/german", Settings({{"LanguageName", "Deutsch"}}));
    Add("Languages/welsh");
    DiscoverLanguages();
    std::filesystem::remove(game.Path() / "Languages/welsh/LanguageSettings.xml");

    EXPECT_EQ(LanguageDisplayName("German"), "Deutsch");
    Add("Languages/german", Settings({{"LanguageName", "Changed"}}));
    EXPECT_EQ(LanguageDisplayName("German"), "Deutsch");
    EXPECT_EQ(LanguageDisplayName("Welsh"), "Unknown");
    EXPECT_EQ(LanguageDisplayName("Klingon"), "");
    EXPECT_TRUE(LogEmpty());
    EXPECT_EQ(LanguageDisplayName("English"), "Unknown");
    EXPECT_FALSE(LogEmpty());
    ASSERT_TRUE(SelectLanguage("Danish", false));
    EXPECT_EQ(PublishedLanguageName(), "Dansk");
    EXPECT_EQ(DecimalSymbol(), ".");
}

TEST(FormatNumber, GroupsEveryThreeDigitsAboveTheDefaultThreshold) {
    FreeLanguages();
    EXPECT_EQ(FormatNumber(0), "0");
    EXPECT_EQ(FormatNumber(999), "999");
    EXPECT_EQ(FormatNumber(-999), "-999");
    EXPECT_EQ(FormatNumber(1000), "1,000");
    EXPECT_EQ(FormatNumber(-1500), "-1,500");
    EXPECT_EQ(FormatNumber(123456), "123,456");
    EXPECT_EQ(FormatNumber(1234567), "1,234,567");
    EXPECT_EQ(FormatNumber(std::numeric_limits<int64_t>::max()), "9,223,372,036,854,775,807");
    EXPECT_EQ(FormatNumber(std::numeric_limits<int64_t>::min()), "-9,223,372,036,854,775,808");
}

} // namespace
} // namespace valdmoor
