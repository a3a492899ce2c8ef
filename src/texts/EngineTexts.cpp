#include "texts/EngineTexts.h"

#include "storage/EngineStorage.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace valdmoor {
namespace {

constexpr std::array<TCodeRange, RangeCount> Ranges = {{
    {0x0020, 0x007E, "00sdl"},
    {0x00A0, 0x00FF, "01sl"},
    {0x0100, 0x017F, "02"},
    {0x0200, 0x021B, "03ascr"},
    {0x0400, 0x045F, "08le"},
    {0x048A, 0x04F9, "08e"},
    {0x2010, 0xDFFF, "30hq"},
    {0xE000, 0xE00F, "90bi"},
}};

struct TFontSetup {
    const char* Name;
    float Overlap;
};
constexpr std::array<TFontSetup, FontCount> FontSetups = {{
    {"F0FontEngine", 3.0f},
    {"F2FontGame", 3.75f},
}};

constexpr float DefaultLineHeight = 20;
constexpr float DefaultSpaceWidth = 8;
constexpr float BackStepFactor = 1.3f;
// A word still joins a line that it overfills by this little.
constexpr float WrapTolerance = 1.025f;

constexpr int32_t CharacterPoolSize = 512;
constexpr int32_t TextPoolSize = 64;
constexpr int32_t SquarePoolSize = 8;
constexpr int32_t BallonPoolSize = 2;

constexpr uint32_t Space = 32;
constexpr uint32_t LineFeed = 10;

// The range list keeps the range hit last at its front: text runs in one script.
struct TRangeNode {
    int32_t Slot = 0;
    TRangeNode* Next = nullptr;
};

struct TTextsState {
    bool started = false;
    std::array<TFont, FontCount> fonts;
    std::array<TRangeNode, RangeCount> nodes{};
    TRangeNode* head = nullptr;
    // Declared before the texts: every text's characters return here when it goes.
    std::unique_ptr<TCache> characters;
    std::unique_ptr<TContainerOf<TText>> texts;
    std::unique_ptr<TContainerOf<TSquare>> squares;
    std::unique_ptr<TContainerOf<TBallon>> ballons;
};

TTextsState state;

TFont* FontAt(int32_t index) {
    return state.started && index >= 0 && index < FontCount
               ? &state.fonts[static_cast<std::size_t>(index)]
               : nullptr;
}

// A picture that only stands in for a broken file would give every code point the same
// empty glyph; such a range counts as missing.
TTexture* LoadRangePicture(const std::string& name) {
    if (!VideoStarted() || !StorageExists(sfOrdinary, name, fkTpx)) {
        return nullptr;
    }
    TTexture* texture = GetTexture(name);
    const auto* image = dynamic_cast<const TBaseImageTexture*>(texture);
    if (image == nullptr || !image->Loaded) {
        ReleaseTexture(texture);
        return nullptr;
    }
    return texture;
}

int32_t RangeGlyph(TFont& font, int32_t slot, uint32_t offset, TTexture*& texture) {
    const auto index = static_cast<std::size_t>(slot);
    TTexture*& picture = font.RangeTextures[index];
    if (picture == nullptr) {
        if (font.RangeTried[index]) {
            return -1;
        }
        font.RangeTried[index] = true;
        picture = LoadRangePicture(font.Name + std::string(Ranges[index].Suffix));
        if (picture == nullptr) {
            return -1;
        }
    }
    // Code points the font lacks have empty segments, and a short segment list must not lend
    // its last glyph to every code point after it.
    const auto frame = static_cast<int32_t>(offset);
    if (frame >= picture->SegmentCount()) {
        return -1;
    }
    const TSegment& segment = picture->SegmentAt(frame);
    if (!(segment.PixelWidth > 0 && segment.PixelHeight > 0)) {
        return -1;
    }
    texture = picture;
    return frame;
}

int32_t FindFontGlyph(TFont& font, uint32_t code, TTexture*& texture) {
    texture = nullptr;
    TRangeNode* previous = nullptr;
    for (TRangeNode* node = state.head; node != nullptr; previous = node, node = node->Next) {
        const TCodeRange& range = Ranges[static_cast<std::size_t>(node->Slot)];
        if (code < range.First || code > range.Last) {
            continue;
        }
        if (previous != nullptr) {
            previous->Next = node->Next;
            node->Next = state.head;
            state.head = node;
        }
        return RangeGlyph(font, node->Slot, code - range.First, texture);
    }
    return -1;
}

// The next valid code point from Position on; invalid bytes are passed over.
bool NextCode(std::string_view s, std::size_t& position, uint32_t& code) {
    while (position < s.size()) {
        int length = 0;
        uint32_t decoded = 0;
        const bool valid = Utf8Decode(
            s.data() + position, static_cast<std::ptrdiff_t>(s.size() - position), length, decoded);
        position += static_cast<std::size_t>(std::max(length, 1));
        if (valid) {
            code = decoded;
            return true;
        }
    }
    return false;
}

void PaintSprite(TSprite* sprite, float red, float green, float blue, float alpha) {
    if (sprite != nullptr) {
        sprite->Red = red;
        sprite->Green = green;
        sprite->Blue = blue;
        sprite->Alpha = alpha;
    }
}

void PlaceSprite(TSprite* sprite, float x, float y, float width, float height) {
    if (sprite != nullptr) {
        sprite->X = x;
        sprite->Y = y;
        sprite->Width = width;
        sprite->Height = height;
    }
}

// ---------------------------------------------------------------------------------------------
// Layout

// Lines and the widest of them (its width as placement sees it: pen + Overlap).
struct TScan {
    int32_t Lines = 0;
    float Widest = 0;
};

// Takes the next item of a text being laid out: the next of the previous layout's items, or
// a new one from the pool.
TCharacter* TakeItem(TText& text, TCharacter*& reuse) {
    TCharacter* item = reuse;
    if (item != nullptr) {
        reuse = static_cast<TCharacter*>(item->Next());
    } else {
        item = text.Characters.NewItem();
    }
    return item;
}

void SetItem(TText& text, TCharacter* item, int32_t code, TTexture* glyph, int32_t frame) {
    item->Code = code;
    item->X = 0;
    item->Y = 0;
    item->Width = 0;
    if (glyph == nullptr) {
        ReleaseSprite(item->Sprite);
        return;
    }
    const TSegment& segment = glyph->SegmentAt(frame);
    item->Width = segment.PixelWidth;
    CreateSprite(item->Sprite, text.Canvas, text.Layer);
    if (TSprite* sprite = item->Sprite) {
        SetSpriteTexture(sprite, 0, glyph);
        SetSpriteFrame(sprite, 0, frame);
        sprite->Width = segment.PixelWidth;
        sprite->Height = segment.PixelHeight;
        PaintSprite(sprite, text.Red, text.Green, text.Blue, text.Alpha);
    }
}

// One pass over S, shared by measuring and layout: which characters are items, and with
// wrapping where the lines end. With Target it also makes the text's items (reusing its
// previous ones in order); KeepAll keeps characters that show nothing, as editing needs.
TScan ScanText(TFont& font, std::string_view s, bool wrap, float boxWidth, bool keepAll,
               TText* target) {
    TScan scan;
    const float spaceAdvance = font.SpaceWidth - font.Overlap;
    const float limit = boxWidth * WrapTolerance;
    TCharacter* reuse = target != nullptr ? target->Characters.First() : nullptr;

    float line = 0; // wrapping: the words on the line; otherwise the pen
    float word = 0;
    bool lineUsed = false;           // a word has joined the line
    bool itemsOnLine = false;        // the line has items, so placement will count it
    int32_t wordItems = 0;           // items since the last space or line feed
    TCharacter* separator = nullptr; // the space or line feed before the current word

    auto close = [&](float width, TCharacter* at) {
        if (at != nullptr) {
            at->Code = static_cast<int32_t>(LineEndCode);
        }
        ++scan.Lines;
        scan.Widest = std::max(scan.Widest, width + font.Overlap);
    };
    auto makeItem = [&](uint32_t code, TTexture* glyph, int32_t frame) -> TCharacter* {
        itemsOnLine = true;
        if (target == nullptr) {
            return nullptr;
        }
        TCharacter* item = TakeItem(*target, reuse);
        if (item != nullptr) {
            SetItem(*target, item, static_cast<int32_t>(code), glyph, frame);
        }
        return item;
    };
    // Rule of a word's end: it joins the line when it fits, else the line ends at the
    // separator before it.
    auto endWord = [&] {
        if (!lineUsed) {
            line = word;
            lineUsed = true;
        } else if (line + spaceAdvance + word < limit) {
            line += spaceAdvance + word;
        } else {
            close(line, separator);
            line = word;
            itemsOnLine = wordItems > 0;
        }
        word = 0;
        wordItems = 0;
    };

    std::size_t position = 0;
    uint32_t code = 0;
    uint32_t previous = 0;
    bool have = NextCode(s, position, code);
    while (have) {
        uint32_t next = 0;
        const bool haveNext = NextCode(s, position, next);

        if (code == Space || code == LineFeed) {
            if (wrap) {
                endWord();
                // A line feed that does not end a line stands for a space.
                TCharacter* item = makeItem(Space, nullptr, 0);
                const bool paragraph =
                    code == LineFeed && (previous == LineFeed || (haveNext && next == LineFeed));
                if (line >= boxWidth || paragraph) {
                    close(line, item);
                    line = 0;
                    lineUsed = false;
                    itemsOnLine = false;
                }
                separator = item;
            } else if (code == LineFeed) {
                makeItem(LineFeed, nullptr, 0);
                close(line, nullptr);
                line = 0;
                itemsOnLine = false;
            } else {
                makeItem(Space, nullptr, 0);
                line += spaceAdvance;
            }
        } else {
            float advance = 0;
            bool item = true;
            TTexture* glyph = nullptr;
            int32_t frame = -1;
            if (code == BackStepCode) {
                advance = -font.BackStep;
            } else if (code > Space && (frame = FindFontGlyph(font, code, glyph)) >= 0) {
                advance = glyph->SegmentAt(frame).PixelWidth - font.Overlap;
            } else {
                item = keepAll;
                glyph = nullptr;
            }
            if (item) {
                makeItem(code, glyph, frame);
                ++wordItems;
                if (wrap) {
                    word += advance;
                } else {
                    line += advance;
                }
            }
        }
        previous = code;
        code = next;
        have = haveNext;
    }
    if (wrap) {
        endWord();
    }
    if (itemsOnLine) {
        close(line, nullptr);
    }
    if (target != nullptr) {
        while (reuse != nullptr) {
            TCharacter* leftover = reuse;
            reuse = static_cast<TCharacter*>(leftover->Next());
            target->Characters.Remove(leftover);
        }
    }
    return scan;
}

// Puts one line into the box: aligned when it fits, squeezed to the box's width otherwise.
void AlignLine(const TText& text, TCharacter* first, const TCharacter* stop, float width) {
    const float box = text.BoxWidth / text.Scale;
    if (width <= box || width <= 0) {
        float offset = -0.5f * width;
        if ((text.Flags & tfAlignLeft) != 0) {
            offset = -0.5f * box;
        } else if ((text.Flags & tfAlignRight) != 0) {
            offset = box - width - 0.5f * box;
        }
        for (TCharacter* item = first; item != nullptr && item != stop;
             item = static_cast<TCharacter*>(item->Next())) {
            item->X += offset;
        }
        return;
    }
    const float factor = box / width;
    for (TCharacter* item = first; item != nullptr && item != stop;
         item = static_cast<TCharacter*>(item->Next())) {
        item->X = item->X * factor - 0.5f * box;
        item->Width *= factor;
        if (item->Sprite != nullptr) {
            item->Sprite->Width *= factor;
        }
    }
}

void PositionSprites(const TText& text) {
    for (TCharacter& item : text.Characters) {
        if (item.Sprite != nullptr) {
            item.Sprite->X = text.X + item.X * text.Scale;
            item.Sprite->Y = text.Y + item.Y * text.Scale;
            item.Sprite->Scale = text.Scale;
        }
    }
}

// Places the items line by line; items that only moved the pen go unless the text is
// editable.
void PlaceItems(TText& text, const TFont& font) {
    float pen = 0;
    int32_t lineIndex = 0;
    TCharacter* lineFirst = nullptr;
    TCharacter* item = text.Characters.First();
    while (item != nullptr) {
        auto* next = static_cast<TCharacter*>(item->Next());
        const int32_t code = item->Code;
        bool keep = true;
        if (item->Width > 0 && code > static_cast<int32_t>(Space)) {
            item->X = pen + 0.5f * item->Width;
            pen += item->Width - font.Overlap;
        } else if (code == static_cast<int32_t>(Space)) {
            item->X = pen + 0.5f * font.SpaceWidth;
            item->Width = font.SpaceWidth;
            pen += font.SpaceWidth - font.Overlap;
            keep = text.Editable;
        } else if (code == BackStepCode) {
            item->X = pen - 0.5f * font.BackStep;
            item->Width = font.BackStep;
            pen -= font.BackStep;
            keep = text.Editable;
        } else {
            item->X = pen;
            item->Width = 0;
            keep = code != LineEndCode || text.Editable;
        }
        item->Y = (static_cast<float>(lineIndex) + 0.5f) * font.LineHeight;
        if (!keep) {
            text.Characters.Remove(item);
        } else if (lineFirst == nullptr) {
            lineFirst = item;
        }
        if (code == LineEndCode || next == nullptr) {
            AlignLine(text, lineFirst, next, pen + font.Overlap);
            ++lineIndex;
            pen = 0;
            lineFirst = nullptr;
        }
        item = next;
    }

    const float total = static_cast<float>(lineIndex) * font.LineHeight;
    const float box = text.BoxHeight / text.Scale;
    if (total <= box) {
        float offset = -0.5f * total;
        if ((text.Flags & tfAlignTop) != 0) {
            offset = -0.5f * box;
        } else if ((text.Flags & tfAlignBottom) != 0) {
            offset = box - total - 0.5f * box;
        }
        for (TCharacter& character : text.Characters) {
            character.Y += offset;
        }
    } else {
        const float factor = box / total;
        for (TCharacter& character : text.Characters) {
            character.Y = character.Y * factor - 0.5f * box;
            if (character.Sprite != nullptr) {
                character.Sprite->Height *= factor;
            }
        }
    }
    PositionSprites(text);
}

void Layout(TText& text) {
    TFont* font = FontAt(text.FontIndex);
    if (font == nullptr) {
        text.Characters.Clear();
        return;
    }
    ScanText(*font, text.Text, (text.Flags & tfWordWrap) != 0, text.BoxWidth / text.Scale,
             text.Editable, &text);
    if (text.Editable) {
        if (auto* caret = text.Characters.NewItem()) {
            SetItem(text, caret, CaretCode, nullptr, 0);
        }
    }
    PlaceItems(text, *font);
}

// ---------------------------------------------------------------------------------------------
// Framed boxes

struct TDirection {
    float X;
    float Y;
};
constexpr std::array<TDirection, 8> Directions = {{
    {0, -1},
    {1, -1},
    {1, 0},
    {1, 1},
    {0, 1},
    {-1, 1},
    {-1, 0},
    {-1, -1},
}};

int32_t BelowLayer(int32_t layer) {
    return layer > INT32_MIN ? layer - 1 : layer;
}

// The eight pieces (missing ones skipped) and the fill of a frame centred at X, Y. A box
// smaller than its corners gets empty edges rather than mirrored ones.
void PlaceFrame(TSprite* fill, const std::array<TSprite*, 8>& pieces, float x, float y, float width,
                float height, float corner) {
    const float hx = 0.5f * width - 0.5f * corner;
    const float hy = 0.5f * height - 0.5f * corner;
    const float innerWidth = std::max(width - 2 * corner, 0.0f);
    const float innerHeight = std::max(height - 2 * corner, 0.0f);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const TDirection& d = Directions[i];
        PlaceSprite(pieces[i], x + hx * d.X, y + hy * d.Y, d.X == 0 ? innerWidth : corner,
                    d.Y == 0 ? innerHeight : corner);
    }
    PlaceSprite(fill, x, y, innerWidth, innerHeight);
}

