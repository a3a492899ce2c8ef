#include "texts/EngineTexts.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "platform/EngineWindow.h"
#include "storage/EngineStorage.h"
#include "video/EngineVideo.h"
#include "video/PictureFiles.h"
#include "video/null/NullVideoDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;

// The layout tests read a monospaced font baked for them: every glyph cell is as wide as the
// space glyph, so each character advances by the same amount.
class Texts : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        fs::create_directories(Ordinary());
        for (const fs::directory_entry& entry : fs::directory_iterator(FontFolder())) {
            if (entry.path().extension() != ".stamp") {
                fs::copy_file(entry.path(), Ordinary() / entry.path().filename());
            }
        }
        SetStorageFolderPath(sfOrdinary, Ordinary().string());
        VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
        TextsStart();
        font = Font(FontEngine);
        advance = font->SpaceWidth - font->Overlap;
    }
    void TearDown() override {
        TextsStop();
        VideoStop();
        StorageReset();
        ApplicationStop();
    }

    virtual fs::path FontFolder() const { return VALDMOOR_TEST_FONT; }
    fs::path Ordinary() const { return temp.Path() / "Ordinary"; }

    TText* Make(std::string_view s, uint8_t flags, float boxWidth, float boxHeight = 400) {
        TText* text = nullptr;
        CreateText(text, MainCanvas(), 5, flags, FontEngine, boxWidth, boxHeight);
        SetText(text, s);
        return text;
    }
    static std::vector<TSprite*> Glyphs(const TText* text) {
        std::vector<TSprite*> sprites;
        for (const TCharacter& item : text->Characters) {
            if (item.Sprite != nullptr) {
                sprites.push_back(item.Sprite);
            }
        }
        return sprites;
    }
    static std::set<float> LineYs(const TText* text) {
        std::set<float> ys;
        for (const TSprite* sprite : Glyphs(text)) {
            ys.insert(sprite->Y);
        }
        return ys;
    }
    static float Left(const TSprite* sprite) { return sprite->X - 0.5f * sprite->Width; }
    static float Right(const TSprite* sprite) { return sprite->X + 0.5f * sprite->Width; }

    test::TTempFolder temp;
    TFont* font = nullptr;
    float advance = 0;
};

TEST_F(Texts, FontMetricsComeFromTheSpaceGlyphOrDefaults) {
    TTexture* texture = nullptr;
    const int32_t frame = FindGlyph(FontEngine, ' ', texture);
    ASSERT_EQ(frame, 0);
    int32_t width = 0;
    int32_t height = 0;
    GetFrameSize(texture, frame, width, height);
    EXPECT_EQ(font->LineHeight, static_cast<float>(height));
    EXPECT_EQ(font->SpaceWidth, static_cast<float>(width));
    EXPECT_FLOAT_EQ(font->BackStep, 1.3f * font->SpaceWidth);
    EXPECT_EQ(font->Overlap, 3.0f);
    EXPECT_EQ(Font(FontGame)->Overlap, 3.75f);
    EXPECT_EQ(Font(2), nullptr);

    TextsStop();
    SetStorageFolderPath(sfOrdinary, temp.Path().string());
    TextsStart();
    EXPECT_EQ(Font(FontGame)->LineHeight, 20.0f);
    EXPECT_EQ(Font(FontGame)->SpaceWidth, 8.0f);
    EXPECT_FLOAT_EQ(Font(FontGame)->BackStep, 10.4f);
}

TEST_F(Texts, GlyphsAreSegmentsOfTheirRangePicture) {
    TTexture* texture = nullptr;
    EXPECT_EQ(FindGlyph(FontEngine, 'A', texture), 'A' - 0x20);
    EXPECT_EQ(texture->Name(), "F0FontEngine00sdl");
    EXPECT_EQ(FindGlyph(FontEngine, 0x44F, texture), 0x4F);
    EXPECT_EQ(texture->Name(), "F0FontEngine08le");
    EXPECT_EQ(FindGlyph(FontEngine, 0x300, texture), -1) << "outside every range";
    EXPECT_EQ(texture, nullptr);

    // A range picture that is missing at first use is not looked for again.
    EXPECT_EQ(FindGlyph(FontEngine, 0x100, texture), -1);
    fs::copy_file(Ordinary() / "F0FontEngine00sdl.tpx", Ordinary() / "F0FontEngine02.tpx");
    fs::copy_file(Ordinary() / "F0FontEngine00sdl.tsg", Ordinary() / "F0FontEngine02.tsg");
    EXPECT_EQ(FindGlyph(FontEngine, 0x100, texture), -1);
    TextsStop();
    TextsStart();
    EXPECT_EQ(FindGlyph(FontEngine, 0x100, texture), 0);
}

