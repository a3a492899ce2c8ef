#include "app/EngineApplication.h"

#include "app/EngineClasses.h"

#include <charconv>
#include <memory>

namespace valdmoor {

namespace {

struct TApplicationState {
    std::unique_ptr<TContainer> log;
    int32_t errorKind = ekNone;
    bool running = false;
    bool shown = false;
    bool active = false;
    bool quit = false;
    uint32_t frameCounter = 2;
    TSwitches switches;
    TApplicationHooks hooks;
};

TApplicationState state;

void Call(void (*hook)()) {
    if (hook != nullptr) {
        hook();
    }
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

} // namespace

void ApplicationStart() {
    state.log = std::make_unique<TContainer>(false, true);
}

void ApplicationStop() {
    // Back to the state before start-up, so tests can start and stop as often as they like.
    state = TApplicationState{};
}

void LogMessage(std::string_view text, bool blankLineBefore) {
    if (state.log == nullptr) {
        return;
    }
    if (blankLineBefore && state.log->Count() > 0) {
        state.log->Add(std::make_unique<TNamedItem>());
    }
    state.log->Add(std::make_unique<TNamedItem>(std::string(text)));
}

std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    if (state.log != nullptr) {
        for (TItem* item = state.log->First(); item != nullptr; item = item->Next()) {
            lines.push_back(item->AsNamed()->Name());
        }
    }
    return lines;
}

bool LogEmpty() {
    return state.log == nullptr || state.log->Empty();
}

void ReportErrorKind(int32_t kind) {
    state.errorKind = kind;
}

int32_t ErrorKind() {
    return state.errorKind;
}

std::string_view ErrorKindText(int32_t kind) {
    switch (kind) {
        case ekGeneral:
            return "An error has occured during the game execution.";
        case ekSystemRequirements:
            return "Your system does not meet the minimum system requirements to run this game.";
        case ekFilesCorrupt:
            return "Some files are corrupt or missing. The game may not run. Please reinstall the "
                   "game.";
        default:
            return {};
    }
}

std::string ErrorBoxText() {
    std::string text(ErrorKindText(state.errorKind));
    const std::vector<std::string> lines = LogLines();
    if (!lines.empty()) {
        text += "\r\n\r\nLog messages:\r\n";
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                text += "\r\n";
            }
            text += lines[i];
        }
    }
    return text;
}

std::string UnixLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out.push_back(text[i]);
        } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
            out.push_back('\n');
        }
    }
    return out;
}

void RequestQuit() {
    state.quit = true;
}

bool QuitRequested() {
    return state.quit;
}

uint32_t FrameCounter() {
    return state.frameCounter;
}

uint32_t NextFrameCounter(uint32_t counter) {
    // 0xFFFFFFFF never appears, so it is free to mean "never" in frame stamps.
    return counter + 1 == 0xFFFFFFFFu ? 0 : counter + 1;
}

void AdvanceFrameCounter() {
    state.frameCounter = NextFrameCounter(state.frameCounter);
}

bool ApplicationRunning() {
    return state.running;
}

bool ApplicationShown() {
    return state.shown;
}

bool ApplicationActive() {
    return state.active;
}

void SetApplicationRunning(bool running) {
    state.running = running;
}

void ResumeApplication() {
    if (!state.shown) {
        state.shown = true;
        Call(state.hooks.Resumed);
    }
}

void SuspendApplication() {
    state.shown = false;
}

void ActivateApplication() {
    if (!state.active) {
        state.active = true;
        Call(state.hooks.Activated);
    }
}

void DeactivateApplication() {
    if (state.active) {
        state.active = false;
        Call(state.hooks.Deactivated);
    }
}

void ResetApplicationFlags() {
    state.active = false;
    state.shown = false;
    state.running = false;
}

void SetApplicationHooks(const TApplicationHooks& hooks) {
    state.hooks = hooks;
}

TSwitches ParseSwitches(const std::vector<std::string>& args) {
    TSwitches switches;
    // Switches that take a value consume the next parameter even when it is rejected.
    auto next = [&](std::size_t& i) -> std::string {
        return i + 1 < args.size() ? args[++i] : std::string();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string arg = LowerAscii(args[i]);
        if (arg == "-language") {
            const std::string name = LowerAscii(next(i));
            switches.Language = !name.empty() && name[0] >= 'a' && name[0] <= 'z'
                                    ? CapitalizeFirst(name)
                                    : std::string();
        } else if (arg == "-nosound") {
            switches.NoSound = true;
        } else if (arg == "-windowed") {
            switches.Windowed = true;
        } else if (arg == "-softwarevertexprocessing") {
            switches.SoftwareVertexProcessing = true;
        } else if (arg == "-showfps") {
            switches.ShowFps = true;
        } else if (arg == "-debug") {
            switches.Debug = true;
        } else if (arg == "-headless") {
            switches.Headless = true;
        } else if (arg == "-frames") {
            const std::string value = next(i);
            int64_t frames = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), frames);
            switches.Frames =
                error == std::errc() && end == value.data() + value.size() && frames > 0 ? frames
                                                                                         : 0;
        } else if (arg == "-input") {
            switches.InputScript = next(i);
        } else if (arg == "-capture") {
            switches.CaptureFile = next(i);
        } else if (arg == "-windowsize") {
            ParseWindowSize(next(i), switches.WindowWidth, switches.WindowHeight);
        }
    }
    return switches;
}

void SetSwitches(const TSwitches& switches) {
    state.switches = switches;
}

const TSwitches& Switches() {
    return state.switches;
}

const std::string& SwitchLanguage() {
    return state.switches.Language;
}

bool SwitchNoSound() {
    return state.switches.NoSound;
}

bool SwitchWindowed() {
    return state.switches.Windowed;
}

bool SwitchSoftwareVertexProcessing() {
    return state.switches.SoftwareVertexProcessing;
}

bool SwitchShowFps() {
    return state.switches.ShowFps;
}

bool SwitchDebug() {
    return state.switches.Debug;
}

bool SwitchHeadless() {
    return state.switches.Headless;
}

bool ParseWindowSize(std::string_view text, int32_t& width, int32_t& height) {
    const std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) {
        return false;
    }
    auto number = [](std::string_view digits, int32_t& value) {
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return error == std::errc() && end == digits.data() + digits.size() && value >= 1 &&
               value <= 16384;
    };
    int32_t w = 0;
    int32_t h = 0;
    if (!number(text.substr(0, cross), w) || !number(text.substr(cross + 1), h)) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

bool SystemVersionSupported(uint32_t major, uint32_t minor) {
    return major > 5 || (major == 5 && minor >= 1);
}

} // namespace valdmoor
