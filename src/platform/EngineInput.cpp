#include "platform/EngineInput.h"

#include "app/EngineApplication.h"
#include "app/EngineClasses.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

namespace valdmoor {

namespace {

constexpr uint32_t LineFeed = '\n';

struct TInputState {
    std::array<bool, ikCount> keys{};
    std::array<bool, ikCount> previousKeys{};
    // Keys that went down since the last keyboard read, so a tap shorter than a frame counts.
    std::array<bool, kcCount> tapped{};

    bool inside = false;
    bool trackingTouch = false;
    int64_t touchId = 0;
    bool leftEvent = false;
    uint32_t leftFrame = 0;
    bool buttonDown = false;
    uint32_t buttonDownFrame = 0;
    bool buttonUp = false;
    float x = 0;
    float y = 0;

    bool entryActive = false;
    const void* font = nullptr;
    std::string text;
    int32_t length = 0;
    int32_t maxLength = 3;
    int32_t caret = 1;
    bool multiLine = false;
    bool clickSound = false;
    bool namesOnly = false;
    bool changed = false;
    std::string stored; // the entry's own store for the Store and Insert buttons
};

struct TInputHooks {
    TGlyphCheck glyphCheck = nullptr;
    TKeyClick keyClick = nullptr;
    TCanvasExtent canvasExtent = nullptr;
};

TInputState input;
TInputHooks hooks;

bool ValidIndex(int32_t index) {
    return index >= 0 && index < ikCount;
}

// Byte offset of the Index-th character (1-based); the text's size for the end.
std::size_t ByteOffset(std::string_view text, int32_t index) {
    std::size_t offset = 0;
    for (int32_t i = 1; i < index && offset < text.size(); ++i) {
        int length = 0;
        uint32_t codePoint = 0;
        Utf8Decode(text.data() + offset, static_cast<std::ptrdiff_t>(text.size() - offset), length,
                   codePoint);
        offset += static_cast<std::size_t>(length);
    }
    return offset;
}

// The character at Index, or a line break for positions before the start or past the end.
uint32_t CharAtOrLineBreak(std::string_view text, int32_t index) {
    const uint32_t c = index >= 1 ? Utf8CharAt(text, index) : 0;
    return c != 0 ? c : LineFeed;
}

void SetPosition(float clientX, float clientY, int clientWidth, int clientHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) {
        return;
    }
    float width = 0;
    float height = 0;
    MainCanvasExtent(clientWidth, clientHeight, width, height);
    input.x = (clientX / static_cast<float>(clientWidth) - 0.5f) * width;
    input.y = (clientY / static_cast<float>(clientHeight) - 0.5f) * height;
}

void Press(const TPlatformEvent& event, int clientWidth, int clientHeight) {
    input.buttonDown = true;
    input.buttonDownFrame = FrameCounter();
    SetPosition(event.X, event.Y, clientWidth, clientHeight);
}

void Release(const TPlatformEvent& event, int clientWidth, int clientHeight) {
    input.buttonUp = true;
    SetPosition(event.X, event.Y, clientWidth, clientHeight);
}

void Leave() {
    if (input.inside) {
        input.leftEvent = true;
        input.leftFrame = FrameCounter();
    }
}

void Edited() {
    input.changed = true;
    if (input.clickSound && hooks.keyClick != nullptr) {
        hooks.keyClick();
    }
}

void InsertAtCaret(uint32_t codePoint) {
    input.text.insert(ByteOffset(input.text, input.caret), Utf8Encode(codePoint));
    ++input.length;
    ++input.caret;
    Edited();
}

// After a deletion in names-only mode, spaces and periods that the filter would no longer let
// in at their place are removed.
void DropStrandedSeparators() {
    for (bool removed = true; removed;) {
        removed = false;
        for (int32_t i = 1; i <= input.length; ++i) {
            const uint32_t c = Utf8CharAt(input.text, i);
            if (c != ' ' && c != '.') {
                continue;
            }
            const std::size_t begin = ByteOffset(input.text, i);
            std::string without = input.text;
            without.erase(begin, 1);
            if (!NamesOnlyAccepts(without, i, c)) {
                input.text = std::move(without);
                --input.length;
                if (i < input.caret) {
                    --input.caret;
                }
                removed = true;
                break;
            }
        }
    }
}

void DeleteAt(int32_t index) {
    const std::size_t begin = ByteOffset(input.text, index);
    const std::size_t end = ByteOffset(input.text, index + 1);
    input.text.erase(begin, end - begin);
    --input.length;
    if (input.namesOnly) {
        DropStrandedSeparators();
    }
    Edited();
}

void TypeCharacter(uint32_t codePoint) {
    if (codePoint < 32 || input.length >= input.maxLength) {
        return;
    }
    if (input.namesOnly && !NamesOnlyAccepts(input.text, input.caret, codePoint)) {
        return;
    }
    if (hooks.glyphCheck != nullptr && !hooks.glyphCheck(input.font, codePoint)) {
        return;
    }
    InsertAtCaret(codePoint);
}

void EditKey(TKeyCode key, bool alt) {
    switch (key) {
        case kcLeft:
            if (input.caret > 1) {
                --input.caret;
            }
            break;
        case kcRight:
            if (input.caret <= input.length) {
                ++input.caret;
            }
            break;
        case kcDelete:
            if (input.caret <= input.length) {
                DeleteAt(input.caret);
            }
            break;
        case kcBackspace:
            if (input.length >= 1 && input.caret >= 2) {
                --input.caret;
                DeleteAt(input.caret);
            }
            break;
        case kcEnter:
        case kcKeypadEnter:
            // Alt with Enter is the full-screen key, never a line break.
            if (!alt && input.multiLine && input.length < input.maxLength &&
                (!input.namesOnly || NamesOnlyAccepts(input.text, input.caret, LineFeed))) {
                InsertAtCaret(LineFeed);
            }
            break;
        default:
            break;
    }
}

void TypeText(const char* text) {
    std::string_view bytes(text);
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        int length = 0;
        uint32_t codePoint = 0;
        const bool valid =
            Utf8Decode(bytes.data() + offset, static_cast<std::ptrdiff_t>(bytes.size() - offset),
                       length, codePoint);
        if (valid) {
            TypeCharacter(codePoint);
        }
        offset += static_cast<std::size_t>(length);
    }
}

