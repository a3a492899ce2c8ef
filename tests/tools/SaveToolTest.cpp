// valdmoor-save run end to end on save files written by the game's own writer, and on damaged
// ones.
#include "ScenarioModel.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "world/GameAvatar.h"
#include "world/GameMap.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameSite.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;

const fs::path Tool = VALDMOOR_SAVE_EXE;

TData Event(int32_t kind, int32_t region, int32_t site, int32_t scene, int32_t value) {
    TData data;
    data.Kind = kind;
    data.RegionNumber = region;
    data.SiteNumber = site;
    data.SceneNumber = scene;
    data.SetValue(value);
    return data;
}

class SaveTool : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        TPlayerList players;
        TPlayer* anna = players.Add(std::make_unique<TPlayer>("Anna \"A\""));
        anna->SetVolume(0, 7);
        AddAchievement(anna, 26);
        AddAchievement(anna, 3);
        auto& game = dynamic_cast<TCustomPlayerState&>(anna->State());
        game.Events().Add(std::make_unique<TEvent>(Event(evSiteChosen, 1, 5, 0, 0)));
        game.Events().Add(std::make_unique<TEvent>(Event(evSceneExecuted, 1, 5, 3, 2)));
        TData barter = Event(evBarterDone, 1, 5, 4, 0);
        barter.SetChoices({1, 0, 0, 0, 0, 0, 0, 65535});
        game.Events().Add(std::make_unique<TEvent>(barter));
        game.Events().Add(std::make_unique<TEvent>(Event(evStoryFlagSet, 0, 0, 0, 3)));
        players.Add(std::make_unique<TPlayer>(""));
        TMemoryStream stream;
        WriteSaveData(stream, players, 2);
        bytes = stream.Bytes();
        save = folder.Write("Save.dat", bytes);
        ApplicationStop();
    }

    test::TProcessResult Run(const std::vector<std::string>& args) const {
        return test::RunProcess(Tool, args);
    }

    test::TTempFolder folder;
    std::string bytes;
    fs::path save;
};

TEST_F(SaveTool, ListsTheProfilesAsTextAndJson) {
    const test::TProcessResult text = Run({"list", save.string()});
    ASSERT_EQ(text.ExitCode, 0) << text.Err;
    EXPECT_NE(text.Out.find("version 100, 2 profiles, current profile 2"), std::string::npos);
    EXPECT_NE(text.Out.find("profile 1 \"Anna \\\"A\\\"\"\n  volumes 7 "), std::string::npos)
        << text.Out;
    EXPECT_NE(text.Out.find("achievements 2: 26 3\n  events 4"), std::string::npos) << text.Out;
    EXPECT_NE(text.Out.find("profile 2 \"\" (current)"), std::string::npos) << text.Out;

    const test::TProcessResult json = Run({"list", save.string(), "--json"});
    ASSERT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_NE(json.Out.find("{\"index\":1,\"name\":\"Anna \\\"A\\\"\",\"current\":false,"
                            "\"volumes\":[7,"),
              std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find("\"achievements\":[26,3],\"events\":4}"), std::string::npos);
    EXPECT_NE(json.Out.find("\"current\":2"), std::string::npos);
}

