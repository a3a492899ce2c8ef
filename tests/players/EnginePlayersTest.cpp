#include "players/EnginePlayers.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "players/GameState.h"
#include "storage/LocalService.h"

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

void Put32(std::string& out, int32_t value) {
    out.append(reinterpret_cast<const char*>(&value), 4);
}

struct TRecord {
    std::string Name;
    std::array<int32_t, 3> Volumes{5, 6, 7};
    std::vector<TData> Events;
    std::vector<int32_t> Achievements;
};

TData Event(int32_t kind, int32_t region, int32_t site, int32_t scene = 0, int32_t value = 0) {
    TData data;
    data.Kind = kind;
    data.RegionNumber = region;
    data.SiteNumber = site;
    data.SceneNumber = scene;
    data.SetValue(value);
    return data;
}

// The save file built byte by byte, independently of the writer.
std::string SaveBytes(int32_t version, const std::vector<TRecord>& records, int32_t current) {
    std::string out;
    Put32(out, version);
    Put32(out, static_cast<int32_t>(records.size()));
    for (const TRecord& r : records) {
        Put32(out, static_cast<int32_t>(r.Name.size()));
        out += r.Name;
        out += '\x01';
        for (const int32_t v : r.Volumes) {
            Put32(out, v);
        }
        Put32(out, static_cast<int32_t>(r.Events.size()));
        out.append(reinterpret_cast<const char*>(r.Events.data()), r.Events.size() * 32);
        Put32(out, static_cast<int32_t>(r.Achievements.size()));
        for (const int32_t a : r.Achievements) {
            Put32(out, a);
        }
    }
    Put32(out, current);
    return out;
}

const std::vector<TRecord> TwoPlayers = {
    {"Ida", {5, 6, 7}, {Event(evSiteChosen, 1, 2), Event(evSiteEntered, 1, 2)}, {3, 26}},
    {"Bo\xC3\xA9", {1, 0, 10}, {}, {}},
};

class Players : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        ASSERT_TRUE(ServiceInit(temp.Path().string()));
        fs::create_directories(user);
        SetStorageFolderPath(sfUser, user.string());
    }
    void TearDown() override {
        PlayersStop();
        AudioStop(); // the group volumes back to their defaults
        ServiceShutdown();
        ApplicationStop();
    }

    void WriteCloud(std::string_view name, std::string_view bytes) const {
        temp.Write("Cloud/" + std::string(name), bytes);
    }
    std::string Cloud(std::string_view name) const { return ReadFile(cloud / name); }
    // Cloud files whose names start with Prefix.
    std::vector<std::string> CloudFilesStartingWith(std::string_view prefix) const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(cloud)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(prefix)) {
                names.push_back(name);
            }
        }
        return names;
    }
    bool LogHas(std::string_view text) const {
        for (const std::string& line : LogLines()) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    test::TTempFolder temp;
    fs::path cloud = temp.Path() / "Cloud";
    fs::path user = temp.Path() / "User";
};

TEST_F(Players, WritesTheSaveFileLayoutExactlyAndReadsItBack) {
    TPlayerList players;
    for (const TRecord& r : TwoPlayers) {
        TPlayer* p = players.Add(std::make_unique<TPlayer>(r.Name));
        for (int32_t g = 0; g < 3; ++g) {
            p->SetVolume(g, r.Volumes[static_cast<std::size_t>(g)]);
        }
        for (const TData& e : r.Events) {
            static_cast<TCustomPlayerState&>(p->State()).Events().Add(std::make_unique<TEvent>(e));
        }
        for (const int32_t a : r.Achievements) {
            AddAchievement(p, a);
        }
    }
    TMemoryStream written;
    WriteSaveData(written, players, 2);
    EXPECT_EQ(written.Bytes(), SaveBytes(100, TwoPlayers, 2));

    for (const int32_t version : {95, 100}) {
        SCOPED_TRACE(version);
        TMemoryStream stream(SaveBytes(version, TwoPlayers, 2));
        TPlayerList read;
        EXPECT_EQ(ReadSaveData(stream, "Save.dat", read), 2);
        ASSERT_EQ(read.Count(), 2);
        EXPECT_EQ(read.First()->Name(), "Ida");
        EXPECT_TRUE(read.First()->Stored());
        EXPECT_EQ(read.First()->Volume(2), 7);
        EXPECT_EQ(read.First()->Achievements(), (std::vector<int32_t>{3, 26}));
        const auto& events = static_cast<TCustomPlayerState&>(read.First()->State()).Events();
        ASSERT_EQ(events.Count(), 2);
        EXPECT_EQ(events.Last()->Data, Event(evSiteEntered, 1, 2));
        EXPECT_EQ(read.Last()->Name(), "Bo\xC3\xA9");
    }
}

