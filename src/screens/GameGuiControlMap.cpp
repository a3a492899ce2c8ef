#include "screens/GameGuiControlMap.h"

#include "audio/EngineAudio.h"
#include "effects/EngineEffects.h"
#include "platform/EngineTimer.h"
#include "video/EngineVideo.h"
#include "world/GamePool.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <algorithm>
#include <cmath>

namespace valdmoor {

const std::array<uint8_t, 8> DirectionMasks = {193, 64, 112, 16, 28, 4, 7, 1};

namespace {

enum TDirection : int32_t {
    dN,
    dNE,
    dE,
    dSE,
    dS,
    dSW,
    dW,
    dNW
};

constexpr std::array<std::array<int32_t, 2>, 8> Steps = {
    {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}}};

struct TTileSet {
    int32_t Tile;
    std::initializer_list<int32_t> Directions;
};

const TTileSet TileSets[] = {
    {0, {dNE, dSW}},
    {1, {dN, dSE}},
    {2, {dN, dSW}},
    {3, {dN}},
    {4, {dSE, dNW}},
    {5, {dNW}},
    {6, {dE}},
    {7, {dW}},
    {9, {dNE}},
    {10, {dSW}},
    {11, {dNE, dSE}},
    {12, {dSW, dNW}},
    {14, {dSE}},
    {15, {dSE, dW}},
    {16, {dNE, dSE, dSW}},
    {17, {dSE, dSW, dNW}},
    {18, {dSE, dSW}},
    {19, {dE, dSW}},
    {20, {dNE, dW}},
    {21, {dNE, dSE, dNW}},
    {22, {dNE, dSW, dNW}},
    {23, {dNE, dNW}},
    {24, {dE, dNW}},
    {25, {dS, dW}},
    {26, {dNE, dS}},
    {27, {dS, dNW}},
    {28, {dS}},
    {29, {dE, dS}},
    {30, {dN, dE, dS, dW}},
    {31, {dN, dSE, dW}},
    {32, {dN, dSE, dSW}},
    {33, {dN, dE, dSW}},
    {34, {dN, dE, dW}},
    {36, {dNE, dSE, dW}},
    {37, {dNE, dSE, dSW, dNW}},
    {38, {dE, dSW, dNW}},
    {39, {dE, dW}},
    {41, {dNE, dS, dW}},
    {42, {dNE, dS, dNW}},
    {43, {dE, dS, dNW}},
    {44, {dE, dS, dW}},
    {45, {dN, dE}},
    {46, {dN, dS, dW}},
    {47, {dN, dS}},
    {48, {dN, dE, dS}},
    {49, {dN, dW}},
};

std::array<uint8_t, 256> BuildTileTable() {
    std::array<uint8_t, 256> table{};
    table.fill(EmptyTile);
    for (const TTileSet& set : TileSets) {
        int32_t mask = 0;
        for (int32_t direction : set.Directions) {
            mask |= DirectionMasks[static_cast<std::size_t>(direction)];
        }
        table[static_cast<std::size_t>(mask)] = static_cast<uint8_t>(set.Tile);
    }
    return table;
}

const std::array<uint8_t, 256> TileTable = BuildTileTable();

constexpr std::array<int32_t, 7> PlotBands = {990, 2850, 4810, 6670, 8530, 10390, 12250};
constexpr uint8_t LightPlotLayer = 5;
constexpr uint8_t UnseenPlotLayer = 6;
constexpr float WaterOpacity = 0.5f;
constexpr float ProbeX = 60;
constexpr float ProbeY = 45;
// How far a change of the light canvas reaches on the ground: its pixels are 4 units wide,
// whole pixels and one more around them are drawn again, and the ground filters them.
constexpr float LightReach = 12;

// The depth band of a plot's layer byte.
int32_t PlotBand(uint8_t layer) {
    return layer < PlotBands.size() ? PlotBands[layer] : PlotBands.back();
}

// Frame K of an animated picture: frame 0 is the picture itself, the rest its frame list.
TTexture* FrameTexture(TTexture* texture, int32_t frame) {
    auto* image = dynamic_cast<TBaseImageTexture*>(texture);
    if (image == nullptr || frame <= 0 || image->Frames == nullptr) {
        return texture;
    }
    int32_t k = 1;
    for (TFrameImageTexture& item : *image->Frames) {
        if (k == frame) {
            return &item;
        }
        ++k;
    }
    return texture;
}

// What a sprite should show. Applying it reports whether anything changed, so that a kept
// picture is drawn again exactly when it would look different.
struct TLook {
    int32_t Layer = 0;
    float X = 0;
    float Y = 0;
    float Width = 0;
    float Height = 0;
    float Alpha = 1;
    int32_t ShadingMode = smDefault;
    int32_t BlendMode = 0;
    // The part shown, as the sprite's crop (left, top, right, bottom).
    std::array<float, 4> Crop{0, 0, 1, 1};
    std::array<TSpriteLayer, 4> Layers{};
};

// A kept picture draws again the parts a sprite leaves and newly covers.
bool Apply(TSprite*& sprite, TCanvas* canvas, const TLook& look) {
    bool changed = false;
    if (sprite != nullptr && sprite->Canvas != canvas) {
        ReleaseSprite(sprite);
    }
    if (sprite == nullptr) {
        CreateSprite(sprite, canvas, look.Layer);
        if (sprite == nullptr) {
            return false;
        }
        changed = true;
    }
    if (sprite->Layer != look.Layer) {
        SetSpriteLayer(sprite, look.Layer);
        changed = true;
    }
    TSprite& s = *sprite;
    const bool same = s.X == look.X && s.Y == look.Y && s.Width == look.Width &&
                      s.Height == look.Height && s.Alpha == look.Alpha &&
                      s.ShadingMode == look.ShadingMode && s.BlendMode == look.BlendMode &&
                      s.CropLeft == look.Crop[0] && s.CropTop == look.Crop[1] &&
                      s.CropRight == look.Crop[2] && s.CropBottom == look.Crop[3];
    bool sameLayers = true;
    for (std::size_t i = 0; i < look.Layers.size(); ++i) {
        sameLayers = sameLayers && s.Layers[i].Texture == look.Layers[i].Texture &&
                     s.Layers[i].Frame == look.Layers[i].Frame;
    }
    if (!same || !sameLayers || !s.Visible) {
        if (s.Visible) {
            InvalidateSpriteArea(&s);
        }
        s.Visible = true;
        s.X = look.X;
        s.Y = look.Y;
        s.Width = look.Width;
        s.Height = look.Height;
        s.Alpha = look.Alpha;
        s.ShadingMode = look.ShadingMode;
        s.BlendMode = look.BlendMode;
        s.CropLeft = look.Crop[0];
        s.CropTop = look.Crop[1];
        s.CropRight = look.Crop[2];
        s.CropBottom = look.Crop[3];
        s.Layers = look.Layers;
        InvalidateSpriteArea(&s);
        changed = true;
    }
    return changed;
}

// Hides Sprite but keeps it for its return, so that the kept picture draws again only the
// part it covered; true when it was shown.
bool Hide(TSprite* sprite) {
    if (sprite == nullptr || !sprite->Visible) {
        return false;
    }
    InvalidateSpriteArea(sprite);
    sprite->Visible = false;
    return true;
}

TCanvasRect Grown(TCanvasRect rect, float by) {
    return {rect.Left - by, rect.Top - by, rect.Right + by, rect.Bottom + by};
}

// Releases Sprite; true when there was one.
bool Drop(TSprite*& sprite) {
    if (sprite == nullptr) {
        return false;
    }
    ReleaseSprite(sprite);
    return true;
}

uint32_t PackTint(const std::array<float, 3>& tint) {
    uint32_t packed = 0;
    for (float channel : tint) {
        packed = (packed << 8) |
                 static_cast<uint32_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255));
    }
    return packed;
}

} // namespace

