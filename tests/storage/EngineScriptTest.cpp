#include "storage/EngineScript.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

std::string Script(const std::vector<std::pair<std::string, std::string>>& texts) {
    std::string script = "<script>\n";
    for (const auto& [id, text] : texts) {
        script += "<text id=\"" + id + "\">" + text + "</text>\n";
    }
    return script + "</script>\n";
}

std::vector<std::string> titles;
int reloads = 0;

class EngineScript : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        SetSwitches(TSwitches{});
        UseFolder(first);
        titles.clear();
        reloads = 0;
        SetScriptHooks([](std::string_view title) { titles.emplace_back(title); },
                       [] { ++reloads; });
        ScriptStart();
    }
    void TearDown() override {
        ScriptStop();
        SetScriptHooks(nullptr, nullptr);
        StorageReset();
        ApplicationStop();
    }

    static void UseFolder(const test::TTempFolder& folder) {
        SetStorageFolderPath(sfLanguage, folder.Path().string() + "/");
    }
    static void LoadBoth() {
        LoadScript(ssCommon, false);
        LoadScript(ssScenario, false);
    }
    // Date stamps have a resolution of seconds, so a rewrite is dated clearly later.
    void Rewrite(const std::string& file, const std::string& bytes, int secondsLater) const {
        const std::filesystem::path path = first.Write(file, bytes);
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) +
                                                   std::chrono::seconds(secondsLater));
    }

    test::TTempFolder first;
    test::TTempFolder second;
};

TEST_F(EngineScript, TextInBothSlotsComesFromTheSlotThatAnsweredLast) {
    first.Write("ScriptCommon.xml", Script({{"Shared", "common"}, {"OnlyCommon", "c"}}));
    first.Write("ScriptScenario.xml", Script({{"Shared", "scenario"}, {"OnlyScenario", "s"}}));
    LoadBoth();
    EXPECT_EQ(ScriptText("Shared"), "common");
    EXPECT_EQ(ScriptText("OnlyScenario"), "s");
    EXPECT_EQ(ScriptText("Shared"), "scenario");
    // Misses and single-slot look-ups leave the order alone.
    EXPECT_EQ(ScriptText("Nowhere"), "Nowhere");
    EXPECT_EQ(ScriptText("Nowhere", true), "");
    EXPECT_EQ(SlotText(ssCommon, "OnlyCommon"), "c");
    EXPECT_EQ(SlotText(ssCommon, "OnlyScenario", true), "");
    EXPECT_EQ(ScriptText("Shared"), "scenario");
    EXPECT_TRUE(ScriptTextExists("OnlyCommon"));
    EXPECT_EQ(ScriptText("Shared"), "common");
}

TEST_F(EngineScript, DamagedFilesGiveNoTexts) {
    first.Write("ScriptCommon.xml", "<script><text id=\"A\">a</text><text id=\"B\">b</text>");
    first.Write("ScriptScenario.xml",
                "<script><text id=\"Empty\"></text><text id=\"Blank\">  \n </text>"
                "<text id=\"Twice\">first</text><text id=\"Twice\">second</text></script>");
    LoadBoth();
    EXPECT_TRUE(SlotLoaded(ssCommon));
    EXPECT_EQ(ScriptText("A"), "A");
    EXPECT_FALSE(ScriptTextExists("B"));
    EXPECT_FALSE(LogEmpty());
    EXPECT_FALSE(ScriptTextExists("Empty"));
    EXPECT_EQ(ScriptText("Blank"), "Blank");
    EXPECT_EQ(ScriptText("Twice"), "first");

    std::string huge = Script({{"Huge", "h"}});
    huge.append(16 * 1024 * 1024, ' ');
    first.Write("ScriptCommon.xml", huge);
    LoadScript(ssCommon, true);
    EXPECT_EQ(ScriptText("Huge"), "Huge");
}

TEST_F(EngineScript, ReloadReplacesTextsAndLeavesUnloadedSlotsAlone) {
    ReloadScripts();
    EXPECT_EQ(reloads, 0);
    first.Write("ScriptCommon.xml", Script({{"Hello", "Hello"}, {"OnlyFirst", "1"}}));
    second.Write("ScriptCommon.xml", Script({{"Hello", "Hallo"}}));
    second.Write("ScriptScenario.xml", Script({{"Quest", "Suche"}}));
    LoadScript(ssCommon, false);
    UseFolder(second);
    LoadScript(ssCommon, false);
    EXPECT_EQ(ScriptText("Hello"), "Hello");

    ReloadScripts();
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(ScriptText("Hello"), "Hallo");
    EXPECT_EQ(ScriptText("OnlyFirst"), "OnlyFirst");
    EXPECT_FALSE(SlotLoaded(ssScenario));
    EXPECT_EQ(ScriptText("Quest"), "Quest");
}

TEST_F(EngineScript, TitleHookHearsTheCommonGameTitle) {
    LoadScript(ssCommon, false);
    EXPECT_EQ(titles, (std::vector<std::string>{""}));
    first.Write("ScriptCommon.xml", Script({{"GameTitle", "The Lost Crown"}}));
    first.Write("ScriptScenario.xml", Script({{"GameTitle", "Not this one"}}));
    LoadScript(ssScenario, false);
    LoadScript(ssCommon, true);
    EXPECT_EQ(titles, (std::vector<std::string>{"", "The Lost Crown"}));
    EXPECT_EQ(ScriptGameTitle(), "The Lost Crown");
    ScriptStop();
    EXPECT_EQ(ScriptGameTitle(), "");
}

TEST_F(EngineScript, DebugRefreshReloadsChangedFilesOnly) {
    first.Write("ScriptCommon.xml", Script({{"Hello", "old"}}));
    LoadBoth();
    Rewrite("ScriptCommon.xml", Script({{"Hello", "new"}}), 10);
    ScriptDebugRefresh();
    EXPECT_EQ(ScriptText("Hello"), "old");

    ScriptStop();
    TSwitches debug;
    debug.Debug = true;
    SetSwitches(debug);
    ScriptStart();
    LoadBoth();
    ScriptDebugRefresh();
    EXPECT_EQ(reloads, 0);
    Rewrite("ScriptCommon.xml", Script({{"Hello", "newer"}}), 20);
    ScriptDebugRefresh();
    ScriptDebugRefresh();
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(ScriptText("Hello"), "newer");
    // A file that appears after a load without it counts as changed.
    first.Write("ScriptScenario.xml", Script({{"Quest", "find"}}));
    ScriptDebugRefresh();
    EXPECT_EQ(reloads, 2);
    EXPECT_EQ(ScriptText("Quest"), "find");
}

TEST_F(EngineScript, BadSlotsAndStoppedSlotsAreHarmless) {
    LoadScript(-1, true);
    LoadScript(2, true);
    EXPECT_FALSE(SlotLoaded(2));
    EXPECT_EQ(SlotText(-7, "X"), "X");
    ScriptStop();
    ScriptStop();
    LoadScript(ssCommon, true);
    EXPECT_FALSE(SlotLoaded(ssCommon));
    EXPECT_FALSE(ScriptTextExists("X"));
    ReloadScripts();
    EXPECT_EQ(reloads, 0);
    EXPECT_TRUE(titles.empty());
}

} // namespace
} // namespace valdmoor
