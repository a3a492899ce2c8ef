#include "players/EnginePlayers.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "players/GameState.h"
#include "storage/LocalService.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <random>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <thread>
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

// The real game on the test world, played through its screens by an input script and killed
// at random instants while it saves, again and again on one per-user folder. Every profile
// the parent saw in a finished "Save" must load afterwards with all its events, through the
// game's own loading, and the restarted game must carry them into its next save.
namespace killed {

struct TSavedProfile {
    std::string Name;
    std::vector<TData> Events;
};
using TSavedProfiles = std::vector<TSavedProfile>;

TSavedProfiles ProfilesOf(const TPlayerList& players) {
    TSavedProfiles profiles;
    for (const TPlayer& player : players) {
        TSavedProfile& profile = profiles.emplace_back();
        profile.Name = player.Name();
        for (const TEvent& event : static_cast<TCustomPlayerState&>(player.State()).Events()) {
            profile.Events.push_back(event.Data);
        }
    }
    return profiles;
}

// Through the game's reader; Error holds its message when the bytes cannot be read.
TSavedProfiles ReadProfiles(const std::string& bytes, std::string& error) {
    TMemoryStream stream(bytes);
    TPlayerList players;
    try {
        ReadSaveData(stream, "Save.dat", players);
    } catch (const EngineError& failure) {
        error = failure.what();
        return {};
    }
    return ProfilesOf(players);
}

// Empty when every profile of Wanted is in Found with the same events; else what is missing.
std::string Missing(const TSavedProfiles& wanted, const TSavedProfiles& found) {
    std::string missing;
    for (const TSavedProfile& profile : wanted) {
        const auto same = std::find_if(found.begin(), found.end(), [&](const TSavedProfile& p) {
            return p.Name == profile.Name && p.Events == profile.Events;
        });
        if (same == found.end()) {
            missing +=
                " \"" + profile.Name + "\" (" + std::to_string(profile.Events.size()) + " events)";
        }
    }
    return missing;
}

// The profiles the game's start-up loads from a copy of Cloud, so the copy the game restarts
// on keeps whatever the kill left behind.
TSavedProfiles LoadAsTheGameDoes(const fs::path& cloud, const fs::path& scratch) {
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    fs::copy(cloud, scratch / "Cloud", fs::copy_options::recursive);
    ApplicationStart();
    EXPECT_TRUE(ServiceInit(scratch.string()));
    SetStorageFolderPath(sfUser, scratch.string() + "/");
    PlayersStart();
    TSavedProfiles profiles;
    for (int32_t i = 1; i <= PlayerCount(); ++i) {
        TSavedProfile& profile = profiles.emplace_back();
        profile.Name = PlayerAt(i)->Name();
        for (const TEvent& event :
             static_cast<TCustomPlayerState&>(PlayerAt(i)->State()).Events()) {
            profile.Events.push_back(event.Data);
        }
    }
    PlayersStop();
    AudioStop();
    ServiceShutdown();
    ApplicationStop();
    return profiles;
}

// Files the loader moved aside: "Save.<why>-<time>.dat" and the same for the backup.
std::vector<std::string> MovedAside(const fs::path& cloud) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(cloud)) {
        const std::string name = entry.path().filename().string();
        if ((name.starts_with("Save.") || name.starts_with("Backup_Save.")) && name != "Save.dat" &&
            name != "Backup_Save.dat") {
            names.push_back(name);
        }
    }
    return names;
}

// The test world's scenario and texts with the built game's pictures, fonts and common texts.
void AssembleGame(const fs::path& folder) {
    const fs::path built = fs::path(VALDMOOR_GAME_EXE).parent_path();
    const fs::path world = VALDMOOR_TEST_WORLD;
    fs::copy_file(VALDMOOR_GAME_EXE, folder / "valdmoor");
    fs::create_directories(folder / "Ordinary");
    for (const fs::directory_entry& entry : fs::directory_iterator(built / "Ordinary")) {
        if (entry.path().filename() != "S0Scenario.dat") {
            fs::create_symlink(entry.path(), folder / "Ordinary" / entry.path().filename());
        }
    }
    fs::create_symlink(world / "Ordinary" / "S0Scenario.dat",
                       folder / "Ordinary" / "S0Scenario.dat");
    const fs::path english = folder / "Languages" / "english";
    fs::create_directories(english);
    for (const char* file : {"LanguageSettings.xml", "ScriptCommon.xml"}) {
        fs::create_symlink(built / "Languages" / "english" / file, english / file);
    }
    fs::create_symlink(world / "english" / "ScriptScenario.xml", english / "ScriptScenario.xml");
    fs::create_directory(folder / "Branding");
}

