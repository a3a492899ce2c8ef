#include "world/GamePool.h"

#include "ScenarioModel.h"
#include "TestSupport.h"
#include "WorldRecords.h"
#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "effects/EngineEffects.h"
#include "storage/EngineStorage.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"
#include "video/PictureFiles.h"
#include "video/null/NullVideoDevice.h"
#include "world/GameRecords.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

TEST(PoolNames, EachListIsReadInOrderIntoItsIndexTable) {
    PoolStart();
    scenario::TWorldModel world;
    world.Pool[0] = {"G2A", "G2B"};
    world.Pool[2] = {"Kettle", "kettle", ""};
    world.Pool[5] = {"G7Smoke", "G2Tree", "G"};
    world.Pool[7] = {"Gates"};
    TMemoryStream stream(scenario::PoolBytes(world));
    TLoadContext context;
    LoadPoolNames(stream, context);
    EXPECT_EQ(stream.Remaining(), 0);
    ASSERT_EQ(context.Pictures.size(), 2u);
    EXPECT_EQ(context.Pictures[1]->Name(), "G2B");
    EXPECT_EQ(PoolPictures().Last(), context.Pictures[1]);
    EXPECT_TRUE(context.Effectors.empty());
    EXPECT_TRUE(context.Captions.empty());
    // The sound and figure tests are case-sensitive and tolerate short names.
    EXPECT_TRUE(context.Sounds[0]->IsK);
    EXPECT_FALSE(context.Sounds[1]->IsK);
    EXPECT_FALSE(context.Sounds[2]->IsK);
    EXPECT_TRUE(context.Figures[0]->IsEffect);
    EXPECT_FALSE(context.Figures[1]->IsEffect);
    EXPECT_FALSE(context.Figures[2]->IsEffect);
    EXPECT_EQ(PoolGroups().First()->Name(), "Gates");
    PoolStop();
    EXPECT_EQ(PoolPictures().Count(), 0);
    PoolStop();
}

TEST(PoolNames, ADamagedListCountRaises) {
    test::TRecordWriter w;
    w.Int32(1000).Name("G2A");
    TMemoryStream stream(w.Bytes());
    TLoadContext context;
    EXPECT_THROW(LoadPoolNames(stream, context), EngineError);
    PoolStop();
}

TEST(TerrainCode, UsesBytesFiveAndSixAndSevenOnlyForEightByteNames) {
    EXPECT_EQ(TerrainCodeOf("G2Ter\x01\x02"), 1 * 16384 + 2 * 128);
    EXPECT_EQ(TerrainCodeOf("G2Ter\x01\x02\x03"), 1 * 16384 + 2 * 128 + 3);
    EXPECT_EQ(TerrainCodeOf("G2Ter\x01\x02\x03X"), 1 * 16384 + 2 * 128);
    // Bytes count unsigned.
    EXPECT_EQ(TerrainCodeOf("G2Ter\xFF\x80"), 255 * 16384 + 128 * 128);
    // Names too short for the code read their missing bytes as 0, never past their end.
    EXPECT_EQ(TerrainCodeOf("G2Ter\x05"), 5 * 16384);
    EXPECT_EQ(TerrainCodeOf("G2"), 0);
    EXPECT_EQ(TerrainCodeOf(""), 0);
}

TPictureImage Image(int32_t width, int32_t height) {
    TPictureImage image;
    image.Width = width;
    image.Height = height;
    image.Format = pfA8R8G8B8;
    image.BytesPerPixel = 4;
    image.Pitch = width * 4;
    image.Pixels.assign(static_cast<std::size_t>(image.Pitch) * height, 0xFF);
    return image;
}

// Loading by name with the engine's media parts running on their headless devices.
class PoolLoading : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        TSwitches switches;
        switches.Headless = true;
        SetSwitches(switches);
        const auto ordinary = temp.Path() / "Ordinary";
        std::filesystem::create_directories(ordinary);
        SetStorageFolderPath(sfOrdinary, ordinary.string() + "/");
        SetStorageFolderPath(sfBranding, (temp.Path() / "Branding").string() + "/");
        auto device = std::make_unique<TNullVideoDevice>();
        // A device that pads pictures to powers of two.
        device->TexturePow2Only = true;
        VideoStartWith(std::move(device), 1600, 900);
        EffectsStart();
        AudioStart();
        PoolStart();
        temp.Write("Ordinary/G2Still.png", EncodePng(Image(100, 60)));
        TTpxFile moving;
        moving.Images = {Image(50, 30), Image(50, 30), Image(50, 30)};
        temp.Write("Ordinary/G2Moving.tpx", WriteTpx(moving));
        TTpxFile unknown;
        unknown.Images = {Image(16, 16)};
        temp.Write("Ordinary/G2Unknown.tpx", WriteTpx(unknown));
    }
    void TearDown() override {
        PoolStop();
        AudioStop();
        EffectsStop();
        VideoStop();
        StorageReset();
        SetSwitches(TSwitches());
        ApplicationStop();
    }
    static int32_t LogCount(const std::string& text) {
        const std::vector<std::string> lines = LogLines();
        return static_cast<int32_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
            return l.find(text) != std::string::npos;
        }));
    }

    test::TTempFolder temp;
};