TSprite* MakePiece(TCanvas* canvas, int32_t layer, TTexture* picture, int32_t frame) {
    TSprite* sprite = nullptr;
    CreateSprite(sprite, canvas, layer);
    if (sprite != nullptr) {
        SetSpriteTexture(sprite, 0, picture);
        SetSpriteFrame(sprite, 0, frame);
    }
    return sprite;
}

TSprite* MakeFill(TCanvas* canvas, int32_t layer) {
    TSprite* sprite = nullptr;
    CreateSprite(sprite, canvas, BelowLayer(layer));
    if (sprite != nullptr) {
        sprite->ShadingMode = smOnlyTint;
    }
    return sprite;
}

void PaintSquare(TSquare& square) {
    PaintSprite(square.Fill, square.Red, square.Green, square.Blue, square.Alpha);
    for (TSprite* piece : square.Pieces) {
        PaintSprite(piece, square.Red, square.Green, square.Blue, square.Alpha);
    }
    if (square.Fill != nullptr) {
        square.Fill->Visible = square.Visible;
    }
    for (TSprite* piece : square.Pieces) {
        if (piece != nullptr) {
            piece->Visible = square.Visible;
        }
    }
}

void PlaceSquare(TSquare& square) {
    PlaceFrame(square.Fill, square.Pieces, square.X, square.Y, square.Width, square.Height,
               static_cast<float>(square.Corner));
}