TEST_F(Texts, EmptySegmentsAndBrokenPicturesAreGlyphsTheFontLacks) {
    fs::copy_file(Ordinary() / "F2FontGame00sdl.tpx", Ordinary() / "F2FontGame08e.tpx");
    temp.Write("Ordinary/F2FontGame08e.tsg", "SEGMENTS 2 SEGMENT 0 0 0 8 8 SEGMENT 1 0 0 0 0");
    temp.Write("Ordinary/F2FontGame02.tpx", "not a picture");
    TTexture* texture = nullptr;
    EXPECT_EQ(FindGlyph(FontGame, 0x48A, texture), 0);
    EXPECT_EQ(FindGlyph(FontGame, 0x48B, texture), -1) << "empty segment";
    EXPECT_EQ(FindGlyph(FontGame, 0x48C, texture), -1) << "no segment at all";
    EXPECT_EQ(FindGlyph(FontGame, 0x100, texture), -1) << "broken picture";

    // Text entry refuses what the font cannot show.
    EXPECT_TRUE(FontHasGlyph(Font(FontGame), 0x48A));
    EXPECT_FALSE(FontHasGlyph(Font(FontGame), 0x48B));
    EXPECT_TRUE(FontHasGlyph(Font(FontGame), ' '));
    EXPECT_TRUE(FontHasGlyph(nullptr, 0x48B)) << "entry without one of our fonts";
}

TEST_F(Texts, MeasuringCountsLinesAndTheWidestLine) {
    int32_t lines = -1;
    float width = -1;
    float height = -1;
    MeasureText("", lines, FontEngine, width, height, 0);
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    MeasureText("A", lines, FontEngine, width, height, 0);
    EXPECT_EQ(lines, 1);
    EXPECT_FLOAT_EQ(width, font->SpaceWidth);
    EXPECT_FLOAT_EQ(height, font->LineHeight);
    MeasureText("AB\nABCD", lines, FontEngine, width, height, 0);
    EXPECT_EQ(lines, 2);
    EXPECT_FLOAT_EQ(width, 4 * advance + font->Overlap);
    MeasureText("AB\nABCD", lines, FontGame, width, height, 0);
    EXPECT_FLOAT_EQ(width, 4 * (Font(FontGame)->SpaceWidth - 3.75f) + 3.75f) << "its own overlap";
    // Code points outside every range and invalid bytes take no room.
    MeasureText("A\xCC\x80"
                "B\xFF",
                lines, FontEngine, width, height, 0);
    EXPECT_EQ(lines, 1);
    EXPECT_FLOAT_EQ(width, 2 * advance + font->Overlap);
    MeasureText("AAAA AAAA", lines, FontEngine, width, height, 6 * advance);
    EXPECT_EQ(lines, 2);
    EXPECT_FLOAT_EQ(width, 4 * advance + font->Overlap);

    // A box of the measured size holds the text without squeezing it.
    const std::string s = "Lorem ipsum dolor\n\nsit amet, consectetur adipiscing";
    MeasureText(s, lines, FontEngine, width, height, 150);
    EXPECT_EQ(lines, 4) << "with the empty line after the paragraph";
    TText* text = Make(s, tfWordWrap, width, height);
    EXPECT_EQ(LineYs(text).size(), 3u);
    for (const TSprite* sprite : Glyphs(text)) {
        EXPECT_EQ(sprite->Width, font->SpaceWidth);
        EXPECT_EQ(sprite->Height, font->LineHeight);
    }
}

TEST_F(Texts, WordsWrapWithinTheToleranceAndLongWordsAreSqueezed) {
    const float joined = 9 * advance; // "AAAA BBBB" on one line
    EXPECT_EQ(LineYs(Make("AAAA BBBB", tfWordWrap, joined / 1.02f)).size(), 1u);
    EXPECT_EQ(LineYs(Make("AAAA BBBB", tfWordWrap, joined / 1.03f)).size(), 2u);

    // Never broken inside a word nor clipped: the line fills the box exactly.
    const float box = 3 * advance;
    TText* text = Make("ABCDEFGH", tfWordWrap | tfAlignRight, box);
    const std::vector<TSprite*> glyphs = Glyphs(text);
    ASSERT_EQ(glyphs.size(), 8u);
    EXPECT_EQ(LineYs(text).size(), 1u);
    EXPECT_FLOAT_EQ(glyphs.front()->Width, font->SpaceWidth * box / (8 * advance + font->Overlap));
    EXPECT_FLOAT_EQ(Left(glyphs.front()), -0.5f * box);
    EXPECT_NEAR(Right(glyphs.back()), 0.5f * box, 1e-4);
}

