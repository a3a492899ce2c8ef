// Keyboard, pointer and text entry, turned into one snapshot per frame: seven logical keys
// now and in the previous frame, the pointer in canvas units, and one-frame click events.
#pragma once

#include "platform/PlatformBackend.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

// The logical keys.
enum TInputKey : int32_t {
    ikPointer = 0, // left button or primary touch, while the pointer is inside the window
    ikEscape = 1,
    ikAccept = 2,     // Enter (not in multi-line entry) or Space (not in text entry)
    ikFullScreen = 3, // F11, or Alt with Enter
    ikHelp = 4,       // H or F1
    ikInventory = 5,  // I
    ikMap = 6,        // M
    ikCount = 7,
};

bool KeyDown(int32_t index);
bool KeyWasDown(int32_t index);
bool KeyPressed(int32_t index);

void PointerPosition(float& x, float& y);
bool PointerInWindow();
bool PointerButtonDown();
uint32_t PointerButtonDownFrame();
bool PointerButtonUp();

// Text entry. Font is whatever the text subsystem uses to answer the glyph check. Bytes of
// Text that are no UTF-8 are dropped, so the caret and the length count the same characters.
void StartTextEntry(const void* font, std::string_view text, int32_t maxLength, bool multiLine,
                    bool clickSound, bool namesOnly);
void EndTextEntry();
bool TextEntryActive();
const std::string& TextEntryText();
int32_t TextEntryCaret();
int32_t TextEntryLength();
// Types Text at the caret as if each character were typed: the maximum length, the names-only
// filter and the font's glyphs apply, control characters are dropped. One key click at most.
void PasteIntoTextEntry(std::string_view text);
// Ends the entry and forgets its text (a dialog closed without taking it).
void AbortTextEntry();
// A store beside the entry, kept between entries until inserted: not the system clipboard.
// Store takes the entry's text while an entry is active; Insert puts it in at the caret (cut
// to the maximum length) and empties the store.
void StoreEntryText();
void ClearEntryText();
void InsertStoredText();
bool HasStoredText();
// Set by every edit; the owner clears it when it has taken the new text.
bool TextEntryChanged();
void ClearTextEntryChanged();
// Whether the names-only filter lets Character in at the caret of Text.
bool NamesOnlyAccepts(std::string_view text, int32_t caret, uint32_t character);

// Hooks filled by the subsystems above: whether a font has a glyph (every character counts as
// available without one), the key click, and the main canvas's size in units.
using TGlyphCheck = bool (*)(const void* font, uint32_t codePoint);
using TKeyClick = void (*)();
using TCanvasExtent = void (*)(float& width, float& height);
void SetInputHooks(TGlyphCheck glyphCheck, TKeyClick keyClick, TCanvasExtent canvasExtent);

// Fed by the window's message pump.
void InputReset();
void InputEvent(const TPlatformEvent& event, int clientWidth, int clientHeight);
void InputEndOfPump();
void InputReadKeyboard(const TKeyboard& keyboard);
// Keys held while the window gains focus are not presses.
void InputActivated(const TKeyboard& keyboard);
// The pointer stands over the window at activation (client pixels).
void InputPointerOver(float clientX, float clientY, int clientWidth, int clientHeight);
// Clears the keys, the pointer's buttons and the touch contact, and marks the pointer outside.
void InputDeactivated();

// The main canvas's size in units for a client size, before the renderer reports its own:
// 1600 x 900 stretched along the wider axis, never letterboxed.
void DefaultCanvasExtent(int clientWidth, int clientHeight, float& width, float& height);
// The main canvas's size in units: the renderer's answer, or the default for the client size.
void MainCanvasExtent(int clientWidth, int clientHeight, float& width, float& height);

} // namespace valdmoor