// Clamp that tolerates an empty interval (a pointer wider than its side stays centred).
float Slide(float value, float half) {
    return half > 0 ? std::clamp(value, -half, half) : 0.0f;
}

void PaintBallon(TBallon& ballon) {
    auto paint = [&](TSprite* sprite) {
        PaintSprite(sprite, ballon.Red, ballon.Green, ballon.Blue, ballon.Alpha);
    };
    paint(ballon.Fill);
    paint(ballon.Pointer);
    paint(ballon.EdgeBefore);
    paint(ballon.EdgeAfter);
    for (TSprite* piece : ballon.Pieces) {
        paint(piece);
    }
}

// An edge piece from A to B along the pointer's side; made when it has a length, dropped
// when it has none.
void PlaceEdge(TBallon& ballon, TSprite*& edge, float from, float to, float across,
               bool horizontal) {
    const float length = to - from;
    if (!(length > 0)) {
        ReleaseSprite(edge);
        return;
    }
    if (edge == nullptr) {
        edge = MakePiece(ballon.Canvas, ballon.Layer, ballon.Picture, ballon.PointerSide);
        PaintSprite(edge, ballon.Red, ballon.Green, ballon.Blue, ballon.Alpha);
    }
    const float middle = 0.5f * (from + to);
    const auto corner = static_cast<float>(ballon.Corner);
    if (horizontal) {
        PlaceSprite(edge, ballon.X + middle, ballon.Y + across, length, corner);
    } else {
        PlaceSprite(edge, ballon.X + across, ballon.Y + middle, corner, length);
    }
}

