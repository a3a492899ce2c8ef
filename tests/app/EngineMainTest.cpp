// The game executable run end to end, each run with a game folder and a per-user folder of
// its own; and the start-up rules that can be checked in-process.
#include "EngineMain.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "platform/EngineWindow.h"
#include "platform/headless/HeadlessWindow.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "video/EngineVideo.h"
#include "video/null/NullVideoDevice.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;
using test::TProcessResult;
using test::TTempFolder;

using test::ReadFile;

std::string Settings(const char* name) {
    return std::string("<language><setting id=\"LanguageName\">") + name + "</setting></language>";
}

// A copy of the game executable in a folder of its own, with whatever data a test gives it.
class TGame {
public:
    // The built pictures and sounds are linked in: the first screen draws with them, and a
    // missing one would leave a line in the log.
    TGame() {
        fs::copy_file(VALDMOOR_GAME_EXE, game_.Path() / "valdmoor");
        fs::create_directory_symlink(fs::path(VALDMOOR_GAME_EXE).parent_path() / "Ordinary",
                                     game_.Path() / "Ordinary");
    }
    void AddLanguage(const std::string& folder, const char* name) {
        game_.Write("Languages/" + folder + "/LanguageSettings.xml", Settings(name));
    }
    fs::path User() const { return home_.Path() / "Quillane" / "Valdmoor"; }
    std::vector<std::string> Env() const {
        return {"VALDMOOR_HOME=" + home_.Path().string(), "CI=1"};
    }
    // Every run is headless: no display, no sound device, a fixed frame time.
    TProcessResult Run(std::vector<std::string> args) const {
        args.insert(args.begin(), "-headless");
        return test::RunProcess(game_.Path() / "valdmoor", args, Env());
    }
    std::unique_ptr<test::TProcess> Start(std::vector<std::string> args) const {
        args.insert(args.begin(), "-headless");
        return std::make_unique<test::TProcess>(game_.Path() / "valdmoor", args, Env());
    }
    const TTempFolder& Home() const { return home_; }
    const fs::path& Folder() const { return game_.Path(); }

private:
    TTempFolder game_;
    TTempFolder home_;
};