TEST_F(Texts, OneLineFeedIsASpaceAndTwoEndAParagraph) {
    const float lineHeight = font->LineHeight;
    TText* one = Make("AB\nCD", tfWordWrap, 400);
    ASSERT_EQ(Glyphs(one).size(), 4u);
    EXPECT_EQ(LineYs(one).size(), 1u);
    EXPECT_FLOAT_EQ(Glyphs(one)[2]->X - Glyphs(one)[1]->X, 2 * advance);

    // Each line feed after the first adds a line: a paragraph is followed by an empty one.
    TText* two = Make("AB\n\nCD", tfWordWrap, 400);
    EXPECT_FLOAT_EQ(Glyphs(two)[2]->Y - Glyphs(two)[0]->Y, 2 * lineHeight);
    EXPECT_FLOAT_EQ(Glyphs(two)[0]->Y, -lineHeight) << "three lines, centred";
    TText* three = Make("AB\n\n\nCD", tfWordWrap, 400);
    EXPECT_FLOAT_EQ(Glyphs(three)[2]->Y - Glyphs(three)[0]->Y, 3 * lineHeight);

    // Without wrapping every line feed ends a line, and a last one adds none.
    TText* plain = Make("AB\nCD\n", 0, 400);
    EXPECT_FLOAT_EQ(Glyphs(plain)[2]->Y - Glyphs(plain)[0]->Y, lineHeight);
    EXPECT_FLOAT_EQ(Glyphs(plain)[0]->Y, -0.5f * lineHeight);
}

TEST_F(Texts, TallTextIsSqueezedIntoTheBoxHeight) {
    const float lineHeight = font->LineHeight;
    TText* text = Make("A\nB\nC\nD", 0, 400, 2 * lineHeight);
    const std::vector<TSprite*> glyphs = Glyphs(text);
    ASSERT_EQ(glyphs.size(), 4u);
    EXPECT_FLOAT_EQ(glyphs[0]->Height, 0.5f * lineHeight);
    EXPECT_FLOAT_EQ(glyphs[0]->Y - 0.5f * glyphs[0]->Height, -lineHeight);
    EXPECT_FLOAT_EQ(glyphs[3]->Y + 0.5f * glyphs[3]->Height, lineHeight);
}

TEST_F(Texts, AlignmentFlagsPlaceLinesInTheBox) {
    const float width = 2 * advance + font->Overlap;
    const float half = 0.5f * font->LineHeight;
    auto place = [&](uint8_t flags) {
        TText* text = Make("AB", flags, 200, 100);
        SetTextPosition(text, 10, 20);
        return Glyphs(text);
    };
    const std::vector<TSprite*> leftTop = place(tfAlignLeft | tfAlignTop);
    EXPECT_FLOAT_EQ(Left(leftTop[0]), 10 - 100);
    EXPECT_FLOAT_EQ(leftTop[0]->Y, 20 - 50 + half);
    const std::vector<TSprite*> rightBottom = place(tfAlignRight | tfAlignBottom);
    EXPECT_FLOAT_EQ(Right(rightBottom[1]), 10 + 100);
    EXPECT_FLOAT_EQ(rightBottom[1]->Y, 20 + 50 - half);
    const std::vector<TSprite*> centred = place(0);
    EXPECT_FLOAT_EQ(Left(centred[0]), 10 - 0.5f * width);
    EXPECT_FLOAT_EQ(centred[0]->Y, 20);
}

// A title drawn at three times the font's size: glyphs grow about the text's centre, the box
// still bounds the line in canvas units, and a released text comes back unscaled.
TEST_F(Texts, ScaledTextGrowsAboutItsCentreAndStillFitsItsBox) {
    const float half = 0.5f * font->LineHeight;
    TText* text = Make("AB", tfAlignLeft | tfAlignTop, 600, 300);
    SetTextPosition(text, 10, 20);
    SetTextScale(text, 3);
    std::vector<TSprite*> glyphs = Glyphs(text);
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_FLOAT_EQ(glyphs[0]->Scale, 3);
    EXPECT_FLOAT_EQ(glyphs[1]->X - glyphs[0]->X, 3 * advance);
    EXPECT_FLOAT_EQ(glyphs[0]->X - 1.5f * glyphs[0]->Width, 10 - 300);
    EXPECT_FLOAT_EQ(glyphs[0]->Y, 20 - 150 + 3 * half);
    SetTextScale(text, 0);
    SetTextScale(text, -1);
    EXPECT_FLOAT_EQ(text->Scale, 3) << "a scale that is not above 0 is ignored";

    // A line wider than the box at that scale is squeezed to the box, not past it.
    const float box = 3 * advance;
    TText* wide = Make("ABCD", 0, 3 * box);
    SetTextScale(wide, 3);
    glyphs = Glyphs(wide);
    ASSERT_EQ(glyphs.size(), 4u);
    EXPECT_NEAR(glyphs.front()->X - 1.5f * glyphs.front()->Width, -1.5f * box, 1e-3);
    EXPECT_NEAR(glyphs.back()->X + 1.5f * glyphs.back()->Width, 1.5f * box, 1e-3);

    ReleaseText(text);
    text = Make("AB", 0, 200);
    EXPECT_FLOAT_EQ(text->Scale, 1);
    EXPECT_FLOAT_EQ(Glyphs(text)[0]->Scale, 1);
}