void PlaceBallon(TBallon& ballon) {
    const auto c = static_cast<float>(ballon.Corner);
    const auto b = static_cast<float>(ballon.PointerSize);
    PlaceFrame(ballon.Fill, ballon.Pieces, ballon.X, ballon.Y, ballon.Width, ballon.Height, c);
    const float iw = std::max(ballon.Width - 2 * c, 0.0f);
    const float ih = std::max(ballon.Height - 2 * c, 0.0f);
    const bool horizontal = ballon.PointerSide == psTop || ballon.PointerSide == psBottom;
    const float sign = ballon.PointerSide == psTop || ballon.PointerSide == psLeft ? -1.0f : 1.0f;
    float px = 0;
    float py = 0;
    float along = 0;
    float inner = 0;
    float edgeLine = 0;
    if (horizontal) {
        px = along = Slide(ballon.PointerX, 0.5f * (iw - b));
        py = sign * (0.5f * ih + 0.5f * b);
        inner = 0.5f * iw;
        edgeLine = sign * (0.5f * ih + 0.5f * c);
    } else {
        px = sign * (0.5f * iw + 0.5f * b);
        py = along = Slide(ballon.PointerY, 0.5f * (ih - b));
        inner = 0.5f * ih;
        edgeLine = sign * (0.5f * iw + 0.5f * c);
    }
    PlaceSprite(ballon.Pointer, ballon.X + px, ballon.Y + py, b, b);
    // Clockwise, the top and right sides run towards positive coordinates.
    const bool beforeIsNegative = ballon.PointerSide == psTop || ballon.PointerSide == psRight;
    TSprite*& negative = beforeIsNegative ? ballon.EdgeBefore : ballon.EdgeAfter;
    TSprite*& positive = beforeIsNegative ? ballon.EdgeAfter : ballon.EdgeBefore;
    PlaceEdge(ballon, negative, -inner, along - 0.5f * b, edgeLine, horizontal);
    PlaceEdge(ballon, positive, along + 0.5f * b, inner, edgeLine, horizontal);
}

