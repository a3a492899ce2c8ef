#include "MapScenery.h"

#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "screens/GameGuiControlMap.h"
#include "storage/EngineStorage.h"
#include "video/EngineVideo.h"
#include "world/GamePool.h"
#include "world/GameSite.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace valdmoor::test {

namespace {

constexpr int32_t CellW = 160;
constexpr int32_t CellH = 80;

void StopEngine() {
    EffectsStop();
    VideoStop();
    WindowStop();
    TimerStop();
    StorageReset();
    ApplicationStop();
}

void Put(TPictureImage& image, int32_t x, int32_t y, uint32_t rgb, uint8_t alpha = 255) {
    uint8_t* pixel = image.Row(y) + static_cast<std::ptrdiff_t>(x) * 4;
    // Premultiplied, as the renderer expects.
    pixel[0] = static_cast<uint8_t>((rgb & 0xFF) * alpha / 255);
    pixel[1] = static_cast<uint8_t>((rgb >> 8 & 0xFF) * alpha / 255);
    pixel[2] = static_cast<uint8_t>((rgb >> 16 & 0xFF) * alpha / 255);
    pixel[3] = alpha;
}

std::unique_ptr<TGpuTexture> Upload(const TPictureImage& image) {
    return VideoDevice()->CreateTexture(image.Width, image.Height, pfA8R8G8B8, image.Pixels.data(),
                                        image.Pitch);
}

template <class T>
T* Register(std::unique_ptr<T> texture, const TPictureImage& image) {
    texture->Width = image.Width;
    texture->Height = image.Height;
    texture->Gpu = Upload(image);
    return static_cast<T*>(Textures()->Add(std::move(texture), true));
}

// A tile picture of 2 x 2 pattern variants (the frames 0..3), each 160 x 80.
TPictureImage TilePicture(uint32_t base, uint32_t stripe, int32_t shift) {
    TPictureImage image = MakeArgbImage(2 * CellW, 2 * CellH);
    for (int32_t y = 0; y < image.Height; ++y) {
        for (int32_t x = 0; x < image.Width; ++x) {
            Put(image, x, y, ((x + 2 * y + shift) / 12) % 3 == 0 ? stripe : base);
        }
    }
    return image;
}

void TileSegments(TTexture& texture) {
    MakeGridSegments(texture, 0, 0, CellW, CellH, 1, 2, 2);
}

// Which of the eight border zones of a tile a pixel lies in: the bit of the neighbour mask.
int32_t ZoneBit(int32_t x, int32_t y) {
    const bool left = x < CellW / 4;
    const bool right = x >= CellW * 3 / 4;
    const bool top = y < CellH / 4;
    const bool bottom = y >= CellH * 3 / 4;
    if (top && right) {
        return 6;
    }
    if (bottom && right) {
        return 4;
    }
    if (bottom && left) {
        return 2;
    }
    if (top && left) {
        return 0;
    }
    if (top) {
        return 7;
    }
    if (right) {
        return 5;
    }
    if (bottom) {
        return 3;
    }
    if (left) {
        return 1;
    }
    return -1;
}

// Tile t covers the zones of the first mask that draws it; 35 covers all, 8 nothing.
TPictureImage MaskPicture() {
    std::array<int32_t, 50> masks{};
    for (int32_t mask = 255; mask >= 1; --mask) {
        masks[static_cast<std::size_t>(TileOfMask(mask))] = mask;
    }
    masks[EmptyTile] = 0;
    masks[FullTile] = 0x1FF;
    TPictureImage image = MakeArgbImage(10 * CellW, 5 * CellH);
    for (int32_t tile = 0; tile < 50; ++tile) {
        const int32_t ox = tile % 10 * CellW;
        const int32_t oy = tile / 10 * CellH;
        const int32_t mask = masks[static_cast<std::size_t>(tile)];
        for (int32_t y = 0; y < CellH; ++y) {
            for (int32_t x = 0; x < CellW; ++x) {
                const int32_t bit = ZoneBit(x, y);
                const bool on = mask == 0x1FF || (bit >= 0 && (mask >> bit & 1) != 0);
                Put(image, ox + x, oy + y, 0xFFFFFF, on ? 255 : 0);
            }
        }
    }
    return image;
}

TPictureImage FigurePicture(int32_t width, int32_t height, uint32_t body, uint32_t top) {
    TPictureImage image = MakeArgbImage(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f) / static_cast<float>(width) - 0.5f;
            const float fy = (static_cast<float>(y) + 0.5f) / static_cast<float>(height);
            if (fy < 0.6f && std::fabs(dx) < 0.5f * fy / 0.6f) {
                Put(image, x, y, top);
            } else if (fy >= 0.6f && std::fabs(dx) < 0.3f) {
                Put(image, x, y, body);
            } else {
                Put(image, x, y, 0, 0);
            }
        }
    }
    return image;
}