TEST_F(Texts, EditableTextsKeepEveryCharacterAndPlaceTheCaret) {
    TText* text = Make("AB C\xCC\x80", tfAlignLeft | tfAlignTop, 400, 200);
    EXPECT_EQ(text->Characters.Count(), 3);
    float x = 0;
    float y = 0;
    SetTextPosition(text, 30, 40);
    CharacterPosition(text, 2, x, y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40) << "not editable: the text's centre";

    SetTextEditable(text, true);
    EXPECT_EQ(text->Characters.Count(), 6) << "five characters and the caret";
    const float left = 30 - 200;
    const float expected[] = {0, 0, 1, 2, 3, 4, 4, 4};
    for (int32_t index = 0; index <= 7; ++index) {
        CharacterPosition(text, index, x, y);
        EXPECT_FLOAT_EQ(x, left + expected[index] * advance) << "before character " << index;
        EXPECT_FLOAT_EQ(y, 40 - 100 + 0.5f * font->LineHeight);
    }

    // A back-step moves the pen back; the caret after it stands where the next glyph starts.
    SetText(text, "AB\bC");
    CharacterPosition(text, 3, x, y);
    EXPECT_FLOAT_EQ(x, left + 2 * advance);
    CharacterPosition(text, 4, x, y);
    EXPECT_FLOAT_EQ(x, left + 2 * advance - font->BackStep);
    EXPECT_FLOAT_EQ(x, Left(Glyphs(text)[2]));

    // After a final line feed the caret waits on the next line.
    SetText(text, "A\n");
    float lineY = 0;
    CharacterPosition(text, 1, x, lineY);
    CharacterPosition(text, 3, x, y);
    EXPECT_FLOAT_EQ(x, left);
    EXPECT_FLOAT_EQ(y - lineY, font->LineHeight);

    SetTextEditable(text, false);
    EXPECT_EQ(text->Characters.Count(), 1);
}

TEST_F(Texts, UnchangedTextCostsNothingAndRelayoutReusesItsPools) {
    std::string paragraph;
    while (paragraph.size() < 2000) {
        paragraph += "Lorem ipsum dolor sit amet, consectetur adipiscing elit. ";
    }
    std::string changed = paragraph;
    changed[1000] = changed[1000] == 'x' ? 'y' : 'x';
    TText* text = Make(paragraph, tfWordWrap, 800, 800);
    SetText(text, changed);
    SetText(text, paragraph);
    const TSprite* first = Glyphs(text).front();

    const int64_t before = test::AllocationCount();
    SetText(text, paragraph);
    SetText(text, changed);
    SetText(text, paragraph);
    EXPECT_EQ(test::AllocationCount(), before);
    EXPECT_EQ(Glyphs(text).front(), first);

    const int32_t sprites = MainCanvas()->Sprites.Count();
    EXPECT_GT(sprites, 1500);
    ReleaseText(text);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(MainCanvas()->Sprites.Count(), 0);
}

TEST_F(Texts, SquarePiecesFrameTheBoxAroundItsFill) {
    TSquare* square = nullptr;
    CreateSquare(square, MainCanvas(), 7, true, "G2Frame", 10);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->Width, 30);
    SetSquareSize(square, 100, 60);
    SetSquarePosition(square, 5, 7);
    const TSprite* top = square->Pieces[0];
    EXPECT_EQ(top->Layers[0].Frame, 0);
    EXPECT_EQ(top->X, 5);
    EXPECT_EQ(top->Y, 7 - 25);
    EXPECT_EQ(top->Width, 80);
    EXPECT_EQ(top->Height, 10);
    const TSprite* corner = square->Pieces[3];
    EXPECT_EQ(corner->Layers[0].Frame, 3);
    EXPECT_EQ(corner->X, 5 + 45);
    EXPECT_EQ(corner->Y, 7 + 25);
    EXPECT_EQ(corner->Width, 10);
    const TSprite* left = square->Pieces[6];
    EXPECT_EQ(left->X, 5 - 45);
    EXPECT_EQ(left->Height, 40);
    EXPECT_EQ(square->Fill->Layer, 6);
    EXPECT_EQ(square->Fill->ShadingMode, smOnlyTint);
    EXPECT_EQ(square->Fill->Width, 80);
    EXPECT_EQ(square->Fill->Height, 40);

    // Smaller than its corners: empty edges, never mirrored ones.
    SetSquareSize(square, 12, 12);
    EXPECT_EQ(square->Pieces[0]->Width, 0);
    EXPECT_EQ(square->Fill->Height, 0);
    ReleaseSquare(square);
    EXPECT_EQ(MainCanvas()->Sprites.Count(), 0);
}

