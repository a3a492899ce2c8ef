#include "storage/LocalService.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

class Service : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        ASSERT_TRUE(ServiceInit(temp.Path().string()));
    }
    void TearDown() override {
        ServiceShutdown();
        ApplicationStop();
    }

    bool Write(std::string_view name, std::string_view bytes) {
        return ServiceFileWrite(name, bytes.data(), static_cast<int32_t>(bytes.size()));
    }

    test::TTempFolder temp;
    fs::path cloud = temp.Path() / "Cloud";
};

TEST_F(Service, FilesRoundTripAndReadsCopyAtMostTheirSize) {
    EXPECT_TRUE(fs::is_directory(cloud));
    ASSERT_TRUE(Write("Save.dat", "profiles"));
    EXPECT_TRUE(ServiceFileExists("Save.dat"));
    EXPECT_EQ(ServiceFileSize("Save.dat"), 8);
    char small[4] = {};
    EXPECT_EQ(ServiceFileRead("Save.dat", small, sizeof small), 4);
    EXPECT_EQ(std::string(small, 4), "prof");
    char large[32] = {};
    EXPECT_EQ(ServiceFileRead("Save.dat", large, sizeof large), 8);
    EXPECT_FALSE(ServiceFileWrite("Save.dat", "x", -1));
    EXPECT_TRUE(ServiceFileDelete("Save.dat"));
    EXPECT_FALSE(ServiceFileDelete("Save.dat"));
    EXPECT_EQ(ServiceFileSize("Save.dat"), 0);
}

TEST_F(Service, UnsafeNamesAreRefused) {
    temp.Write("Cloud/.hidden", "x");
    temp.Write("outside", "x");
    for (const std::string_view name :
         {std::string_view(""), std::string_view("."), std::string_view(".."),
          std::string_view(".hidden"), std::string_view("../outside"), std::string_view("a/b"),
          std::string_view("a\\b"), std::string_view("Save\0.dat", 9)}) {
        SCOPED_TRACE(std::string(name));
        EXPECT_FALSE(Write(name, "bad"));
        EXPECT_FALSE(ServiceFileExists(name));
        EXPECT_EQ(ServiceFileSize(name), 0);
        char buffer[4];
        EXPECT_EQ(ServiceFileRead(name, buffer, sizeof buffer), 0);
        EXPECT_FALSE(ServiceFileDelete(name));
    }
    EXPECT_EQ(ReadFile(temp.Path() / "outside"), "x");
    EXPECT_EQ(ReadFile(cloud / ".hidden"), "x");
    EXPECT_FALSE(fs::exists(cloud / "Save"));
}

TEST_F(Service, AFailedWriteLeavesTheOldFile) {
    ASSERT_TRUE(Write("Save.dat", "old"));
    {
        const test::TFileSizeLimit limit(4096);
        EXPECT_FALSE(Write("Save.dat", std::string(65536, 'x')));
    }
    temp.Write("Cloud/Folder.dat/inside", "x");
    EXPECT_FALSE(Write("Folder.dat", "new"));
    EXPECT_EQ(ReadFile(cloud / "Save.dat"), "old");
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(cloud)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"Folder.dat", "Save.dat"}));
}

TEST_F(Service, TemporariesOfAKilledWriterAreRemovedAtStart) {
    // A pid above any the kernel hands out (at most 2^22) stands for a writer that is gone.
    temp.Write("Cloud/.Save.dat.999999999.1.tmp", "torn");
    const std::string live = ".Save.dat." + std::to_string(getppid()) + ".1.tmp";
    temp.Write("Cloud/" + live, "in progress");
    temp.Write("Cloud/.notes.tmp", "not ours");
    ASSERT_TRUE(Write("Save.dat", "whole"));
    ServiceShutdown();
    ASSERT_TRUE(ServiceInit(temp.Path().string()));
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(cloud)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{".notes.tmp", "Save.dat", live}));
}

TEST_F(Service, NothingWorksWhileStopped) {
    ServiceShutdown();
    EXPECT_FALSE(ServiceRunning());
    EXPECT_FALSE(Write("Save.dat", "x"));
    EXPECT_FALSE(ServiceRequestStats());
    EXPECT_FALSE(ServiceInit(""));
    temp.Write("file", "x");
    EXPECT_FALSE(ServiceInit((temp.Path() / "file").string()));
    EXPECT_FALSE(ServiceRunning());
}

TEST(Locales, MapToEnglishLanguageNames) {
    EXPECT_EQ(LanguageOfLocale("de_DE.UTF-8"), "german");
    EXPECT_EQ(LanguageOfLocale("fr.UTF-8"), "french");
    EXPECT_EQ(LanguageOfLocale("ES"), "spanish");
    EXPECT_EQ(LanguageOfLocale("nb_NO"), "norwegian");
    EXPECT_EQ(LanguageOfLocale("pt_BR@latin"), "portuguese");
    for (const char* english : {"C", "POSIX", "C.UTF-8", "", "xx_YY", "deu", "d"}) {
        EXPECT_EQ(LanguageOfLocale(english), "english") << english;
    }
}