// The valid characters of Text: byte offsets and character counts must agree, so bytes that
// are no UTF-8 never reach the edit.
std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t offset = 0;
    while (offset < text.size()) {
        int length = 0;
        uint32_t codePoint = 0;
        if (Utf8Decode(text.data() + offset, static_cast<std::ptrdiff_t>(text.size() - offset),
                       length, codePoint)) {
            out.append(text.data() + offset, static_cast<std::size_t>(length));
        }
        offset += static_cast<std::size_t>(length);
    }
    return out;
}

} // namespace

bool KeyDown(int32_t index) {
    return ValidIndex(index) && input.keys[static_cast<std::size_t>(index)];
}

bool KeyWasDown(int32_t index) {
    return ValidIndex(index) && input.previousKeys[static_cast<std::size_t>(index)];
}

bool KeyPressed(int32_t index) {
    return KeyDown(index) && !KeyWasDown(index);
}

void PointerPosition(float& x, float& y) {
    x = input.x;
    y = input.y;
}

bool PointerInWindow() {
    return input.inside;
}

bool PointerButtonDown() {
    return input.buttonDown;
}

uint32_t PointerButtonDownFrame() {
    return input.buttonDownFrame;
}

bool PointerButtonUp() {
    return input.buttonUp;
}

void StartTextEntry(const void* font, std::string_view text, int32_t maxLength, bool multiLine,
                    bool clickSound, bool namesOnly) {
    input.entryActive = true;
    input.font = font;
    input.maxLength =
        std::max<int32_t>(maxLength == INT32_MIN ? INT32_MAX : std::abs(maxLength), 3);
    input.text = Utf8Copy(ValidUtf8(text), 1, input.maxLength);
    input.length = Utf8Length(input.text);
    input.caret = input.length + 1;
    input.multiLine = multiLine;
    input.clickSound = clickSound;
    input.namesOnly = namesOnly;
    input.changed = false;
}

void EndTextEntry() {
    input.entryActive = false;
    input.font = nullptr;
}