int32_t TileOfMask(int32_t mask) {
    return TileTable[static_cast<std::size_t>(mask & 0xFF)];
}

TGuiControlMap::TGuiControlMap() {
    for (int32_t row = 0; row < MapRows; ++row) {
        for (int32_t column = 0; column < MapColumns; ++column) {
            TMapCell& cell = cells_[static_cast<std::size_t>(row * MapColumns + column)];
            cell.Number = row * MapColumns + column + 1;
            cell.Column = column;
            cell.Row = row;
            cell.X = (static_cast<float>(column) - 5 + 0.5f) * MapCellWidth;
            cell.Y = (static_cast<float>(row) - 5.5f + 0.5f) * MapCellHeight;
            cell.Pattern = (row % 2) * 2 + column % 2;
        }
    }
    for (TMapCell& cell : cells_) {
        for (std::size_t d = 0; d < Steps.size(); ++d) {
            cell.Neighbours[d] = CellAt(cell.Column + Steps[d][0], cell.Row + Steps[d][1]);
        }
    }
}

TGuiControlMap::~TGuiControlMap() {
    if (initialized_) {
        Finalize();
    }
}

void TGuiControlMap::Initialize() {
    mask_ = GetTexture("G2Mask");
    backgroundMap_ = GetTexture("G2BackgroundMap");
    const float width = Size.X;
    const float height = Size.Y;
    // Drawn in this order: the ground shows the light, the fog sprites show the fog canvas,
    // and the map canvas (when in use) shows the ground.
    CreateCanvas(light_, Layer - 10, width, height);
    CreateCanvas(ground_, Layer - 7, width, height);
    CreateCanvas(fog_, Layer - 5, width, height);
    CreateCanvas(map_, Layer, width, height);
    SetCanvasZoom(light_, 0.25f);
    SetCanvasFormat(light_, 1);
    if (light_ != nullptr) {
        light_->ClearColor = 0x00FFFFFF;
    }
    SetCanvasZoom(fog_, 0.25f);
    // The fog canvas's frames are the grid's cells, numbered from 0 row by row.
    SetCanvasGrid(fog_, (width - MapColumns * MapCellWidth) / 2,
                  (height - MapRows * MapCellHeight) / 2, MapCellWidth, MapCellHeight, MapRows,
                  MapColumns);
    SetRedrawAll(redrawAll_);
    if (!FogEffectName.empty() && fog_ != nullptr) {
        CreatePerformer(fogPerformer_, fog_, 0, FogEffectName);
        if (fogPerformer_ != nullptr) {
            fogPerformer_->Width = width;
            fogPerformer_->Height = height;
            SetPerformerActive(fogPerformer_, true);
        }
    }
    initialized_ = true;
}

