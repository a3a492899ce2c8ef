// Text drawn as one sprite per visible character from bitmap fonts whose glyphs are segments of
// ordinary pictures, one picture per font and code-point range; measuring and laying out UTF-8
// text in a box (word wrap, alignment, squeezing instead of clipping); and two framed boxes made
// of border pictures: the nine-piece TSquare and the speech balloon TBallon.
#pragma once

#include "app/EngineClasses.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

class TCanvas;
class TSprite;
class TTexture;

constexpr int32_t FontCount = 2;
constexpr int32_t RangeCount = 8;

// Font indexes.
constexpr int32_t FontEngine = 0; // "F0FontEngine"
constexpr int32_t FontGame = 1;   // "F2FontGame"

// A code-point range whose glyphs are the segments of the picture font name + Suffix; the
// glyph of code point c is segment c - First.
struct TCodeRange {
    uint32_t First;
    uint32_t Last;
    std::string_view Suffix;
};
// The range of slot 0 .. RangeCount - 1 (slot 7, U+E000 .. U+E00F, is a picture of icons).
const TCodeRange& CodeRange(int32_t slot);

struct TFont {
    std::string Name;
    std::array<TTexture*, RangeCount> RangeTextures{};
    std::array<bool, RangeCount> RangeTried{};
    float LineHeight = 20; // the space glyph's height
    float SpaceWidth = 8;  // the space glyph's width
    float BackStep = 10.4f;
    // Glyph pictures carry margins that let neighbours overlap; every advance subtracts it.
    float Overlap = 3;
};

// Prepares both fonts from their space glyphs. Needs video (pictures load on first use).
void TextsStart();
// Releases every text and box and frees the pools; accepts texts that never started.
void TextsStop();
bool TextsStarted();

// Font 0 or 1; nil for other indexes and while texts are stopped. Also what text entry takes
// as its font.
TFont* Font(int32_t index);
// The glyph of Code: its picture in Texture and the segment number, or -1 (Texture nil) when
// the font has none. The range picture is looked for once, on first use.
int32_t FindGlyph(int32_t fontIndex, uint32_t code, TTexture*& texture);
// The text-entry glyph check: whether Font (a TFont of this unit) can show CodePoint.
bool FontHasGlyph(const void* font, uint32_t codePoint);

// Lines and size (widest line, Lines x LineHeight) of Text; wraps at MaxWidth when it is above
// 0. The width is what a box needs to show each line without squeezing.
void MeasureText(std::string_view text, int32_t& lines, int32_t fontIndex, float& width,
                 float& height, float maxWidth);

// Flags of a TText.
enum TTextFlag : uint8_t {
    tfAlignLeft = 1,
    tfAlignTop = 2,
    tfAlignRight = 4,
    tfAlignBottom = 8,
    tfWordWrap = 16,
};

// Control codes of character items.
constexpr int32_t CaretCode = 3;    // the caret place after the last character of editable text
constexpr int32_t BackStepCode = 8; // moves the pen back by BackStep
constexpr int32_t LineEndCode = 10;

class TCharacter : public TItem {
public:
    void Detached() override;

    int32_t Code = 0;
    float X = 0; // centre, relative to the text's centre
    float Y = 0;
    float Width = 0; // as laid out (squeezed lines are narrower)
    TSprite* Sprite = nullptr;
};

class TText : public TItem {
public:
    TText();
    ~TText() override;

    void Attached() override;
    void Detached() override;

    TContainerOf<TCharacter> Characters;
    std::string Text;
    int32_t FontIndex = 0;
    uint8_t Flags = 0;
    bool Editable = false;
    TCanvas* Canvas = nullptr;
    int32_t Layer = 0;
    float X = 0; // centre of the box
    float Y = 0;
    float BoxWidth = 0;
    float BoxHeight = 0;
    float Red = 1;
    float Green = 1;
    float Blue = 1;
    float Alpha = 1;
    // Drawn size over the font's own, for a title; the box stays in canvas units.
    float Scale = 1;
};

