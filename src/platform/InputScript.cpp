#include "platform/InputScript.h"

#include "app/EngineApplication.h"
#include "platform/EngineInput.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace valdmoor {

namespace {

struct TKeyName {
    std::string_view Name;
    TKeyCode Key;
};

constexpr TKeyName KeyNames[] = {
    {"escape", kcEscape},
    {"enter", kcEnter},
    {"keypadenter", kcKeypadEnter},
    {"space", kcSpace},
    {"f1", kcF1},
    {"f11", kcF11},
    {"h", kcH},
    {"i", kcI},
    {"m", kcM},
    {"ctrl", kcLeftCtrl},
    {"rightctrl", kcRightCtrl},
    {"alt", kcLeftAlt},
    {"rightalt", kcRightAlt},
    {"super", kcLeftSuper},
    {"rightsuper", kcRightSuper},
    {"left", kcLeft},
    {"right", kcRight},
    {"delete", kcDelete},
    {"backspace", kcBackspace},
    {"paste", kcPaste},
};

constexpr std::size_t MaxScriptBytes = 16 << 20;

TInputScriptHooks scriptHooks;

std::string RestingName() {
    return scriptHooks.RestingName != nullptr ? scriptHooks.RestingName() : std::string();
}

bool Resting(const std::vector<std::string>& names) {
    if (scriptHooks.RestingName == nullptr) {
        return true;
    }
    const std::string resting = scriptHooks.RestingName();
    if (resting.empty()) {
        return false;
    }
    return names.empty() || std::find(names.begin(), names.end(), resting) != names.end();
}

std::string_view NextWord(std::string_view& line) {
    std::size_t begin = 0;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t')) {
        ++begin;
    }
    std::size_t end = begin;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') {
        ++end;
    }
    const std::string_view word = line.substr(begin, end - begin);
    line.remove_prefix(end);
    return word;
}

template <class T>
bool ParseNumber(std::string_view word, T& value) {
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
}

} // namespace

void SetInputScriptHooks(const TInputScriptHooks& hooks) {
    scriptHooks = hooks;
}

std::unique_ptr<TInputScript> TInputScript::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw EngineError("Unable to open file \"" + path + "\"");
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().size() > MaxScriptBytes) {
        throw EngineError("Input script \"" + path + "\" is too large");
    }
    return Parse(text.str(), path);
}

std::unique_ptr<TInputScript> TInputScript::Parse(std::string_view text, const std::string& name) {
    auto script = std::make_unique<TInputScript>();
    int lineNumber = 0;
    int64_t lastFrame = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        auto fail = [&](const std::string& why) {
            throw EngineError("Input script \"" + name + "\", line " + std::to_string(lineNumber) +
                              ": " + why);
        };
        std::string_view rest = line;
        const std::string_view first = NextWord(rest);
        if (first.empty() || first[0] == '#') {
            continue;
        }
        TStep step;
        if (first[0] == '+') {
            step.Relative = true;
            if (!ParseNumber(first.substr(1), step.Frame) || step.Frame < 0) {
                fail("expected a number of frames from 0 up after \"+\", found \"" +
                     std::string(first) + "\"");
            }
        } else {
            if (!ParseNumber(first, step.Frame) || step.Frame < 1) {
                fail("expected a frame number from 1 up, found \"" + std::string(first) + "\"");
            }
            if (step.Frame < lastFrame) {
                fail("frames must not go backwards");
            }
            lastFrame = step.Frame;
        }
        std::string_view action = NextWord(rest);
        if (action == "if") {
            step.Condition = std::string(NextWord(rest));
            if (step.Condition.empty()) {
                fail("expected the name of a form or dialog after \"if\"");
            }
            action = NextWord(rest);
        }
        // A comment may end the line, except where the line's rest is text to type.
        if (action != "text") {
            rest = rest.substr(0, rest.find('#'));
        }
        auto readPosition = [&](bool required) {
            const std::string_view x = NextWord(rest);
            const std::string_view y = NextWord(rest);
            if (x.empty() && !required) {
                return;
            }
            if (!ParseNumber(x, step.X) || !ParseNumber(y, step.Y)) {
                fail("expected a position in canvas units: x y");
            }
            step.HasPosition = true;
        };
        auto readKey = [&] {
            const std::string_view keyName = NextWord(rest);
            for (const TKeyName& key : KeyNames) {
                if (key.Name == keyName) {
                    step.Key = key.Key;
                    return;
                }
            }
            fail("unknown key \"" + std::string(keyName) + "\"");
        };
        if (action == "move") {
            step.Action = aMove;
            readPosition(true);
        } else if (action == "down" || action == "up") {
            step.Action = action == "down" ? aDown : aUp;
            readPosition(false);
        } else if (action == "leave") {
            step.Action = aLeave;
        } else if (action == "key") {
            step.Action = aPress;
            readKey();
        } else if (action == "release") {
            step.Action = aRelease;
            readKey();
        } else if (action == "text") {
            step.Action = aText;
            const std::size_t start = rest.find_first_not_of(" \t");
            step.Text =
                start == std::string_view::npos ? std::string() : std::string(rest.substr(start));
            rest = {};
        } else if (action == "focus") {
            const std::string_view how = NextWord(rest);
            if (how != "lost" && how != "gained") {
                fail("expected \"focus lost\" or \"focus gained\"");
            }
            step.Action = how == "lost" ? aFocusLost : aFocusGained;
        } else if (action == "quit") {
            step.Action = aQuit;
        } else if (action == "wait") {
            if (NextWord(rest) != "idle") {
                fail("expected \"wait idle\"");
            }
            step.Action = aWait;
            for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
                step.Names.emplace_back(word);
            }
        } else if (action == "click") {
            step.Action = aClick;
            std::string_view probe = rest;
            const std::string_view x = NextWord(probe);
            float number = 0;
            if (ParseNumber(x, number)) {
                readPosition(true);
            } else if (x.empty()) {
                fail("expected a control name or a position in canvas units: x y");
            } else {
                step.Text = std::string(x);
                rest = probe;
            }
        } else if (action == "capture") {
            step.Action = aCapture;
            step.Text = std::string(NextWord(rest));
            // The name becomes a file name: nothing that could leave the capture folder.
            const bool plain =
                !step.Text.empty() && std::all_of(step.Text.begin(), step.Text.end(), [](char c) {
                    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
                });
            if (!plain) {
                fail("expected a capture name of letters, digits, \"_\" and \"-\"");
            }
        } else {
            fail("unknown action \"" + std::string(action) + "\"");
        }
        if (!NextWord(rest).empty()) {
            fail("unexpected words at the end of the line");
        }
        script->steps_.push_back(std::move(step));
    }
    return script;
}

