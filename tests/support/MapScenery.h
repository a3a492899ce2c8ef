// A region map made in code for the map control's tests and benchmark: the pictures the map
// draws (terrain tiles, mask tiles, water, the painted map, plot figures) drawn into memory
// and registered under their names, and a full region that uses every terrain, water and a
// hundred plots.
#pragma once

#include "world/GameRegion.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace valdmoor::test {

constexpr int32_t SceneryTerrainCount = 5;
constexpr int32_t SceneryPlotCount = 100;

// The engine as the game starts it headless, drawing with OpenGL at 1600 x 900, with effects
// read from Ordinary; no audio. Raises EngineError when the system cannot draw.
class TMapEngine {
public:
    explicit TMapEngine(const std::string& ordinary);
    ~TMapEngine();
    TMapEngine(const TMapEngine&) = delete;
    TMapEngine& operator=(const TMapEngine&) = delete;
};

// Registers "G2Mask", "G2BackgroundMap", the terrains "G2Ter?a", the waters "G2WaterA"
// (animated, four frames) and "G2WaterB", the figures "G2Tree", "G2House", "G2Lamp" and the
// animated "G2Mill". Video must be running.
void AddMapPictures();

// Colours of cell Number's part of the painted map, and of the test pattern drawn on the fog
// canvas, as 0xRRGGBB.
uint32_t PaintedMapColor(int32_t number);
uint32_t FogPatternColor(int32_t number);

// The pool objects of the pictures above, appended to the pool lists (PoolStart first).
struct TSceneryPool {
    std::array<TTerrain*, SceneryTerrainCount> Terrains{};
    std::array<TWater*, 2> Waters{};
    TFigure* Tree = nullptr;
    TFigure* House = nullptr;
    TFigure* Lamp = nullptr;
    TFigure* Mill = nullptr;
    TGroup* Group = nullptr;
};
TSceneryPool AddSceneryPool();

// Every cell a terrain (all of them blended somewhere), a lake and a river, a hundred plots
// on all layers (some in a hidden group), and two sites: the first revealed, uncovering the
// western half.
std::unique_ptr<TRegion> BuildFullRegion(const TSceneryPool& pool);

// The effect plots of the game's busiest map, where they stand there: a chimney's smoke, five
// banks of mist and four beacon fires, appended to Region's plots with their figures added to
// the pool ("F7Smoke", "F7Mist", "F7Fire", read from the effects folder). The fires start
// hidden in Group and the mists shown in it, so flipping the group lights the fires as the
// mists lift. Effects must be running.
void AddEffectPlots(TRegion& region, TGroup* group);

} // namespace valdmoor::test
