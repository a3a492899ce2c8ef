#include "app/EngineTaggedText.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct TReadResult {
    bool complete = false;
    Pairs items;
};

void Collect(void* data, std::string_view id, std::string_view value) {
    static_cast<Pairs*>(data)->emplace_back(std::string(id), std::string(value));
}

TReadResult Read(std::string_view text, std::string_view root = "script",
                 std::string_view item = "text") {
    TReadResult result;
    result.complete = ReadTaggedText(text, root, item, Collect, &result.items);
    return result;
}

std::string Script(std::string_view items) {
    return "<?xml version=\"1.0\"?>\n<script>\n" + std::string(items) + "\n</script>\n";
}

TEST(ReadTaggedText, DeliversItemsInDocumentOrder) {
    const auto result = Read(Script("<!-- first --><text id=\"A\">One</text>\n"
                                    "stray text <text id='B'>Two</text>"
                                    "<text class=\"x\" id=\"C\" lang='en'>Three</text>"));
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.items, (Pairs{{"A", "One"}, {"B", "Two"}, {"C", "Three"}}));

    const auto settings = Read("<language><setting id=\"DecimalSymbol\">,</setting></language>",
                               "language", "setting");
    EXPECT_TRUE(settings.complete);
    EXPECT_EQ(settings.items, (Pairs{{"DecimalSymbol", ","}}));
}

TEST(ReadTaggedText, NormalisesWhiteSpaceLikeATextRenderer) {
    const auto result = Read(Script("<text id=\"T\">  Hello \r\n\r\n\r\n  World  </text>"
                                    "<text id=\"U\">a\tb\n\nc\r\rd   e</text>"
                                    "<text id=\"V\">  </text>"));
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.items[0].second, "Hello\n\nWorld");
    EXPECT_EQ(result.items[1].second, "ab\n\nc\n\nd e");
    EXPECT_EQ(result.items[2].second, "");
}

TEST(ReadTaggedText, OneLineBreakIsOneLineWhateverItsBytes) {
    const auto result = Read(Script("<text id=\"W\">a\r\nb</text><text id=\"U\">a\nb</text>"
                                    "<text id=\"M\">a\rb</text><text id=\"S\">a \r\n b</text>"));
    EXPECT_EQ(result.items, (Pairs{{"W", "a\nb"}, {"U", "a\nb"}, {"M", "a\nb"}, {"S", "a\nb"}}));
}

TEST(ReadTaggedText, DecodesTheFiveEntitiesAndDropsOthers) {
    const auto result = Read(Script("<text id=\"E\">&lt;a&gt; &amp; &quot;b&quot; &apos;c&apos;"
                                    "|&#65;|&nbsp;|&unknown;|</text>"
                                    "<text id=\"&quot;q&quot;\">x</text>"));
    ASSERT_EQ(result.items.size(), 2u);
    EXPECT_EQ(result.items[0].second, "<a> & \"b\" 'c'||||");
    EXPECT_EQ(result.items[1].first, "\"q\"");
}

TEST(ReadTaggedText, TruncatesLongValuesCharacterByCharacter) {
    // 8191 bytes, then a 2-byte character that no longer fits, then a 1-byte one that does.
    const std::string value = std::string(8191, 'x') + "\xc3\xa9" + "y" + std::string(800, 'z');
    const auto result = Read(Script("<text id=\"L\">" + value + "</text><text id=\"N\">n</text>"));
    ASSERT_EQ(result.items.size(), 2u);
    EXPECT_EQ(result.items[0].second, std::string(8191, 'x') + "y");
    EXPECT_EQ(result.items[1], (std::pair<std::string, std::string>{"N", "n"}));

    const auto plain = Read(Script("<text id=\"P\">" + std::string(9000, 'a') + "</text>"));
    ASSERT_EQ(plain.items.size(), 1u);
    EXPECT_EQ(plain.items[0].second, std::string(8192, 'a'));

    const auto longId = Read(Script("<text id=\"" + std::string(600, 'i') + "\">v</text>"));
    ASSERT_EQ(longId.items.size(), 1u);
    EXPECT_EQ(longId.items[0].first, std::string(512, 'i'));
}