TEST_F(Texts, BallonPointerSlidesAlongItsSideBetweenTheCorners) {
    TBallon* ballon = nullptr;
    CreateBallon(ballon, MainCanvas(), 3, "G2Ballon", psBottom, 0, 0, 10, 20, 200, 100);
    ASSERT_NE(ballon, nullptr);
    EXPECT_EQ(ballon->Pieces[psBottom], nullptr);
    EXPECT_EQ(ballon->Pointer->Layers[0].Frame, 10);
    EXPECT_EQ(ballon->Pointer->X, 0);
    EXPECT_EQ(ballon->Pointer->Y, 40 + 10);
    // Bottom runs right to left: before the pointer lies its right part.
    ASSERT_NE(ballon->EdgeBefore, nullptr);
    EXPECT_EQ(ballon->EdgeBefore->X, 50);
    EXPECT_EQ(ballon->EdgeBefore->Width, 80);
    EXPECT_EQ(ballon->EdgeBefore->Y, 45);
    EXPECT_EQ(ballon->EdgeBefore->Layers[0].Frame, psBottom);
    EXPECT_EQ(ballon->EdgeAfter->X, -50);

    SetBallonPointer(ballon, 1000, 0);
    EXPECT_EQ(ballon->Pointer->X, 80);
    EXPECT_EQ(ballon->EdgeBefore, nullptr) << "no gap left on that side";
    EXPECT_EQ(ballon->EdgeAfter->Width, 160);
    SetBallonPointer(ballon, 0, 0);
    EXPECT_NE(ballon->EdgeBefore, nullptr);

    ReleaseBallon(ballon);
    CreateBallon(ballon, MainCanvas(), 3, "G2Ballon", psLeft, 0, 0, 10, 20, 200, 100);
    EXPECT_EQ(ballon->Pointer->X, -90 - 10);
    EXPECT_EQ(ballon->Pointer->Y, 0);
    EXPECT_EQ(ballon->EdgeBefore->Height, 30);
    ReleaseBallon(ballon);
    EXPECT_EQ(MainCanvas()->Sprites.Count(), 0);
}

// Clockwise, the top and the right run towards positive coordinates: the edge before the
// pointer lies on their negative side, unlike on the bottom and the left.
TEST_F(Texts, BallonPointerOnTheTopAndTheRight) {
    TBallon* ballon = nullptr;
    CreateBallon(ballon, MainCanvas(), 3, "G2Ballon", psTop, 5, 7, 10, 20, 200, 100);
    ASSERT_NE(ballon, nullptr);
    EXPECT_EQ(ballon->Pieces[psTop], nullptr);
    EXPECT_NE(ballon->Pieces[psBottom], nullptr);
    const TSprite* pointer = ballon->Pointer;
    EXPECT_EQ(pointer->Layers[0].Frame, 8);
    EXPECT_EQ(pointer->X, 5);
    EXPECT_EQ(pointer->Y, 7 - 40 - 10);
    EXPECT_EQ(pointer->Width, 20);
    EXPECT_EQ(pointer->Height, 20);
    ASSERT_NE(ballon->EdgeBefore, nullptr);
    ASSERT_NE(ballon->EdgeAfter, nullptr);
    EXPECT_EQ(ballon->EdgeBefore->X, 5 - 50);
    EXPECT_EQ(ballon->EdgeBefore->Y, 7 - 45);
    EXPECT_EQ(ballon->EdgeBefore->Width, 80);
    EXPECT_EQ(ballon->EdgeBefore->Height, 10);
    EXPECT_EQ(ballon->EdgeBefore->Layers[0].Frame, psTop);
    EXPECT_EQ(ballon->EdgeAfter->X, 5 + 50);
    EXPECT_EQ(ballon->EdgeAfter->Layers[0].Frame, psTop);

    SetBallonPointer(ballon, 30, 999); // only the position along the side counts
    EXPECT_EQ(pointer->X, 5 + 30);
    EXPECT_EQ(pointer->Y, 7 - 50);
    ASSERT_NE(ballon->EdgeBefore, nullptr);
    ASSERT_NE(ballon->EdgeAfter, nullptr);
    EXPECT_EQ(ballon->EdgeBefore->X, 5 - 35);
    EXPECT_EQ(ballon->EdgeBefore->Width, 110);
    EXPECT_EQ(ballon->EdgeAfter->X, 5 + 65);
    EXPECT_EQ(ballon->EdgeAfter->Width, 50);
    SetBallonPointer(ballon, -1000, 0);
    EXPECT_EQ(pointer->X, 5 - 80);
    EXPECT_EQ(ballon->EdgeBefore, nullptr);
    ASSERT_NE(ballon->EdgeAfter, nullptr);
    EXPECT_EQ(ballon->EdgeAfter->X, 5 + 10);
    EXPECT_EQ(ballon->EdgeAfter->Width, 160);
    ReleaseBallon(ballon);

    CreateBallon(ballon, MainCanvas(), 3, "G2Ballon", psRight, 5, 7, 10, 20, 200, 100);
    ASSERT_NE(ballon, nullptr);
    EXPECT_EQ(ballon->Pieces[psRight], nullptr);
    EXPECT_NE(ballon->Pieces[psLeft], nullptr);
    pointer = ballon->Pointer;
    EXPECT_EQ(pointer->Layers[0].Frame, 9);
    EXPECT_EQ(pointer->X, 5 + 90 + 10);
    EXPECT_EQ(pointer->Y, 7);
    ASSERT_NE(ballon->EdgeBefore, nullptr);
    ASSERT_NE(ballon->EdgeAfter, nullptr);
    EXPECT_EQ(ballon->EdgeBefore->X, 5 + 95);
    EXPECT_EQ(ballon->EdgeBefore->Y, 7 - 25);
    EXPECT_EQ(ballon->EdgeBefore->Width, 10);
    EXPECT_EQ(ballon->EdgeBefore->Height, 30);
    EXPECT_EQ(ballon->EdgeBefore->Layers[0].Frame, psRight);
    EXPECT_EQ(ballon->EdgeAfter->Y, 7 + 25);

    SetBallonPointer(ballon, 999, 12);
    EXPECT_EQ(pointer->X, 5 + 100);
    EXPECT_EQ(pointer->Y, 7 + 12);
    ASSERT_NE(ballon->EdgeBefore, nullptr);
    ASSERT_NE(ballon->EdgeAfter, nullptr);
    EXPECT_EQ(ballon->EdgeBefore->Y, 7 - 19);
    EXPECT_EQ(ballon->EdgeBefore->Height, 42);
    EXPECT_EQ(ballon->EdgeAfter->Y, 7 + 31);
    EXPECT_EQ(ballon->EdgeAfter->Height, 18);
    SetBallonPointer(ballon, 0, 1000);
    EXPECT_EQ(pointer->Y, 7 + 30);
    EXPECT_EQ(ballon->EdgeAfter, nullptr);
    ASSERT_NE(ballon->EdgeBefore, nullptr);
    EXPECT_EQ(ballon->EdgeBefore->Y, 7 - 10);
    EXPECT_EQ(ballon->EdgeBefore->Height, 60);
    ReleaseBallon(ballon);
    EXPECT_EQ(MainCanvas()->Sprites.Count(), 0);
}

