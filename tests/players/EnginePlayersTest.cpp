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
    std::array<int32_t, 3> Volumes;
    std::vector<TData> Events;
    std::vector<int32_t> Achievements;
};

TData Event(int32_t kind, int32_t site) {
    TData data;
    data.Kind = kind;
    data.RegionNumber = 1;
    data.SiteNumber = site;
    return data;
}

// The save file built byte by byte, independently of the writer.
std::string SaveBytes(int32_t version, const std::vector<TRecord>& records, int32_t current) {
    std::string out;
    Put32(out, version);
    Put32(out, static_cast<int32_t>(records.size()));
    for (const TRecord& r : records) {
        Put32(out, static_cast<int32_t>(r.Name.size()));
        out += r.Name + '\x01';
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
    {"Ida", {5, 6, 7}, {Event(evSiteChosen, 2), Event(evSiteEntered, 2)}, {3, 26}},
    {"Bo\xC3\xA9", {1, 0, 10}, {}, {}},
};
const std::string OnePlayer = SaveBytes(96, {{"Old", {1, 1, 1}, {}, {}}}, 1);

// The error text of reading Bytes; empty when they were read.
std::string ReadError(const std::string& bytes) {
    TMemoryStream stream(bytes);
    TPlayerList players;
    try {
        ReadSaveData(stream, "Save.dat", players);
        return {};
    } catch (const EngineError& error) {
        return error.what();
    }
}

class Players : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        ASSERT_TRUE(ServiceInit(temp.Path().string()));
        SetStorageFolderPath(sfUser, temp.Path().string());
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
    std::vector<std::string> CloudFilesStartingWith(std::string_view prefix) const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(cloud)) {
            if (entry.path().filename().string().starts_with(prefix)) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    test::TTempFolder temp;
    fs::path cloud = temp.Path() / "Cloud";
};

TEST_F(Players, TheFileLayoutRoundTripsAndDamageIsRejectedNamingTheFile) {
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
    TMemoryStream old(SaveBytes(95, TwoPlayers, 2));
    TPlayerList read;
    EXPECT_EQ(ReadSaveData(old, "Save.dat", read), 2);
    TMemoryStream again;
    WriteSaveData(again, read, 2);
    EXPECT_EQ(again.Bytes(), written.Bytes());

    const std::string good = SaveBytes(100, TwoPlayers, 1);
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_NE(ReadError(good.substr(0, length)).find("\"Save.dat\""), std::string::npos)
            << length;
    }
    // Counts far beyond the bytes that follow are refused before anything is made of them.
    std::string players32k = good.substr(0, 4);
    Put32(players32k, 0x7FFFFFFF);
    std::string events = SaveBytes(100, {{"A", {1, 2, 3}, {}, {}}}, 1) + std::string(4, '\0');
    events.replace(26, 4, std::string("\xFF\xFF\xFF\x0F", 4));
    const std::string kind = SaveBytes(100, {{"A", {1, 2, 3}, {Event(16, 1)}, {}}}, 1);
    EXPECT_NE(ReadError(players32k).find("Player count out of range"), std::string::npos);
    EXPECT_NE(ReadError(events).find("Event count out of range"), std::string::npos);
    EXPECT_NE(ReadError(kind).find("Unknown event kind 16"), std::string::npos);
}

TEST_F(Players, WithNoSaveAnywhereOneUnnamedPlayerAndNothingWrittenUntilAChange) {
    PlayersStart();
    ASSERT_EQ(PlayerCount(), 1);
    EXPECT_EQ(CurrentPlayer()->Name(), "");
    // A new profile takes the volumes the game plays with, so making it changes nothing.
    EXPECT_EQ(CurrentPlayer()->Volume(2), GroupVolume(2));
    EXPECT_FALSE(ProfilesChanged());
    PlayersUpdate();
    SaveProfiles();
    EXPECT_FALSE(fs::exists(cloud / "Save.dat"));

    SetGroupVolume(1, 3);
    PlayersUpdate();
    EXPECT_EQ(CurrentPlayer()->Volume(1), 3);
    PlayersStop();
    EXPECT_TRUE(fs::exists(cloud / "Save.dat"));
    EXPECT_FALSE(fs::exists(cloud / "Backup_Save.dat"));
}

TEST_F(Players, SavingRotatesThePreviousSaveIntoTheBackupOnlyWhenChanged) {
    const std::string first = SaveBytes(100, TwoPlayers, 2);
    WriteCloud("Save.dat", first);
    PlayersStart();
    EXPECT_EQ(CurrentPlayer(), PlayerAt(2));
    SaveProfiles();
    EXPECT_FALSE(fs::exists(cloud / "Backup_Save.dat"));

    SelectPlayer(1);
    SaveProfiles();
    EXPECT_FALSE(ProfilesChanged());
    EXPECT_EQ(Cloud("Backup_Save.dat"), first);
    EXPECT_EQ(Cloud("Save.dat"), SaveBytes(100, TwoPlayers, 1));

    CurrentPlayer()->SetName("Ida2");
    EXPECT_TRUE(ProfilesChanged());
    fs::remove(cloud / "Save.dat");
    SaveProfiles();
    EXPECT_EQ(Cloud("Backup_Save.dat"), first); // no "Save" to rotate
}