// A picture with Frames pictures (frame 0 the picture itself) played in Seconds.
TBaseImageTexture* RegisterAnimated(const std::string& name,
                                    const std::vector<TPictureImage>& frames, float seconds,
                                    bool tiles) {
    auto base = std::make_unique<TBaseImageTexture>(name);
    base->Loaded = true;
    auto* texture = Register(std::move(base), frames[0]);
    if (tiles) {
        TileSegments(*texture);
    } else {
        MakeFullSegment(*texture, frames[0].Width, frames[0].Height);
    }
    texture->Frames = std::make_unique<TContainerOf<TFrameImageTexture>>(false, true);
    for (std::size_t i = 1; i < frames.size(); ++i) {
        auto frame = std::make_unique<TFrameImageTexture>(name + "#" + std::to_string(i), texture);
        frame->Width = frames[i].Width;
        frame->Height = frames[i].Height;
        frame->Gpu = Upload(frames[i]);
        frame->Segments = texture->Segments;
        frame->SharesSegments = true;
        texture->Frames->Add(std::move(frame));
    }
    texture->Animations.push_back(
        TAnimation{0, static_cast<int32_t>(frames.size()), seconds, "0-1"});
    return texture;
}

constexpr std::array<uint32_t, SceneryTerrainCount> TerrainColors = {0x6E9A3C, 0xC8B46A, 0x4F6B2E,
                                                                     0x8C8C84, 0xE8ECF0};

} // namespace

TMapEngine::TMapEngine(const std::string& ordinary) {
    try {
        ApplicationStart();
        SetSwitches(ParseSwitches({"-headless", "-nosound"}));
        SetStorageFolderPath(
            sfOrdinary, ordinary.empty() || ordinary.back() == '/' ? ordinary : ordinary + "/");
        TimerStart();
        WindowStart();
        VideoStart();
        VideoResize(1600, 900);
        EffectsStart();
    } catch (...) {
        StopEngine();
        throw;
    }
}

TMapEngine::~TMapEngine() {
    StopEngine();
}

uint32_t PaintedMapColor(int32_t number) {
    return static_cast<uint32_t>((number * 2) << 16 | (255 - number * 2) << 8 |
                                 (number * 37) % 256);
}

uint32_t FogPatternColor(int32_t number) {
    return static_cast<uint32_t>((number * 53) % 256 << 16 | (number * 2) << 8 | (255 - number));
}