void TGuiControlMap::Finalize() {
    if (!initialized_) {
        return;
    }
    initialized_ = false;
    ReleaseDrawing();
    StopSoundsOf(this);
    StopEffectsOf(this, true);
    ReleasePerformer(fogPerformer_);
    ReleaseCanvas(map_);
    ReleaseCanvas(fog_);
    ReleaseCanvas(light_);
    ReleaseCanvas(ground_);
    ReleaseTexture(mask_);
    ReleaseTexture(backgroundMap_);
    mask_ = nullptr;
    backgroundMap_ = nullptr;
}

void TGuiControlMap::ReleaseDrawing() {
    for (TMapCell& cell : cells_) {
        ReleaseSprite(cell.Base);
        for (TSprite*& sprite : cell.BlendSprites) {
            ReleaseSprite(sprite);
        }
        ReleaseSprite(cell.WaterSprite);
        ReleaseSprite(cell.FogSprite);
        ReleaseSprite(cell.PaintedSprite);
    }
    for (std::size_t i = 0; i < plots_.size(); ++i) {
        ReleasePlot(static_cast<int32_t>(i));
    }
    ReleaseSprite(background_);
    ReleaseSprite(groundSprite_);
    ReleaseSprite(lightSprite_);
    ReleaseSprite(output_);
}

void TGuiControlMap::SetRedrawAll(bool on) {
    redrawAll_ = on;
    SetCanvasRetained(ground_, !on);
    SetCanvasRetained(light_, !on);
    SetCanvasRetained(map_, !on);
    SetCanvasRetained(fog_, !on);
}

bool TGuiControlMap::DrawsLive() const {
    return Canvas != nullptr && Scale == 1 && Orientation == 0 && ShadingMode == smDefault &&
           Color.Red == 1 && Color.Green == 1 && Color.Blue == 1 && Alpha == 1;
}

void TGuiControlMap::LightChanged(const TCanvasRect& rect) {
    InvalidateCanvasRect(ground_, Grown(rect, LightReach));
}

// ---------------------------------------------------------------------------------------------
// Cells

TMapCell* TGuiControlMap::CellAt(int32_t column, int32_t row) {
    if (column < 0 || column >= MapColumns || row < 0 || row >= MapRows) {
        return nullptr;
    }
    return &cells_[static_cast<std::size_t>(row * MapColumns + column)];
}

const TMapCell* TGuiControlMap::CellAt(int32_t column, int32_t row) const {
    return const_cast<TGuiControlMap*>(this)->CellAt(column, row);
}

void TGuiControlMap::InvalidateAround(TMapCell& cell, bool blend, bool water, bool fog) {
    auto clear = [&](TMapCell& c) {
        c.BlendValid = c.BlendValid && !blend;
        c.WaterValid = c.WaterValid && !water;
        c.FogValid = c.FogValid && !fog;
    };
    clear(cell);
    for (TMapCell* neighbour : cell.Neighbours) {
        if (neighbour != nullptr) {
            clear(*neighbour);
        }
    }
    Dirty = true;
}

void TGuiControlMap::SetCellTerrain(TMapCell* cell, TTerrain* terrain) {
    if (cell == nullptr || cell->Terrain == terrain) {
        return;
    }
    if (terrain != nullptr && !terrain->Loaded) {
        terrain->Load();
    }
    cell->Terrain = terrain;
    InvalidateAround(*cell, true, false, false);
}

void TGuiControlMap::SetCellWater(TMapCell* cell, TWater* water) {
    if (cell == nullptr || cell->Water == water) {
        return;
    }
    if (water != nullptr && !water->Loaded) {
        water->Load();
    }
    cell->Water = water;
    InvalidateAround(*cell, false, true, false);
}

void TGuiControlMap::SetCellFog(TMapCell* cell, int32_t state) {
    if (cell == nullptr || state <= cell->Fog || state > fsRevealed) {
        return;
    }
    cell->Fog = state;
    InvalidateAround(*cell, false, false, true);
}

void TGuiControlMap::RevealAll() {
    for (TMapCell& cell : cells_) {
        SetCellFog(&cell, fsRevealed);
    }
}

void TGuiControlMap::ApplyReveals() {
    if (region_ == nullptr) {
        return;
    }
    for (TSite& site : region_->Sites) {
        if (!site.Revealed) {
            continue;
        }
        for (TMapCell& cell : cells_) {
            if (cell.Fog != fsRevealed && site.RevealsCell(cell.Number - 1)) {
                SetCellFog(&cell, fsRevealed);
            }
        }
    }
}