// Frames one cycle of play may take, from the menu to its save point: the script waits for the
// screens to rest rather than counting frames, so covers and fades may take what they take.
constexpr int64_t CycleFrames = 1500;

// One cycle from the menu: on the profiles form delete the second of three profiles and make
// a new one named Name; play its first visit of Home (the floating text, the text, then the
// stop scene's only button, which leaves the site); exit to the menu, a save point. Each
// finished save holds the first profile, the previous cycle's and this one.
std::string Cycle(int64_t t, const std::string& name) {
    const std::string enter = "+1 key enter\n+1 release enter\n";
    std::string script = std::to_string(t) + " wait idle Menu\n" +
                         "+1 click 0 -355\n+1 wait idle Profiles\n" // the profiles link
                         "+1 click 0 -110\n+10 click 0 300\n"       // the second one, Delete
                         "+1 wait idle\n" +
                         enter +                                      // yes
                         "+1 wait idle Profiles\n+1 click -320 300\n" // New
                         "+1 wait idle\n+1 text " +
                         name + "\n+1 wait idle\n" + enter + "+1 wait idle\n" +
                         enter +                                   // back to the menu
                         "+1 wait idle Menu\n+1 click 500 -120\n"  // Play
                         "+1 wait idle Play\n+1 click -300 120\n"; // Home
    // Each scene that waits for the player takes the click on its button; the floating one
    // closes by itself, and once the visit is over the clicks are dropped.
    for (int i = 0; i < 8; ++i) {
        script += "+1 wait idle\n+1 if Scene click 0 20\n";
    }
    return script + "+1 wait idle Play\n+1 click 737 -387\n+1 wait idle\n" + enter;
}

} // namespace killed

