// The world compiler: names to indexes and back, its refusals with file, line and field, scene
// numbering, the texts per language, and the tool end to end.
#include "ScenarioTexts.h"
#include "ScenarioYaml.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"

#include <regex>

#include <gtest/gtest.h>

namespace valdmoor::scenario {
namespace {

std::string SourceFile(const std::string& relative) {
    return test::ReadFile(std::string(VALDMOOR_SOURCE_DIR) + "/" + relative);
}

// The fenced YAML blocks of the format's documentation, in order.
std::vector<std::string> DocumentedYaml() {
    const std::string doc = SourceFile("docs/scenario.md");
    std::vector<std::string> blocks;
    const std::regex block("```yaml\n([\\s\\S]*?)```");
    for (auto it = std::sregex_iterator(doc.begin(), doc.end(), block);
         it != std::sregex_iterator(); ++it) {
        blocks.push_back((*it)[1]);
    }
    return blocks;
}

TWorldModel Parse(const std::string& text, std::vector<std::string>* warnings = nullptr) {
    std::vector<std::string> ignored;
    return ParseWorldYaml(text, "W.yaml", warnings != nullptr ? *warnings : ignored);
}

// The error text of a world that must be refused.
std::string Refusal(const std::string& text) {
    try {
        Parse(text);
    } catch (const EngineError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(ScenarioCompiler, TheTestWorldRoundTripsThroughBytesAndCanonicalText) {
    const std::string source = SourceFile("tests/world/TestWorld.yaml");
    ASSERT_FALSE(source.empty());
    std::vector<std::string> warnings;
    const std::string bytes = CompileWorldText(source, "TestWorld.yaml", warnings);
    const std::string canonical = DecompileWorldBytes(bytes, "S0Scenario.dat");
    EXPECT_EQ(CompileWorldText(canonical, "canonical.yaml", warnings), bytes);
    EXPECT_EQ(DecompileWorldBytes(CompileWorldText(canonical, "c.yaml", warnings), "again.dat"),
              canonical);
    // Names, never indexes, in the text.
    EXPECT_NE(canonical.find("type: Barter 2"), std::string::npos);
    EXPECT_NE(canonical.find("tint: darken 10"), std::string::npos);
    EXPECT_NE(canonical.find("action: slow-travel"), std::string::npos);
    EXPECT_NE(canonical.find("close-after: [Pier]"), std::string::npos);
}

TEST(ScenarioCompiler, TheDocumentedExampleBuildsWithAllItsTexts) {
    const std::vector<std::string> blocks = DocumentedYaml();
    ASSERT_EQ(blocks.size(), 2u);
    const TWorldModel world = Parse(blocks[0]);
    EXPECT_FALSE(WriteWorldBytes(world).empty());
    const TTextReport report = CheckTexts(world, ParseTextSource(blocks[1], "english.yaml"));
    EXPECT_TRUE(report.Missing.empty()) << report.Missing.front();
    EXPECT_TRUE(report.Unused.empty()) << report.Unused.front();
}

TEST(ScenarioCompiler, RecordSizesAndCountsAreComputed) {
    const TWorldModel world = Parse(R"(
regions:
  - name: A
    sites:
      - name: S
        scenes: [{type: Text}, {type: Text}]
start-region: A
)");
    const std::string bytes = WriteWorldBytes(world);
    // 8 empty pool lists, no props, four name sections, one site with two scenes, the region
    // with its map, three references, a site reference and the counter.
    const std::size_t expected = 8 * 4 + 4 + (4 + 4 + 1) + (4 + 4 + 1) + 4 + 4 + 4 + 136 + 2 * 207 +
                                 25 + 110 * 8 + 4 + 12 + 4 + 4;
    EXPECT_EQ(bytes.size(), expected);
    EXPECT_EQ(ReadWorldBytes(bytes).Regions[0].Sites[0].Scenes.size(), 2u);
}

TEST(ScenarioCompiler, RefusalsNameTheFileTheLineAndTheField) {
    EXPECT_EQ(Refusal("regions:\n  - name: A\n    music: Nope\n"),
              "W.yaml:3: music: no sound named \"Nope\"");
    EXPECT_EQ(Refusal("props:\n  - {name: P}\n  - {name: P}\n"),
              "W.yaml:3: name: a prop named \"P\" exists already");
    EXPECT_EQ(Refusal("regions:\n  - name: A\n    sites: [{name: S}]\n  - name: B\n"
                      "    sites: [{name: S}]\n"),
              "W.yaml:5: name: site \"S\" is already in region \"A\"; a site belongs to one "
              "region");
    EXPECT_EQ(Refusal("props: [{name: P}]\nregions:\n  - name: A\n    sites:\n      - name: S\n"
                      "        scenes:\n          - {type: Rewards 1, outputs: [{prop: P}, "
                      "{prop: P}]}\n"),
              "W.yaml:7: outputs: 2 entries, but the type has 1");
    EXPECT_EQ(Refusal("props: [{name: P, colour: red}]\n"), "W.yaml:1: colour: unknown field");
    EXPECT_NE(Refusal("regions:\n  - name: A\n    sites:\n      - name: S\n        action: fly\n")
                  .find("W.yaml:5: action: unknown value \"fly\"; known: none, unlock-hints"),
              std::string::npos);
    EXPECT_EQ(Refusal("props: [{name: P, initial-count: 3000000000}]\n"),
              "W.yaml:1: initial-count: \"3000000000\" is not a 32-bit integer");
    EXPECT_EQ(Refusal("regions: [{name: A, tint: [1, .nan, 1]}]\n"),
              "W.yaml:1: tint: \".nan\" is not a finite number");
    EXPECT_EQ(Refusal("props: [{name: P\n"), Refusal("props: [{name: P\n")); // stable
    EXPECT_EQ(Refusal("props: [{name: P\n").rfind("W.yaml:", 0), 0u);
}

TEST(ScenarioCompiler, NumbersAndReadableNamesAreBothAccepted) {
    const TWorldModel world = Parse(R"(
regions:
  - name: A
    sites:
      - name: S
        action: 446
        scenes:
          - {type: 2, tint: 150, sound-action: 3}
          - {type: Text, tint: 901}
          - {type: Text, tint: 777}
)");
    const TSiteModel& site = world.Regions[0].Sites[0];
    EXPECT_EQ(site.ActionCode, 446);
    EXPECT_EQ(site.Scenes[0].SceneType, 2);
    EXPECT_EQ(site.Scenes[0].TintAction, 150);
    const std::string text = WriteWorldYaml(world);
    EXPECT_NE(text.find("action: stop-music"), std::string::npos);
    EXPECT_NE(text.find("tint: lighten 50"), std::string::npos);
    EXPECT_NE(text.find("sound-action: music"), std::string::npos);
    EXPECT_NE(text.find("tint: night-wide"), std::string::npos);
    EXPECT_NE(text.find("tint: 777"), std::string::npos); // no name fits: kept as a number
}

TEST(ScenarioCompiler, SceneNumbersAreUniqueInTheWorldUnlessFixed) {
    std::vector<std::string> warnings;
    const TWorldModel world = Parse(R"(
regions:
  - name: A
    sites:
      - name: S
        scenes: [{type: Text}, {type: Text, number: 2}, {type: Text}]
      - name: T
        scenes: [{type: Text}, {type: Text, number: 2}]
)",
                                    &warnings);
    const auto& s = world.Regions[0].Sites[0].Scenes;
    const auto& t = world.Regions[0].Sites[1].Scenes;
    EXPECT_EQ(s[0].Number, 1);
    EXPECT_EQ(s[2].Number, 3); // 2 is taken by a fixed number
    EXPECT_EQ(t[0].Number, 4);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "W.yaml:8: number: scene number 2 is also used in site \"S\"; both "
                           "scenes show the same legend");
}

TEST(ScenarioCompiler, TextsGetTheIdentifiersTheGameLooksUp) {
    const TWorldModel world = Parse(R"(
pool: {captions: [Cap]}
regions:
  - name: A
    sites:
      - name: S
        scenes: [{type: Text, number: 26}, {type: None}, {type: Text, number: 26}]
hints: [{name: H, number: 12}]
achievements: [{name: X, number: 31}]
)");
    std::vector<std::string> warnings;
    const TTextSource source = ParseTextSource(R"(
captions: {Cap: "Fish & <chips>"}
scenes: {S/1: One, S/3: Three, S/9: Gone}
hints: {H: Hint}
achievements: {X: Goal, Y: Old}
)",
                                               "english.yaml");
    const std::string xml = WriteScriptXml(world, source, warnings);
    EXPECT_NE(xml.find("<text id=\"Cap\">Fish &amp; &lt;chips&gt;</text>"), std::string::npos);
    EXPECT_NE(xml.find("<text id=\"SceneLegendH1A\">One</text>"), std::string::npos);
    EXPECT_NE(xml.find("<text id=\"HintLegendH12\">Hint</text>"), std::string::npos);
    EXPECT_NE(xml.find("<text id=\"AchievementLegendH1F\">Goal</text>"), std::string::npos);
    EXPECT_EQ(xml.find("Three"), std::string::npos); // one legend for both scenes
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("S/3: shares the legend SceneLegendH1A with S/1"),
              std::string::npos);

