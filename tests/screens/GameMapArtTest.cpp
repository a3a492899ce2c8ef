// The pictures the world's maps are painted with, as built into the game folder: the layout the
// map control picks frames from, ground and water that tile without seams, figures that fit
// their box, and a region drawn with all of them through the real control.
#include "MapScenery.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "screens/GameGuiControlMap.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"
#include "video/PictureFiles.h"
#include "world/GamePool.h"
#include "world/GameSite.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;

const fs::path Ordinary = VALDMOOR_GAME_ORDINARY;

const std::vector<std::string> Terrains = {"T1Map10Sand", "T1Map20Field", "T1Map30Grass",
                                           "T1Map40Moor", "T1Map50Wood",  "T1Map60Rock"};
const std::vector<std::string> Waters = {"W1Sea", "W1Pool"};
const std::vector<std::string> Underlays = {"G1Menu", "G1Map", "G1Fen", "G1Wold", "G1Mere"};
const std::vector<std::string> Figures = {
    "F1Oak",        "F1Pine",      "F1Birch", "F1Reeds",  "F1Bush", "F1Rock",
    "F1Stones",     "F1Cottage",   "F1House", "F1Hall",   "F1Mill", "F1Chapel",
    "F1Lighthouse", "F1Boat",      "F1Pier",  "F1Bridge", "F1Tent", "F1Well",
    "F1Beacon",     "F1BeaconLit", "F1Crown", "F1Sheep",  "F1Cart"};
const std::vector<std::string> EffectFigures = {"F7Smoke", "F7Mist", "F7Fire"};

TTpxFile Picture(const std::string& name) {
    const fs::path path = Ordinary / (name + ".tpx");
    return ReadTpx(test::ReadFile(path), path.string());
}

std::vector<TSegmentRect> Segments(const std::string& name) {
    return ReadSegmentsFile(test::ReadFile(Ordinary / (name + ".tsg"))).Segments;
}

// Colour channels of pixel (X, Y), whatever the stored format.
std::array<int32_t, 4> Pixel(const TPictureImage& image, int32_t x, int32_t y) {
    const uint8_t* p = image.Row(y) + static_cast<std::ptrdiff_t>(x) * image.BytesPerPixel;
    if (image.BytesPerPixel == 4) {
        return {p[0], p[1], p[2], p[3]};
    }
    return {p[0], p[0], p[0], 255};
}

// Mean colour difference between column A and column B (or rows, when Rows).
double Difference(const TPictureImage& image, int32_t a, int32_t b, bool rows) {
    const int32_t length = rows ? image.Width : image.Height;
    double sum = 0;
    for (int32_t i = 0; i < length; ++i) {
        const auto one = rows ? Pixel(image, i, a) : Pixel(image, a, i);
        const auto two = rows ? Pixel(image, i, b) : Pixel(image, b, i);
        for (std::size_t c = 0; c < 3; ++c) {
            sum += std::abs(one[c] - two[c]);
        }
    }
    return sum / (3.0 * length);
}

// Mean colour difference between two pictures of one size.
double Change(const TPictureImage& a, const TPictureImage& b) {
    double sum = 0;
    for (int32_t y = 0; y < a.Height; ++y) {
        for (int32_t x = 0; x < a.Width; ++x) {
            const auto p = Pixel(a, x, y);
            const auto q = Pixel(b, x, y);
            sum += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
        }
    }
    return sum / (3.0 * a.Width * a.Height);
}

// A picture tiles when the step across its wrap (last column to first, last row to first) is
// no larger than the steps between neighbouring columns and rows near those edges; a picture
// that does not tile shows a step many times larger there.
void ExpectTiles(const TPictureImage& image, const std::string& what) {
    for (const bool rows : {false, true}) {
        const int32_t last = (rows ? image.Height : image.Width) - 1;
        const double seam = Difference(image, last, 0, rows);
        double near = 0;
        for (const int32_t k : {0, 1, 2, last - 3, last - 2, last - 1}) {
            near += Difference(image, k, k + 1, rows) / 6;
        }
        EXPECT_LE(seam, 2 * near + 1)
            << what << (rows ? ": top and bottom" : ": left and right") << " do not meet (step "
            << seam << ", near it " << near << ")";
    }
}

// Terrain and water pictures are 2 x 2 cells of 160 x 80, frame = (row mod 2) x 2 + column
// mod 2, so a texture tiles across the grid in blocks of four cells.
void ExpectCellBlock(const std::string& name) {
    const std::vector<TSegmentRect> segments = Segments(name);
    ASSERT_EQ(segments.size(), 4u) << name;
    for (int32_t i = 0; i < 4; ++i) {
        const TSegmentRect& s = segments[static_cast<std::size_t>(i)];
        EXPECT_EQ(s.X, i % 2 * 160) << name << " segment " << i;
        EXPECT_EQ(s.Y, i / 2 * 80) << name << " segment " << i;
        EXPECT_EQ(s.Width, 160) << name << " segment " << i;
        EXPECT_EQ(s.Height, 80) << name << " segment " << i;
    }
}

