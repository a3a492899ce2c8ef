// valdmoor-save run end to end on save files written by the game's own writer, and on damaged
// ones.
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "storage/EngineStorage.h"

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

} // namespace
} // namespace valdmoor