void ReleaseSprites(TSprite*& fill, std::array<TSprite*, 8>& pieces) {
    ReleaseSprite(fill);
    for (TSprite*& piece : pieces) {
        ReleaseSprite(piece);
    }
}

// After video stopped, sprites and pictures are gone with it: forget them instead of releasing.
void ForgetSprites() {
    if (state.texts != nullptr) {
        for (TText& text : *state.texts) {
            for (TCharacter& item : text.Characters) {
                item.Sprite = nullptr;
            }
        }
    }
    auto forgetFrame = [](TSprite*& fill, std::array<TSprite*, 8>& pieces) {
        fill = nullptr;
        pieces.fill(nullptr);
    };
    if (state.squares != nullptr) {
        for (TSquare& square : *state.squares) {
            forgetFrame(square.Fill, square.Pieces);
            square.Picture = nullptr;
        }
    }
    if (state.ballons != nullptr) {
        for (TBallon& ballon : *state.ballons) {
            forgetFrame(ballon.Fill, ballon.Pieces);
            ballon.Pointer = ballon.EdgeBefore = ballon.EdgeAfter = nullptr;
            ballon.Picture = nullptr;
        }
    }
}

} // namespace

const TCodeRange& CodeRange(int32_t slot) {
    return Ranges[static_cast<std::size_t>(std::clamp(slot, 0, RangeCount - 1))];
}

