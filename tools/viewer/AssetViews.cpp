#include "AssetViews.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "audio/SoundFiles.h"
#include "audio/SoundStream.h"
#include "effects/EngineEffects.h"
#include "platform/EngineTimer.h"
#include "storage/EngineStorage.h"
#include "texts/EngineTexts.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

namespace valdmoor {

namespace {

// The area below the title and the facts, in design units.
constexpr float AreaTop = -225;
constexpr float AreaBottom = 410;
constexpr float AreaWidth = 1500;

// Segments beyond this many are neither outlined nor numbered: a grid of tens of thousands
// would hide the picture.
constexpr int32_t MaxOutlinedSegments = 2048;

struct TPlace {
    TStorageFolder Folder;
    TFileKind Kind;
    const char* FolderName;
};

// The engine's search orders: pictures as the texture loader, sounds as the sample loader.
constexpr TPlace PicturePlaces[] = {{sfOrdinary, fkTpx, "Ordinary"},
                                    {sfOrdinary, fkPng, "Ordinary"},
                                    {sfBranding, fkJpg, "Branding"},
                                    {sfBranding, fkPng, "Branding"}};
constexpr TPlace EffectPlaces[] = {{sfOrdinary, fkEmt, "Ordinary"}};
constexpr TPlace SoundPlaces[] = {{sfOrdinary, fkOgg, "Ordinary"},
                                  {sfOrdinary, fkWave, "Ordinary"},
                                  {sfBranding, fkOgg, "Branding"},
                                  {sfBranding, fkWave, "Branding"}};

template <std::size_t N>
const TPlace* FindPlace(const TPlace (&places)[N], std::string_view name) {
    // A name that reaches into another folder is no asset name.
    if (name.empty() || name.find_first_of("/\\") != std::string_view::npos || name == "." ||
        name == "..") {
        return nullptr;
    }
    for (const TPlace& place : places) {
        if (StorageExists(place.Folder, name, place.Kind)) {
            return &place;
        }
    }
    return nullptr;
}

template <std::size_t N>
std::string FileOf(const TPlace (&places)[N], std::string_view name) {
    const TPlace* place = FindPlace(places, name);
    return place != nullptr ? std::string(place->FolderName) + "/" + std::string(name) +
                                  std::string(FileKindExtension(place->Kind))
                            : std::string();
}

// Units that cover about one and a half pixels of the window, so thin lines never vanish.
float LineUnits(const TCanvas* canvas) {
    return canvas != nullptr && canvas->Zoom > 0 ? std::max(1.5f, 1.5f / canvas->Zoom) : 1.5f;
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Plural(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string CodePointText(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

void AppendUtf8(std::string& text, uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Sprites and texts a view made, given back when it goes.
class TDrawn {
public:
    TDrawn() = default;
    ~TDrawn() {
        for (TText*& text : texts_) {
            ReleaseText(text);
        }
        for (TSprite*& sprite : sprites_) {
            ReleaseSprite(sprite);
        }
    }
    TDrawn(const TDrawn&) = delete;
    TDrawn& operator=(const TDrawn&) = delete;

    TSprite* Sprite(TCanvas* canvas, int32_t layer) {
        TSprite* sprite = nullptr;
        CreateSprite(sprite, canvas, layer);
        if (sprite != nullptr) {
            sprites_.push_back(sprite);
        }
        return sprite;
    }

    // A solid rectangle: what outlines, cells and backdrops are made of.
    TSprite* Rect(TCanvas* canvas, int32_t layer, float x, float y, float width, float height,
                  float red, float green, float blue, float alpha) {
        TSprite* sprite = Sprite(canvas, layer);
        if (sprite != nullptr) {
            SetSpriteTexture(sprite, 0, EmptyTexture());
            sprite->ShadingMode = smOnlyTint;
            sprite->X = x;
            sprite->Y = y;
            sprite->Width = width;
            sprite->Height = height;
            sprite->Red = red;
            sprite->Green = green;
            sprite->Blue = blue;
            sprite->Alpha = alpha;
        }
        return sprite;
    }

    // The frame of the box Left, Top, Width x Height, drawn inside it.
    void Outline(TCanvas* canvas, int32_t layer, float left, float top, float width, float height,
                 float thickness) {
        const float t = std::min({thickness, width / 2, height / 2});
        const float r = 1.0f;
        const float g = 0.8f;
        const float b = 0.2f;
        Rect(canvas, layer, left + width / 2, top + t / 2, width, t, r, g, b, 1);
        Rect(canvas, layer, left + width / 2, top + height - t / 2, width, t, r, g, b, 1);
        Rect(canvas, layer, left + t / 2, top + height / 2, t, height, r, g, b, 1);
        Rect(canvas, layer, left + width - t / 2, top + height / 2, t, height, r, g, b, 1);
    }

    TText* Text(TCanvas* canvas, int32_t layer, uint8_t flags, int32_t fontIndex, float x, float y,
                float width, float height, std::string_view s) {
        TText* text = nullptr;
        CreateText(text, canvas, layer, flags, fontIndex, width, height);
        if (text != nullptr) {
            texts_.push_back(text);
            SetTextPosition(text, x, y);
            SetText(text, s);
        }
        return text;
    }

private:
    std::vector<TSprite*> sprites_;
    std::vector<TText*> texts_;
};

// Adds a segment covering the whole picture after the texture's own, so one sprite can show
// all of it; the segments the game uses keep their numbers. Returns its number.
int32_t WholeSegment(TTexture* texture, std::vector<TTexture*>& extended) {
    if (std::find(extended.begin(), extended.end(), texture) != extended.end()) {
        return texture->SegmentCount() - 1;
    }
    auto segments = texture->Segments != nullptr
                        ? std::make_shared<std::vector<TSegment>>(*texture->Segments)
                        : std::make_shared<std::vector<TSegment>>();
    TSegment whole;
    whole.PixelWidth = static_cast<float>(texture->Width);
    whole.PixelHeight = static_cast<float>(texture->Height);
    segments->push_back(whole);
    texture->Segments = std::move(segments);
    extended.push_back(texture);
    return texture->SegmentCount() - 1;
}

class TPictureView : public TAssetView {
public:
    TPictureView(TCanvas* canvas, std::string_view name) : name_(name), file_(PictureFileOf(name)) {
        texture_ = GetTexture(name);
        if (texture_ == nullptr) {
            return;
        }
        auto* image = dynamic_cast<TBaseImageTexture*>(texture_);
        loaded_ = image != nullptr && image->Loaded;
        segmentCount_ = texture_->SegmentCount();
        const int32_t whole = WholeSegment(texture_, extended_);
        const int32_t animations = texture_->AnimationCount();

        const auto width = static_cast<float>(texture_->Width);
        const auto height = static_cast<float>(texture_->Height);
        const float rowHeight = animations > 0 ? 130.0f : 0.0f;
        const float areaHeight = AreaBottom - AreaTop - rowHeight;
        // Small pictures are enlarged (up to four times) so their segments can be told apart.
        scale_ = std::min(
            {4.0f, AreaWidth / std::max(width, 1.0f), areaHeight / std::max(height, 1.0f)});
        const float shownWidth = width * scale_;
        const float shownHeight = height * scale_;
        const float centreY = AreaTop + areaHeight / 2;
        const float left = -shownWidth / 2;
        const float top = centreY - shownHeight / 2;

        // A backdrop shows where the picture is transparent.
        drawn_.Rect(canvas, 1, 0, centreY, shownWidth, shownHeight, 0.42f, 0.42f, 0.46f, 1);
        if (TSprite* picture = drawn_.Sprite(canvas, 2)) {
            SetSpriteTexture(picture, 0, texture_);
            SetSpriteFrame(picture, 0, whole);
            picture->X = 0;
            picture->Y = centreY;
            picture->Width = shownWidth;
            picture->Height = shownHeight;
        }

        const int32_t outlined = std::min(segmentCount_, MaxOutlinedSegments);
        for (int32_t index = 0; index < outlined; ++index) {
            const TSegment& segment = texture_->SegmentAt(index);
            const float x = left + segment.OffsetU * width * scale_;
            const float y = top + segment.OffsetV * height * scale_;
            const float w = segment.PixelWidth * scale_;
            const float h = segment.PixelHeight * scale_;
            drawn_.Outline(canvas, 3, x, y, w, h, LineUnits(canvas));
            // Numbers go only where they fit; the facts say how many segments there are.
            const std::string number = std::to_string(index);
            if (w >= 12.0f * static_cast<float>(number.size()) + 6 && h >= 22) {
                drawn_.Text(canvas, 4, tfAlignLeft | tfAlignTop, FontEngine, x + w / 2 + 3,
                            y + h / 2 + 2, w, h, number);
            }
        }

        // One cell per animation below the picture, each showing its frame of the moment.
        const float cell = 96;
        const float rowY = AreaBottom - rowHeight / 2 - 10;
        for (int32_t index = 1; index <= animations; ++index) {
            const float x = (static_cast<float>(index) - (animations + 1) / 2.0f) * (cell + 24);
            drawn_.Rect(canvas, 1, x, rowY, cell, cell, 0.42f, 0.42f, 0.46f, 1);
            TSprite* sprite = drawn_.Sprite(canvas, 2);
            if (sprite != nullptr) {
                sprite->X = x;
                sprite->Y = rowY;
                animationSprites_.push_back({sprite, index});
            }
            drawn_.Text(canvas, 3, 0, FontEngine, x, rowY + cell / 2 + 14, cell + 20, 24,
                        std::to_string(index));
        }
        Update();
    }

    ~TPictureView() override { ReleaseTexture(texture_); }

    void Update() override {
        elapsed_ += FrameTime();
        for (auto& [sprite, index] : animationSprites_) {
            const float period = texture_->AnimationTime(index);
            const float t = period > 0 ? std::fmod(elapsed_, period) / period : 0.0f;
            TTexture* frame = texture_->FrameAt(index, t);
            const int32_t whole = WholeSegment(frame, extended_);
            SetSpriteTexture(sprite, 0, frame);
            SetSpriteFrame(sprite, 0, whole);
            // The cell is 96 units; frames keep their aspect inside it.
            const auto w = static_cast<float>(frame->Width);
            const auto h = static_cast<float>(frame->Height);
            const float fit = 96.0f / std::max({w, h, 1.0f});
            sprite->Width = w * fit;
            sprite->Height = h * fit;
        }
    }

    void Restart() override { elapsed_ = 0; }

    std::string Info() const override {
        if (texture_ == nullptr) {
            return "Picture " + name_ + ": video has not started";
        }
        std::string info = "Picture " + name_ + " (" + file_ + ")";
        if (!loaded_) {
            info += " could not be loaded (see the log)";
        }
        info += "\n" + std::to_string(texture_->Width) + " x " + std::to_string(texture_->Height) +
                " pixels, " + Plural(segmentCount_, "segment", "segments") + ", " +
                Plural(texture_->FrameCount(), "frame", "frames") + ", shown at " +
                Format("%.0f %%", scale_ * 100.0);
        if (segmentCount_ > MaxOutlinedSegments) {
            info += " (the first " + std::to_string(MaxOutlinedSegments) + " outlined)";
        }
        // The facts box has room for a few; the cells below the picture show them all.
        const int32_t listed = std::min(texture_->AnimationCount(), 3);
        for (int32_t index = 1; index <= listed; ++index) {
            const int32_t first = texture_->AnimationFirst(index);
            info += "\nAnimation " + std::to_string(index) + ": frames " + std::to_string(first) +
                    " to " + std::to_string(first + texture_->AnimationLength(index) - 1) + " in " +
                    Format("%.2f s", texture_->AnimationTime(index)) + ", curve \"" +
                    texture_->AnimationCurve(index) + "\"";
        }
        if (texture_->AnimationCount() > listed) {
            info += " and " + std::to_string(texture_->AnimationCount() - listed) + " more";
        }
        return info;
    }

private:
    std::string name_;
    std::string file_;
    TTexture* texture_ = nullptr;
    bool loaded_ = false;
    int32_t segmentCount_ = 0;
    float scale_ = 1;
    float elapsed_ = 0;
    std::vector<TTexture*> extended_;
    std::vector<std::pair<TSprite*, int32_t>> animationSprites_;
    TDrawn drawn_;
};

constexpr const char* SampleParagraph =
    "The caravan left Valdmoor at dawn, its carts heavy with salt, amber and bolts of dyed "
    "wool. By noon the road had narrowed to a ledge above the river, and the drivers walked "
    "beside their oxen, counting the miles to the next well.";

class TFontView : public TAssetView {
public:
    TFontView(TCanvas* canvas, int32_t fontIndex, int32_t range)
        : fontIndex_(fontIndex), range_(range) {
        const TFont* font = Font(fontIndex);
        const TCodeRange& codes = CodeRange(range);
        name_ = font != nullptr ? font->Name : std::string();
        picture_ = name_ + std::string(codes.Suffix);

        // The glyphs the range picture really has, and the largest of them.
        std::vector<std::pair<uint32_t, int32_t>> glyphs;
        float largest = 1;
        for (uint32_t code = codes.First; code <= codes.Last; ++code) {
            TTexture* found = nullptr;
            const int32_t segment = FindGlyph(fontIndex, code, found);
            if (segment < 0 || found == nullptr) {
                continue;
            }
            glyphs.emplace_back(code, segment);
            int32_t w = 0;
            int32_t h = 0;
            GetFrameSize(found, segment, w, h);
            largest = std::max({largest, static_cast<float>(w), static_cast<float>(h)});
        }
        glyphCount_ = static_cast<int32_t>(glyphs.size());

        const float labelWidth = 90;
        const float gridTop = AreaTop;
        const float gridHeight = 430;
        const float cell = std::clamp(largest + 8, 24.0f, 96.0f);
        const auto columns = std::max(1, static_cast<int32_t>((AreaWidth - labelWidth) / cell));
        const auto rows = std::max(1, static_cast<int32_t>(gridHeight / cell));
        shown_ = std::min(glyphCount_, columns * rows);
        const float left = -AreaWidth / 2 + labelWidth;
        for (int32_t i = 0; i < shown_; ++i) {
            const auto [code, segment] = glyphs[static_cast<std::size_t>(i)];
            const float x = left + (static_cast<float>(i % columns) + 0.5f) * cell;
            const float y = gridTop + (static_cast<float>(i / columns) + 0.5f) * cell;
            drawn_.Rect(canvas, 1, x, y, cell - 2, cell - 2, 1, 1, 1, 0.08f);
            if (i % columns == 0) {
                drawn_.Text(canvas, 2, tfAlignRight, FontEngine, x - cell / 2 - labelWidth / 2 - 4,
                            y, labelWidth, cell, CodePointText(code));
            }
            TSprite* sprite = drawn_.Sprite(canvas, 2);
            if (sprite == nullptr) {
                continue;
            }
            TTexture* glyphTexture = nullptr;
            FindGlyph(fontIndex, code, glyphTexture);
            SetSpriteTexture(sprite, 0, glyphTexture);
            SetSpriteFrame(sprite, 0, segment);
            int32_t w = 0;
            int32_t h = 0;
            GetFrameSize(glyphTexture, segment, w, h);
            const float fit = std::min(
                1.0f, (cell - 8) / std::max({static_cast<float>(w), static_cast<float>(h), 1.0f}));
            sprite->X = x;
            sprite->Y = y;
            sprite->Width = static_cast<float>(w) * fit;
            sprite->Height = static_cast<float>(h) * fit;
        }

        // The paragraph shows the range's own characters after an ordinary sentence, wrapped
        // in a box whose bounds are drawn.
        std::string paragraph = SampleParagraph;
        if (range != 0 && !glyphs.empty()) {
            paragraph += "\n";
            const std::size_t step = std::max<std::size_t>(1, glyphs.size() / 60);
            for (std::size_t i = 0; i < glyphs.size(); i += step) {
                AppendUtf8(paragraph, glyphs[i].first);
                if ((i / step) % 6 == 5) {
                    paragraph += ' ';
                }
            }
        }
        const float boxTop = gridTop + gridHeight + 20;
        const float boxHeight = AreaBottom - boxTop;
        const float boxWidth = 1100;
        const float boxY = boxTop + boxHeight / 2;
        drawn_.Rect(canvas, 1, 0, boxY, boxWidth, boxHeight, 1, 1, 1, 0.06f);
        drawn_.Text(canvas, 2, tfAlignLeft | tfAlignTop | tfWordWrap, fontIndex, 0, boxY, boxWidth,
                    boxHeight, paragraph);
        int32_t lines = 0;
        float width = 0;
        float height = 0;
        MeasureText(paragraph, lines, fontIndex, width, height, boxWidth);
        paragraphLines_ = lines;
    }

    std::string Info() const override {
        const TFont* font = Font(fontIndex_);
        const TCodeRange& codes = CodeRange(range_);
        std::string info =
            "Font " + name_ + ", range " + std::to_string(range_) + " (" +
            CodePointText(codes.First) + " to " + CodePointText(codes.Last) + "), picture " +
            picture_ + " (" +
            (PictureFileOf(picture_).empty() ? std::string("missing") : PictureFileOf(picture_)) +
            ")";
        info += "\n" + Plural(glyphCount_, "glyph", "glyphs");
        if (shown_ < glyphCount_) {
            info += " (the first " + std::to_string(shown_) + " shown)";
        }
        if (font != nullptr) {
            info += ", line height " + Format("%.0f", font->LineHeight) + ", space width " +
                    Format("%.0f", font->SpaceWidth);
        }
        info += "\nSample paragraph: " + Plural(paragraphLines_, "line", "lines") +
                " at 1100 units wide";
        return info;
    }

private:
    int32_t fontIndex_;
    int32_t range_;
    std::string name_;
    std::string picture_;
    int32_t glyphCount_ = 0;
    int32_t shown_ = 0;
    int32_t paragraphLines_ = 0;
    TDrawn drawn_;
};

class TEffectView : public TAssetView {
public:
    TEffectView(TCanvas* canvas, std::string_view name)
        : canvas_(canvas), name_(name), file_(EffectFileOf(name)) {
        effect_ = GetEffect(name);
        // A cross marks the place the effect plays at.
        drawn_.Rect(canvas, 1, 0, PlaceY, 40, LineUnits(canvas), 1, 1, 1, 0.35f);
        drawn_.Rect(canvas, 1, 0, PlaceY, LineUnits(canvas), 40, 1, 1, 1, 0.35f);
        Restart();
        restarts_ = 0;
    }

    ~TEffectView() override { ReleasePerformer(performer_); }

    void Restart() override {
        ReleasePerformer(performer_);
        CreatePerformerOf(performer_, canvas_, 10, effect_);
        if (performer_ != nullptr) {
            performer_->X = 0;
            performer_->Y = PlaceY;
            SetPerformerActive(performer_, true);
        }
        running_ = 0;
        idle_ = 0;
        ++restarts_;
    }

    void Update() override {
        running_ += FrameTime();
        Count();
        // A finished effect waits a second, then plays again.
        idle_ = emitting_ || particles_ > 0 ? 0 : idle_ + FrameTime();
        if (idle_ > 1) {
            Restart();
            --restarts_;
        }
    }

    std::string Info() const override {
        if (effect_ == nullptr) {
            return "Effect " + name_ + ": effects have not started";
        }
        std::string info = "Effect " + name_ + " (" + file_ +
                           "): " + Plural(effect_->Emitters.Count(), "emitter", "emitters") + ", ";
        info += effect_->Duration > 0
                    ? "its longest limited emitter emits for " + Format("%.2f s", effect_->Duration)
                    : std::string("no emitter has a time limit");
        info += "\nRunning for " + Format("%.2f s", running_) + ", " +
                Plural(particles_, "particle", "particles") + " alive, " +
                (emitting_ ? "emitting" : "no longer emitting") + "; restarted " +
                Plural(restarts_, "time", "times");
        std::string emitters;
        for (const TEmitor& emitter : effect_->Emitters) {
            emitters += (emitters.empty() ? "" : ", ") + emitter.Name() + " (" +
                        std::string(ShadingModeName(emitter.ShadingMode)) + ")";
        }
        if (!emitters.empty()) {
            info += "\nEmitters: " + emitters;
        }
        return info;
    }

private:
    static constexpr float PlaceY = 80;

    void Count() {
        particles_ = 0;
        emitting_ = false;
        if (performer_ == nullptr) {
            return;
        }
        for (const TCluster& cluster : performer_->Clusters) {
            particles_ += cluster.Particles.Count();
            emitting_ = emitting_ || cluster.Emitting;
        }
    }

    TCanvas* canvas_;
    std::string name_;
    std::string file_;
    TEffect* effect_ = nullptr;
    TPerformer* performer_ = nullptr;
    float running_ = 0;
    float idle_ = 0;
    int32_t particles_ = 0;
    bool emitting_ = false;
    int32_t restarts_ = 0;
    TDrawn drawn_;
};

// What the sound file itself says: its length, its format and whether it is streamed. Read
// apart from the engine's sample, so it is known even without a sound device.
struct TSoundFacts {
    std::string Error;
    double Seconds = 0;
    TPcmFormat Format;
    bool Streaming = false;
};

TSoundFacts ReadSoundFacts(std::string_view name) {
    TSoundFacts facts;
    const TPlace* place = FindPlace(SoundPlaces, name);
    if (place == nullptr) {
        facts.Error = "missing";
        return facts;
    }
    try {
        std::unique_ptr<TStream> file = StorageOpen(place->Folder, name, place->Kind);
        if (place->Kind == fkWave) {
            const TWaveHeader header = ReadWaveHeader(*file);
            facts.Format = header.Format;
            facts.Seconds =
                header.Format.BytesPerSecond > 0
                    ? static_cast<double>(header.DataSize) / header.Format.BytesPerSecond
                    : 0.0;
            return facts;
        }
        TOggDecoder decoder;
        decoder.Open(std::move(file));
        facts.Format = decoder.Format();
        facts.Streaming = decoder.HasComment("STREAMING=YES");
        const int64_t frames = decoder.TotalFrames();
        facts.Seconds = frames > 0 && facts.Format.Rate > 0
                            ? static_cast<double>(frames) / facts.Format.Rate
                            : 0.0;
    } catch (const std::exception& error) {
        facts.Error = error.what();
    }
    return facts;
}

class TSoundView : public TAssetView {
public:
    TSoundView(TCanvas* canvas, std::string_view name, bool music)
        : name_(name), file_(SoundFileOf(name)), music_(music), facts_(ReadSoundFacts(name)) {
        sample_ = GetSample(name);
        // How much has been heard, as a bar; a streamed track's ring as six cells below it.
        drawn_.Rect(canvas, 1, 0, BarY, BarWidth, 16, 1, 1, 1, 0.12f);
        bar_ = drawn_.Rect(canvas, 2, -BarWidth / 2, BarY, 0, 16, 1.0f, 0.8f, 0.2f, 1);
        for (int32_t i = 0; i < TSoundStream::BlockCount; ++i) {
            const float x = (static_cast<float>(i) - (TSoundStream::BlockCount - 1) / 2.0f) * 70;
            cells_[static_cast<std::size_t>(i)] =
                drawn_.Rect(canvas, 2, x, BarY + 60, 60, 40, 1, 1, 1, 0);
        }
        Restart();
    }

    ~TSoundView() override {
        if (music_) {
            PlayMusic("");
        }
        StopSoundsOf(this);
    }

    void Restart() override {
        elapsed_ = 0;
        if (music_) {
            // Fading out and in again starts the track from its beginning.
            PlayMusic("");
            PlayMusic(name_);
        } else {
            StopSoundsOf(this);
            PlaySample(this, sample_, false, 0);
        }
    }

    void Update() override {
        source_ = nullptr;
        if (const TContainerOf<TSource>* sources = AudioSources()) {
            for (const TSource& source : *sources) {
                // The newest source of the sample is the one that plays now (a restarted
                // track's old source is still fading out).
                if (source.Sample() == sample_ && (music_ || source.Owner() == this)) {
                    source_ = &source;
                }
            }
        }
        if (source_ != nullptr && !source_->Finished()) {
            elapsed_ += FrameTime();
        }
        const double seconds = facts_.Seconds > 0 ? facts_.Seconds : 1.0;
        // A looping track's bar starts again with each round.
        const auto share = static_cast<float>(
            std::min(1.0, (music_ ? std::fmod(elapsed_, seconds) : elapsed_) / seconds));
        if (bar_ != nullptr) {
            bar_->Width = BarWidth * share;
            bar_->X = -BarWidth / 2 + bar_->Width / 2;
        }
        const TSoundStream* stream = source_ != nullptr ? source_->Stream() : nullptr;
        for (int32_t i = 0; i < TSoundStream::BlockCount; ++i) {
            TSprite* cell = cells_[static_cast<std::size_t>(i)];
            if (cell == nullptr) {
                continue;
            }
            const bool cursor = stream != nullptr && stream->CursorBlock() == i;
            cell->Alpha = stream == nullptr ? 0.0f : stream->BlockFilled(i) ? 0.9f : 0.15f;
            cell->Blue = cursor ? 0.2f : 1.0f;
        }
    }

    std::string Info() const override {
        std::string info = std::string(music_ ? "Music " : "Sound ") + name_ + " (" + file_ + ")";
        if (!facts_.Error.empty()) {
            info += ": cannot be read (" + facts_.Error + ")";
        } else {
            info += ": " + Format("%.2f s", facts_.Seconds) + ", " +
                    Plural(facts_.Format.Channels, "channel", "channels") + " at " +
                    std::to_string(facts_.Format.Rate) + " Hz" +
                    (facts_.Streaming ? ", streamed from its file" : "");
        }
        if (!AudioDevicePresent()) {
            return info + "\nNo sound device (\"-nosound\", or none could be opened): silent";
        }
        if (sample_ == nullptr || sample_->Buffer() == nullptr) {
            return info + "\nThe engine could not load it (see the log): silent";
        }
        const bool playing = source_ != nullptr && !source_->Finished();
        info += "\n" + std::string(playing ? "Playing" : "Finished") + ", " +
                Format("%.2f s", elapsed_) + " heard";
        const TSoundStream* stream = source_ != nullptr ? source_->Stream() : nullptr;
        if (stream != nullptr) {
            // One mark a block: [..] where the play cursor is, # holds sound, - waits for it.
            std::string ring;
            for (int32_t i = 0; i < TSoundStream::BlockCount; ++i) {
                const char mark = stream->BlockFilled(i) ? '#' : '-';
                ring += i == stream->CursorBlock() ? std::string("[") + mark + "]"
                                                   : std::string(" ") + mark + " ";
            }
            const TSoundBuffer* buffer = source_->Buffer();
            info += "\nRing of " + std::to_string(TSoundStream::BlockCount) + " blocks of " +
                    std::to_string(stream->BlockSize()) + " bytes: " + ring + " cursor at byte " +
                    std::to_string(buffer != nullptr ? buffer->Position() : 0) +
                    (stream->Ended()    ? ", ended"
                     : stream->Primed() ? ", playing"
                                        : ", filling the first block");
        }
        return info;
    }

private:
    std::string name_;
    std::string file_;
    bool music_;
    TSoundFacts facts_;
    TSample* sample_ = nullptr;
    static constexpr float BarY = 80;
    static constexpr float BarWidth = 1000;

    const TSource* source_ = nullptr;
    double elapsed_ = 0;
    TSprite* bar_ = nullptr;
    std::array<TSprite*, TSoundStream::BlockCount> cells_{};
    TDrawn drawn_;
};

} // namespace

std::string PictureFileOf(std::string_view name) {
    return FileOf(PicturePlaces, name);
}

std::string EffectFileOf(std::string_view name) {
    return FileOf(EffectPlaces, name);
}

std::string SoundFileOf(std::string_view name) {
    return FileOf(SoundPlaces, name);
}

int32_t FontIndexOf(std::string_view name) {
    for (int32_t index = 0; index < FontCount; ++index) {
        const TFont* font = Font(index);
        if (font != nullptr && font->Name == name) {
            return index;
        }
    }
    return -1;
}

std::unique_ptr<TAssetView> MakePictureView(TCanvas* canvas, std::string_view name) {
    return std::make_unique<TPictureView>(canvas, name);
}

std::unique_ptr<TAssetView> MakeFontView(TCanvas* canvas, int32_t fontIndex, int32_t range) {
    return std::make_unique<TFontView>(canvas, fontIndex, range);
}

std::unique_ptr<TAssetView> MakeEffectView(TCanvas* canvas, std::string_view name) {
    return std::make_unique<TEffectView>(canvas, name);
}

std::unique_ptr<TAssetView> MakeSoundView(TCanvas* canvas, std::string_view name, bool music) {
    return std::make_unique<TSoundView>(canvas, name, music);
}

} // namespace valdmoor
