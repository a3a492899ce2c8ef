#include "world/GameMap.h"

#include "storage/EngineStorage.h"
#include "world/GamePool.h"
#include "world/GameRecords.h"

#include <algorithm>
#include <cmath>

namespace valdmoor {
namespace {

// Integer division rounding towards negative infinity, so positions left of or above the
// grid never fold onto column or row 0.
int32_t FloorDiv(int64_t value, int32_t divisor) {
    int64_t q = value / divisor;
    if (value % divisor != 0 && value < 0) {
        --q;
    }
    return static_cast<int32_t>(q);
}

int64_t RoundToInt64(float value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    const double clamped = std::clamp<double>(value, -1e15, 1e15);
    return std::llrint(clamped); // halves go to the even neighbour
}

} // namespace

void TMap::Load(TStream& stream, const TLoadContext& context) {
    TRecordBytes<MapCellCount * 8> cells;
    TRecordReader reader = ReadRecord(stream, cells);
    for (TTile& tile : Cells) {
        tile.Terrain = Resolve(context.Terrains, reader.Int32());
        tile.Water = Resolve(context.Waters, reader.Int32());
    }
    reader.Finish();

    const int32_t count = ReadCount(stream, PlotRecordSize);
    Plots.clear();
    Plots.resize(static_cast<std::size_t>(count));
    for (TPlotData& plot : Plots) {
        TRecordBytes<PlotRecordSize> record;
        TRecordReader r = ReadRecord(stream, record);
        plot.Figure = Resolve(context.Figures, r.Int32());
        plot.Group = Resolve(context.Groups, r.Int32());
        plot.X = r.Int32();
        plot.Y = r.Int32();
        plot.Values[0] = r.Int32();
        plot.Values[1] = r.Int32();
        plot.Sound = Resolve(context.Sounds, r.Int32());
        plot.Bytes[0] = r.Byte();
        plot.Bytes[1] = r.Byte();
        plot.InitiallyHidden = r.Byte();
        plot.Last = r.Byte();
        r.Finish();
        plot.CurrentX = plot.X;
        plot.CurrentY = plot.Y;
        plot.Hidden = plot.InitiallyHidden;
    }
}

void TMap::Reset() {
    for (TPlotData& plot : Plots) {
        plot.CurrentX = plot.X;
        plot.CurrentY = plot.Y;
        plot.Hidden = plot.InitiallyHidden;
    }
}

void TMap::RegisterGroups() {
    for (TPlotData& plot : Plots) {
        if (plot.Group != nullptr) {
            plot.Group->Members.push_back(&plot);
        }
    }
}

void TMap::PrepareSounds() {
    for (TPlotData& plot : Plots) {
        PrepareSound(plot.Sound);
    }
}

const TTile& TMap::Cell(int32_t index) const {
    static const TTile none;
    return index >= 0 && index < MapCellCount ? Cells[static_cast<std::size_t>(index)] : none;
}

TPlotData* TMap::Plot(int32_t index) {
    return index >= 0 && index < PlotCount() ? &Plots[static_cast<std::size_t>(index)] : nullptr;
}

void TMap::CellOf(float x, float y, int32_t& column, int32_t& row) {
    column = FloorDiv(RoundToInt64(x + 800.0f), 160);
    row = FloorDiv(RoundToInt64(y + 440.0f), 80);
}

} // namespace valdmoor