TEST(GameRun, HelpAndVersionStartNothing) {
    TGame game;
    const TProcessResult version = game.Run({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, "Valdmoor 1.01\n");
    const TProcessResult help = game.Run({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("-language NAME"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(game.Home().Path()));
}

TEST(GameRun, MissingLanguageFoldersEndWithTheFilesMissingText) {
    TGame game;
    const TProcessResult run = game.Run({"-frames", "2"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Some files are corrupt or missing. The game may not run. Please "
                           "reinstall the game.\n\nLog messages:\nFailed to find at least one "
                           "language folder"),
              std::string::npos)
        << run.Err;
    // Storage never got far enough to know its folders, so there is no log file.
    EXPECT_FALSE(fs::exists(game.User() / "Log.txt"));
}

TEST(GameRun, NormalQuitWithAnEmptyLogRemovesTheLogFile) {
    TGame game;
    game.AddLanguage("english", "English");
    fs::create_directories(game.User());
    std::ofstream(game.User() / "Log.txt") << "old run\r\n";
    const TProcessResult run = game.Run({"-frames", "3"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_FALSE(fs::exists(game.User() / "Log.txt"));
}

TEST(GameRun, TheLogFileHoldsTheLinesEndingInCrLfWithoutAByteOrderMark) {
    TGame game;
    game.AddLanguage("english", "English");
    game.AddLanguage("English", "English"); // one of the two is ignored, with a log line
    const TProcessResult run = game.Run({"-frames", "2", "-input", "no-such-script.txt"});
    EXPECT_EQ(run.ExitCode, 1);
    const std::string bytes = ReadFile(game.User() / "Log.txt");
    ASSERT_GE(bytes.size(), 3U);
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    EXPECT_EQ(start, bytes.size()) << "the last line has no CR LF";
    ASSERT_EQ(lines.size(), 2U) << bytes;
    EXPECT_EQ(lines[0].rfind("Language folder \"", 0), 0U) << lines[0];
    EXPECT_NE(lines[1].find("no-such-script.txt"), std::string::npos) << lines[1];
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        // The box shows the same lines.
        EXPECT_NE(run.Err.find(line), std::string::npos) << run.Err;
    }
}

TEST(GameRun, LanguageSwitchIsRemembered) {
    TGame game;
    game.AddLanguage("english", "English");
    game.AddLanguage("german", "Deutsch");
    const TProcessResult run = game.Run({"-LANGUAGE", "GERMAN", "-frames", "2"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ReadFile(game.User() / "Cloud" / "StartLanguage.str"), "German");
}

TEST(GameRun, SecondCopyLeavesSilentlyAndTheFirstQuitsCleanlyOnTerm) {
    TGame game;
    game.AddLanguage("english", "English");
    auto first = game.Start({});
    // The service folder appears once the first copy holds the lock.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(game.User() / "Cloud") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(fs::exists(game.User() / "Cloud"));

    const TProcessResult second = game.Run({"-frames", "1"});
    EXPECT_EQ(second.ExitCode, 0);
    EXPECT_EQ(second.Out, "");
    EXPECT_EQ(second.Err, "");
    EXPECT_FALSE(fs::exists(game.User() / "Log.txt"));

    first->Signal(SIGTERM);
    const TProcessResult firstResult = first->Wait();
    EXPECT_EQ(firstResult.ExitCode, 0) << firstResult.Err;
    EXPECT_EQ(firstResult.Err, "");
    EXPECT_FALSE(fs::exists(game.User() / "Log.txt"));
}

TEST(GameRun, HeadlessInputScriptReachesTheGame) {
    TGame game;
    game.AddLanguage("english", "English");
    TTempFolder work;
    const fs::path script = work.Write("moves.txt", "# click right of the centre, then keys\n"
                                                    "2 move 400 0\n"
                                                    "3 down\n"
                                                    "3 up\n"
                                                    "5 key escape\n"
                                                    "6 release escape\n"
                                                    "8 key alt\n"
                                                    "8 key enter\n"
                                                    "9 release enter\n"
                                                    "10 quit\n");
    const fs::path trace = work.Path() / "trace.txt";
    auto env = game.Env();
    env.push_back("VALDMOOR_INPUT_TRACE=" + trace.string());
    const TProcessResult run = test::RunProcess(
        game.Folder() / "valdmoor", {"-headless", "-windowed", "-input", script.string()}, env);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;

    std::vector<std::string> lines;
    std::istringstream in(ReadFile(trace));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 9u); // the quit comes before frame 10 is drawn
    EXPECT_EQ(lines[0], "1 keys=------- inside=0 down=0 up=0 x=0.0 y=0.0 time=0.0167");
    EXPECT_EQ(lines[1], "2 keys=------- inside=1 down=0 up=0 x=400.0 y=0.0 time=0.0167");
    EXPECT_EQ(lines[2], "3 keys=P------ inside=1 down=1 up=1 x=400.0 y=0.0 time=0.0167");
    EXPECT_EQ(lines[3], "4 keys=------- inside=1 down=0 up=0 x=400.0 y=0.0 time=0.0167");
    EXPECT_EQ(lines[4].substr(0, 14), "5 keys=-P-----");
    EXPECT_EQ(lines[5].substr(0, 14), "6 keys=-------");
    // Alt with Enter is the full-screen key, and Enter alone says nothing while Alt is held.
    EXPECT_EQ(lines[7].substr(0, 14), "8 keys=---P---");
    EXPECT_EQ(lines[8].substr(0, 14), "9 keys=-------");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(GameRun, HeadlessFocusLossPausesAndTheScriptGoesOn) {
    TGame game;
    game.AddLanguage("english", "English");
    TTempFolder work;
    const fs::path trace = work.Path() / "trace.txt";
    auto env = game.Env();
    env.push_back("VALDMOOR_INPUT_TRACE=" + trace.string());

    // The focus goes on frame 3 and comes back on frame 6; frames 3 to 5 draw nothing.
    const fs::path script = work.Write("focus.txt", "2 move 400 0\n"
                                                    "3 focus lost\n"
                                                    "6 focus gained\n"
                                                    "6 down\n"
                                                    "8 quit\n");
    TProcessResult run = test::RunProcess(game.Folder() / "valdmoor",
                                          {"-headless", "-input", script.string()}, env, 20);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    std::vector<std::string> lines = Lines(ReadFile(trace));
    ASSERT_EQ(lines.size(), 4u) << ReadFile(trace);
    EXPECT_EQ(lines[0].substr(0, 2), "1 ");
    EXPECT_EQ(lines[1].substr(0, 2), "2 ");
    // Back on frame 6 with the button's own event and no held state from before; the offscreen
    // system reports no pointer over the window, so it counts as outside until it moves.
    EXPECT_EQ(lines[2].substr(0, 32), "6 keys=------- inside=0 down=1 u");
    EXPECT_EQ(lines[3].substr(0, 2), "7 ");

    // A run that never gets the focus back still ends at its frame limit.
    const fs::path lost = work.Write("lost.txt", "2 focus lost\n");
    run = test::RunProcess(game.Folder() / "valdmoor",
                           {"-headless", "-frames", "12", "-input", lost.string()}, env, 20);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Lines(ReadFile(trace)).size(), 1u);
}

TEST(GameRun, HeadlessWindowHasTheDesignSizeUnlessAskedOtherwise) {
    TGame game;
    game.AddLanguage("english", "English");
    TTempFolder work;
    auto env = game.Env();
    // The capture is as large as the window; "-windowed" changes nothing headless.
    const fs::path picture = work.Path() / "frame.png";
    TProcessResult run = test::RunProcess(
        game.Folder() / "valdmoor",
        {"-headless", "-windowed", "-frames", "1", "-capture", picture.string()}, env, 20);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    std::string png = ReadFile(picture);
    ASSERT_GE(png.size(), 24u);
    auto big = [&](std::size_t at) {
        return (static_cast<uint32_t>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<uint32_t>(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_EQ(big(16), 1600u);
    EXPECT_EQ(big(20), 900u);

    env.push_back("VALDMOOR_WINDOW_SIZE=640x480");
    run = test::RunProcess(game.Folder() / "valdmoor",
                           {"-headless", "-frames", "1", "-capture", picture.string()}, env, 20);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    png = ReadFile(picture);
    EXPECT_EQ(big(16), 640u);
    EXPECT_EQ(big(20), 480u);

    // The switch wins over the environment.
    run = test::RunProcess(
        game.Folder() / "valdmoor",
        {"-headless", "-windowsize", "1200x1600", "-frames", "1", "-capture", picture.string()},
        env, 20);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    png = ReadFile(picture);
    EXPECT_EQ(big(16), 1200u);
    EXPECT_EQ(big(20), 1600u);
}

int firstScreens = 0;
bool firstScreenSawActiveWindow = false;
uint32_t firstScreenFrame = 0;

TEST(StartUp, FirstScreenStepRunsOnceAfterActivationBeforeTheFirstFrame) {
    TTempFolder home;
    ApplicationStart();
    ASSERT_TRUE(ServiceInit(home.Path().string() + "/"));
    SetSwitches(ParseSwitches({"-frames", "3"}));
    SetEngineHooks(nullptr);
    WindowStartWith(std::make_unique<THeadlessWindow>());
    VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
    firstScreens = 0;
    const uint32_t before = FrameCounter();
    void (*const updates[])() = {[] {}};
    RunActivated(
        [] {
            ++firstScreens;
            firstScreenSawActiveWindow = ApplicationRunning() && ApplicationActive();
            firstScreenFrame = FrameCounter();
        },
        updates);
    EXPECT_EQ(firstScreens, 1);
    EXPECT_TRUE(firstScreenSawActiveWindow);
    EXPECT_EQ(firstScreenFrame, before);
    EXPECT_EQ(FrameCounter(), before + 3);
    ResetApplicationFlags();
    VideoStop();
    WindowStop();
    ServiceShutdown();
    ApplicationStop();
}

TEST(StartUp, OldSystemsAreRefusedWithKindTwo) {
    ApplicationStart();
    try {
        CheckSystemVersion([](uint32_t& major, uint32_t& minor) {
            major = 5;
            minor = 0;
        });
        ADD_FAILURE() << "no error raised";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Unsupported version of Windows");
    }
    EXPECT_EQ(ErrorKind(), ekSystemRequirements);
    ApplicationStop();
    ApplicationStart();
    CheckSystemVersion([](uint32_t& major, uint32_t& minor) {
        major = 5;
        minor = 1;
    });
    EXPECT_EQ(ErrorKind(), ekNone);
    ApplicationStop();
}

std::vector<std::string> stopped;

TEST(ShutDown, AFailingStopReachesTheLogTheBoxAndTheExitCode) {
    ApplicationStart();
    stopped.clear();
    const TSubsystem game[] = {
        {"gui", nullptr, [] { stopped.emplace_back("gui"); }},
        {"player profiles", nullptr,
         [] {
             stopped.emplace_back("player profiles");
             throw EngineError("Failed to save cloud file \"Save.dat\".");
         }},
    };
    const TSubsystem engine[] = {
        {"storage", nullptr, [] { stopped.emplace_back("storage"); }},
        {"audio", nullptr, [] { throw EngineError("audio gone"); }},
    };
    testing::internal::CaptureStderr();
    const int exitCode = ShutDown(game, engine);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(exitCode, 1);
    // Every stop runs, each list backwards, even after one failed.
    EXPECT_EQ(stopped, (std::vector<std::string>{"player profiles", "gui", "storage"}));
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"Failed to save cloud file \"Save.dat\".", "audio gone"}));
    EXPECT_EQ(ErrorKind(), ekGeneral);
    EXPECT_NE(err.find("An error has occured during the game execution.\n\nLog messages:\n"
                       "Failed to save cloud file \"Save.dat\".\naudio gone"),
              std::string::npos)
        << err;
    ApplicationStop();

    // Stops that all succeed end a clean run silently.
    ApplicationStart();
    const TSubsystem quiet[] = {{"gui", nullptr, [] {}}};
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShutDown(quiet, {}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ErrorKind(), ekNone);
    ApplicationStop();
}

TEST(StartUp, DrawingFailureAsksForTheSaferPathNextTime) {
    TTempFolder user;
    SetStorageFolderPath(sfUser, user.Path().string() + "/");
    DrawFrameOrFail([] {});
    EXPECT_FALSE(fs::exists(user.Path() / "UseSoftwareVertexProcessing.flg"));
    try {
        DrawFrameOrFail([] { throw EngineError("device gone"); });
        ADD_FAILURE() << "no error raised";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Failed to draw image");
    }
    EXPECT_EQ(ReadFile(user.Path() / "UseSoftwareVertexProcessing.flg"), "\x01");

    // A user folder that cannot be written to: the drawing failure is still what is raised.
    const fs::path blocked = user.Path() / "NotAFolder";
    std::ofstream(blocked) << "x";
    SetStorageFolderPath(sfUser, blocked.string() + "/");
    try {
        DrawFrameOrFail([] { throw EngineError("device gone"); });
        ADD_FAILURE() << "no error raised";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Failed to draw image");
    }
    StorageStop();
}

} // namespace
} // namespace valdmoor