void AddMapPictures() {
    // The mask tiles: ten to a row.
    TPictureImage mask = MaskPicture();
    TTexture* maskTexture = Register(std::make_unique<TTexture>("G2Mask"), mask);
    MakeGridSegments(*maskTexture, 0, 0, CellW, CellH, 1, 5, 10);

    // The painted map: frame 0 the whole picture, frame n the part of cell n.
    TPictureImage painted = MakeArgbImage(10 * CellW, 11 * CellH);
    for (int32_t y = 0; y < painted.Height; ++y) {
        for (int32_t x = 0; x < painted.Width; ++x) {
            const int32_t number = y / CellH * 10 + x / CellW + 1;
            Put(painted, x, y, PaintedMapColor(number));
        }
    }
    TTexture* paintedTexture = Register(std::make_unique<TTexture>("G2BackgroundMap"), painted);
    MakeGridSegments(*paintedTexture, 0, 0, CellW, CellH, 1, 11, 10);
    auto segments = std::make_shared<std::vector<TSegment>>(*paintedTexture->Segments);
    segments->insert(segments->begin(), TSegment{1, 1, 0, 0, static_cast<float>(painted.Width),
                                                 static_cast<float>(painted.Height)});
    paintedTexture->Segments = std::move(segments);

    for (int32_t t = 0; t < SceneryTerrainCount; ++t) {
        const uint32_t base = TerrainColors[static_cast<std::size_t>(t)];
        TTexture* terrain = Register(
            std::make_unique<TTexture>(std::string("G2Ter") + static_cast<char>('A' + t) + "a"),
            TilePicture(base, base ^ 0x202020, t * 5));
        TileSegments(*terrain);
    }
    RegisterAnimated("G2WaterA",
                     {TilePicture(0x2A5C9A, 0x4C86C8, 0), TilePicture(0x2A5C9A, 0x4C86C8, 4),
                      TilePicture(0x2A5C9A, 0x4C86C8, 8), TilePicture(0x2A5C9A, 0x4C86C8, 12)},
                     0.8f, true);
    TTexture* still =
        Register(std::make_unique<TTexture>("G2WaterB"), TilePicture(0x1E4A6E, 0x2E6A8E, 0));
    TileSegments(*still);

    auto figure = [](const char* name, const TPictureImage& image) {
        TTexture* texture = Register(std::make_unique<TTexture>(name), image);
        MakeFullSegment(*texture, image.Width, image.Height);
    };
    figure("G2Tree", FigurePicture(48, 72, 0x5A3A1E, 0x2E7A2E));
    figure("G2House", FigurePicture(80, 64, 0xD8CCB0, 0xA8321E));
    figure("G2Lamp", FigurePicture(96, 96, 0xFFE8A0, 0xFFF4C8));
    RegisterAnimated("G2Mill",
                     {FigurePicture(64, 80, 0xB09070, 0x705030),
                      FigurePicture(64, 80, 0xB09070, 0x806040),
                      FigurePicture(64, 80, 0xB09070, 0x907050)},
                     0.6f, false);
}

TSceneryPool AddSceneryPool() {
    TSceneryPool pool;
    for (int32_t t = 0; t < SceneryTerrainCount; ++t) {
        auto terrain =
            std::make_unique<TTerrain>(std::string("G2Ter") + static_cast<char>('A' + t) + "a");
        pool.Terrains[static_cast<std::size_t>(t)] = PoolTerrains().Add(std::move(terrain));
    }
    pool.Waters[0] = PoolWaters().Add(std::make_unique<TWater>("G2WaterA"));
    pool.Waters[1] = PoolWaters().Add(std::make_unique<TWater>("G2WaterB"));
    pool.Tree = PoolFigures().Add(std::make_unique<TFigure>("G2Tree"));
    pool.House = PoolFigures().Add(std::make_unique<TFigure>("G2House"));
    pool.Lamp = PoolFigures().Add(std::make_unique<TFigure>("G2Lamp"));
    pool.Mill = PoolFigures().Add(std::make_unique<TFigure>("G2Mill"));
    pool.Group = PoolGroups().Add(std::make_unique<TGroup>("Village"));
    return pool;
}

