// Application-wide state every subsystem reads: the log, the error kind, the run flags, the
// frame counter and the command-line switches; and the error type all failures raise.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

class TContainer;

// Every failure raises this, carrying the plain English message the player may see.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the final error box says first.
enum TErrorKind : int32_t {
    ekNone = 0,
    ekGeneral = 1,
    ekSystemRequirements = 2,
    ekFilesCorrupt = 3,
};

// Creates the log; the first step of start-up. Stop frees it and accepts a log never made.
void ApplicationStart();
void ApplicationStop();

// Appends Text to the log; BlankLineBefore first adds an empty line when the log has any.
void LogMessage(std::string_view text, bool blankLineBefore = false);
// The log lines in order; empty before ApplicationStart.
std::vector<std::string> LogLines();
bool LogEmpty();

void ReportErrorKind(int32_t kind);
int32_t ErrorKind();
// The first line of the error box for Kind; empty for kind 0 and unknown kinds.
std::string_view ErrorKindText(int32_t kind);
// The text of the final box: the kind's text, then the log lines under "Log messages:".
std::string ErrorBoxText();
// Messages break lines with CR LF or a lone CR; terminals and desktop boxes want LF.
std::string UnixLineEnds(std::string_view text);

void RequestQuit();
bool QuitRequested();

// Incremented once per drawn frame; never 0xFFFFFFFF.
uint32_t FrameCounter();
void AdvanceFrameCounter();
// The counter after Counter; the increment that would give 0xFFFFFFFF gives 0.
uint32_t NextFrameCounter(uint32_t counter);

bool ApplicationRunning();
bool ApplicationShown();
bool ApplicationActive();
void SetApplicationRunning(bool running);

// The window transitions. The subsystems above the application core plug their parts in
// through the hooks below; each transition runs only when the state really changes.
void ResumeApplication();
void SuspendApplication();
void ActivateApplication();
void DeactivateApplication();
// Clears the active, shown and running flags at shut-down without running any hook.
void ResetApplicationFlags();

struct TApplicationHooks {
    void (*Resumed)() = nullptr;     // re-apply the display mode, refresh scripts in debug mode
    void (*Activated)() = nullptr;   // drop the snapshot, read keys, resume audio, restart timer
    void (*Deactivated)() = nullptr; // stop the timer, pause audio, clear keys, take a snapshot
};
void SetApplicationHooks(const TApplicationHooks& hooks);

// Command-line switches.
struct TSwitches {
    std::string Language; // the requested language name, "German" for "-language GERMAN"
    bool NoSound = false;
    bool Windowed = false;
    bool SoftwareVertexProcessing = false;
    bool ShowFps = false;
    bool Debug = false;
    // Our own, for tests, tools and automation.
    bool Headless = false;
    int64_t Frames = 0; // quit after this many frames; 0 runs until a quit is requested
    std::string InputScript;
    std::string CaptureFile;
    // "-windowsize WxH": the headless window's size; 0 x 0 leaves it to the environment.
    int32_t WindowWidth = 0;
    int32_t WindowHeight = 0;
};

// Parses Args (without the program name); unknown parameters are ignored.
TSwitches ParseSwitches(const std::vector<std::string>& args);
void SetSwitches(const TSwitches& switches);
const TSwitches& Switches();

const std::string& SwitchLanguage();
bool SwitchNoSound();
bool SwitchWindowed();
bool SwitchSoftwareVertexProcessing();
bool SwitchShowFps();
bool SwitchDebug();
bool SwitchHeadless();

// Reads "WxH" (both from 1 to 16384); false, leaving Width and Height alone, for anything else.
bool ParseWindowSize(std::string_view text, int32_t& width, int32_t& height);

// True when the operating system is recent enough (the old-system rule), for a version query
// that a test can fake.
bool SystemVersionSupported(uint32_t major, uint32_t minor);

} // namespace valdmoor
