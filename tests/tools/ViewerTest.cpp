// valdmoor-view run end to end, headless: on the game folder's own data, and on a copy of it
// with sounds made on the spot.
#include "TestSounds.h"
#include "TestSupport.h"
#include "video/PictureFiles.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;
using test::TProcessResult;
using test::TTempFolder;

const fs::path Viewer = VALDMOOR_VIEWER_EXE;

class TViewerRun {
public:
    TProcessResult Run(std::vector<std::string> args, const fs::path& exe = Viewer) const {
        args.insert(args.begin(), "-headless");
        return test::RunProcess(exe, args, {"VALDMOOR_HOME=" + home_.Path().string(), "CI=1"}, 120);
    }
    fs::path Out(const std::string& name) const { return out_.Path() / name; }

private:
    TTempFolder home_;
    TTempFolder out_;
};

// Pixels of the capture in the given colour (give or take a little).
int CountPixels(const fs::path& png, int red, int green, int blue) {
    const TPictureImage image = DecodePng(test::ReadFile(png), png.string());
    int count = 0;
    for (std::size_t i = 0; i + 3 < image.Pixels.size(); i += 4) {
        // A8R8G8B8 in memory order: blue, green, red, alpha.
        if (std::abs(image.Pixels[i + 2] - red) < 8 && std::abs(image.Pixels[i + 1] - green) < 8 &&
            std::abs(image.Pixels[i] - blue) < 8) {
            ++count;
        }
    }
    return count;
}

TEST(Viewer, ShowsPicturesEffectsAndFontsAndCapturesThem) {
    const TViewerRun viewer;
    const TTempFolder scripts;
    const fs::path restart = scripts.Write("restart.txt", "10 key enter\n11 release enter\n");
    struct TCase {
        std::vector<std::string> Args;
        std::string Fact;
    };
    const TCase cases[] = {
        {{"G2Unknown"}, "64 x 64 pixels, 1 segment, 1 frame"},
        {{"--effect", "G2ClickWave", "-input", restart.string()}, "restarted 1 time"},
        {{"--font", "F2FontGame", "--range", "1"}, "range 1 (U+00A0 to U+00FF)"},
        {{"G2Sparkle"}, "Effect G2Sparkle"},
    };
    int index = 0;
    for (const TCase& c : cases) {
        const fs::path png = viewer.Out(std::to_string(index++) + ".png");
        std::vector<std::string> args = c.Args;
        args.insert(args.end(), {"-frames", "30", "-capture", png.string()});
        const TProcessResult run = viewer.Run(args);
        EXPECT_EQ(run.ExitCode, 0) << c.Args[0] << "\n" << run.Err;
        EXPECT_NE(run.Out.find(c.Fact), std::string::npos) << run.Out;
        EXPECT_TRUE(fs::is_regular_file(png)) << png;
    }
    // The placeholder's magenta squares really reach the screen, enlarged.
    EXPECT_GT(CountPixels(viewer.Out("0.png"), 255, 0, 255), 2000);
}

TEST(Viewer, GalleryOpensDialogsOnKeysAndEscapeClosesThemBeforeQuitting) {
    const TViewerRun viewer;
    const TTempFolder scripts;
    // M opens the choose dialog; once it is open, Escape closes it and does not quit.
    const fs::path open = scripts.Write("open.txt", "3 key m\n4 release m\n");
    const fs::path close =
        scripts.Write("close.txt", "3 key m\n4 release m\n30 key escape\n31 release escape\n");
    TProcessResult run =
        viewer.Run({"--gui", "-nosound", "-frames", "60", "-input", open.string()});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("Dialogs open: Choose"), std::string::npos) << run.Out;
    run = viewer.Run({"--gui", "-nosound", "-frames", "60", "-input", close.string()});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("Dialogs open: none"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("standard controls"), std::string::npos) << run.Out;
}