void TInputScript::BeginFrame(int64_t frame, int clientWidth, int clientHeight) {
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    MainCanvasExtent(clientWidth, clientHeight, canvasWidth_, canvasHeight_);
    if (releaseAt_ != 0) {
        if (frame < releaseAt_) {
            return;
        }
        TPlatformEvent up;
        up.Kind = peButtonUp;
        up.X = lastX_;
        up.Y = lastY_;
        pending_.push_back(up);
        releaseAt_ = 0;
        last_ = frame;
    }
    while (next_ < steps_.size()) {
        const TStep& step = steps_[next_];
        const int64_t due = step.Relative ? last_ + step.Frame : step.Frame;
        if (due > frame) {
            break;
        }
        if (!Run(step, frame)) {
            break;
        }
        ++next_;
        last_ = frame;
        if (releaseAt_ != 0) {
            // The rest waits until the button is up.
            break;
        }
    }
}

// A step without a position acts where the pointer last was.
void TInputScript::Place(const TStep& step, TPlatformEvent& event) {
    if (step.HasPosition && canvasWidth_ > 0 && canvasHeight_ > 0) {
        lastX_ = (step.X / canvasWidth_ + 0.5f) * static_cast<float>(clientWidth_);
        lastY_ = (step.Y / canvasHeight_ + 0.5f) * static_cast<float>(clientHeight_);
    }
    event.X = lastX_;
    event.Y = lastY_;
}

bool TInputScript::Run(const TStep& step, int64_t frame) {
    if (step.Action == aWait) {
        return Resting(step.Names);
    }
    if (!step.Condition.empty() && RestingName() != step.Condition) {
        return true;
    }
    TPlatformEvent event;
    switch (step.Action) {
        case aMove:
            event.Kind = pePointerMove;
            Place(step, event);
            break;
        case aDown:
        case aUp:
            if (step.HasPosition) {
                TPlatformEvent move;
                move.Kind = pePointerMove;
                Place(step, move);
                pending_.push_back(move);
            }
            Place(step, event);
            event.Kind = step.Action == aDown ? peButtonDown : peButtonUp;
            break;
        case aClick: {
            TStep at = step;
            if (!step.Text.empty()) {
                if (scriptHooks.ControlPoint == nullptr ||
                    !scriptHooks.ControlPoint(step.Text, at.X, at.Y)) {
                    LogMessage("Input script: no control \"" + step.Text + "\" to click");
                    return true;
                }
                at.HasPosition = true;
            }
            TPlatformEvent move;
            move.Kind = pePointerMove;
            Place(at, move);
            pending_.push_back(move);
            Place(at, event);
            event.Kind = peButtonDown;
            releaseAt_ = frame + 1;
            break;
        }
        case aLeave:
            event.Kind = pePointerLeave;
            break;
        case aPress:
        case aRelease:
            held_[static_cast<std::size_t>(step.Key)] = step.Action == aPress;
            if (step.Action == aRelease) {
                return true;
            }
            event.Kind = peKeyDown;
            event.Key = step.Key;
            event.Alt = held_[kcLeftAlt] || held_[kcRightAlt];
            break;
        case aText: {
            // Longer texts go out in pieces that never split a character.
            std::string_view text = step.Text;
            while (!text.empty()) {
                std::size_t take = std::min(text.size(), sizeof event.Text - 1);
                while (take < text.size() && take > 0 &&
                       (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80) {
                    --take;
                }
                if (take == 0) {
                    take = std::min(text.size(), sizeof event.Text - 1);
                }
                TPlatformEvent piece;
                piece.Kind = peText;
                std::memcpy(piece.Text, text.data(), take);
                pending_.push_back(piece);
                text.remove_prefix(take);
            }
            return true;
        }
        case aFocusLost:
            event.Kind = peFocusLost;
            break;
        case aFocusGained:
            event.Kind = peFocusGained;
            break;
        case aQuit:
            event.Kind = peQuit;
            break;
        case aCapture:
            captures_.push_back(step.Text);
            return true;
        case aWait:
            return true;
    }
    pending_.push_back(event);
    return true;
}

bool TInputScript::PollEvent(TPlatformEvent& event) {
    if (pending_.empty()) {
        return false;
    }
    event = pending_.front();
    pending_.pop_front();
    return true;
}

bool TInputScript::TakeCapture(std::string& name) {
    if (captures_.empty()) {
        return false;
    }
    name = std::move(captures_.front());
    captures_.pop_front();
    return true;
}

bool TInputScript::KeyHeld(TKeyCode key) const {
    return key > kcNone && key < kcCount && held_[static_cast<std::size_t>(key)];
}

} // namespace valdmoor