void TGuiControlMap::ComputeBlend(TMapCell& cell) {
    int32_t count = 0;
    const int32_t own = cell.Terrain != nullptr ? cell.Terrain->TerrainCode : INT32_MIN;
    for (std::size_t d = 0; d < cell.Neighbours.size(); ++d) {
        const TMapCell* neighbour = cell.Neighbours[d];
        if (neighbour == nullptr || neighbour->Terrain == nullptr ||
            neighbour->Terrain->TerrainCode <= own) {
            continue;
        }
        TTerrain* terrain = neighbour->Terrain;
        auto* found =
            std::find_if(scratch_.begin(), scratch_.begin() + count,
                         [&](const TTerrainBlendItem& item) { return item.Terrain == terrain; });
        if (found != scratch_.begin() + count) {
            found->Mask |= DirectionMasks[d];
            continue;
        }
        // Insert in ascending terrain code; equal codes keep their arrival order.
        int32_t at = count;
        while (at > 0 && scratch_[static_cast<std::size_t>(at - 1)].Terrain->TerrainCode >
                             terrain->TerrainCode) {
            scratch_[static_cast<std::size_t>(at)].Terrain =
                scratch_[static_cast<std::size_t>(at - 1)].Terrain;
            scratch_[static_cast<std::size_t>(at)].Mask =
                scratch_[static_cast<std::size_t>(at - 1)].Mask;
            --at;
        }
        scratch_[static_cast<std::size_t>(at)].Terrain = terrain;
        scratch_[static_cast<std::size_t>(at)].Mask = DirectionMasks[d];
        ++count;
    }
    for (int32_t k = 0; k < count; ++k) {
        const TTerrainBlendItem& item = scratch_[static_cast<std::size_t>(k)];
        cell.Blends[static_cast<std::size_t>(k)] = {item.Terrain, TileOfMask(item.Mask)};
    }
    cell.BlendCount = count;
    cell.BlendValid = true;
}

void TGuiControlMap::ComputeWater(TMapCell& cell) {
    int32_t mask = 0;
    for (std::size_t d = 0; d < cell.Neighbours.size(); ++d) {
        const TMapCell* neighbour = cell.Neighbours[d];
        if (neighbour != nullptr && neighbour->Water != cell.Water) {
            mask |= DirectionMasks[d];
        }
    }
    cell.WaterTile = TileOfMask(mask);
    cell.WaterValid = true;
}

void TGuiControlMap::ComputeFog(TMapCell& cell) {
    int32_t hidden = 0;
    int32_t revealing = 0;
    for (std::size_t d = 0; d < cell.Neighbours.size(); ++d) {
        const TMapCell* neighbour = cell.Neighbours[d];
        if (neighbour == nullptr) {
            continue;
        }
        if (neighbour->Fog == fsHidden) {
            hidden |= DirectionMasks[d];
        } else if (neighbour->Fog == fsRevealing) {
            revealing |= DirectionMasks[d];
        }
    }
    switch (cell.Fog) {
        case fsHidden:
            cell.FogA = FullTile;
            cell.FogB = EmptyTile;
            break;
        case fsRevealing:
            cell.FogA = TileOfMask(hidden);
            cell.FogB = FullTile;
            break;
        default:
            cell.FogA = TileOfMask(hidden);
            cell.FogB = TileOfMask(revealing);
            break;
    }
    cell.FogValid = true;
}