TEST_F(Players, AFailedSaveKeepsTheChangedFlagAndTheOldFiles) {
    WriteCloud("Save.dat", OnePlayer);
    PlayersStart();
    for (int i = 0; i < 20000; ++i) {
        CurrentGameState()->RecordEvent(Event(evSiteRevealed, i));
    }
    {
        const test::TFileSizeLimit limit(4096);
        EXPECT_THROW(SaveProfiles(), EngineError);
    }
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_EQ(Cloud("Save.dat"), OnePlayer);
    SaveProfiles();
    EXPECT_EQ(Cloud("Backup_Save.dat"), OnePlayer);
}

TEST_F(Players, UnreadableSavesAreMovedAsideNotDeletedAndTheBackupLoads) {
    const std::string good = SaveBytes(100, TwoPlayers, 1);
    const std::pair<std::string, std::string> cases[] = {
        {SaveBytes(101, TwoPlayers, 1), "Save.newer-version-"},
        {SaveBytes(94, TwoPlayers, 1), "Save.older-version-"},
        {good.substr(0, good.size() - 3), "Save.damaged-"},
    };
    for (const auto& [bytes, prefix] : cases) {
        SCOPED_TRACE(prefix);
        fs::remove_all(cloud);
        WriteCloud("Save.dat", bytes);
        WriteCloud("Backup_Save.dat", OnePlayer);
        WriteCloud(prefix + "x.dat", "an aside file of an earlier run");
        PlayersStart();
        EXPECT_EQ(CurrentPlayer()->Name(), "Old");
        EXPECT_FALSE(fs::exists(cloud / "Save.dat"));
        const std::vector<std::string> aside = CloudFilesStartingWith(prefix);
        ASSERT_EQ(aside.size(), 2U);
        EXPECT_EQ(Cloud(aside[0] == prefix + "x.dat" ? aside[1] : aside[0]), bytes);
        EXPECT_NE(LogLines().back().find("\"Save.dat\" could not be read"), std::string::npos);

        // The next save keeps the readable backup: there is no "Save" to rotate into it.
        MarkProfilesChanged();
        PlayersStop();
        EXPECT_EQ(Cloud("Backup_Save.dat"), OnePlayer);
    }
    // Both unreadable: both kept, and a fresh unnamed player.
    WriteCloud("Save.dat", "ju");
    WriteCloud("Backup_Save.dat", "ju");
    PlayersStart();
    EXPECT_EQ(CurrentPlayer()->Name(), "");
    EXPECT_EQ(CloudFilesStartingWith("Backup_Save.damaged-").size(), 1U);
}

TEST_F(Players, OldSavesOfThePerUserFolderMoveToTheCloudOnceEvenWhenCutShort) {
    const std::string save = SaveBytes(100, TwoPlayers, 2);
    temp.Write("Save.dat", save);
    temp.Write("Backup_Save.dat", OnePlayer);
    PlayersStart();
    EXPECT_EQ(Cloud("Save.dat"), save);
    EXPECT_EQ(Cloud("Backup_Save.dat"), OnePlayer);
    EXPECT_EQ(CurrentPlayer()->Name(), "Bo\xC3\xA9");
    PlayersStop();

    fs::remove(cloud / "Save.dat"); // a copy killed between its two files
    PlayersStart();
    EXPECT_EQ(Cloud("Save.dat"), save);
    PlayersStop();

    // A cloud backup of its own is no migration cut short; saves in the cloud are left alone.
    fs::remove(cloud / "Save.dat");
    WriteCloud("Backup_Save.dat", SaveBytes(100, {{"Newer", {1, 1, 1}, {}, {}}}, 1));
    PlayersStart();
    EXPECT_FALSE(fs::exists(cloud / "Save.dat"));
    EXPECT_EQ(CurrentPlayer()->Name(), "Newer");
}