TEST(MapArt, TerrainsAreBlocksOfFourCellsThatTile) {
    for (const std::string& name : Terrains) {
        SCOPED_TRACE(name);
        const TTpxFile file = Picture(name);
        ASSERT_FALSE(file.Images.empty());
        const TPictureImage& image = file.Images.front();
        EXPECT_EQ(image.Width, 320);
        EXPECT_EQ(image.Height, 160);
        ExpectCellBlock(name);
        ExpectTiles(image, name);
    }
}

TEST(MapArt, WatersFlowThroughFramesThatEachTile) {
    for (const std::string& name : Waters) {
        SCOPED_TRACE(name);
        const TTpxFile file = Picture(name);
        // The water animates over all its frames, which share the cell layout.
        ASSERT_GE(file.Images.size(), 4u);
        ASSERT_EQ(file.Animations.size(), 1u);
        EXPECT_EQ(file.Animations[0].First, 0);
        EXPECT_GT(file.Animations[0].Time, 0);
        ExpectCellBlock(name);
        for (std::size_t k = 0; k < file.Images.size(); ++k) {
            const TPictureImage& image = file.Images[k];
            EXPECT_EQ(image.Width, 320) << "frame " << k;
            EXPECT_EQ(image.Height, 160) << "frame " << k;
            ExpectTiles(image, name + " frame " + std::to_string(k));
        }
        // Frames that were all alike would not flow.
        EXPECT_GT(Change(file.Images.front(), file.Images[file.Images.size() / 2]), 2);
    }
}

// A figure is drawn as a box of its picture's size: anything touching the box's edge would be
// cut off there in a straight line.
TEST(MapArt, FiguresFitTheirBoxWithClearEdges) {
    for (const std::string& name : Figures) {
        SCOPED_TRACE(name);
        const TTpxFile file = Picture(name);
        ASSERT_FALSE(file.Images.empty());
        const TPictureImage& image = file.Images.front();
        EXPECT_LE(image.Width, 200);
        EXPECT_LE(image.Height, 200);
        int32_t solid = 0;
        for (int32_t x = 0; x < image.Width; ++x) {
            solid += Pixel(image, x, 0)[3] > 16;
            solid += Pixel(image, x, image.Height - 1)[3] > 16;
        }
        for (int32_t y = 0; y < image.Height; ++y) {
            solid += Pixel(image, 0, y)[3] > 16;
            solid += Pixel(image, image.Width - 1, y)[3] > 16;
        }
        EXPECT_EQ(solid, 0) << "pixels of the figure on the edge of its box";
    }
}

// The painted map: frame 0 the whole map, frame n the part of cell n, ten cells to a row.
TEST(MapArt, PaintedMapHasAPartForEveryCell) {
    const TTpxFile file = Picture("G2BackgroundMap");
    ASSERT_FALSE(file.Images.empty());
    EXPECT_EQ(file.Images.front().Width, 1600);
    EXPECT_EQ(file.Images.front().Height, 880);
    const std::vector<TSegmentRect> segments = Segments("G2BackgroundMap");
    ASSERT_EQ(segments.size(), 111u);
    EXPECT_EQ(segments[0].Width, 1600);
    EXPECT_EQ(segments[0].Height, 880);
    for (int32_t number = 1; number <= MapCellCount; ++number) {
        const TSegmentRect& s = segments[static_cast<std::size_t>(number)];
        EXPECT_EQ(s.X, (number - 1) % 10 * 160) << "cell " << number;
        EXPECT_EQ(s.Y, (number - 1) / 10 * 80) << "cell " << number;
        EXPECT_EQ(s.Width, 160) << "cell " << number;
        EXPECT_EQ(s.Height, 80) << "cell " << number;
    }
    for (const std::string& name : Underlays) {
        const TTpxFile underlay = Picture(name);
        ASSERT_FALSE(underlay.Images.empty()) << name;
        EXPECT_EQ(underlay.Images.front().Width, 1600) << name;
        EXPECT_EQ(underlay.Images.front().Height, 880) << name;
    }
}

// A small land in every terrain, with sea, a pool, every figure and the mist over the east.
class MapArtDrawn : public testing::Test {
protected:
    void SetUp() override {
        try {
            engine = std::make_unique<test::TMapEngine>(Ordinary.string());
        } catch (const EngineError& error) {
            GTEST_SKIP() << "no OpenGL 3.3 here: " << error.what();
        }
        MainCanvas()->ClearColor = 0xFF000000;
        PoolStart();
    }
    void TearDown() override {
        map.reset();
        region.reset();
        PoolStop();
        engine.reset();
    }

    std::unique_ptr<test::TMapEngine> engine;
    std::unique_ptr<TRegion> region;
    std::unique_ptr<TGuiControlMap> map;
};

// Terrain of a cell: sea shore to the west, the tor in the middle, wood and moor around it.
int32_t LandAt(int32_t column, int32_t row) {
    const int32_t dx = column - 5;
    const int32_t dy = row - 5;
    if (column <= 1) {
        return 0; // sand under the sea
    }
    if (dx * dx + dy * dy <= 2) {
        return 5; // rock
    }
    if (column >= 7 && row <= 4) {
        return 4; // wood
    }
    if (row >= 7) {
        return column % 3 == 0 ? 1 : 3; // fields among the moor
    }
    return column == 2 ? 0 : 2;
}