TEST_F(Players, DamagedDataIsRejectedWithTheFileNameAndNothingMadeFromItsCounts) {
    const std::string good = SaveBytes(100, TwoPlayers, 1);
    for (std::size_t length = 0; length < good.size(); ++length) {
        TMemoryStream stream(good.substr(0, length));
        TPlayerList read;
        try {
            ReadSaveData(stream, "Save.dat", read);
            ADD_FAILURE() << "a file cut at " << length << " bytes was read";
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find("\"Save.dat\""), std::string::npos);
        }
    }
    // Counts far beyond the bytes that follow.
    std::string huge;
    Put32(huge, 100);
    Put32(huge, 0x7FFFFFFF);
    std::string events = SaveBytes(100, {{"A", {1, 2, 3}, {}, {}}}, 1);
    Put32(events, 0); // padding, so the player record fits but its event count lies
    events.replace(4 + 4 + 4 + 1 + 1 + 12, 4, std::string("\xFF\xFF\xFF\x0F", 4));
    std::string kind = SaveBytes(100, {{"A", {1, 2, 3}, {Event(16, 1, 1)}, {}}}, 1);
    for (const auto& [bytes, message] : {std::pair{huge, "Player count out of range"},
                                         std::pair{events, "Event count out of range"},
                                         std::pair{kind, "Unknown event kind 16"}}) {
        TMemoryStream stream(bytes);
        TPlayerList read;
        try {
            ReadSaveData(stream, "Save.dat", read);
            ADD_FAILURE() << message;
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

TEST_F(Players, WithNoSaveAnywhereOneUnnamedPlayerAndNothingWrittenUntilAChange) {
    PlayersStart();
    ASSERT_EQ(PlayerCount(), 1);
    ASSERT_NE(CurrentPlayer(), nullptr);
    EXPECT_EQ(CurrentPlayer()->Name(), "");
    // A new profile takes the volumes the game plays with.
    EXPECT_EQ(CurrentPlayer()->Volume(2), GroupVolume(2));
    EXPECT_FALSE(ProfilesChanged());
    PlayersUpdate();
    PlayersUpdate();
    SaveProfiles();
    EXPECT_FALSE(fs::exists(cloud / "Save.dat"));

    SetGroupVolume(1, 3);
    PlayersUpdate();
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_EQ(CurrentPlayer()->Volume(1), 3);
    PlayersStop();
    EXPECT_TRUE(fs::exists(cloud / "Save.dat"));
    EXPECT_FALSE(fs::exists(cloud / "Backup_Save.dat"));
}

TEST_F(Players, SavingRotatesThePreviousSaveIntoTheBackupAndSkipsWhenUnchanged) {
    WriteCloud("Save.dat", SaveBytes(100, TwoPlayers, 2));
    PlayersStart();
    ASSERT_EQ(PlayerCount(), 2);
    EXPECT_EQ(CurrentPlayer(), PlayerAt(2));
    EXPECT_FALSE(ProfilesChanged());
    SaveProfiles();
    EXPECT_FALSE(fs::exists(cloud / "Backup_Save.dat"));

    const std::string first = Cloud("Save.dat");
    SelectPlayer(1);
    EXPECT_TRUE(ProfilesChanged());
    SaveProfiles();
    EXPECT_FALSE(ProfilesChanged());
    EXPECT_EQ(Cloud("Backup_Save.dat"), first);
    const std::string second = Cloud("Save.dat");
    EXPECT_EQ(second, SaveBytes(100, TwoPlayers, 1));

    fs::remove(cloud / "Save.dat");
    SaveProfiles(); // nothing changed: nothing written
    EXPECT_FALSE(fs::exists(cloud / "Save.dat"));

    CurrentPlayer()->SetName("Ida2");
    EXPECT_TRUE(ProfilesChanged());
    SaveProfiles();
    EXPECT_EQ(Cloud("Backup_Save.dat"), first); // no "Save" to rotate
}

TEST_F(Players, AFailedSaveKeepsTheChangedFlagAndTheOldFiles) {
    WriteCloud("Save.dat", SaveBytes(100, TwoPlayers, 1));
    PlayersStart();
    for (int i = 0; i < 20000; ++i) {
        CurrentGameState()->RecordEvent(Event(evSiteRevealed, 1, i));
    }
    {
        const test::TFileSizeLimit limit(4096);
        EXPECT_THROW(SaveProfiles(), EngineError);
    }
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_EQ(Cloud("Save.dat"), SaveBytes(100, TwoPlayers, 1));
    SaveProfiles();
    EXPECT_FALSE(ProfilesChanged());
    EXPECT_EQ(Cloud("Backup_Save.dat"), SaveBytes(100, TwoPlayers, 1));
}

TEST_F(Players, UnreadableSavesAreMovedAsideNotDeletedAndTheBackupLoads) {
    struct TCase {
        std::string Bytes;
        std::string Prefix;
    };
    const std::string good = SaveBytes(100, TwoPlayers, 1);
    const std::vector<TCase> cases = {
        {SaveBytes(101, TwoPlayers, 1), "Save.newer-version-"},
        {SaveBytes(94, TwoPlayers, 1), "Save.older-version-"},
        {good.substr(0, good.size() - 3), "Save.damaged-"},
        {"", "Save.damaged-"},
    };
    const std::string backup = SaveBytes(96, {{"Backup", {1, 1, 1}, {}, {}}}, 1);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Prefix);
        fs::remove_all(cloud);
        fs::create_directories(cloud);
        WriteCloud("Save.dat", c.Bytes);
        WriteCloud("Backup_Save.dat", backup);
        ApplicationStop();
        ApplicationStart();
        PlayersStart();
        ASSERT_EQ(PlayerCount(), 1);
        EXPECT_EQ(CurrentPlayer()->Name(), "Backup");
        EXPECT_FALSE(fs::exists(cloud / "Save.dat"));
        const std::vector<std::string> aside = CloudFilesStartingWith(c.Prefix);
        ASSERT_EQ(aside.size(), 1U);
        EXPECT_EQ(Cloud(aside[0]), c.Bytes);
        EXPECT_TRUE(LogHas("\"Save.dat\" could not be read"));
        EXPECT_TRUE(LogHas(aside[0]));

        // The next save keeps the readable backup: there is no "Save" to rotate into it.
        MarkProfilesChanged();
        SaveProfiles();
        EXPECT_EQ(Cloud("Backup_Save.dat"), backup);
        PlayersStop();
    }
}