TEST_F(SaveTool, DecodesEveryEvent) {
    const test::TProcessResult text = Run({"events", save.string(), "--profile", "1"});
    ASSERT_EQ(text.ExitCode, 0) << text.Err;
    EXPECT_EQ(text.Out, "profile 1 \"Anna \\\"A\\\"\": 4 events\n"
                        "  1 site chosen: region 1, site 5\n"
                        "  2 scene executed: region 1, site 5, scene 3, value 2\n"
                        "  3 barter done: region 1, site 5, scene 4, choices 1 0 0 0 0 0 0 65535\n"
                        "  4 story flag set: value 3\n");

    const test::TProcessResult json = Run({"events", save.string(), "--json"});
    ASSERT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_NE(json.Out.find("{\"kind\":7,\"name\":\"barter done\",\"region\":1,\"site\":5,"
                            "\"scene\":4,\"choices\":[1,0,0,0,0,0,0,65535]}"),
              std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find("{\"index\":2,\"name\":\"\",\"events\":[]}"), std::string::npos);

    const test::TProcessResult missing = Run({"events", save.string(), "--profile", "3"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find("there is no profile 3 (the file holds 2)"), std::string::npos);
}

TEST_F(SaveTool, DamagedFilesGiveAClearErrorAndNeverCrash) {
    std::string newer = bytes;
    newer[0] = 101;
    const fs::path versioned = folder.Write("Newer.dat", newer);
    test::TProcessResult result = Run({"list", versioned.string()});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err.find("Newer.dat: Unsupported save data version. (version 101"),
              std::string::npos)
        << result.Err;

    result = Run({"events", (folder.Path() / "Nothing.dat").string()});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err.find("Nothing.dat: the file cannot be read"), std::string::npos);

    // Every cut of the file, and every byte of the first records flipped: an error naming the
    // file or a clean listing, never a crash.
    for (std::size_t size = 0; size < bytes.size(); size += 7) {
        const fs::path cut = folder.Write("Cut.dat", bytes.substr(0, size));
        result = Run({"events", cut.string()});
        EXPECT_EQ(result.ExitCode, 1) << size;
        EXPECT_NE(result.Err.find("Cut.dat"), std::string::npos) << size << result.Err;
    }
    for (std::size_t i = 0; i < 80 && i < bytes.size(); i += 3) {
        std::string damaged = bytes;
        damaged[i] = static_cast<char>(damaged[i] ^ 0xA5);
        const fs::path flipped = folder.Write("Flipped.dat", damaged);
        result = Run({"events", flipped.string(), "--json"});
        EXPECT_TRUE(result.ExitCode == 0 || result.ExitCode == 1) << i;
    }
}

// A save made by playing the text test world headless through the avatar: the home site, the
// market, travel to the port and its pier, which leads back.
class SaveToolOnTheTestWorld : public testing::Test {
protected:
    class TOpenMap final : public TMapView {
    public:
        bool IsRevealedPoint(float, float) const override { return true; }
    };

    void SetUp() override {
        const std::string scenario = test::ReadFile(VALDMOOR_TEST_WORLD "/Ordinary/S0Scenario.dat");
        ASSERT_FALSE(scenario.empty()) << "the build makes the test world";
        world = folder.Write("World/S0Scenario.dat", scenario);
        ApplicationStart();
        ScenarioStart();
        ASSERT_TRUE(ServiceInit(folder.Path().string()));
        SetStorageFolderPath(sfUser, folder.Path().string());
        TMemoryStream stream(scenario);
        LoadScenarioFrom(stream);
        PlayersStart();
        AvatarStart();
        ResetWorld();
        Play();
        AvatarStop();
        PlayersStop();
        ServiceShutdown();
        // The same world with the pier taken out of every region: events naming it are lost.
        scenario::TWorldModel model = scenario::ReadWorldBytes(scenario);
        model.UnattachedSites.push_back(model.Regions.back().Sites.back());
        model.Regions.back().Sites.pop_back();
        withoutPier = folder.Write("Smaller/S0Scenario.dat", scenario::WriteWorldBytes(model));
        ScenarioStop();
        ApplicationStop();
        StorageReset();
        save = folder.Path() / "Cloud" / "Save.dat";
        ASSERT_TRUE(fs::exists(save)) << "the game saved at its stop";
    }

    void Settle() {
        for (int32_t i = 0; i < 1000 && TheAvatar().AvatarState != asIdle; ++i) {
            TheAvatar().UpdateBy(true, &map, 1);
        }
        ASSERT_EQ(TheAvatar().AvatarState, asIdle);
    }
    static TSite* Named(std::string_view region, std::string_view name) {
        for (TSite& site : FindRegionByName(region)->Sites) {
            if (site.Name() == name) {
                return &site;
            }
        }
        return nullptr;
    }
    void Play() {
        Settle();
        for (const char* name : {"Home", "Market"}) {
            TSite* site = Named("Meadow", name);
            ASSERT_NE(site, nullptr);
            ASSERT_TRUE(site->Revealed) << name;
            TheAvatar().GoToSite(site, true);
            Settle();
        }
        TheAvatar().TravelTo(FindRegionByName("Port"));
        Settle();
        ASSERT_EQ(CurrentRegion()->Name(), "Port");
        TheAvatar().GoToSite(Named("Port", "Pier"), true);
        Settle();
        ASSERT_EQ(CurrentRegion()->Name(), "Meadow");
    }