TEST_F(PoolLoading, FiguresTakeThePicturesOwnSizeAndOnlyManyFramesAnimate) {
    TFigure* still = PoolFigures().Add(std::make_unique<TFigure>("G2Still"));
    TFigure* moving = PoolFigures().Add(std::make_unique<TFigure>("G2Moving"));
    still->Load();
    moving->Load();
    ASSERT_NE(still->Texture, nullptr);
    EXPECT_EQ(still->Texture->Width, 128); // padded for the device
    EXPECT_EQ(still->Width, 100);
    EXPECT_EQ(still->Height, 60);
    EXPECT_FALSE(still->Animated);
    EXPECT_EQ(moving->Width, 50);
    EXPECT_EQ(moving->Height, 30);
    EXPECT_TRUE(moving->Animated);
    EXPECT_TRUE(still->Loaded);
}

TEST_F(PoolLoading, StillWaterNeverAnimatesAndMovingWaterCyclesItsFrames) {
    TWater* still = PoolWaters().Add(std::make_unique<TWater>("G2Still"));
    TWater* moving = PoolWaters().Add(std::make_unique<TWater>("G2Moving"));
    TWater* unloaded = PoolWaters().Add(std::make_unique<TWater>("G2Moving2"));
    still->Load();
    moving->Load();
    EXPECT_FALSE(still->Animated);
    EXPECT_TRUE(moving->Animated);
    EXPECT_EQ(moving->FrameCount, 3);
    UpdateWatersBy(0.5f);
    EXPECT_EQ(still->Frame(), 0);
    EXPECT_EQ(moving->Frame(), 1); // half of a one-second cycle over three frames
    UpdateWatersBy(0.6f);
    EXPECT_EQ(moving->Frame(), 0); // wrapped
    EXPECT_FALSE(unloaded->Loaded);
}

TEST_F(PoolLoading, MissingMediaGetPlaceholdersLoggedOnce) {
    TPicture* picture = PoolPictures().Add(std::make_unique<TPicture>("G2Gone"));
    TPicture* again = PoolPictures().Add(std::make_unique<TPicture>("G2Gone"));
    TEffector* effector = PoolEffectors().Add(std::make_unique<TEffector>("G2NoEffect"));
    TSound* sound = PoolSounds().Add(std::make_unique<TSound>("G8Silent"));
    TSound* other = PoolSounds().Add(std::make_unique<TSound>("G8Silent"));
    EXPECT_FALSE(picture->Loaded);
    picture->Load();
    again->Load();
    effector->Load();
    PrepareSound(sound);
    PrepareSound(sound);
    PrepareSound(other);
    EXPECT_EQ(picture->Texture, again->Texture);
    ASSERT_NE(picture->Texture, nullptr);
    EXPECT_EQ(picture->Texture->SegmentAt(0).PixelWidth, 16); // the stand-in
    ASSERT_NE(effector->Effect, nullptr);
    EXPECT_FALSE(effector->Effect->Emitters.Empty()); // the default particles
    ASSERT_NE(sound->Sample, nullptr);
    EXPECT_EQ(sound->Sample->Buffer(), nullptr); // silent
    EXPECT_EQ(sound->Sample, other->Sample);
    EXPECT_EQ(LogCount("\"G2Gone\""), 1);
    EXPECT_EQ(LogCount("\"G2NoEffect\""), 1);
    EXPECT_EQ(LogCount("\"G8Silent\""), 1);
}

TEST_F(PoolLoading, SoundsOfADisabledGroupAreNotPreloaded) {
    TSound* k = PoolSounds().Add(std::make_unique<TSound>("KVoice"));
    TSound* music = PoolSounds().Add(std::make_unique<TSound>("G8Song"));
    SetGroupVolume(1, 0);
    SetGroupVolume(MusicGroup, 0);
    PrepareSound(k);
    PrepareSound(music, true);
    EXPECT_FALSE(k->Loaded);
    EXPECT_FALSE(music->Loaded);
    SetGroupVolume(1, 10);
    PrepareSound(k);
    EXPECT_TRUE(k->Loaded);
}

TEST(PoolHeadless, NothingLoadsUntilAskedAndAskingWithoutMediaPartsIsSafe) {
    ApplicationStart();
    PoolStart();
    TPicture* picture = PoolPictures().Add(std::make_unique<TPicture>("G2Any"));
    TFigure* figure = PoolFigures().Add(std::make_unique<TFigure>("G7Smoke"));
    TSound* sound = PoolSounds().Add(std::make_unique<TSound>("G8Any"));
    picture->Load();
    figure->Load();
    PrepareSound(sound);
    EXPECT_EQ(picture->Texture, nullptr);
    EXPECT_EQ(figure->Effect, nullptr);
    EXPECT_EQ(figure->Width, 0);
    EXPECT_FALSE(sound->Loaded); // no device: no group may play
    PoolStop();
    ApplicationStop();
}

} // namespace
} // namespace valdmoor