TEST(Viewer, UnknownNamesAndBadArgumentsFailSayingWhy) {
    const TViewerRun viewer;
    const fs::path png = viewer.Out("none.png");
    const TProcessResult unknown =
        viewer.Run({"G2NoSuchThing", "-frames", "5", "-capture", png.string()});
    EXPECT_NE(unknown.ExitCode, 0);
    EXPECT_NE(unknown.Err.find("No picture, font, effect or sound named \"G2NoSuchThing\" in "),
              std::string::npos)
        << unknown.Err;
    EXPECT_FALSE(fs::exists(png));

    const TProcessResult notFont = viewer.Run({"--font", "G2Unknown", "-frames", "5"});
    EXPECT_NE(notFont.ExitCode, 0);
    EXPECT_NE(notFont.Err.find("No font named \"G2Unknown\""), std::string::npos) << notFont.Err;

    // A name reaching into another folder is no asset, even where the file exists.
    const TProcessResult outside = viewer.Run({"../Ordinary/G2Unknown", "-frames", "5"});
    EXPECT_NE(outside.ExitCode, 0);

    const TProcessResult range = viewer.Run({"F2FontGame", "--range", "8"});
    EXPECT_NE(range.ExitCode, 0);
    EXPECT_NE(range.Err.find("--range takes a number from 0 to 7"), std::string::npos) << range.Err;

    const TProcessResult stray = viewer.Run({"G2Props", "--scene-picture", "G5Bog"});
    EXPECT_EQ(stray.ExitCode, 2);
    EXPECT_NE(stray.Err.find("--scene-picture goes with --scene"), std::string::npos) << stray.Err;
}

// A copy of the game folder, so the viewer finds the files a test adds beside it.
fs::path CopyGameFolder(const TTempFolder& game) {
    const fs::path source = Viewer.parent_path();
    fs::copy(source / "Languages", game.Path() / "Languages", fs::copy_options::recursive);
    fs::copy(source / "Ordinary", game.Path() / "Ordinary", fs::copy_options::recursive);
    fs::copy_file(Viewer, game.Path() / "valdmoor-view");
    return game.Path() / "valdmoor-view";
}

TEST(Viewer, DamagedFilesAreShownAsTheGameWouldButTheRunFails) {
    const TTempFolder game;
    const fs::path exe = CopyGameFolder(game);
    game.Write("Ordinary/G2Broken.tpx", std::string(300, '\x7F'));
    game.Write("Ordinary/G8Broken.ogg", std::string(3000, '\x11'));
    const TViewerRun viewer;
    for (const char* name : {"G2Broken", "G8Broken"}) {
        const fs::path png = viewer.Out(std::string(name) + ".png");
        const TProcessResult run =
            viewer.Run({name, "-frames", "5", "-capture", png.string()}, exe);
        EXPECT_EQ(run.ExitCode, 1) << run.Err;
        EXPECT_NE(run.Err.find("log: Failed to "), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find("did not load cleanly"), std::string::npos) << run.Err;
        EXPECT_TRUE(fs::is_regular_file(png));
    }
}

TEST(Viewer, SoundsShowTheirLengthAndAStreamedTrackItsRing) {
    const TTempFolder game;
    const fs::path exe = CopyGameFolder(game);
    game.Write("Ordinary/G8Tone.wav",
               test::WaveFile(1, 22050, test::SineWave(1, 22050, 11025, 440, 0.5)));
    game.Write(
        "Ordinary/M0Track.ogg",
        test::OggFile(1, 22050, test::SineWave(1, 22050, 8 * 22050, 220, 0.5), {"STREAMING=YES"}));
    const TViewerRun viewer;

    const TProcessResult sound = viewer.Run({"G8Tone", "-frames", "12"}, exe);
    EXPECT_EQ(sound.ExitCode, 0) << sound.Err;
    EXPECT_NE(sound.Out.find("Sound G8Tone (Ordinary/G8Tone.wav): 0.50 s, 1 channel at 22050 Hz"),
              std::string::npos)
        << sound.Out;
    EXPECT_NE(sound.Out.find("Playing, 0.20 s heard"), std::string::npos) << sound.Out;

    // Two seconds in, the ring holds decoded sound ahead of the cursor.
    const TProcessResult music = viewer.Run({"--music", "M0Track", "-frames", "120"}, exe);
    EXPECT_EQ(music.ExitCode, 0) << music.Err;
    EXPECT_NE(music.Out.find("8.00 s, 1 channel at 22050 Hz, streamed from its file"),
              std::string::npos)
        << music.Out;
    EXPECT_NE(music.Out.find("Ring of 6 blocks of 44100 bytes:"), std::string::npos) << music.Out;
    EXPECT_NE(music.Out.find("[#] #"), std::string::npos) << music.Out;
    EXPECT_NE(music.Out.find(", playing"), std::string::npos) << music.Out;
}

} // namespace
} // namespace valdmoor