bool TextEntryActive() {
    return input.entryActive;
}

const std::string& TextEntryText() {
    return input.text;
}

int32_t TextEntryCaret() {
    return input.caret;
}

int32_t TextEntryLength() {
    return input.length;
}

void PasteIntoTextEntry(std::string_view text) {
    if (!input.entryActive) {
        return;
    }
    const bool clickSound = input.clickSound;
    const bool changed = input.changed;
    const int32_t length = input.length;
    input.clickSound = false;
    input.changed = false;
    std::size_t offset = 0;
    while (offset < text.size() && input.length < input.maxLength) {
        int size = 0;
        uint32_t codePoint = 0;
        if (Utf8Decode(text.data() + offset, static_cast<std::ptrdiff_t>(text.size() - offset),
                       size, codePoint)) {
            TypeCharacter(codePoint);
        }
        offset += static_cast<std::size_t>(std::max(size, 1));
    }
    input.clickSound = clickSound;
    input.changed = changed || input.changed;
    if (input.length != length && clickSound && hooks.keyClick != nullptr) {
        hooks.keyClick();
    }
}

void AbortTextEntry() {
    EndTextEntry();
    input.text.clear();
    input.length = 0;
    input.caret = 1;
}

void StoreEntryText() {
    if (input.entryActive) {
        input.stored = input.text;
    }
}

void ClearEntryText() {
    input.text.clear();
    input.length = 0;
    input.caret = 1;
    input.changed = true;
}

void InsertStoredText() {
    if (!input.entryActive || input.stored.empty()) {
        return;
    }
    const int32_t inserted = Utf8Length(input.stored);
    input.text.insert(ByteOffset(input.text, input.caret), input.stored);
    input.stored.clear();
    input.length = Utf8Length(input.text);
    input.caret += inserted;
    if (input.length > input.maxLength) {
        input.text = Utf8Copy(input.text, 1, input.maxLength);
        input.length = input.maxLength;
    }
    input.caret = std::min(input.caret, input.length + 1);
    input.changed = true;
}

bool HasStoredText() {
    return !input.stored.empty();
}

bool TextEntryChanged() {
    return input.changed;
}

void ClearTextEntryChanged() {
    input.changed = false;
}

bool NamesOnlyAccepts(std::string_view text, int32_t caret, uint32_t c) {
    const uint32_t before = CharAtOrLineBreak(text, caret - 1);
    const uint32_t at = CharAtOrLineBreak(text, caret);
    if (c == ' ') {
        return before != LineFeed && before != ' ' && at != ' ';
    }
    if (c == '.') {
        return before != LineFeed && before != ' ' && before != '.' && at != '.';
    }
    if (c < 33 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        return true;
    }
    if (c >= 192 && c <= 8191) {
        return c != 215 && c != 247;
    }
    return c > 8303;
}

void SetInputHooks(TGlyphCheck glyphCheck, TKeyClick keyClick, TCanvasExtent canvasExtent) {
    hooks = TInputHooks{glyphCheck, keyClick, canvasExtent};
}

void InputReset() {
    input = TInputState{};
}

void InputEvent(const TPlatformEvent& event, int clientWidth, int clientHeight) {
    if (event.Kind == peKeyDown) {
        if (ApplicationActive() && event.Key > kcNone && event.Key < kcCount) {
            input.tapped[static_cast<std::size_t>(event.Key)] = true;
        }
        if (input.entryActive) {
            EditKey(event.Key, event.Alt);
        }
        return;
    }
    if (event.Kind == peText) {
        if (input.entryActive) {
            TypeText(event.Text);
        }
        return;
    }
    // Pointer input counts only while the game has the focus.
    if (!ApplicationActive()) {
        return;
    }
    switch (event.Kind) {
        case pePointerMove:
            // A move after a leave in the same pass means the pointer is back.
            input.inside = true;
            input.leftEvent = false;
            SetPosition(event.X, event.Y, clientWidth, clientHeight);
            break;
        case pePointerEnter:
            input.inside = true;
            input.leftEvent = false;
            break;
        case peButtonDown:
            Press(event, clientWidth, clientHeight);
            break;
        case peButtonUp:
            Release(event, clientWidth, clientHeight);
            break;
        case pePointerLeave:
            Leave();
            break;
        case peTouchDown:
            // The first contact is the primary pointer until it lifts; others are ignored.
            if (input.trackingTouch && event.Pointer != input.touchId) {
                break;
            }
            input.trackingTouch = true;
            input.touchId = event.Pointer;
            input.inside = true;
            Press(event, clientWidth, clientHeight);
            break;
        case peTouchMove:
            if (input.trackingTouch && event.Pointer == input.touchId) {
                input.inside = true;
                SetPosition(event.X, event.Y, clientWidth, clientHeight);
            }
            break;
        case peTouchUp:
            if (input.trackingTouch && event.Pointer == input.touchId) {
                input.inside = true;
                Release(event, clientWidth, clientHeight);
                // A lifted finger leaves the window, like a pen taken away from the screen.
                Leave();
                input.trackingTouch = false;
            }
            break;
        default:
            break;
    }
}