    test::TProcessResult Run(const std::vector<std::string>& args) const {
        return test::RunProcess(Tool, args);
    }

    test::TTempFolder folder;
    TOpenMap map;
    fs::path world;
    fs::path withoutPier;
    fs::path save;
};

TEST_F(SaveToolOnTheTestWorld, EventsCarryTheWorldsNames) {
    const test::TProcessResult text = Run({"events", save.string(), "--scenario", world.string()});
    ASSERT_EQ(text.ExitCode, 0) << text.Err;
    EXPECT_NE(text.Out.find("site chosen: region 2 \"Meadow\", site 1 \"Home\""), std::string::npos)
        << text.Out;
    EXPECT_NE(text.Out.find("\"Pier\""), std::string::npos) << text.Out;

    const test::TProcessResult json =
        Run({"events", save.string(), "--scenario", world.string(), "--profile", "1", "--json"});
    ASSERT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_NE(json.Out.find(",\"text\":\"site chosen: region 2 \\\"Meadow\\\""), std::string::npos)
        << json.Out;

    // Without the scenario the numbers stand alone.
    const test::TProcessResult bare = Run({"events", save.string(), "--json"});
    ASSERT_EQ(bare.ExitCode, 0) << bare.Err;
    EXPECT_EQ(bare.Out.find("\"text\""), std::string::npos);
}

TEST_F(SaveToolOnTheTestWorld, CheckPassesOnTheSameWorldAndNamesEventsTheWorldLost) {
    const test::TProcessResult same = Run({"check", save.string(), "--scenario", world.string()});
    EXPECT_EQ(same.ExitCode, 0) << same.Out << same.Err;
    EXPECT_NE(same.Out.find(", 0 problems\n"), std::string::npos) << same.Out;
    EXPECT_NE(same.Out.find("no problems\n"), std::string::npos) << same.Out;
    const test::TProcessResult sameJson =
        Run({"check", save.string(), "--scenario", world.string(), "--json"});
    EXPECT_EQ(sameJson.ExitCode, 0) << sameJson.Err;
    EXPECT_NE(sameJson.Out.find("\"problems\":0,\"ok\":true}"), std::string::npos) << sameJson.Out;

    const test::TProcessResult lost =
        Run({"check", save.string(), "--scenario", withoutPier.string()});
    EXPECT_EQ(lost.ExitCode, 2);
    EXPECT_NE(lost.Out.find(": no site 4 in region 3 (site chosen: region 3 \"Port\", site 4)"),
              std::string::npos)
        << lost.Out;
    const test::TProcessResult lostJson =
        Run({"check", save.string(), "--scenario", withoutPier.string(), "--json"});
    EXPECT_EQ(lostJson.ExitCode, 2);
    EXPECT_NE(lostJson.Out.find("\"problem\":\"no site 4 in region 3\",\"data\":{\"kind\":2,"),
              std::string::npos)
        << lostJson.Out;
    EXPECT_NE(lostJson.Out.find("\"ok\":false}"), std::string::npos) << lostJson.Out;
}

TEST_F(SaveToolOnTheTestWorld, AMissingOrDamagedWorldIsAnErrorNamingIt) {
    const fs::path missing = folder.Path() / "None.dat";
    const test::TProcessResult none = Run({"check", save.string(), "--scenario", missing.string()});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_NE(none.Err.find(missing.string() + ": the file cannot be read"), std::string::npos)
        << none.Err;

    const fs::path cut = folder.Write("Cut/S0Scenario.dat", test::ReadFile(world).substr(0, 40));
    const test::TProcessResult damaged = Run({"events", save.string(), "--scenario", cut.string()});
    EXPECT_EQ(damaged.ExitCode, 1);
    EXPECT_NE(damaged.Err.find("valdmoor-save: " + cut.string() + ": "), std::string::npos)
        << damaged.Err;
    EXPECT_TRUE(damaged.Out.empty());

    const test::TProcessResult noWorld = Run({"check", save.string()});
    EXPECT_NE(noWorld.ExitCode, 0);
}

} // namespace
} // namespace valdmoor