TEST(GameWithProfiles, EveryFinishedSaveSurvivesTheGameKilledWhileSaving) {
    using namespace killed;
    using Clock = std::chrono::steady_clock;
    const char* given = std::getenv("VALDMOOR_KILL_SEED");
    const uint32_t seed =
        given != nullptr ? static_cast<uint32_t>(std::stoul(given)) : std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (VALDMOOR_KILL_SEED repeats it)");
    std::mt19937 random(seed);

    const test::TTempFolder game;
    const test::TTempFolder home;
    const test::TTempFolder scratch;
    AssembleGame(game.Path());
    const fs::path cloud = home.Path() / "Quillane" / "Valdmoor" / "Cloud";
    {
        // The first profile is never touched by the play but is rewritten by every save; its
        // many events make each save long enough for kills to fall inside it.
        TPlayerList players;
        auto& kept = static_cast<TCustomPlayerState&>(
            players.Add(std::make_unique<TPlayer>("Kept"))->State());
        for (int32_t i = 0; i < 150000; ++i) {
            TData data = Event(evSiteRevealed, 1);
            data.SetValue(i);
            kept.Events().Add(std::make_unique<TEvent>(data));
        }
        players.Add(std::make_unique<TPlayer>("Ann"));
        players.Add(std::make_unique<TPlayer>("Bo"));
        TMemoryStream stream;
        WriteSaveData(stream, players, 3);
        home.Write("Quillane/Valdmoor/Cloud/Save.dat", stream.Bytes());
        // A player with profiles chose a language long ago: the game starts at the menu.
        home.Write("Quillane/Valdmoor/Cloud/StartLanguage.str", "English");
    }
    std::string error;
    TSavedProfiles confirmed = ReadProfiles(test::ReadFile(cloud / "Save.dat"), error);

    const int inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify, 0);
    ASSERT_GE(inotify_add_watch(inotify, cloud.c_str(), IN_CREATE | IN_MOVED_TO), 0);
    // A finished save shows as "Save.dat" renamed into place; its content is noted at once,
    // and must keep the newest profile of the save before it.
    int32_t saves = 0;
    const auto noteSave = [&](const char* when) {
        std::string readError;
        TSavedProfiles now = ReadProfiles(test::ReadFile(cloud / "Save.dat"), readError);
        ASSERT_TRUE(readError.empty()) << when << ": a finished save does not read: " << readError;
        if (!confirmed.empty()) {
            EXPECT_EQ(Missing({confirmed.front(), confirmed.back()}, now), "")
                << when << ": the save after another lost the first or the newest profile";
        }
        confirmed = std::move(now);
        ++saves;
    };
    // A save starts with the backup copy's temporary file and ends when "Save.dat" is
    // renamed into place.
    Clock::time_point saveStarted{};
    Clock::duration longestSave = std::chrono::milliseconds(5);
    bool saving = false;
    int32_t starts = 0;
    const auto drain = [&](const char* when) {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = read(inotify, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::string_view name = event->len > 0 ? event->name : "";
                if ((event->mask & IN_CREATE) != 0 && name.starts_with(".Backup_Save.dat.")) {
                    saveStarted = Clock::now();
                    saving = true;
                    ++starts;
                } else if ((event->mask & IN_MOVED_TO) != 0 && name == "Save.dat") {
                    longestSave = std::max(longestSave, Clock::now() - saveStarted);
                    saving = false;
                    noteSave(when);
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    };

    // As many rounds as fit in the time given (slow builds run fewer), but never too few.
    constexpr int MostRounds = 30;
    constexpr int FewestRounds = 8;
    constexpr auto Budget = std::chrono::seconds(75);
    int rounds = 0;
    int killedInside = 0;
    const auto begin = Clock::now();
    for (int round = 1; round <= MostRounds && !HasFatalFailure() &&
                        (round <= FewestRounds || Clock::now() - begin < Budget);
         ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path input = scratch.Path() / "input.txt";
        { std::ofstream(input) << Cycle(10, "K" + std::to_string(round)); }
        // Half the runs die at a random instant of their first save, from its first write to
        // the time the longest save took; the others just after it finished, so the next run
        // must carry it on.
        const bool afterSave = std::uniform_int_distribution<int>(0, 1)(random) == 1;
        const int32_t startsBefore = starts;
        const int32_t savesBefore = saves;
        // A tiny window: what is drawn does not matter here, and it draws fastest.
        test::TProcess process(game.Path() / "valdmoor",
                               {"-headless", "-nosound", "-windowsize", "64x36", "-frames",
                                std::to_string(10 + CycleFrames + 2000), "-input", input.string()},
                               {"VALDMOOR_HOME=" + home.Path().string(), "CI=1"});
        bool killed = false;
        for (const auto deadline = Clock::now() + std::chrono::seconds(90);
             !killed && Clock::now() < deadline;) {
            pollfd wait{inotify, POLLIN, 0};
            poll(&wait, 1, 20);
            drain("while running");
            if (afterSave ? saves == savesBefore : starts == startsBefore) {
                continue;
            }
            const auto window =
                afterSave ? std::chrono::microseconds(20000)
                          : std::chrono::duration_cast<std::chrono::microseconds>(longestSave);
            const auto delay = std::uniform_int_distribution<int64_t>(0, window.count())(random);
            const Clock::time_point from = afterSave ? Clock::now() : saveStarted;
            std::this_thread::sleep_until(from + std::chrono::microseconds(delay));
            process.Signal(SIGKILL);
            killed = true;
        }
        const test::TProcessResult result = process.Wait(10);
        drain("after the kill");
        ASSERT_TRUE(killed) << "the game never reached its save point:\n" << result.Err;
        ++rounds;
        killedInside += saving ? 1 : 0;
        saving = false;

        const std::string bytes = test::ReadFile(cloud / "Save.dat");
        const TSavedProfiles onDisk = ReadProfiles(bytes, error);
        ASSERT_TRUE(error.empty()) << "\"Save.dat\" does not read after the kill: " << error;
        EXPECT_EQ(Missing(confirmed, onDisk), "") << "lost from \"Save.dat\"";
        const TSavedProfiles loaded = LoadAsTheGameDoes(cloud, scratch.Path());
        EXPECT_EQ(Missing(confirmed, loaded), "") << "lost from what the game loads";
        EXPECT_EQ(MovedAside(cloud), std::vector<std::string>{});
        EXPECT_EQ(MovedAside(scratch.Path() / "Cloud"), std::vector<std::string>{});
    }
    close(inotify);
    // After the last kill the game still starts, and quits without losing anything.
    const test::TProcessResult last =
        test::RunProcess(game.Path() / "valdmoor",
                         {"-headless", "-nosound", "-windowsize", "64x36", "-frames", "30"},
                         {"VALDMOOR_HOME=" + home.Path().string(), "CI=1"});
    EXPECT_EQ(last.ExitCode, 0) << last.Err;
    EXPECT_EQ(Missing(confirmed, ReadProfiles(test::ReadFile(cloud / "Save.dat"), error)), "");
    EXPECT_EQ(error, "");
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    std::cout << "[ killed   ] " << rounds << " kills, " << killedInside << " inside a save, "
              << saves << " finished saves seen, " << seconds << " s\n";
    EXPECT_GE(saves, rounds / 4) << "too few finished saves to prove anything";
    EXPECT_GT(killedInside, 0) << "no kill fell inside a save";
}

} // namespace
} // namespace valdmoor
