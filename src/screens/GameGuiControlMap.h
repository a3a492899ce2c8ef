// The region map on the play form: 110 terrain cells blended into their neighbours, water,
// the region's plots, the light of the region's tint, the fog over unrevealed land and the
// execution effects of scenes.
//
// The map is drawn so that a software renderer can afford it at full screen. Everything that
// stands still (background, cells, water, plots, the light over them and the painted map of
// wholly hidden cells) lies on one kept picture, the ground, of which a frame draws again only
// the parts that changed (a water cell's frame, a plot's fade, the particles of an effect
// plot, which keep their depth among the plots); the screen shows it as one quad. The land
// under all plots (background and blended terrain) is a kept picture of its own, the floor,
// which the ground shows as one quad, so that a part drawn again costs one layer for it. Only the
// fog's mist and the fog's edges, and the scenes' effects, are drawn live every frame, straight on
// the control's canvas, or on the map canvas when the control is scaled, turned, tinted or faded as
// a whole.
#pragma once

#include "app/EngineClasses.h"
#include "gui/EngineGui.h"
#include "video/EngineVideo.h"
#include "world/GameMap.h"
#include "world/GameRegion.h"

#include <array>
#include <cstdint>
#include <deque>
#include <random>
#include <string>

namespace valdmoor {

class TPerformer;
class TScene;
class TSite;
class TSource;
class TTexture;

constexpr float MapCellWidth = 160;
constexpr float MapCellHeight = 80;
// Tile numbers of the mask picture: nothing to draw, and the fully covered tile.
constexpr int32_t EmptyTile = 8;
constexpr int32_t FullTile = 35;

// Draw depths on the map's canvases.
constexpr int32_t MapWaterDepth = 3830;
constexpr int32_t MapLightDepth = 10390;
constexpr int32_t MapEffectDepth = 14110;
constexpr int32_t MapFogDepth = 15090;
// Layers over the control's own, on the canvas it is drawn on: the ground's quad, the effects
// (each emitter one layer above the one before) and the fog over them.
constexpr int32_t MapLiveGroundStep = 3;
constexpr int32_t MapLiveEffectStep = 4;
constexpr int32_t MapLiveFogStep = 30;

enum TFogState : int32_t {
    fsHidden = 0,
    fsRevealing = 1,
    fsRevealed = 2,
};

// The direction masks N, NE, E, SE, S, SW, W, NW and the tile each neighbour mask draws.
extern const std::array<uint8_t, 8> DirectionMasks;
int32_t TileOfMask(int32_t mask);

// One cell's blend layer while it is computed.
class TTerrainBlendItem : public TItem {
public:
    TTerrain* Terrain = nullptr;
    int32_t Mask = 0;
};

struct TMapBlendLayer {
    TTerrain* Terrain = nullptr;
    int32_t Tile = EmptyTile;
};

struct TMapCell {
    int32_t Number = 0; // 1 .. 110
    int32_t Column = 0;
    int32_t Row = 0;
    float X = 0;
    float Y = 0;
    int32_t Pattern = 0;
    std::array<TMapCell*, 8> Neighbours{};
    TTerrain* Terrain = nullptr;
    std::array<TMapBlendLayer, 8> Blends{};
    int32_t BlendCount = 0;
    bool BlendValid = false;
    TWater* Water = nullptr;
    int32_t WaterTile = EmptyTile;
    bool WaterValid = false;
    int32_t Fog = fsHidden;
    int32_t FogA = FullTile;
    int32_t FogB = EmptyTile;
    bool FogValid = false;
    TSprite* Base = nullptr;
    std::array<TSprite*, 8> BlendSprites{};
    TSprite* WaterSprite = nullptr;
    TSprite* FogSprite = nullptr;
    // A hidden cell's part of the painted map, kept on the ground under its mist.
    TSprite* PaintedSprite = nullptr;
};

enum TPlotFade : int32_t {
    pfHidden = 0,
    pfFadingIn = 1,
    pfShown = 2,
    pfFadingOut = 3,
};

struct TMapPlot {
    int32_t Fade = pfHidden;
    float Value = 0;
    TSprite* Sprite = nullptr;
    TPerformer* Performer = nullptr;
    TCanvas* PerformerCanvas = nullptr;
    bool Sounding = false;
    // Animated texture figures: the time into the running pass, and the pause still to wait.
    float Time = 0;
    float Pause = 0;
};

class TGuiControlMap : public TGuiControl, public TMapView {
public:
    TGuiControlMap();
    ~TGuiControlMap() override;

    void Initialize() override;
    void Finalize() override;
    void Update() override;
    // The update by a given frame time; the water animation is not advanced.
    void UpdateBy(float seconds);
    void Refresh(bool visible) override;