TEST_F(Players, WhenBothFilesAreUnreadableBothAreKeptAndAFreshPlayerIsMade) {
    WriteCloud("Save.dat", "ju"); // too short for a version
    WriteCloud("Backup_Save.dat", SaveBytes(200, TwoPlayers, 1));
    WriteCloud("Save.damaged-x.dat", "an older aside file");
    PlayersStart();
    ASSERT_EQ(PlayerCount(), 1);
    EXPECT_EQ(CurrentPlayer()->Name(), "");
    EXPECT_FALSE(ProfilesChanged());
    EXPECT_EQ(CloudFilesStartingWith("Save.damaged-").size(), 2U);
    EXPECT_EQ(CloudFilesStartingWith("Backup_Save.newer-version-").size(), 1U);
    EXPECT_EQ(Cloud("Save.damaged-x.dat"), "an older aside file");
}

TEST_F(Players, OldSavesOfThePerUserFolderMoveToTheCloudOnce) {
    const std::string save = SaveBytes(100, TwoPlayers, 2);
    const std::string backup = SaveBytes(100, {{"Old", {1, 1, 1}, {}, {}}}, 1);
    temp.Write("User/Save.dat", save);
    temp.Write("User/Backup_Save.dat", backup);
    PlayersStart();
    EXPECT_EQ(Cloud("Save.dat"), save);
    EXPECT_EQ(Cloud("Backup_Save.dat"), backup);
    EXPECT_EQ(PlayerCount(), 2);
    EXPECT_EQ(CurrentPlayer()->Name(), "Bo\xC3\xA9");
    PlayersStop();

    // Once the cloud holds saves, the old files are left alone.
    temp.Write("User/Save.dat", SaveBytes(100, {{"Stale", {1, 1, 1}, {}, {}}}, 1));
    PlayersStart();
    EXPECT_EQ(Cloud("Save.dat"), save);
}