    const TTextReport report = CheckTexts(world, source);
    EXPECT_TRUE(report.Missing.empty()); // a scene of type None shows no text
    EXPECT_EQ(report.Unused, (std::vector<std::string>{"achievements: Y", "scenes: S/9"}));
    const TTextReport none = CheckTexts(world, ParseTextSource("", "german.yaml"));
    EXPECT_EQ(none.Missing.size(), 5u);
}

TEST(ScenarioCompiler, DecompileRefusesWhatWouldNotBuildBackTheSame) {
    TWorldModel world = Parse("regions: [{name: A}, {name: B}]\nstart-region: B\n");
    std::string bytes = WriteWorldBytes(world);
    // The start region reference, two regions back from the counter at the end.
    const std::size_t start = bytes.size() - 4 * 4 - 4 + 4;
    bytes[start] = 7;
    std::string message = "(accepted)";
    try {
        DecompileWorldBytes(bytes, "S0.dat");
    } catch (const EngineError& error) {
        message = error.what();
    }
    EXPECT_EQ(message, "S0.dat: Damaged scenario data (start-region: region 7 outside 1..2)");
    EXPECT_THROW(DecompileWorldBytes(WriteWorldBytes(world) + "x", "S0.dat"), EngineError);
    world.Regions[1].Name = "A";
    EXPECT_THROW(DecompileWorldBytes(WriteWorldBytes(world), "S0.dat"), EngineError);
    world.Regions[1].Name = std::string("\xFF", 1);
    EXPECT_THROW(DecompileWorldBytes(WriteWorldBytes(world), "S0.dat"), EngineError);
}