TEST_F(Players, SelectingClampsAppliesTheVolumesAndDeletingSelectsTheFirst) {
    WriteCloud("Save.dat", SaveBytes(100, TwoPlayers, 0));
    PlayersStart();
    EXPECT_EQ(CurrentPlayer(), PlayerAt(1));
    EXPECT_EQ(GroupVolume(0), 5);
    EXPECT_FALSE(ProfilesChanged());
    SelectPlayer(PlayerCount() + 5);
    EXPECT_EQ(CurrentPlayer(), PlayerAt(2));
    EXPECT_EQ(GroupVolume(1), 0);
    EXPECT_TRUE(ProfilesChanged());

    SelectOrCreatePlayer("ida");
    EXPECT_EQ(PlayerCount(), 3);
    EXPECT_TRUE(PlayerNameTaken("bO\xC3\xA9"));
    EXPECT_FALSE(PlayerNameTaken("Bo\xC3\x89")); // only ASCII letters ignore case

    SelectOrCreatePlayer("Ida");
    DeleteCurrentPlayer();
    EXPECT_EQ(CurrentPlayer()->Name(), "Bo\xC3\xA9");
    DeleteCurrentPlayer();
    DeleteCurrentPlayer();
    EXPECT_EQ(CurrentPlayer(), nullptr);
    PlayersUpdate();
}

TEST_F(Players, AchievementsReachTheServiceUnderTheirHexadecimalNames) {
    EXPECT_EQ(AchievementServiceName(26), "H1A");
    EXPECT_EQ(AchievementServiceName(-1), "HFFFFFFFF");
    // Unlocked by either profile, also before the service was reachable: handed over once.
    std::vector<TRecord> both = TwoPlayers;
    both[1].Achievements = {26, 5};
    WriteCloud("Save.dat", SaveBytes(100, both, 1));
    PlayersStart();
    PlayersUpdate();
    for (const char* name : {"H3", "H1A", "H5"}) {
        bool achieved = false;
        EXPECT_TRUE(StatsGetAchievement(name, achieved) && achieved) << name;
    }
    AddAchievement(CurrentPlayer(), 300);
    EXPECT_TRUE(HasAchievement(CurrentPlayer(), 300));
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
            for (TCustomPlayerState* game = CurrentGameState();;) {
                for (int i = 0; i < 50; ++i) {
                    game->RecordEvent(Event(evSiteRevealed, game->Events().Count() + 1));
                }
                SaveProfiles();
                const int32_t saved = game->Events().Count();
                if (write(report[1], &saved, sizeof saved) != sizeof saved) {
                    _exit(1);
                }
            }
        }
        close(report[1]);
        // Waiting for the first finished save keeps the test meaningful on a loaded machine,
        // where a child might otherwise be killed before it ever saves.
        if (int32_t first = 0; read(report[0], &first, sizeof first) == sizeof first) {
            confirmed = std::max(confirmed, first);
        }
        usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(1000, 30000)(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (int32_t saved = 0; read(report[0], &saved, sizeof saved) == sizeof saved;) {
            confirmed = std::max(confirmed, saved);
        }
        close(report[0]);

        PlayersStart();
        const int32_t count = CurrentGameState()->Events().Count();
        EXPECT_GE(count, confirmed);
        EXPECT_LE(count, confirmed + 50);
        int32_t expected = 1;
        for (const TEvent& event : CurrentGameState()->Events()) {
            ASSERT_EQ(event.Data.SiteNumber, expected++);
        }
        EXPECT_TRUE(CloudFilesStartingWith("Save.damaged").empty());
        PlayersStop();
        confirmed = std::max(confirmed, count);
    }
    EXPECT_GT(confirmed, 0);
}

// The game itself: profiles start with it, hand achievements over in its frames and are saved
// at the end only when something changed.
TEST(GameWithProfiles, LoadsTheBackupBesideADamagedSaveAndWritesNothingUnchanged) {
    const test::TTempFolder game;
    const test::TTempFolder home;
    fs::copy_file(VALDMOOR_GAME_EXE, game.Path() / "valdmoor");
    game.Write("Languages/english/LanguageSettings.xml",
               "<language><setting id=\"LanguageName\">English</setting></language>");
    const fs::path user = home.Path() / "Quillane" / "Valdmoor";
    const std::string backup = SaveBytes(100, TwoPlayers, 1);
    home.Write("Quillane/Valdmoor/Cloud/Save.dat", "ju");
    home.Write("Quillane/Valdmoor/Cloud/Backup_Save.dat", backup);
    const test::TProcessResult run =
        test::RunProcess(game.Path() / "valdmoor", {"-headless", "-frames", "5"},
                         {"VALDMOOR_HOME=" + home.Path().string(), "CI=1"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_FALSE(fs::exists(user / "Cloud" / "Save.dat"));
    EXPECT_EQ(ReadFile(user / "Cloud" / "Backup_Save.dat"), backup);
    EXPECT_NE(ReadFile(user / "Log.txt").find("\"Save.dat\" could not be read"), std::string::npos);
    EXPECT_NE(ReadFile(user / "Cloud" / "Achievements.txt").find("H1A"), std::string::npos);
}

} // namespace
} // namespace valdmoor