TEST_F(Players, AMigrationCutShortAfterTheBackupIsFinishedAtTheNextStart) {
    const std::string save = SaveBytes(100, TwoPlayers, 1);
    const std::string backup = SaveBytes(100, {{"Old", {1, 1, 1}, {}, {}}}, 1);
    temp.Write("User/Save.dat", save);
    temp.Write("User/Backup_Save.dat", backup);
    WriteCloud("Backup_Save.dat", backup); // killed between the two copies
    PlayersStart();
    EXPECT_EQ(Cloud("Save.dat"), save);
    EXPECT_EQ(CurrentPlayer()->Name(), "Ida");
    PlayersStop();

    // A cloud backup of its own is not an interrupted migration.
    fs::remove(cloud / "Save.dat");
    WriteCloud("Backup_Save.dat", SaveBytes(100, {{"Newer", {1, 1, 1}, {}, {}}}, 1));
    PlayersStart();
    EXPECT_FALSE(fs::exists(cloud / "Save.dat"));
    EXPECT_EQ(CurrentPlayer()->Name(), "Newer");
}

TEST_F(Players, SelectingClampsAndAppliesTheVolumes) {
    WriteCloud("Save.dat", SaveBytes(100, TwoPlayers, 0));
    PlayersStart();
    EXPECT_EQ(CurrentPlayer(), PlayerAt(1)); // index 0 selects the first
    EXPECT_FALSE(ProfilesChanged());
    EXPECT_EQ(GroupVolume(0), 5);
    SelectPlayer(PlayerCount() + 5);
    EXPECT_EQ(CurrentPlayer(), PlayerAt(2));
    EXPECT_EQ(GroupVolume(0), 1);
    EXPECT_EQ(GroupVolume(1), 0);
    EXPECT_EQ(GroupVolume(2), 10);
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_EQ(PlayerIndex(CurrentPlayer()), 2);
    EXPECT_EQ(PlayerAt(3), nullptr);

    SelectOrCreatePlayer("Ida");
    EXPECT_EQ(CurrentPlayer(), PlayerAt(1));
    SelectOrCreatePlayer("ida");
    EXPECT_EQ(PlayerCount(), 3);
    EXPECT_EQ(CurrentPlayer(), PlayerAt(3));
    EXPECT_TRUE(PlayerNameTaken("IDA"));
    EXPECT_TRUE(PlayerNameTaken("bO\xC3\xA9"));
    EXPECT_FALSE(PlayerNameTaken("Bo\xC3\x89")); // only ASCII letters ignore case
    EXPECT_FALSE(PlayerNameTaken("Id"));
}

TEST_F(Players, DeletingTheCurrentPlayerSelectsTheFirst) {
    WriteCloud("Save.dat", SaveBytes(100, TwoPlayers, 1));
    PlayersStart();
    DeleteCurrentPlayer();
    EXPECT_TRUE(ProfilesChanged());
    ASSERT_EQ(PlayerCount(), 1);
    EXPECT_EQ(CurrentPlayer()->Name(), "Bo\xC3\xA9");
    DeleteCurrentPlayer();
    EXPECT_EQ(CurrentPlayer(), nullptr);
    PlayersUpdate(); // no current player: nothing to copy, nothing breaks
    SaveProfiles();
    TMemoryStream stream(Cloud("Save.dat"));
    TPlayerList read;
    EXPECT_EQ(ReadSaveData(stream, "Save.dat", read), 0);
    EXPECT_EQ(read.Count(), 0);
}