TEST(Locales, FirstSetVariableDecides) {
    test::TEnvironment environment;
    environment.Set("LANGUAGE", "::it:de");
    environment.Set("LC_ALL", "fr_FR");
    environment.Set("LC_MESSAGES", "pl_PL");
    environment.Set("LANG", "es_ES");
    EXPECT_EQ(ServiceGameLanguage(), "italian");
    environment.Set("LANGUAGE", ":");
    EXPECT_EQ(ServiceGameLanguage(), "french");
    environment.Set("LC_ALL", "");
    EXPECT_EQ(ServiceGameLanguage(), "polish");
    environment.Set("LC_MESSAGES", nullptr);
    EXPECT_EQ(ServiceGameLanguage(), "spanish");
    environment.Set("LANG", nullptr);
    EXPECT_EQ(ServiceGameLanguage(), "english");
}

TEST_F(Service, AchievementsSurviveARestart) {
    bool achieved = true;
    EXPECT_FALSE(ServiceGetAchievement("H1", achieved)); // not requested yet
    EXPECT_FALSE(achieved);
    EXPECT_FALSE(ServiceSetAchievement("H1"));
    EXPECT_FALSE(ServiceStoreStats());

    ASSERT_TRUE(ServiceRequestStats());
    EXPECT_TRUE(ServiceGetAchievement("H1", achieved));
    EXPECT_FALSE(achieved);
    EXPECT_TRUE(ServiceSetAchievement("H1"));
    EXPECT_TRUE(ServiceSetAchievement("H1A"));
    EXPECT_FALSE(ServiceSetAchievement(""));
    EXPECT_FALSE(ServiceSetAchievement("H2\nH3"));
    EXPECT_FALSE(ServiceSetAchievement("H\t4"));
    EXPECT_TRUE(ServiceGetAchievement("H1", achieved));
    EXPECT_TRUE(achieved);
    EXPECT_FALSE(fs::exists(cloud / "Achievements.txt")); // only stored on request
    EXPECT_TRUE(ServiceStoreStats());
    EXPECT_EQ(ReadFile(cloud / "Achievements.txt"), "H1\nH1A\n");

    ServiceShutdown();
    ASSERT_TRUE(ServiceInit(temp.Path().string()));
    EXPECT_FALSE(ServiceGetAchievement("H1", achieved));
    ASSERT_TRUE(ServiceRequestStats());
    EXPECT_TRUE(ServiceGetAchievement("H1A", achieved));
    EXPECT_TRUE(achieved);
    EXPECT_TRUE(ServiceGetAchievement("H2", achieved));
    EXPECT_FALSE(achieved);
}

TEST_F(Service, AStoreKeepsWhatEarlierRunsUnlocked) {
    for (const char* name : {"H1", "H2", "H3"}) {
        // Each run unlocks one more achievement and stores only its own change.
        ServiceShutdown();
        ASSERT_TRUE(ServiceInit(temp.Path().string()));
        ASSERT_TRUE(ServiceRequestStats());
        EXPECT_TRUE(ServiceSetAchievement(name));
        EXPECT_TRUE(ServiceStoreStats());
    }
    ServiceShutdown();
    ASSERT_TRUE(ServiceInit(temp.Path().string()));
    ASSERT_TRUE(ServiceRequestStats());
    for (const char* name : {"H1", "H2", "H3"}) {
        bool achieved = false;
        EXPECT_TRUE(ServiceGetAchievement(name, achieved));
        EXPECT_TRUE(achieved) << name;
    }
    EXPECT_EQ(ReadFile(cloud / "Achievements.txt"), "H1\nH2\nH3\n");
}

TEST_F(Service, DamagedAchievementLinesAreSkippedAndLogged) {
    temp.Write("Cloud/Achievements.txt", "H1\r\n\nbad\x01line\nH2");
    ASSERT_TRUE(ServiceRequestStats());
    bool achieved = false;
    EXPECT_TRUE(ServiceGetAchievement("H1", achieved) && achieved);
    EXPECT_TRUE(ServiceGetAchievement("H2", achieved) && achieved);
    EXPECT_TRUE(ServiceGetAchievement("badline", achieved));
    EXPECT_FALSE(achieved);
    ASSERT_EQ(LogLines().size(), 1U);
    EXPECT_NE(LogLines()[0].find((cloud / "Achievements.txt").string()), std::string::npos);
}

} // namespace
} // namespace valdmoor