bool TGuiControlMap::IsRevealedPoint(float x, float y) const {
    constexpr std::array<std::array<float, 2>, 5> Probes = {
        {{0, 0}, {0, -ProbeY}, {0, ProbeY}, {-ProbeX, 0}, {ProbeX, 0}}};
    for (const auto& probe : Probes) {
        int32_t column = 0;
        int32_t row = 0;
        TMap::CellOf(x + probe[0], y + probe[1], column, row);
        const TMapCell* cell = CellAt(column, row);
        if (cell != nullptr && cell->Fog == fsHidden) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The shown region

void TGuiControlMap::SetMap(TRegion* region) {
    if (region == region_) {
        return;
    }
    for (std::size_t i = 0; i < plots_.size(); ++i) {
        ReleasePlot(static_cast<int32_t>(i));
    }
    region_ = region;
    if (region_ != nullptr) {
        ShownTint = region_->Tint;
        tintShown_ = false;
        if (region_->Picture != nullptr && !region_->Picture->Loaded) {
            region_->Picture->Load();
        }
        for (TMapCell& cell : cells_) {
            const TTile& tile = region_->Map.Cell(cell.Number - 1);
            SetCellTerrain(&cell, tile.Terrain);
            SetCellWater(&cell, tile.Water);
            // Another land: its fog starts whole (the only way fog comes back).
            cell.Fog = fsHidden;
            cell.FogValid = false;
        }
    }
    RebuildPlots();
    seenSite_ = nullptr;
    Dirty = true;
}

void TGuiControlMap::RebuildPlots() {
    plots_.clear();
    GrowPlots();
}

void TGuiControlMap::GrowPlots() {
    if (region_ == nullptr) {
        return;
    }
    const int32_t count = region_->Map.PlotCount();
    while (static_cast<int32_t>(plots_.size()) < count) {
        const TPlotData* data = region_->Map.Plot(static_cast<int32_t>(plots_.size()));
        TMapPlot entry;
        entry.Fade = data->Hidden != 0 ? pfHidden : pfShown;
        entry.Value = entry.Fade == pfShown ? 1 : 0;
        TFigure* figure = data->Figure;
        if (figure != nullptr && !figure->Loaded) {
            figure->Load();
        }
        const uint8_t animation = data->Bytes[1];
        if (animation < 6) {
            entry.Time = animation == 0 ? std::uniform_real_distribution<float>(0, 1)(random_)
                                        : static_cast<float>(animation) * 0.19f;
        }
        plots_.push_back(entry);
    }
}

void TGuiControlMap::SetReveal(TSite* site, float progress) {
    revealSite_ = site;
    revealProgress_ = std::clamp(progress, 0.0f, 1.0f);
}

void TGuiControlMap::PlaySceneEffects(const TScene* scene) {
    if (scene == nullptr) {
        return;
    }
    if (TSound* sound = scene->EffectSound) {
        if (GroupEnabled(sound->Group())) {
            PrepareSound(sound);
            if (sound->Sample != nullptr) {
                PlaySample(this, sound->Sample, false, sound->Group());
            }
        }
    }
    if (TEffector* effector = scene->EffectEffector) {
        if (!effector->Loaded) {
            effector->Load();
        }
        const bool atOrigin = scene->EffectValue != 0;
        const float x = atOrigin ? 0 : scene->ScreenX;
        const float y = atOrigin ? 0 : scene->ScreenY;
        if (DrawsLive()) {
            StartEffect(this, effector->Effect, Canvas, Origin.X + Position.X + x,
                        Origin.Y + Position.Y + y, Layer + MapLiveEffectStep);
        } else {
            StartEffect(this, effector->Effect, map_, x, y, MapEffectDepth);
        }
    }
}

TSite* TGuiControlMap::SiteAt(float x, float y, float radius) const {
    if (region_ == nullptr) {
        return nullptr;
    }
    TSite* nearest = nullptr;
    float best = radius * radius;
    for (TSite& site : region_->Sites) {
        if (!site.Revealed || site.Closed) {
            continue;
        }
        const float dx = site.X - x;
        const float dy = site.Y - y;
        const float distance = dx * dx + dy * dy;
        if (distance <= best) {
            best = distance;
            nearest = &site;
        }
    }
    return nearest;
}

// ---------------------------------------------------------------------------------------------
// Every frame

void TGuiControlMap::Update() {
    UpdateWaters();
    UpdateBy(FrameTime());
}

void TGuiControlMap::UpdateBy(float seconds) {
    UpdateTint(seconds);
    UpdateReveal();
    GrowPlots();
    UpdatePlots(seconds);
    Dirty = true;
}

void TGuiControlMap::UpdateTint(float seconds) {
    if (region_ == nullptr || ShownTint == region_->Tint) {
        return;
    }
    const TTint& target = region_->Tint;
    const float dr = target[0] - ShownTint[0];
    const float dg = target[1] - ShownTint[1];
    const float db = target[2] - ShownTint[2];
    const float distance = std::sqrt(dr * dr + dg * dg + db * db);
    if (distance > seconds) {
        const float step = seconds / distance;
        ShownTint[0] += dr * step;
        ShownTint[1] += dg * step;
        ShownTint[2] += db * step;
    } else {
        ShownTint = target;
    }
}

void TGuiControlMap::UpdateReveal() {
    if (revealSite_ != nullptr) {
        if (revealSite_ != seenSite_) {
            for (TMapCell& cell : cells_) {
                if (cell.Fog == fsRevealing) {
                    SetCellFog(&cell, fsRevealed);
                }
            }
            for (TMapCell& cell : cells_) {
                if (cell.Fog == fsHidden && revealSite_->RevealsCell(cell.Number - 1)) {
                    SetCellFog(&cell, fsRevealing);
                }
            }
            seenSite_ = revealSite_;
        }
        FogFade = 1 - revealProgress_;
        return;
    }
    if (seenSite_ != nullptr) {
        for (TMapCell& cell : cells_) {
            if (cell.Fog == fsRevealing) {
                SetCellFog(&cell, fsRevealed);
            }
        }
        seenSite_ = nullptr;
    }
    FogFade = 1;
}

void TGuiControlMap::UpdatePlots(float seconds) {
    if (region_ == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < plots_.size(); ++i) {
        TMapPlot& entry = plots_[i];
        const TPlotData* data = region_->Map.Plot(static_cast<int32_t>(i));
        switch (entry.Fade) {
            case pfHidden:
                if (data->Hidden == 0) {
                    entry.Fade = pfFadingIn;
                    entry.Value = 0;
                }
                break;
            case pfFadingIn:
                entry.Value += seconds;
                if (entry.Value >= 1) {
                    entry.Fade = pfShown;
                    entry.Value = 1;
                }
                break;
            case pfShown:
                entry.Value = 1;
                if (data->Hidden != 0) {
                    entry.Fade = pfFadingOut;
                }
                break;
            default:
                entry.Value -= seconds;
                if (entry.Value <= 0) {
                    entry.Fade = pfHidden;
                    entry.Value = 0;
                }
                break;
        }
        const TFigure* figure = data->Figure;
        if (figure == nullptr || !figure->Animated || figure->Texture == nullptr) {
            continue;
        }
        const uint8_t animation = data->Bytes[1];
        const float cycle =
            figure->Texture->AnimationCount() > 0 && figure->Texture->AnimationTime(1) > 0
                ? figure->Texture->AnimationTime(1)
                : 1.0f;
        if (animation < 6) {
            entry.Time += seconds / cycle;
            entry.Time -= std::floor(entry.Time);
        } else if (entry.Pause > 0) {
            entry.Pause -= seconds;
        } else {
            entry.Time += seconds / cycle;
            if (entry.Time >= 1) {
                // One pass played: wait a while on the first frame before the next.
                const float base = static_cast<float>(animation - 5);
                entry.Time = 0;
                entry.Pause =
                    std::uniform_real_distribution<float>(base * 0.75f, base * 1.25f)(random_);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing

void TGuiControlMap::RefreshCell(TMapCell& cell) {
    if (!cell.BlendValid) {
        ComputeBlend(cell);
    }
    if (!cell.WaterValid) {
        ComputeWater(cell);
    }
    if (!cell.FogValid) {
        ComputeFog(cell);
    }
    const bool hidden = cell.Fog == fsHidden;
    if (hidden || cell.Terrain == nullptr || cell.Terrain->Texture == nullptr) {
        Drop(cell.Base);
    } else {
        TLook look;
        look.Layer = 1;
        look.X = cell.X;
        look.Y = cell.Y;
        look.Width = MapCellWidth;
        look.Height = MapCellHeight;
        look.Layers[0] = {cell.Terrain->Texture, cell.Pattern};
        Apply(cell.Base, ground_, look);
    }
    for (int32_t k = 0; k < static_cast<int32_t>(cell.BlendSprites.size()); ++k) {
        TSprite*& sprite = cell.BlendSprites[static_cast<std::size_t>(k)];
        const TMapBlendLayer& blend = cell.Blends[static_cast<std::size_t>(k)];
        if (hidden || k >= cell.BlendCount || blend.Tile == EmptyTile) {
            Drop(sprite);
            continue;
        }
        TLook look;
        look.Layer = k + 2;
        look.X = cell.X;
        look.Y = cell.Y;
        look.Width = MapCellWidth;
        look.Height = MapCellHeight;
        look.ShadingMode = smAlphaMask;
        look.Layers[0] = {blend.Terrain->Texture, cell.Pattern};
        look.Layers[1] = {mask_, blend.Tile};
        Apply(sprite, ground_, look);
    }
    if (hidden || cell.Water == nullptr) {
        Drop(cell.WaterSprite);
    } else {
        TLook look;
        look.Layer = MapWaterDepth;
        look.X = cell.X;
        look.Y = cell.Y;
        look.Width = MapCellWidth;
        look.Height = MapCellHeight;
        look.Alpha = WaterOpacity;
        look.ShadingMode = smAlphaInvMask;
        look.Layers[0] = {FrameTexture(cell.Water->Texture, cell.Water->Frame()), cell.Pattern};
        look.Layers[1] = {mask_, cell.WaterTile};
        Apply(cell.WaterSprite, ground_, look);
    }
    if (!hidden) {
        Drop(cell.PaintedSprite);
    }
    if (cell.FogA == EmptyTile && cell.FogB == EmptyTile) {
        Drop(cell.FogSprite);
        return;
    }
    TLook look;
    look.Layer = live_ ? Layer + MapLiveFogStep : MapFogDepth;
    look.X = liveX_ + cell.X;
    look.Y = liveY_ + cell.Y;
    look.Width = MapCellWidth;
    look.Height = MapCellHeight;
    TCanvas* canvas = live_ ? Canvas : map_;
    if (live_) {
        // The grid reaches past the control, whose canvases end at its edges: drawn on the
        // screen, the outer cells' mist is cut there too, or it would show only while live.
        const float halfWidth = Size.X / 2;
        const float halfHeight = Size.Y / 2;
        auto part = [](float from, float at) { return std::clamp(from / at, 0.0f, 1.0f); };
        look.Crop = {part(-halfWidth - (cell.X - MapCellWidth / 2), MapCellWidth),
                     part(-halfHeight - (cell.Y - MapCellHeight / 2), MapCellHeight),
                     part(halfWidth - (cell.X - MapCellWidth / 2), MapCellWidth),
                     part(halfHeight - (cell.Y - MapCellHeight / 2), MapCellHeight)};
    }
    // The painted map numbers its parts like the cells, from 1; the fog canvas's grid numbers
    // them from 0. Each picture shows the cell's own part.
    const TSpriteLayer painted{backgroundMap_, cell.Number};
    const TSpriteLayer mist{fog_ != nullptr ? fog_->Texture.get() : nullptr, cell.Number - 1};
    if (hidden) {
        // Wholly covered, the fog is the mist over the painted map whatever its fade. The
        // painted part stands still, so it lies on the kept ground, on top of all there, and
        // only the mist is drawn every frame: the same picture, for a quarter of the samples.
        TLook under = look;
        under.Layer = MapFogDepth;
        under.X = cell.X;
        under.Y = cell.Y;
        under.Crop = {0, 0, 1, 1}; // the ground canvas ends at the control's edges itself
        under.Layers[0] = painted;
        Apply(cell.PaintedSprite, ground_, under);
        look.Layers[0] = mist;
        Apply(cell.FogSprite, canvas, look);
        return;
    }
    look.Alpha = FogFade;
    look.ShadingMode = smMapReveal;
    look.Layers[0] = {mask_, cell.FogA};
    look.Layers[1] = {mask_, cell.FogB};
    look.Layers[2] = painted;
    look.Layers[3] = mist;
    Apply(cell.FogSprite, canvas, look);
}

void TGuiControlMap::ReleasePlot(int32_t index) {
    TMapPlot& entry = plots_[static_cast<std::size_t>(index)];
    if (entry.Sprite != nullptr) {
        if (entry.Sprite->Canvas == light_) {
            LightChanged(SpriteBounds(*entry.Sprite));
        }
        ReleaseSprite(entry.Sprite);
    }
    DropPerformer(index);
    if (entry.Sounding) {
        StopSoundsOf(&entry);
        entry.Sounding = false;
    }
}

void TGuiControlMap::DropPerformer(int32_t index) {
    TMapPlot& entry = plots_[static_cast<std::size_t>(index)];
    if (entry.Performer == nullptr) {
        return;
    }
    // Its particles draw again only where they were; on the light canvas, the ground shows
    // all of it.
    if (entry.PerformerCanvas == light_) {
        InvalidateCanvas(ground_);
    }
    ReleasePerformer(entry.Performer);
}

void TGuiControlMap::RefreshPlot(int32_t index) {
    TMapPlot& entry = plots_[static_cast<std::size_t>(index)];
    const TPlotData* data = region_ != nullptr ? region_->Map.Plot(index) : nullptr;
    const TFigure* figure = data != nullptr ? data->Figure : nullptr;
    const uint8_t layer = data != nullptr ? data->Bytes[0] : UnseenPlotLayer;
    if (figure == nullptr || layer == UnseenPlotLayer) {
        ReleasePlot(index);
        return;
    }
    if (entry.Fade == pfHidden) {
        // A hidden plot keeps its sprite for its return: the ground draws again only where
        // it stood, not the whole picture.
        if (entry.Sprite != nullptr) {
            const TCanvasRect was = SpriteBounds(*entry.Sprite);
            if (Hide(entry.Sprite) && entry.Sprite->Canvas == light_) {
                LightChanged(was);
            }
        }
        DropPerformer(index);
        if (entry.Sounding) {
            StopSoundsOf(&entry);
            entry.Sounding = false;
        }
        if (entry.Sprite != nullptr || figure->IsEffect) {
            return;
        }
        // Never shown yet: its sprite is made now, hidden, while the ground is drawn whole
        // anyway, so that its first appearance draws only its own place.
    }
    const bool shown = entry.Fade == pfShown;
    if (data->Sound != nullptr && shown != entry.Sounding) {
        if (shown) {
            PrepareSound(data->Sound);
            if (data->Sound->Sample != nullptr) {
                PlaySample(&entry, data->Sound->Sample, true, data->Sound->Group());
                entry.Sounding = true;
            }
        } else {
            StopSoundsOf(&entry);
            entry.Sounding = false;
        }
    }
    // Lights go on the light canvas, every other plot on the kept ground.
    TCanvas* canvas = layer == LightPlotLayer ? light_ : ground_;
    const int32_t depth =
        PlotBand(layer) + static_cast<int32_t>(std::lround(static_cast<float>(data->CurrentY)));
    const auto x = static_cast<float>(data->CurrentX);
    const auto y = static_cast<float>(data->CurrentY);
    if (figure->IsEffect) {
        if (entry.Performer != nullptr && entry.PerformerCanvas != canvas) {
            DropPerformer(index);
        }
        if (entry.Performer == nullptr && figure->Effect != nullptr) {
            CreatePerformerOf(entry.Performer, canvas, depth, figure->Effect);
            entry.PerformerCanvas = canvas;
            SetPerformerActive(entry.Performer, true);
        }
        if (entry.Performer != nullptr) {
            entry.Performer->X = x;
            entry.Performer->Y = y;
            entry.Performer->Alpha = entry.Value;
            entry.Performer->Layer = depth;
            // Its particles draw their own parts of the ground again as they move; the ground
            // shows the light canvas only as a whole.
            if (canvas == light_) {
                InvalidateCanvas(ground_);
            }
        }
        return;
    }
    TTexture* texture = figure->Texture;
    if (figure->Animated && texture != nullptr) {
        if (texture->AnimationCount() > 0) {
            texture = texture->FrameAt(1, entry.Time);
        } else {
            const int32_t frames = std::max(texture->FrameCount(), 1);
            texture = FrameTexture(
                texture, std::min(static_cast<int32_t>(entry.Time * static_cast<float>(frames)),
                                  frames - 1));
        }
    }
    TLook look;
    look.Layer = depth;
    look.X = x;
    look.Y = y;
    look.Width = static_cast<float>(figure->Width);
    look.Height = static_cast<float>(figure->Height);
    look.Alpha = entry.Value;
    look.Layers[0] = {texture, 0};
    const bool wasShown =
        entry.Sprite != nullptr && entry.Sprite->Visible && entry.Sprite->Canvas == light_;
    const TCanvasRect was = wasShown ? SpriteBounds(*entry.Sprite) : TCanvasRect{};
    if (entry.Fade == pfHidden) {
        Apply(entry.Sprite, canvas, look);
        Hide(entry.Sprite);
        return;
    }
    if (Apply(entry.Sprite, canvas, look) && canvas == light_) {
        if (wasShown) {
            LightChanged(was);
        }
        LightChanged(SpriteBounds(*entry.Sprite));
    }
}

void TGuiControlMap::Refresh(bool visible) {
    if (!visible || ground_ == nullptr || map_ == nullptr) {
        ReleaseDrawing();
        if (!visible) {
            InvalidateCanvas(ground_);
            InvalidateCanvas(light_);
        }
        return;
    }
    live_ = DrawsLive();
    liveX_ = live_ ? Origin.X + Position.X : 0;
    liveY_ = live_ ? Origin.Y + Position.Y : 0;
    for (TMapCell& cell : cells_) {
        RefreshCell(cell);
    }
    GrowPlots();
    for (std::size_t i = 0; i < plots_.size(); ++i) {
        RefreshPlot(static_cast<int32_t>(i));
    }
    const float width = Size.X;
    const float height = Size.Y;

    TTexture* picture =
        region_ != nullptr && region_->Picture != nullptr ? region_->Picture->Texture : nullptr;
    if (picture == nullptr) {
        Drop(background_);
    } else {
        int32_t pictureWidth = 0;
        int32_t pictureHeight = 0;
        GetFrameSize(picture, 0, pictureWidth, pictureHeight);
        TLook look;
        look.Layer = 0;
        look.Width = static_cast<float>(pictureWidth);
        look.Height = static_cast<float>(pictureHeight);
        look.Layers[0] = {picture, 0};
        Apply(background_, ground_, look);
    }

    if (light_ != nullptr) {
        const uint32_t clear = PackTint(ShownTint);
        if (clear != light_->ClearColor || !tintShown_) {
            light_->ClearColor = clear;
            tintShown_ = true;
            InvalidateCanvas(light_);
        }
        TLook look;
        look.Layer = MapLightDepth;
        look.Width = width;
        look.Height = height;
        look.BlendMode = 1;
        look.Layers[0] = {light_->Texture.get(), 0};
        Apply(lightSprite_, ground_, look);
    }

    // The ground as one quad: on the control's canvas under the live parts, or on the map
    // canvas that the control's canvas shows transformed.
    TLook groundLook;
    groundLook.Width = width;
    groundLook.Height = height;
    groundLook.Layers[0] = {ground_->Texture.get(), 0};
    if (live_) {
        groundLook.Layer = Layer + MapLiveGroundStep;
        groundLook.X = liveX_;
        groundLook.Y = liveY_;
        Apply(groundSprite_, Canvas, groundLook);
        Drop(output_);
    } else {
        groundLook.Layer = -1;
        Apply(groundSprite_, map_, groundLook);
        if (Canvas != nullptr) {
            TLook look;
            look.Layer = Layer + MapLiveGroundStep;
            look.X = Origin.X + Position.X;
            look.Y = Origin.Y + Position.Y;
            look.Width = width;
            look.Height = height;
            look.Alpha = Alpha;
            look.ShadingMode = ShadingMode;
            look.Layers[0] = {map_->Texture.get(), 0};
            Apply(output_, Canvas, look);
            output_->Scale = Scale;
            output_->Orientation = Orientation;
            output_->Red = Color.Red;
            output_->Green = Color.Green;
            output_->Blue = Color.Blue;
        }
    }
    if (redrawAll_) {
        InvalidateCanvas(ground_);
        InvalidateCanvas(light_);
        InvalidateCanvas(map_);
        InvalidateCanvas(fog_);
    }
    // The ground shows the light canvas's picture.
    if (light_ != nullptr && !light_->PictureValid) {
        InvalidateCanvas(ground_);
    }
    // The mist moves every frame under any fog.
    bool fogged = false;
    for (const TMapCell& cell : cells_) {
        fogged = fogged || cell.FogSprite != nullptr;
    }
    if (fogged) {
        InvalidateCanvas(fog_);
    }
    // The map canvas, when in use, shows the ground, the mist and the effects' particles;
    // particles may move after this, drawing parts of the ground again.
    if (!live_) {
        bool effects = false;
        if (TContainerOf<TPerformer>* performers = Performers()) {
            for (const TPerformer& performer : *performers) {
                effects = effects || performer.Canvas == map_ || performer.Canvas == ground_ ||
                          performer.Canvas == light_;
            }
        }
        if (!ground_->PictureValid || ground_->DirtyCount > 0 || fogged || effects) {
            InvalidateCanvas(map_);
        }
    }
    Dirty = false;
}

} // namespace valdmoor