    // Shows Region's map, all under fog until ApplyReveals; nothing when it is the one shown.
    void SetMap(TRegion* region);
    TRegion* ShownRegion() const { return region_; }
    void SetCellTerrain(TMapCell* cell, TTerrain* terrain);
    void SetCellWater(TMapCell* cell, TWater* water);
    // Fog only moves forward: 0 to 1 to 2, or 0 to 2.
    void SetCellFog(TMapCell* cell, int32_t state);
    void RevealAll();
    // Uncovers what every revealed site of the region reveals.
    void ApplyReveals();
    TMapCell* CellAt(int32_t column, int32_t row);
    const TMapCell* CellAt(int32_t column, int32_t row) const;
    // The point and the points 45 above and below and 60 left and right of it lie outside the
    // grid or on cells that are not hidden.
    bool IsRevealedPoint(float x, float y) const override;

    // Told by the play form every frame from the avatar: the site whose reveal runs (nil when
    // none) and how far it has come (0 .. 1).
    void SetReveal(TSite* site, float progress);
    // The execution effects of Scene: its sound, and its effect on the map.
    void PlaySceneEffects(const TScene* scene);
    // The revealed, open site of the shown region nearest to the map point (X, Y) within
    // Radius; nil when none. Points are relative to the map's centre.
    TSite* SiteAt(float x, float y, float radius) const;

    // Every frame draws every layer again, as if nothing were kept (the reference the kept
    // pictures are compared with).
    void SetRedrawAll(bool on);
    // Whether the live parts (fog, effects) go on the control's canvas, over one quad of the
    // ground; false while the map is shown scaled, turned, tinted or faded as a whole, when
    // they go on the map canvas, which the control's canvas then shows.
    bool DrawsLive() const;
    // The fog's particle effect; empty for none. Before Initialize.
    std::string FogEffectName = "G2MapFog";

    std::array<float, 3> ShownTint{1, 1, 1};
    float FogFade = 1;
    TCanvas* GroundCanvas() const { return ground_; }
    TCanvas* FloorCanvas() const { return floor_; }
    TCanvas* MapCanvas() const { return map_; }
    TCanvas* LightCanvas() const { return light_; }
    TCanvas* FogCanvas() const { return fog_; }
    const std::deque<TMapPlot>& PlotEntries() const { return plots_; }

private:
    void ComputeBlend(TMapCell& cell);
    void ComputeWater(TMapCell& cell);
    void ComputeFog(TMapCell& cell);
    void InvalidateAround(TMapCell& cell, bool blend, bool water, bool fog);
    void RefreshCell(TMapCell& cell);
    void RefreshPlot(int32_t index);
    void ReleasePlot(int32_t index);
    void DropPerformer(int32_t index);
    void RebuildPlots();
    void GrowPlots();
    void UpdatePlots(float seconds);
    void UpdateTint(float seconds);
    void UpdateReveal();
    void ReleaseDrawing();
    // The light canvas changed in Rect: the ground shows it there.
    void LightChanged(const TCanvasRect& rect);

    std::array<TMapCell, MapCellCount> cells_{};
    // Kept sorted by terrain code; fixed, so recomputing a cell allocates nothing.
    std::array<TTerrainBlendItem, 8> scratch_{};
    TRegion* region_ = nullptr;
    TCanvas* floor_ = nullptr;  // background and terrain
    TCanvas* ground_ = nullptr; // the floor, water, plots and the light over them
    TCanvas* map_ = nullptr;    // the ground and the live parts, when the whole is transformed
    TCanvas* light_ = nullptr;
    TCanvas* fog_ = nullptr;
    TSprite* background_ = nullptr;
    TSprite* groundSprite_ = nullptr;
    TSprite* floorSprite_ = nullptr;
    TSprite* lightSprite_ = nullptr;
    TSprite* output_ = nullptr;
    TPerformer* fogPerformer_ = nullptr;
    TTexture* mask_ = nullptr;
    TTexture* backgroundMap_ = nullptr;
    // A deque: entries are the owners of their sounds, so they must not move as it grows.
    std::deque<TMapPlot> plots_;
    TSite* revealSite_ = nullptr;
    TSite* seenSite_ = nullptr;
    float revealProgress_ = 0;
    bool tintShown_ = false;
    bool redrawAll_ = false;
    // Where the live parts go this frame, and the offset of the map's centre there.
    bool live_ = true;
    float liveX_ = 0;
    float liveY_ = 0;
    bool initialized_ = false;
    std::minstd_rand random_{20260};
};

} // namespace valdmoor