// The layout rules again with a proportional font (DejaVu Sans), where a glyph's width mixed
// up with another's or with the space's shows.
class ProportionalTexts : public Texts {
protected:
    fs::path FontFolder() const override { return VALDMOOR_TEST_FONT_PROPORTIONAL; }

    static float GlyphWidth(char code) {
        TTexture* texture = nullptr;
        const int32_t frame = FindGlyph(FontEngine, static_cast<uint32_t>(code), texture);
        int32_t width = 0;
        int32_t height = 0;
        GetFrameSize(texture, frame, width, height);
        return frame >= 0 ? static_cast<float>(width) : 0.0f;
    }
    // How far Code moves the pen.
    float Advance(char code) const {
        return (code == ' ' ? font->SpaceWidth : GlyphWidth(code)) - font->Overlap;
    }
    float Pen(std::string_view s) const {
        float pen = 0;
        for (const char code : s) {
            pen += Advance(code);
        }
        return pen;
    }
    // One line of S laid out from X = Left: every glyph starts where the one before it moved
    // the pen, and is as wide as its own picture.
    void ExpectLine(const TText* text, std::string_view s, float left) const {
        const std::vector<TSprite*> glyphs = Glyphs(text);
        std::size_t k = 0;
        float pen = left;
        for (const char code : s) {
            if (code != ' ') {
                ASSERT_LT(k, glyphs.size());
                EXPECT_FLOAT_EQ(Left(glyphs[k]), pen) << "glyph " << k << " of \"" << s << '"';
                EXPECT_EQ(glyphs[k]->Width, GlyphWidth(code)) << "glyph " << k;
                ++k;
            }
            pen += Advance(code);
        }
        EXPECT_EQ(k, glyphs.size());
    }
};

TEST_F(ProportionalTexts, GlyphsAdvanceByTheirOwnWidths) {
    ASSERT_GT(GlyphWidth('m'), GlyphWidth('i') + 4) << "the font must be proportional";
    ASSERT_NE(GlyphWidth('i'), font->SpaceWidth);
    int32_t lines = 0;
    float width = 0;
    float height = 0;
    MeasureText("Wim mill", lines, FontEngine, width, height, 0);
    EXPECT_EQ(lines, 1);
    EXPECT_FLOAT_EQ(width, Pen("Wim mill") + font->Overlap);
    MeasureText("ill\nWWm\ni", lines, FontEngine, width, height, 0);
    EXPECT_EQ(lines, 3);
    EXPECT_FLOAT_EQ(width, Pen("WWm") + font->Overlap) << "the widest line";
    EXPECT_FLOAT_EQ(height, 3 * font->LineHeight);

    const float line = Pen("Wim mill") + font->Overlap;
    ExpectLine(Make("Wim mill", tfAlignLeft, 400), "Wim mill", -200);
    ExpectLine(Make("Wim mill", 0, 400), "Wim mill", -0.5f * line);
    ExpectLine(Make("Wim mill", tfAlignRight, 400), "Wim mill", 200 - line);
}