void CreateText(TText*& text, TCanvas* canvas, int32_t layer, uint8_t flags, int32_t fontIndex,
                float boxWidth, float boxHeight);
void ReleaseText(TText*& text);
// Lays the text out again only when S differs from it.
void SetText(TText* text, std::string_view s);
// An editable text keeps an item for every character, so the caret can stand before any.
void SetTextEditable(TText* text, bool on);
void SetTextPosition(TText* text, float x, float y);
void SetTextColor(TText* text, float red, float green, float blue);
void SetTextAlpha(TText* text, float alpha);
// Enlarges (or shrinks) the text about its centre; a scale that is not above 0 is ignored.
void SetTextScale(TText* text, float scale);
// Where the caret stands before character Index (1-based, limited to the count) of an
// editable text, in canvas units; the text's centre for other texts.
void CharacterPosition(const TText* text, int32_t index, float& x, float& y);

// A box framed by eight pieces of a border picture (frames 0 .. 7: top, top-right, right,
// bottom-right, bottom, bottom-left, left, top-left) around an optional solid fill.
class TSquare : public TItem {
public:
    void Attached() override;
    void Detached() override;

    TSprite* Fill = nullptr;
    std::array<TSprite*, 8> Pieces{};
    TCanvas* Canvas = nullptr;
    int32_t Layer = 0;
    TTexture* Picture = nullptr;
    bool Visible = true;
    int32_t Corner = 0; // pixel size of a corner piece
    float X = 0;
    float Y = 0;
    float Width = 0;
    float Height = 0;
    float Red = 1;
    float Green = 1;
    float Blue = 1;
    float Alpha = 1;
};

void CreateSquare(TSquare*& square, TCanvas* canvas, int32_t layer, bool withFill,
                  std::string_view pictureName, int32_t corner);
void ReleaseSquare(TSquare*& square);
void SetSquarePosition(TSquare* square, float x, float y);
void SetSquareSize(TSquare* square, float width, float height);
void SetSquareColor(TSquare* square, float red, float green, float blue);
void SetSquareAlpha(TSquare* square, float alpha);
void SetSquareVisible(TSquare* square, bool visible);

// Pointer sides of a balloon.
enum TPointerSide : int32_t {
    psTop = 0,
    psRight = 2,
    psBottom = 4,
    psLeft = 6,
};

// A framed box whose edge on one side carries a pointer (frame 8 + side / 2 of the border
// picture); two stretched edge pieces fill the gaps beside it.
class TBallon : public TItem {
public:
    void Attached() override;
    void Detached() override;

    TSprite* Fill = nullptr;
    std::array<TSprite*, 8> Pieces{};
    TSprite* Pointer = nullptr;
    TSprite* EdgeBefore = nullptr; // towards the corner before the pointer, clockwise
    TSprite* EdgeAfter = nullptr;
    TCanvas* Canvas = nullptr;
    int32_t Layer = 0;
    TTexture* Picture = nullptr;
    int32_t PointerSide = psBottom;
    int32_t Corner = 0;
    int32_t PointerSize = 0;
    float X = 0;
    float Y = 0;
    float Width = 0;
    float Height = 0;
    float PointerX = 0; // relative to the box centre
    float PointerY = 0;
    float Red = 1;
    float Green = 1;
    float Blue = 1;
    float Alpha = 1;
};

void CreateBallon(TBallon*& ballon, TCanvas* canvas, int32_t layer, std::string_view pictureName,
                  int32_t pointerSide, float x, float y, int32_t corner, int32_t pointerSize,
                  float width, float height);
void ReleaseBallon(TBallon*& ballon);
void SetBallonPosition(TBallon* ballon, float x, float y);
void SetBallonSize(TBallon* ballon, float width, float height);
// Where the pointer should be, relative to the box centre; it slides along its side only.
void SetBallonPointer(TBallon* ballon, float x, float y);
void SetBallonColor(TBallon* ballon, float red, float green, float blue);
void SetBallonAlpha(TBallon* ballon, float alpha);

} // namespace valdmoor
