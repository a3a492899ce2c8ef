#include "EngineMain.h"

#include "EngineRun.h"
#include "SingleInstance.h"
#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "gui/EngineGui.h"
#include "platform/EngineMessageBox.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "players/EnginePlayers.h"
#include "screens/GameRegistry.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <memory>

namespace valdmoor {

namespace {

// Subsystems whose units have not arrived yet start, tick and stop as nothing.
void Nothing() {}

// Start-up continues after the engine's subsystems with the game's own.
const TSubsystem GameSubsystems[] = {
    {"game data", GameDataStart, GameDataStop},
    {"player profiles", PlayersStart, PlayersStop},
    {"gui", GuiStart, GuiStop},
    {"engine objects", RegisterEngineObjects, Nothing},
};

// Per-frame updates, in order: frame timer, GUI, player profiles, game data, effects, texts.
void (*const FrameUpdates[])() = {TimerUpdate,    GuiFrame,      PlayersUpdate,
                                  GameDataUpdate, UpdateEffects, Nothing};

void LinuxVersion(uint32_t& major, uint32_t& minor) {
    // Every Linux system the game builds on is supported.
    major = 10;
    minor = 0;
}

TSingleInstance* runningInstance = nullptr;

// Every wake of the message pump: a quit signal ends the game, a second copy raises the window.
bool WakeCheck() {
    CheckQuitSignal();
    return runningInstance != nullptr && runningInstance->TakeRaiseRequest();
}

void OnGameTitle(std::string_view title) {
    SetWindowTitle(title);
}

void WriteLogFile() {
    try {
        if (LogEmpty()) {
            StorageDelete(sfUser, "Log", fkText);
            return;
        }
        std::string text;
        for (const std::string& line : LogLines()) {
            text += line;
            text += "\r\n";
        }
        std::unique_ptr<TStream> file = StorageCreate(sfUser, "Log", fkText);
        file->Write(text.data(), text.size());
        file->Close();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "valdmoor: cannot write the log file: %s\n", error.what());
    }
}

void ShowErrorBox() {
    const std::string text = ErrorBoxText();
    std::fprintf(stderr, "%s\n", UnixLineEnds(text).c_str());
    if (MessageBoxAllowed()) {
        ShowWarningBox(text);
    }
}

// The main procedure's one handler: the message goes to the log, and the run counts as failed.
void HandleRunError(const std::exception& error) {
    if (*error.what() != '\0') {
        LogMessage(error.what());
    }
    if (ErrorKind() == ekNone) {
        ReportErrorKind(ekGeneral);
    }
}

} // namespace

int ShutDown(std::span<const TSubsystem> game, std::span<const TSubsystem> engine) {
    // Storage forgets that it was ready when it stops; the log file may be written again after.
    const bool logFileWanted = StorageReady();
    if (logFileWanted) {
        WriteLogFile();
    }
    ResetApplicationFlags();
    bool stopFailed = false;
    for (const std::span<const TSubsystem> list : {game, engine}) {
        for (auto subsystem = list.rbegin(); subsystem != list.rend(); ++subsystem) {
            try {
                subsystem->Stop();
            } catch (const std::exception& error) {
                // The last save runs here: its failure must not pass for a clean exit.
                HandleRunError(error);
                stopFailed = true;
            }
        }
    }
    ServiceShutdown();
    if (logFileWanted && stopFailed) {
        WriteLogFile();
    }
    const int exitCode = ErrorKind() == ekNone ? 0 : 1;
    if (exitCode != 0) {
        ShowErrorBox();
    }
    return exitCode;
}

std::string UsageText() {
    return "Usage: valdmoor [switches]\n"
           "\n"
           "  -language NAME              start in the language NAME (and remember it)\n"
           "  -nosound                    run without sound\n"
           "  -windowed                   start in a window (and remember it)\n"
           "  -softwarevertexprocessing   use the software rasterizer\n"
           "  -showfps                    show the frames per second\n"
           "  -debug                      debug mode: reload changed scripts, extra screens\n"
           "  -headless                   run without a visible window or sound device\n"
           "  -windowsize WxH             size of the headless window (default 1600x900, or\n"
           "                              $VALDMOOR_WINDOW_SIZE)\n"
           "  -frames N                   quit after N frames\n"
           "  -input FILE                 replay the input script FILE\n"
           "  -capture FILE.png           save the last frame as a picture\n"
           "  -capturedir DIR             save the frames the input script captures into DIR\n"
           "  --help                      show this text\n"
           "  --version                   show the version\n"
           "\n"
           "Switches are case-insensitive. Game data is read from the folders beside the\n"
           "executable; the per-user folder is $VALDMOOR_HOME (or $XDG_DATA_HOME, or\n"
           "~/.local/share) + /Quillane/Valdmoor/.\n";
}

void CheckSystemVersion(TSystemVersionQuery query) {
    uint32_t major = 0;
    uint32_t minor = 0;
    query(major, minor);
    if (!SystemVersionSupported(major, minor)) {
        ReportErrorKind(ekSystemRequirements);
        throw EngineError("Unsupported version of Windows");
    }
}

int RunGame(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help") {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::puts("Valdmoor 1.01");
            return 0;
        }
    }

    // A second copy brings the first to the front and leaves without a trace.
    TSingleInstance instance;
    std::string userFolder = UserFolder();
    if (userFolder.empty()) {
        userFolder = ExecutableFolder();
    }
    if (!instance.Acquire(userFolder)) {
        return 0;
    }

    ApplicationStart();
    InstallQuitSignals();
    runningInstance = &instance;
    SetEngineHooks(WakeCheck);
    SetScriptHooks(OnGameTitle, RefreshAllTexts);
    try {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        CheckSystemVersion(LinuxVersion);
        SetSwitches(ParseSwitches(args));
        TakeCaptureFolderSwitch(args);
        if (!ServiceInit(userFolder)) {
            throw EngineError("Failed to initialize Steam API");
        }
        StartSubsystems(EngineSubsystems());
        StartSubsystems(GameSubsystems);
        if (!Switches().InputScript.empty()) {
            LoadInputScript(Switches().InputScript);
        }
        RunActivated(ShowFirstScreen, FrameUpdates);
        if (!Switches().CaptureFile.empty()) {
            CaptureFrameToFile(Switches().CaptureFile);
        }
    } catch (const std::exception& error) {
        HandleRunError(error);
    }

    const int exitCode = ShutDown(GameSubsystems, EngineSubsystems());
    ApplicationStop();
    runningInstance = nullptr;
    return exitCode;
}

} // namespace valdmoor