std::unique_ptr<TRegion> BuildFullRegion(const TSceneryPool& pool) {
    auto region = std::make_unique<TRegion>("Moor");
    region->Number = 1;
    region->Tint = {0.95f, 0.85f, 0.75f};
    TMap& map = region->Map;
    for (int32_t index = 0; index < MapCellCount; ++index) {
        const int32_t column = index % MapColumns;
        const int32_t row = index / MapColumns;
        // Bands and patches, so every terrain meets higher ones on every side somewhere.
        const int32_t t = (column / 2 + row / 3 + (column * row) % 3) % SceneryTerrainCount;
        map.Cells[static_cast<std::size_t>(index)].Terrain =
            pool.Terrains[static_cast<std::size_t>(t)];
        const bool lake = column >= 6 && column <= 7 && row >= 2 && row <= 4;
        const bool river = column == 2 && row >= 3;
        if (lake) {
            map.Cells[static_cast<std::size_t>(index)].Water = pool.Waters[0];
        } else if (river) {
            map.Cells[static_cast<std::size_t>(index)].Water = pool.Waters[1];
        }
    }
    TFigure* const figures[] = {pool.Tree, pool.House, pool.Tree, pool.Mill, pool.Lamp};
    for (int32_t i = 0; i < SceneryPlotCount; ++i) {
        TPlotData plot;
        plot.Figure = figures[i % 5];
        plot.X = (i * 157) % 1500 - 750;
        plot.Y = (i * 89) % 820 - 410;
        plot.CurrentX = plot.X;
        plot.CurrentY = plot.Y;
        // Lamps light the light canvas; a few plots stand above the light.
        plot.Bytes[0] = plot.Figure == pool.Lamp ? 5
                        : i % 13 == 0            ? 7
                                                 : static_cast<uint8_t>(i % 5);
        plot.Bytes[1] = static_cast<uint8_t>(i % 9);
        if (i % 10 == 1) {
            plot.Group = pool.Group;
            plot.InitiallyHidden = 1;
            plot.Hidden = 1;
        }
        map.Plots.push_back(plot);
    }
    map.RegisterGroups();
    for (int32_t s = 0; s < 2; ++s) {
        auto site = std::make_unique<TSite>(s == 0 ? "Farm" : "Tower");
        site->Region = region.get();
        site->Number = s + 1;
        site->X = s == 0 ? -400 : 400;
        site->Y = s == 0 ? 0 : -200;
        for (int32_t index = 0; index < MapCellCount; ++index) {
            const bool west = index % MapColumns < 5;
            if (west == (s == 0)) {
                site->RevealCells[static_cast<std::size_t>(index / 8)] |=
                    static_cast<uint8_t>(1 << (index % 8));
            }
        }
        site->Revealed = s == 0;
        region->Sites.Add(std::move(site));
    }
    return region;
}

void AddEffectPlots(TRegion& region, TGroup* group) {
    auto figure = [](const char* name) {
        TFigure* found = PoolFigures().Find(name);
        return found != nullptr ? found : PoolFigures().Add(std::make_unique<TFigure>(name));
    };
    TFigure* smoke = figure("F7Smoke");
    TFigure* mist = figure("F7Mist");
    TFigure* fire = figure("F7Fire");
    struct TPlace {
        TFigure* Figure;
        int32_t X;
        int32_t Y;
    };
    const TPlace places[] = {
        {smoke, -80, 280}, {fire, -360, 240},  {mist, -240, 220}, {fire, 680, -400},
        {mist, 420, -300}, {fire, -470, -370}, {mist, -520, -40}, {fire, 80, -200},
        {mist, 200, 60},   {mist, -60, -20},
    };
    for (const TPlace& place : places) {
        TPlotData plot;
        plot.Figure = place.Figure;
        plot.X = plot.CurrentX = place.X;
        plot.Y = plot.CurrentY = place.Y;
        if (place.Figure != smoke) {
            plot.Group = group;
        }
        if (place.Figure == fire) {
            plot.InitiallyHidden = 1;
            plot.Hidden = 1;
        }
        region.Map.Plots.push_back(plot);
    }
    // The list may have moved: every group learns its members again.
    for (TPlotData& plot : region.Map.Plots) {
        if (plot.Group != nullptr) {
            plot.Group->Members.clear();
        }
    }
    region.Map.RegisterGroups();
}

} // namespace valdmoor::test