TEST_F(Players, AchievementsReachTheServiceUnderTheirHexadecimalNames) {
    EXPECT_EQ(AchievementServiceName(26), "H1A");
    EXPECT_EQ(AchievementServiceName(0), "H0");
    EXPECT_EQ(AchievementServiceName(-1), "HFFFFFFFF");

    // Unlocked by both profiles, one of them before the service was reachable.
    std::vector<TRecord> both = TwoPlayers;
    both[1].Achievements = {26, 5};
    WriteCloud("Save.dat", SaveBytes(100, both, 1));
    PlayersStart();
    bool achieved = true;
    ASSERT_TRUE(StatsGetAchievement("H5", achieved));
    EXPECT_FALSE(achieved);
    PlayersUpdate();
    for (const char* name : {"H3", "H1A", "H5"}) {
        EXPECT_TRUE(StatsGetAchievement(name, achieved) && achieved) << name;
    }
    EXPECT_NE(ReadFile(cloud / "Achievements.txt").find("H1A"), std::string::npos);

    EXPECT_FALSE(HasAchievement(CurrentPlayer(), 300));
    AddAchievement(CurrentPlayer(), 300);
    EXPECT_TRUE(HasAchievement(CurrentPlayer(), 300));
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_TRUE(StatsGetAchievement("H12C", achieved) && achieved);
    EXPECT_NE(ReadFile(cloud / "Achievements.txt").find("H12C"), std::string::npos);
}

// A child process saves a growing history again and again and is killed at random instants;
// every time, the profiles load with at least every event of the last save it finished.
TEST_F(Players, ASaveSurvivesTheProcessDyingAtAnyInstant) {
    std::mt19937 random(20261208);
    int32_t confirmed = 0;
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(report[0]);
            PlayersStart();
            for (;;) {
                TCustomPlayerState* game = CurrentGameState();
                for (int i = 0; i < 50; ++i) {
                    game->RecordEvent(Event(evSiteRevealed, 1, game->Events().Count() + 1));
                }
                SaveProfiles();
                const int32_t saved = game->Events().Count();
                if (write(report[1], &saved, sizeof saved) != sizeof saved) {
                    _exit(1);
                }
            }
        }
        close(report[1]);
        usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(1000, 30000)(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        int32_t saved = 0;
        while (read(report[0], &saved, sizeof saved) == sizeof saved) {
            confirmed = std::max(confirmed, saved);
        }
        close(report[0]);

        PlayersStart();
        const TCustomPlayerState* game = CurrentGameState();
        ASSERT_NE(game, nullptr);
        const int32_t count = game->Events().Count();
        EXPECT_GE(count, confirmed);
        EXPECT_LE(count, confirmed + 50);
        int32_t expected = 1;
        for (const TEvent& event : game->Events()) {
            ASSERT_EQ(event.Data.SiteNumber, expected++);
        }
        EXPECT_TRUE(CloudFilesStartingWith("Save.damaged").empty());
        PlayersStop();
        confirmed = std::max(confirmed, count);
    }
    EXPECT_GT(confirmed, 0);
}

// The game itself: profiles start with it, follow the audio every frame and are saved at the
// end only when something changed.
TEST(GameWithProfiles, LoadsTheBackupBesideADamagedSaveAndWritesNothingUnchanged) {
    const test::TTempFolder game;
    const test::TTempFolder home;
    fs::copy_file(VALDMOOR_GAME_EXE, game.Path() / "valdmoor");
    game.Write("Languages/english/LanguageSettings.xml",
               "<language><setting id=\"LanguageName\">English</setting></language>");
    const fs::path cloud = home.Path() / "Quillane" / "Valdmoor" / "Cloud";
    const std::string backup = SaveBytes(100, TwoPlayers, 1);
    home.Write("Quillane/Valdmoor/Cloud/Save.dat", "ju");
    home.Write("Quillane/Valdmoor/Cloud/Backup_Save.dat", backup);
    const std::vector<std::string> env = {"VALDMOOR_HOME=" + home.Path().string(), "CI=1"};
    const test::TProcessResult run =
        test::RunProcess(game.Path() / "valdmoor", {"-headless", "-frames", "5"}, env);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_FALSE(fs::exists(cloud / "Save.dat"));
    EXPECT_EQ(ReadFile(cloud / "Backup_Save.dat"), backup);
    bool aside = false;
    for (const fs::directory_entry& entry : fs::directory_iterator(cloud)) {
        aside = aside || entry.path().filename().string().starts_with("Save.damaged-");
    }
    EXPECT_TRUE(aside);
    EXPECT_NE(ReadFile(home.Path() / "Quillane" / "Valdmoor" / "Log.txt")
                  .find("\"Save.dat\" could not be read"),
              std::string::npos);
    // The achievements of the profiles reached the service.
    EXPECT_NE(ReadFile(cloud / "Achievements.txt").find("H1A"), std::string::npos);
}

} // namespace
} // namespace valdmoor