// ---------------------------------------------------------------------------------------------
// Start and stop

void TextsStart() {
    TextsStop();
    for (int32_t slot = 0; slot < RangeCount; ++slot) {
        state.nodes[static_cast<std::size_t>(slot)] = TRangeNode{
            slot,
            slot + 1 < RangeCount ? &state.nodes[static_cast<std::size_t>(slot) + 1] : nullptr};
    }
    state.head = &state.nodes[0];
    state.characters = std::make_unique<TCache>(&TCache::Build<TCharacter>, CharacterPoolSize);
    state.texts = std::make_unique<TContainerOf<TText>>(false, &TCache::Build<TText>, TextPoolSize);
    state.squares =
        std::make_unique<TContainerOf<TSquare>>(false, &TCache::Build<TSquare>, SquarePoolSize);
    state.ballons =
        std::make_unique<TContainerOf<TBallon>>(false, &TCache::Build<TBallon>, BallonPoolSize);
    state.started = true;
    for (std::size_t i = 0; i < state.fonts.size(); ++i) {
        TFont& font = state.fonts[i];
        font = TFont{};
        font.Name = FontSetups[i].Name;
        font.Overlap = FontSetups[i].Overlap;
        TTexture* texture = nullptr;
        const int32_t frame = FindFontGlyph(font, Space, texture);
        if (frame >= 0) {
            const TSegment& segment = texture->SegmentAt(frame);
            font.LineHeight = segment.PixelHeight;
            font.SpaceWidth = segment.PixelWidth;
        } else {
            font.LineHeight = DefaultLineHeight;
            font.SpaceWidth = DefaultSpaceWidth;
        }
        font.BackStep = BackStepFactor * font.SpaceWidth;
    }
}

void TextsStop() {
    if (!VideoStarted()) {
        ForgetSprites();
    }
    state.started = false;
    state.ballons.reset();
    state.squares.reset();
    state.texts.reset();
    state.characters.reset();
    for (TFont& font : state.fonts) {
        if (VideoStarted()) {
            for (TTexture* texture : font.RangeTextures) {
                ReleaseTexture(texture);
            }
        }
        font = TFont{};
    }
    state.head = nullptr;
}

bool TextsStarted() {
    return state.started;
}

TFont* Font(int32_t index) {
    return FontAt(index);
}

int32_t FindGlyph(int32_t fontIndex, uint32_t code, TTexture*& texture) {
    texture = nullptr;
    TFont* font = FontAt(fontIndex);
    return font != nullptr ? FindFontGlyph(*font, code, texture) : -1;
}

bool FontHasGlyph(const void* font, uint32_t codePoint) {
    for (int32_t index = 0; index < FontCount; ++index) {
        if (font == &state.fonts[static_cast<std::size_t>(index)]) {
            TTexture* texture = nullptr;
            return FindGlyph(index, codePoint, texture) >= 0;
        }
    }
    // Entry started without one of our fonts: there is nothing to check against.
    return true;
}

void MeasureText(std::string_view text, int32_t& lines, int32_t fontIndex, float& width,
                 float& height, float maxWidth) {
    lines = 0;
    width = 0;
    height = 0;
    TFont* font = FontAt(fontIndex);
    if (font == nullptr) {
        return;
    }
    const TScan scan = ScanText(*font, text, maxWidth > 0, maxWidth, false, nullptr);
    lines = scan.Lines;
    width = scan.Widest;
    height = static_cast<float>(scan.Lines) * font->LineHeight;
}

// ---------------------------------------------------------------------------------------------
// Texts

void TCharacter::Detached() {
    ReleaseSprite(Sprite);
}

TText::TText() : Characters(false, *state.characters) {}

TText::~TText() = default;

