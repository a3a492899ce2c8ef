// The game executable run end to end, each run with a game folder and a per-user folder of
// its own; and the start-up rules that can be checked in-process.
#include "EngineMain.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"

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
    TGame() { fs::copy_file(VALDMOOR_GAME_EXE, game_.Path() / "valdmoor"); }
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
