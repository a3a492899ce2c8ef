#include "world/GameMap.h"

#include "ScenarioModel.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GamePool.h"
#include "world/GameRecords.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

class MapLoading : public testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            terrains.push_back(std::make_unique<TTerrain>("T"));
            context.Terrains.push_back(terrains.back().get());
            groups.push_back(std::make_unique<TGroup>("G"));
            context.Groups.push_back(groups.back().get());
        }
    }
    TMap Load(const scenario::TRegionModel& record) {
        TMemoryStream stream(scenario::MapBytes(record));
        TMap map;
        map.Load(stream, context);
        EXPECT_EQ(stream.Remaining(), 0);
        return map;
    }
    static scenario::TPlotModel Plot(int32_t group, uint8_t hidden, int32_t x = 0) {
        scenario::TPlotModel plot;
        plot.Group = group;
        plot.InitiallyHidden = hidden;
        plot.X = x;
        return plot;
    }

    std::vector<std::unique_ptr<TTerrain>> terrains;
    std::vector<std::unique_ptr<TGroup>> groups;
    TLoadContext context;
};

TEST_F(MapLoading, ReadsCellsAndPlotsResolvingPoolReferences) {
    scenario::TRegionModel record;
    record.Cells[0] = {1, 0};
    record.Cells[109] = {2, 7};
    record.Cells[5] = {3, 0}; // beyond the terrain list
    scenario::TPlotModel plot = Plot(2, 1, -40);
    plot.Y = 25;
    plot.Values = {7, -8};
    plot.Bytes = {3, 4};
    plot.Last = 9;
    record.Plots = {plot};
    TMap map = Load(record);
    EXPECT_EQ(map.Cell(0).Terrain, terrains[0].get());
    EXPECT_EQ(map.Cell(109).Terrain, terrains[1].get());
    EXPECT_EQ(map.Cell(109).Water, nullptr);
    EXPECT_EQ(map.Cell(5).Terrain, nullptr);
    EXPECT_EQ(map.Cell(110).Terrain, nullptr);
    ASSERT_EQ(map.PlotCount(), 1);
    const TPlotData& p = *map.Plot(0);
    EXPECT_EQ(p.Group, groups[1].get());
    EXPECT_EQ(p.X, -40);
    EXPECT_EQ(p.CurrentY, 25);
    EXPECT_EQ(p.Values[1], -8);
    EXPECT_EQ(p.Bytes[1], 4);
    EXPECT_EQ(p.Hidden, 1);
    EXPECT_EQ(p.Last, 9);
    EXPECT_EQ(map.Plot(1), nullptr);
}

TEST_F(MapLoading, APlotCountBeyondTheDataIsRejectedBeforeAllocating) {
    scenario::TRegionModel record;
    record.Plots = {Plot(0, 0)};
    std::string bytes = scenario::MapBytes(record);
    // The count claims a million plots where one follows.
    bytes[880] = 0x40;
    bytes[881] = 0x42;
    bytes[882] = 0x0F;
    TMemoryStream stream(bytes);
    TMap map;
    EXPECT_THROW(map.Load(stream, context), EngineError);
    EXPECT_EQ(map.PlotCount(), 0);
}

TEST_F(MapLoading, FlippingAGroupTwiceAndResetRestoreEveryPlot) {
    scenario::TRegionModel record;
    record.Plots = {Plot(1, 0), Plot(0, 1), Plot(1, 1), Plot(2, 0)};
    TMap map = Load(record);
    map.RegisterGroups();
    ASSERT_EQ(groups[0]->Members.size(), 2u);
    EXPECT_EQ(groups[0]->Members[0], map.Plot(0));
    EXPECT_EQ(groups[0]->Members[1], map.Plot(2));

    FlipGroup(groups[0].get());
    EXPECT_EQ(map.Plot(0)->Hidden, 1);
    EXPECT_EQ(map.Plot(1)->Hidden, 1); // not a member
    EXPECT_EQ(map.Plot(2)->Hidden, 0);
    FlipGroup(groups[0].get());
    EXPECT_EQ(map.Plot(0)->Hidden, 0);
    EXPECT_EQ(map.Plot(2)->Hidden, 1);

    FlipGroup(groups[1].get());
    map.Plot(1)->CurrentX = 99;
    map.Reset();
    EXPECT_EQ(map.Plot(3)->Hidden, 0);
    EXPECT_EQ(map.Plot(1)->CurrentX, 0);
    FlipGroup(nullptr);
}

TEST(MapCells, CellOfRoundsThenDividesAtTheCellEdges) {
    struct TCase {
        float X, Y;
        int32_t Column, Row;
    };
    const TCase cases[] = {
        {-800, -440, 0, 0},         {-640.6f, -360.6f, 0, 0}, {-640.4f, -360.4f, 1, 1},
        {-640, -360, 1, 1},         {799.4f, 439.4f, 9, 10},  {799.6f, 439.6f, 10, 11},
        {-800.6f, -440.6f, -1, -1}, // left of and above the grid: outside, not cell 0
    };
    for (const TCase& c : cases) {
        int32_t column = 0;
        int32_t row = 0;
        TMap::CellOf(c.X, c.Y, column, row);
        EXPECT_EQ(column, c.Column) << c.X;
        EXPECT_EQ(row, c.Row) << c.Y;
    }
}

} // namespace
} // namespace valdmoor