void TText::Attached() {
    Red = Green = Blue = 1;
    Alpha = 1;
    Scale = 1;
}

void TText::Detached() {
    Text.clear();
    Editable = false;
    Characters.Clear();
}

void CreateText(TText*& text, TCanvas* canvas, int32_t layer, uint8_t flags, int32_t fontIndex,
                float boxWidth, float boxHeight) {
    if (text != nullptr || !state.started) {
        return;
    }
    TText* created = state.texts->NewItem();
    if (created == nullptr) {
        return;
    }
    created->Canvas = canvas;
    created->Layer = layer;
    created->Flags = flags;
    created->FontIndex = fontIndex >= 0 && fontIndex < FontCount ? fontIndex : 0;
    created->X = 0;
    created->Y = 0;
    // A negative box would mirror the text.
    created->BoxWidth = std::max(boxWidth, 0.0f);
    created->BoxHeight = std::max(boxHeight, 0.0f);
    text = created;
}

void ReleaseText(TText*& text) {
    if (text != nullptr && state.texts != nullptr) {
        state.texts->Remove(text);
    }
    text = nullptr;
}

void SetText(TText* text, std::string_view s) {
    if (text == nullptr || text->Text == s) {
        return;
    }
    text->Text.assign(s);
    Layout(*text);
}

void SetTextEditable(TText* text, bool on) {
    if (text == nullptr || text->Editable == on) {
        return;
    }
    text->Editable = on;
    Layout(*text);
}

void SetTextPosition(TText* text, float x, float y) {
    if (text == nullptr || (text->X == x && text->Y == y)) {
        return;
    }
    text->X = x;
    text->Y = y;
    PositionSprites(*text);
}

void SetTextColor(TText* text, float red, float green, float blue) {
    if (text == nullptr) {
        return;
    }
    text->Red = red;
    text->Green = green;
    text->Blue = blue;
    for (TCharacter& item : text->Characters) {
        PaintSprite(item.Sprite, red, green, blue, text->Alpha);
    }
}

void SetTextAlpha(TText* text, float alpha) {
    if (text == nullptr) {
        return;
    }
    text->Alpha = alpha;
    for (TCharacter& item : text->Characters) {
        PaintSprite(item.Sprite, text->Red, text->Green, text->Blue, alpha);
    }
}

void SetTextScale(TText* text, float scale) {
    if (text == nullptr || !(scale > 0) || !std::isfinite(scale) || text->Scale == scale) {
        return;
    }
    text->Scale = scale;
    Layout(*text);
}

void CharacterPosition(const TText* text, int32_t index, float& x, float& y) {
    x = text != nullptr ? text->X : 0;
    y = text != nullptr ? text->Y : 0;
    if (text == nullptr || !text->Editable || text->Characters.Empty()) {
        return;
    }
    const TCharacter* item =
        text->Characters.ItemAt(std::clamp(index, 1, text->Characters.Count()));
    // The caret stands at the left edge of a character; a back-step's item lies behind the
    // place it starts from.
    const float half = 0.5f * item->Width;
    x += (item->Code == BackStepCode ? item->X + half : item->X - half) * text->Scale;
    y += item->Y * text->Scale;
}

// ---------------------------------------------------------------------------------------------
// Squares

void TSquare::Attached() {
    Visible = true;
    Red = Green = Blue = 1;
    Alpha = 1;
}

void TSquare::Detached() {
    ReleaseSprites(Fill, Pieces);
    ReleaseTexture(Picture);
    Picture = nullptr;
}

void CreateSquare(TSquare*& square, TCanvas* canvas, int32_t layer, bool withFill,
                  std::string_view pictureName, int32_t corner) {
    if (square != nullptr || !state.started) {
        return;
    }
    TSquare* created = state.squares->NewItem();
    if (created == nullptr) {
        return;
    }
    created->Canvas = canvas;
    created->Layer = layer;
    created->Corner = std::max(corner, 0);
    created->X = 0;
    created->Y = 0;
    created->Width = created->Height = 3.0f * static_cast<float>(created->Corner);
    created->Picture = GetTexture(pictureName);
    for (std::size_t i = 0; i < created->Pieces.size(); ++i) {
        created->Pieces[i] = MakePiece(canvas, layer, created->Picture, static_cast<int32_t>(i));
    }
    if (withFill) {
        created->Fill = MakeFill(canvas, layer);
    }
    PaintSquare(*created);
    PlaceSquare(*created);
    square = created;
}