TEST_F(MapArtDrawn, RegionIsPaintedFromTheGamePictures) {
    std::vector<TTerrain*> terrains;
    for (const std::string& name : Terrains) {
        terrains.push_back(PoolTerrains().Add(std::make_unique<TTerrain>(name)));
    }
    TWater* sea = PoolWaters().Add(std::make_unique<TWater>(Waters[0]));
    TWater* pool = PoolWaters().Add(std::make_unique<TWater>(Waters[1]));
    std::vector<TFigure*> figures;
    for (const std::string& name : Figures) {
        figures.push_back(PoolFigures().Add(std::make_unique<TFigure>(name)));
    }
    for (const std::string& name : EffectFigures) {
        figures.push_back(PoolFigures().Add(std::make_unique<TFigure>(name)));
    }
    TPicture* underlay = PoolPictures().Add(std::make_unique<TPicture>("G1Fen"));

    region = std::make_unique<TRegion>("Fen");
    region->Number = 1;
    region->Picture = underlay;
    region->Tint = {1, 0.97f, 0.92f};
    for (int32_t index = 0; index < MapCellCount; ++index) {
        const int32_t column = index % MapColumns;
        const int32_t row = index / MapColumns;
        TTile& cell = region->Map.Cells[static_cast<std::size_t>(index)];
        cell.Terrain = terrains[static_cast<std::size_t>(LandAt(column, row))];
        if (column <= 1) {
            cell.Water = sea;
        } else if (column >= 3 && column <= 4 && row >= 8) {
            cell.Water = pool;
        }
    }
    // Every figure once, in rows over the land.
    for (std::size_t i = 0; i < figures.size(); ++i) {
        TPlotData plot;
        plot.Figure = figures[i];
        plot.X = static_cast<int32_t>(i % 6) * 200 - 420;
        plot.Y = static_cast<int32_t>(i / 6) * 170 - 330;
        plot.CurrentX = plot.X;
        plot.CurrentY = plot.Y;
        plot.Bytes[0] = 2;
        region->Map.Plots.push_back(plot);
    }
    // The site reveals all but the three eastern columns, which stay under the mist.
    auto site = std::make_unique<TSite>("Landing");
    site->Region = region.get();
    site->Number = 1;
    for (int32_t index = 0; index < MapCellCount; ++index) {
        if (index % MapColumns < 7) {
            site->RevealCells[static_cast<std::size_t>(index / 8)] |=
                static_cast<uint8_t>(1 << (index % 8));
        }
    }
    site->Revealed = true;
    region->Sites.Add(std::move(site));
    underlay->Load();

    map = std::make_unique<TGuiControlMap>();
    map->Canvas = MainCanvas();
    map->Size = {1600, 900};
    map->Layer = 100;
    map->FogEffectName = "G2MapFog";
    map->Initialize();
    map->SetMap(region.get());
    map->ApplyReveals();
    for (int32_t f = 0; f < 40; ++f) {
        AdvanceFrameCounter();
        UpdateWatersBy(1.0f / 30);
        UpdateEffectsBy(1.0f / 30);
        map->UpdateBy(1.0f / 30);
        map->Refresh(true);
        DrawFrame();
    }
    const TPictureImage frame = CaptureFramePicture();
    ASSERT_FALSE(frame.Pixels.empty());
    // For a look by eye: VALDMOOR_MAP_ART_CAPTURE=<file.png>.
    if (const char* capture = std::getenv("VALDMOOR_MAP_ART_CAPTURE")) {
        std::ofstream(capture, std::ios::binary) << EncodePng(frame);
    }

    // Every picture came from its own file, not the stand-in for a missing one.
    auto own = [](const TTexture* texture) {
        const auto* image = dynamic_cast<const TBaseImageTexture*>(texture);
        return image != nullptr && image->Loaded;
    };
    EXPECT_TRUE(own(underlay->Texture));
    for (const TTerrain* terrain : terrains) {
        EXPECT_TRUE(terrain->Loaded && own(terrain->Texture)) << terrain->Name();
    }
    for (const TWater* water : {sea, pool}) {
        EXPECT_TRUE(water->Loaded && own(water->Texture)) << water->Name();
        EXPECT_TRUE(water->Animated) << water->Name();
    }
    for (const TFigure* figure : figures) {
        EXPECT_TRUE(figure->Loaded) << figure->Name();
        EXPECT_TRUE(figure->IsEffect ? figure->Effect != nullptr : own(figure->Texture))
            << figure->Name();
    }
    // The ground covers every cell: nowhere does the black behind the map show through.
    int32_t holes = 0;
    for (int32_t y = 4; y < 880; y += 8) {
        for (int32_t x = 4; x < 1600; x += 8) {
            const uint8_t* p = frame.Row(y + 10) + static_cast<std::ptrdiff_t>(x) * 4;
            holes += p[0] < 8 && p[1] < 8 && p[2] < 8;
        }
    }
    EXPECT_EQ(holes, 0);
}

} // namespace
} // namespace valdmoor