// Greedy wrapping by pixel widths: a word joins its line only while the line stays under the
// tolerance, and goes to the next line only when it would not have fitted (or the line was
// already full).
TEST_F(ProportionalTexts, WordsWrapByTheirPixelWidths) {
    const std::string s = "Wim mill lit WWW mm iii Mum will milk ill Wilma in mid WW min i m";
    std::vector<std::string> words;
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t end = std::min(s.find(' ', at), s.size());
        words.push_back(s.substr(at, end - at));
        at = end + 1;
    }
    for (const float box : {40.0f, 55.0f, 70.0f, 90.0f, 130.0f}) {
        SCOPED_TRACE(box);
        const float limit = 1.025f * box;
        TText* text = Make(s, tfWordWrap, box, 1000);
        const std::vector<TSprite*> glyphs = Glyphs(text);
        std::size_t k = 0;
        float line = 0;
        float lineY = 0;
        float widest = 0;
        int32_t count = 0;
        for (const std::string& word : words) {
            ASSERT_LT(k, glyphs.size());
            const float y = glyphs[k]->Y;
            const float joined = line + Advance(' ') + Pen(word);
            if (count > 0 && y == lineY) {
                EXPECT_LT(line, box) << "a full line takes no more words: " << word;
                EXPECT_LT(joined, limit) << "joined beyond the tolerance: " << word;
                line = joined;
            } else {
                if (count > 0) {
                    EXPECT_EQ(y, lineY + font->LineHeight) << word;
                    EXPECT_TRUE(line >= box || joined >= limit) << "wrapped, but fits: " << word;
                }
                line = Pen(word);
                lineY = y;
                ++count;
            }
            for (std::size_t i = 0; i < word.size(); ++i, ++k) {
                ASSERT_LT(k, glyphs.size());
                EXPECT_EQ(glyphs[k]->Y, y) << "a word is never broken: " << word;
            }
            widest = std::max(widest, line + font->Overlap);
        }
        EXPECT_EQ(k, glyphs.size());
        EXPECT_GT(count, box < 100 ? 3 : 1);
        int32_t lines = 0;
        float width = 0;
        float height = 0;
        MeasureText(s, lines, FontEngine, width, height, box);
        EXPECT_EQ(lines, count);
        EXPECT_FLOAT_EQ(width, widest);
        ReleaseText(text);
    }
}

TEST_F(ProportionalTexts, WrapClosesALineAtExactlyTheBoxWidth) {
    // In a box this small the tolerance is below a pixel: two words exactly as wide as the box
    // stay on one line, and one pixel less wraps them.
    const float pair = Pen("W W");
    ASSERT_LT(pair, 39);
    EXPECT_EQ(LineYs(Make("W W", tfWordWrap, pair)).size(), 1u);
    EXPECT_EQ(LineYs(Make("W W", tfWordWrap, pair - 1)).size(), 2u);
    // A word that would bring the line exactly to the tolerance's limit goes to the next line.
    ASSERT_EQ(Pen("W WMi"), 1.025f * 40) << "pick words as wide as the limit of a 40 box";
    EXPECT_EQ(LineYs(Make("W WMi", tfWordWrap, 40)).size(), 2u);

    // A line that reaches the box's width ends there, although the next word would still be
    // within the tolerance; one pixel short of the width, the word joins it.
    const std::string word(25, 'W');
    const std::string s = word + " i";
    const float line = Pen(word);
    ASSERT_LT(line + Pen(" i"), 1.025f * (line + 1)) << "the tolerance leaves room for \"i\"";
    EXPECT_EQ(LineYs(Make(s, tfWordWrap, line)).size(), 2u);
    EXPECT_EQ(LineYs(Make(s, tfWordWrap, line + 1)).size(), 1u);
    int32_t lines = 0;
    float width = 0;
    float height = 0;
    MeasureText(s, lines, FontEngine, width, height, line);
    EXPECT_EQ(lines, 2);
    MeasureText(s, lines, FontEngine, width, height, line + 1);
    EXPECT_EQ(lines, 1);
}

TEST_F(ProportionalTexts, SqueezedLinesKeepTheirProportions) {
    const std::string s = "Wimi mW";
    const float width = Pen(s) + font->Overlap;
    const float box = 0.5f * width;
    const float factor = box / width;
    TText* text = Make(s, tfAlignRight, box);
    const std::vector<TSprite*> glyphs = Glyphs(text);
    ASSERT_EQ(glyphs.size(), 6u);
    float pen = 0;
    std::size_t k = 0;
    for (const char code : s) {
        if (code != ' ') {
            EXPECT_FLOAT_EQ(Left(glyphs[k]), pen * factor - 0.5f * box) << "glyph " << k;
            EXPECT_FLOAT_EQ(glyphs[k]->Width, GlyphWidth(code) * factor) << "glyph " << k;
            ++k;
        }
        pen += Advance(code);
    }
    EXPECT_NEAR(Right(glyphs.back()), 0.5f * box, 1e-4);
}