void ReleaseSquare(TSquare*& square) {
    if (square != nullptr && state.squares != nullptr) {
        state.squares->Remove(square);
    }
    square = nullptr;
}

void SetSquarePosition(TSquare* square, float x, float y) {
    if (square != nullptr && (square->X != x || square->Y != y)) {
        square->X = x;
        square->Y = y;
        PlaceSquare(*square);
    }
}

void SetSquareSize(TSquare* square, float width, float height) {
    if (square != nullptr && (square->Width != width || square->Height != height)) {
        square->Width = width;
        square->Height = height;
        PlaceSquare(*square);
    }
}

void SetSquareColor(TSquare* square, float red, float green, float blue) {
    if (square != nullptr) {
        square->Red = red;
        square->Green = green;
        square->Blue = blue;
        PaintSquare(*square);
    }
}

void SetSquareAlpha(TSquare* square, float alpha) {
    if (square != nullptr) {
        square->Alpha = alpha;
        PaintSquare(*square);
    }
}

void SetSquareVisible(TSquare* square, bool visible) {
    if (square != nullptr) {
        square->Visible = visible;
        PaintSquare(*square);
    }
}

// ---------------------------------------------------------------------------------------------
// Balloons

void TBallon::Attached() {
    Red = Green = Blue = 1;
    Alpha = 1;
}

void TBallon::Detached() {
    ReleaseSprites(Fill, Pieces);
    ReleaseSprite(Pointer);
    ReleaseSprite(EdgeBefore);
    ReleaseSprite(EdgeAfter);
    ReleaseTexture(Picture);
    Picture = nullptr;
}

void CreateBallon(TBallon*& ballon, TCanvas* canvas, int32_t layer, std::string_view pictureName,
                  int32_t pointerSide, float x, float y, int32_t corner, int32_t pointerSize,
                  float width, float height) {
    if (ballon != nullptr || !state.started) {
        return;
    }
    TBallon* created = state.ballons->NewItem();
    if (created == nullptr) {
        return;
    }
    created->Canvas = canvas;
    created->Layer = layer;
    // Only the four sides carry a pointer; anything else falls on the side before it.
    created->PointerSide = std::clamp(pointerSide, 0, 6) & ~1;
    created->Corner = std::max(corner, 0);
    created->PointerSize = std::max(pointerSize, 0);
    created->X = x;
    created->Y = y;
    created->Width = width;
    created->Height = height;
    created->PointerX = 0;
    created->PointerY = 0;
    created->Picture = GetTexture(pictureName);
    for (std::size_t i = 0; i < created->Pieces.size(); ++i) {
        if (static_cast<int32_t>(i) != created->PointerSide) {
            created->Pieces[i] =
                MakePiece(canvas, layer, created->Picture, static_cast<int32_t>(i));
        }
    }
    created->Pointer = MakePiece(canvas, layer, created->Picture, 8 + created->PointerSide / 2);
    created->Fill = MakeFill(canvas, layer);
    PaintBallon(*created);
    PlaceBallon(*created);
    ballon = created;
}

void ReleaseBallon(TBallon*& ballon) {
    if (ballon != nullptr && state.ballons != nullptr) {
        state.ballons->Remove(ballon);
    }
    ballon = nullptr;
}

void SetBallonPosition(TBallon* ballon, float x, float y) {
    if (ballon != nullptr && (ballon->X != x || ballon->Y != y)) {
        ballon->X = x;
        ballon->Y = y;
        PlaceBallon(*ballon);
    }
}

void SetBallonSize(TBallon* ballon, float width, float height) {
    if (ballon != nullptr && (ballon->Width != width || ballon->Height != height)) {
        ballon->Width = width;
        ballon->Height = height;
        PlaceBallon(*ballon);
    }
}

void SetBallonPointer(TBallon* ballon, float x, float y) {
    if (ballon != nullptr && (ballon->PointerX != x || ballon->PointerY != y)) {
        ballon->PointerX = x;
        ballon->PointerY = y;
        PlaceBallon(*ballon);
    }
}

void SetBallonColor(TBallon* ballon, float red, float green, float blue) {
    if (ballon != nullptr) {
        ballon->Red = red;
        ballon->Green = green;
        ballon->Blue = blue;
        PaintBallon(*ballon);
    }
}

void SetBallonAlpha(TBallon* ballon, float alpha) {
    if (ballon != nullptr) {
        ballon->Alpha = alpha;
        PaintBallon(*ballon);
    }
}

} // namespace valdmoor