void InputEndOfPump() {
    const uint32_t frame = FrameCounter();
    if (input.buttonUp && frame != input.buttonDownFrame) {
        input.buttonDown = false;
        input.buttonUp = false;
    } else if (input.leftEvent && frame != input.leftFrame) {
        input.inside = false;
        input.leftEvent = false;
    }
}

void InputReadKeyboard(const TKeyboard& keyboard) {
    input.previousKeys = input.keys;
    input.keys.fill(false);
    if (input.inside) {
        input.keys[ikPointer] = input.buttonDown;
    }
    auto held = [&](TKeyCode key) {
        return keyboard.KeyHeld(key) || input.tapped[static_cast<std::size_t>(key)];
    };
    const bool alt = held(kcLeftAlt) || held(kcRightAlt);
    const bool enter = held(kcEnter) || held(kcKeypadEnter);
    const bool modifier =
        alt || held(kcLeftCtrl) || held(kcRightCtrl) || held(kcLeftSuper) || held(kcRightSuper);
    if (modifier) {
        input.keys[ikFullScreen] = alt && enter;
    } else {
        input.keys[ikEscape] = held(kcEscape);
        input.keys[ikAccept] = (enter && !(input.entryActive && input.multiLine)) ||
                               (held(kcSpace) && !input.entryActive);
        input.keys[ikFullScreen] = held(kcF11);
        input.keys[ikHelp] = held(kcH) || held(kcF1);
        input.keys[ikInventory] = held(kcI);
        input.keys[ikMap] = held(kcM);
    }
    input.tapped.fill(false);
}

void InputActivated(const TKeyboard& keyboard) {
    input.tapped.fill(false);
    InputReadKeyboard(keyboard);
    input.previousKeys = input.keys;
}

void InputPointerOver(float clientX, float clientY, int clientWidth, int clientHeight) {
    input.inside = true;
    input.leftEvent = false;
    SetPosition(clientX, clientY, clientWidth, clientHeight);
}

void InputDeactivated() {
    input.keys.fill(false);
    input.previousKeys.fill(false);
    input.tapped.fill(false);
    input.inside = false;
    input.leftEvent = false;
    // A release or lift while inactive is never seen: whatever was held ends here, or the first
    // move after the focus returns would find a phantom press, and touch would stay locked to
    // a contact that is gone.
    input.buttonDown = false;
    input.buttonUp = false;
    input.trackingTouch = false;
}

void MainCanvasExtent(int clientWidth, int clientHeight, float& width, float& height) {
    if (hooks.canvasExtent != nullptr) {
        hooks.canvasExtent(width, height);
    } else {
        DefaultCanvasExtent(clientWidth, clientHeight, width, height);
    }
}

void DefaultCanvasExtent(int clientWidth, int clientHeight, float& width, float& height) {
    if (clientWidth <= 0 || clientHeight <= 0) {
        width = 1600;
        height = 900;
        return;
    }
    const float aspect = static_cast<float>(clientWidth) / static_cast<float>(clientHeight);
    width = aspect > 1600.0f / 900.0f ? 1600.0f * (aspect / (1600.0f / 900.0f)) : 1600.0f;
    height = width / aspect;
}

} // namespace valdmoor