TEST(ScenarioCompiler, AnyUtf8NameSurvivesTheText) {
    TWorldModel world;
    for (const char* name :
         {" lead", "12", "true", "a: b", "say \"hi\"", "tab\there", "~",
          "line\xE2\x80\xA8"
          "break",
          "next\xC2\x85line", "\xC3\xA9t\xC3\xA9", "- dash", "#hash", "back\\slash"}) {
        world.Regions.emplace_back().Name = name;
    }
    const std::string bytes = WriteWorldBytes(world);
    std::vector<std::string> warnings;
    EXPECT_EQ(CompileWorldText(DecompileWorldBytes(bytes, "S0.dat"), "W.yaml", warnings), bytes);
}

TEST(ScenarioCompiler, TheToolBuildsDecompilesAndReportsErrorsWithTheirPlace) {
    test::TTempFolder temp;
    const auto world = temp.Write("World.yaml", "regions: [{name: A, sites: [{name: S}]}]\n"
                                                "start-region: A\n");
    temp.Write("texts/english.yaml", "captions: {Old: x}\n");
    const std::string tool = VALDMOOR_SCENARIO_TOOL;
    const auto dat = (temp.Path() / "S0Scenario.dat").string();
    test::TProcessResult run = test::RunProcess(
        tool, {"build", world.string(), "-o", dat, "--scripts", (temp.Path() / "L").string()});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_FALSE(test::ReadFile(temp.Path() / "L/english/ScriptScenario.xml").empty());
    run = test::RunProcess(tool, {"decompile", dat});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(run.Out.find("start-region: A"), std::string::npos);
    run = test::RunProcess(tool, {"texts", world.string()});
    EXPECT_EQ(run.Out, "english: 0 missing, 1 unused\n  unused  captions: Old\n");

    const auto bad = temp.Write("Bad.yaml", "regions:\n  - {name: A, music: X}\n");
    run = test::RunProcess(tool, {"build", bad.string(), "-o", dat});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Bad.yaml:2: music: no sound named \"X\""), std::string::npos);
    EXPECT_EQ(test::RunProcess(tool, {"--help"}).ExitCode, 0);
}

} // namespace
} // namespace valdmoor::scenario
