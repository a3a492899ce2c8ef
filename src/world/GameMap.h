// A region's map: a fixed grid of 110 terrain cells (10 columns by 11 rows) and the plots placed
// on it. The world changes a map only by flipping the visibility of plots of a group.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace valdmoor {

class TStream;
class TTerrain;
class TWater;
class TFigure;
class TGroup;
class TSound;
struct TLoadContext;

constexpr int32_t MapColumns = 10;
constexpr int32_t MapRows = 11;
constexpr int32_t MapCellCount = MapColumns * MapRows;
constexpr int32_t PlotRecordSize = 32;

struct TTile {
    TTerrain* Terrain = nullptr;
    TWater* Water = nullptr;
};

struct TPlotData {
    TFigure* Figure = nullptr;
    TGroup* Group = nullptr;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t CurrentX = 0;
    int32_t CurrentY = 0;
    std::array<int32_t, 2> Values{};
    TSound* Sound = nullptr;
    std::array<uint8_t, 2> Bytes{};
    uint8_t InitiallyHidden = 0;
    uint8_t Hidden = 0;
    uint8_t Last = 0;
};

// What the map control knows and the world does not: whether a map position lies on
// uncovered cells. The site reveals ask it; headless tools and tests answer it themselves.
class TMapView {
public:
    virtual ~TMapView() = default;
    virtual bool IsRevealedPoint(float x, float y) const = 0;
};

class TMap {
public:
    // The 880 bytes of cells, the plot count and the 32-byte plots.
    void Load(TStream& stream, const TLoadContext& context);
    void Reset();
    // Appends every plot that has a group to that group's members, in plot order.
    void RegisterGroups();
    void PrepareSounds();

    // Index 0 .. 109; an empty tile outside.
    const TTile& Cell(int32_t index) const;
    int32_t PlotCount() const { return static_cast<int32_t>(Plots.size()); }
    // 0-based; nil outside.
    TPlotData* Plot(int32_t index);

    // The cell index under a map position: column round(X + 800) div 160, row round(Y + 440)
    // div 80. The result can lie outside 0 .. 109 (the caller checks the grid).
    static void CellOf(float x, float y, int32_t& column, int32_t& row);

    std::array<TTile, MapCellCount> Cells{};
    std::vector<TPlotData> Plots;
};

} // namespace valdmoor