TEST(ReadTaggedText, ReportsDocumentsLeftOpen) {
    const auto open = Read("<script><text id=\"A\">a</text><text id=\"B\">b</text>");
    EXPECT_FALSE(open.complete);
    EXPECT_EQ(open.items, (Pairs{{"A", "a"}, {"B", "b"}}));

    const auto openItem = Read("<script><text id=\"A\">a</text><text id=\"B\">b");
    EXPECT_FALSE(openItem.complete);
    EXPECT_EQ(openItem.items, (Pairs{{"A", "a"}}));

    EXPECT_FALSE(Read("<script><text id=\"A\">a</text></script><other>").complete);
    EXPECT_FALSE(Read("<script").complete);
    EXPECT_TRUE(Read("no markup at all").complete);
}

TEST(ReadTaggedText, EmptyAndIdlessItemsProduceNoCall) {
    const auto result = Read(Script("<text id=\"Empty\"/><text id=\"Spaced\" />"
                                    "<text>no id</text><text id=\"\">empty id</text>"
                                    "<text id=\"Ok\">ok</text>"));
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.items, (Pairs{{"Ok", "ok"}}));
}

TEST(ReadTaggedText, TagNamesAreCaseSensitive) {
    const auto result = Read(Script("<Text id=\"A\">skipped</Text><text id=\"B\">b</text>"));
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.items, (Pairs{{"B", "b"}}));
    EXPECT_TRUE(Read("<SCRIPT><text id=\"A\">a</text></SCRIPT>").items.empty());
}

TEST(ReadTaggedText, ElementsInsideAnItemAddNothingButTextAfterThemCounts) {
    const auto result = Read(
        Script("<text id=\"A\">First<br/>second <b>bold</b> third<!-- note --> fourth</text>"));
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.items, (Pairs{{"A", "Firstsecond third fourth"}}));
}

TEST(ReadTaggedText, SkipsUnknownElementsWithEverythingInside) {
    const auto result = Read(Script("<meta><text id=\"Inner\">hidden</text></meta>"
                                    "<group><a><b>deep</b></a><c/></group>"
                                    "<text id=\"After\">seen</text>"));
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.items, (Pairs{{"After", "seen"}}));

    const auto before = Read("<head><x>y</x></head><script><text id=\"A\">a</text></script>");
    EXPECT_TRUE(before.complete);
    EXPECT_EQ(before.items, (Pairs{{"A", "a"}}));
}

TEST(ReadTaggedText, ReadsASecondRootAfterTheFirstCloses) {
    const auto result = Read("<script><text id=\"A\">a</text></script>"
                             "<script><text id=\"B\">b</text></script>");
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.items, (Pairs{{"A", "a"}, {"B", "b"}}));
}

TEST(ReadTaggedText, SkipsInvalidUtf8AndKeepsValidCharacters) {
    const auto result = Read(Script("<text id=\"\xff"
                                    "A\">Gr\xc3\xbc\xc3\x9f\xe2\x82 \x80mir \xd0\xbc</text>"));
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_EQ(result.items[0].first, "A");
    EXPECT_EQ(result.items[0].second, "Gr\xc3\xbc\xc3\x9f mir \xd0\xbc");
}

TEST(ReadTaggedText, RefusesEmptyTextAndMissingCallback) {
    Pairs items;
    EXPECT_FALSE(ReadTaggedText("", "script", "text", Collect, &items));
    EXPECT_FALSE(
        ReadTaggedText(Script("<text id=\"A\">a</text>"), "script", "text", nullptr, &items));
    EXPECT_TRUE(items.empty());
}

TEST(ReadTaggedText, SurvivesTruncationAtEveryByte) {
    const std::string document =
        Script("<text id=\"A\" x='1'>a &amp; b<br/>c</text>"
               "<!-- c --><meta><t>q</t></meta><text id=\"B\">\xd0\xbc</text>");
    for (std::size_t size = 1; size <= document.size(); ++size) {
        Pairs items;
        ReadTaggedText(std::string_view(document).substr(0, size), "script", "text", Collect,
                       &items);
        ASSERT_LE(items.size(), 2u);
    }
}

} // namespace
} // namespace valdmoor