TEST_F(ProportionalTexts, CaretStandsAtTheLeftEdgeOfEachCharacter) {
    TText* text = Make("iW m", tfAlignLeft | tfAlignTop, 400, 200);
    SetTextEditable(text, true);
    ASSERT_EQ(text->Characters.Count(), 5) << "four characters and the caret";
    const float left = -200;
    const float before[] = {0, Pen("i"), Pen("iW"), Pen("iW "), Pen("iW m")};
    float x = 0;
    float y = 0;
    for (int32_t index = 1; index <= 5; ++index) {
        CharacterPosition(text, index, x, y);
        EXPECT_FLOAT_EQ(x, left + before[index - 1]) << "before character " << index;
    }
    ExpectLine(text, "iW m", left);

    // Squeezed, the caret still stands at each glyph's left edge.
    const std::string s = "mWi iWm";
    const float box = 0.5f * (Pen(s) + font->Overlap);
    TText* squeezed = Make(s, tfAlignLeft, box);
    SetTextEditable(squeezed, true);
    int32_t index = 0;
    for (const TCharacter& item : squeezed->Characters) {
        ++index;
        if (item.Sprite != nullptr) {
            CharacterPosition(squeezed, index, x, y);
            EXPECT_FLOAT_EQ(x, Left(item.Sprite)) << "before character " << index;
        }
    }
    EXPECT_EQ(index, 8);
    CharacterPosition(squeezed, index, x, y);
    EXPECT_NEAR(x, 0.5f * box - font->Overlap * box / (Pen(s) + font->Overlap), 1e-4)
        << "the caret after the last glyph";
}

// Both game fonts drawn through the real renderer (headless) and compared with a picture of
// an earlier run. To refresh the reference after a deliberate change of fonts, sizes or
// layout, delete tests/texts/TwoFonts.png and run this test once: it writes a new one (and
// skips), which is then committed.
TEST(TextsDrawn, BothGameFontsLookLikeTheReference) {
    ApplicationStart();
    SetSwitches(ParseSwitches({"-headless"}));
    struct TStop {
        ~TStop() {
            TextsStop();
            VideoStop();
            WindowStop();
            StorageReset();
            ApplicationStop();
        }
    } stop;
    try {
        WindowStart();
        VideoStart();
    } catch (const EngineError& error) {
        GTEST_SKIP() << "no OpenGL 3.3 here: " << error.what();
    }
    VideoResize(1600, 900);
    SetStorageFolderPath(sfOrdinary, VALDMOOR_GAME_ORDINARY);
    TextsStart();
    const char* sample =
        "Valdmoor: Grüße, Ærøskøbing — Съешь же ещё этих булок. 0123456789 \xEE\x80\x80";
    TText* engine = nullptr;
    TText* game = nullptr;
    CreateText(engine, MainCanvas(), 1, tfAlignLeft, FontEngine, 1560, 40);
    CreateText(game, MainCanvas(), 1, tfAlignLeft, FontGame, 1560, 40);
    SetText(engine, sample);
    SetText(game, sample);
    SetTextPosition(engine, 0, -25);
    SetTextPosition(game, 0, 25);
    TCaptureImage frame;
    ASSERT_TRUE(DrawFrame(&frame));

    // The band of the screen the two lines lie in, as an opaque picture.
    constexpr int32_t Top = 400;
    constexpr int32_t Height = 100;
    TPictureImage band = MakeArgbImage(frame.Width, Height);
    for (int32_t y = 0; y < Height; ++y) {
        for (int32_t x = 0; x < frame.Width; ++x) {
            const uint8_t* rgba =
                &frame.Rgba[(static_cast<std::size_t>(Top + y) * frame.Width + x) * 4];
            uint8_t* bgra = band.Row(y) + static_cast<std::ptrdiff_t>(x) * 4;
            bgra[0] = rgba[2];
            bgra[1] = rgba[1];
            bgra[2] = rgba[0];
            bgra[3] = 255;
        }
    }
    const fs::path reference = VALDMOOR_TEXTS_REFERENCE;
    if (!fs::exists(reference)) {
        std::ofstream(reference, std::ios::binary) << EncodePng(band);
        GTEST_SKIP() << "wrote the reference " << reference << "; commit it";
    }
    const TPictureImage expected = DecodePng(test::ReadFile(reference), reference.string());
    ASSERT_EQ(expected.Width, band.Width);
    ASSERT_EQ(expected.Height, band.Height);
    // Font renderers and drivers may shade edges a little differently; shapes must not move.
    int64_t differing = 0;
    int64_t inked = 0;
    for (int32_t y = 0; y < Height; ++y) {
        for (int32_t x = 0; x < band.Width * 4; ++x) {
            if (x % 4 == 3) {
                continue; // opaque everywhere
            }
            const int a = band.Row(y)[x];
            const int b = expected.Row(y)[x];
            differing += std::abs(a - b) > 48 ? 1 : 0;
            inked += b > 0 ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 4000) << "the reference shows text";
    EXPECT_LT(differing, inked / 50) << "of " << inked << " inked channel values";
}

} // namespace
} // namespace valdmoor
