#include "platform/headless/HeadlessWindow.h"

#include <cstring>

namespace valdmoor {

void THeadlessWindow::Open(const std::string& title) {
    Opened = true;
    Title = title;
}

void THeadlessWindow::DesktopSize(int& width, int& height) {
    width = DesktopWidth;
    height = DesktopHeight;
}

void THeadlessWindow::Place(bool fullScreen, int width, int height) {
    FullScreen = fullScreen;
    Width = width;
    Height = height;
    Shown = true;
    ++Placed;
}

void THeadlessWindow::WindowSize(int& width, int& height) {
    width = Width;
    height = Height;
}

bool THeadlessWindow::PointerOver(float& x, float& y) {
    x = PointerX;
    y = PointerY;
    return PointerInside;
}

bool THeadlessWindow::FixedSize(int& width, int& height) {
    width = FixedWidth;
    height = FixedHeight;
    return FixedWidth > 0 && FixedHeight > 0;
}

bool THeadlessWindow::PollEvent(TPlatformEvent& event) {
    while (!Events.empty()) {
        event = Events.front();
        Events.pop_front();
        // As on a real system, keys typed while text input is off never become text.
        if (event.Kind != peText || TextInput) {
            return true;
        }
    }
    return false;
}

void THeadlessWindow::WaitEvent(int /*timeoutMs*/) {
    ++Waits;
    if (OnWait != nullptr) {
        OnWait(*this);
    }
}

bool THeadlessWindow::KeyHeld(TKeyCode key) const {
    return key > kcNone && key < kcCount && held_[static_cast<std::size_t>(key)];
}

void THeadlessWindow::Push(TPlatformEventKind kind, float x, float y, int64_t pointer) {
    TPlatformEvent event;
    event.Kind = kind;
    event.X = x;
    event.Y = y;
    event.Pointer = pointer;
    Events.push_back(event);
}

void THeadlessWindow::PushKey(TKeyCode key, bool alt) {
    TPlatformEvent event;
    event.Kind = peKeyDown;
    event.Key = key;
    event.Alt = alt;
    Events.push_back(event);
}

void THeadlessWindow::PushText(const char* text) {
    TPlatformEvent event;
    event.Kind = peText;
    std::strncpy(event.Text, text, sizeof event.Text - 1);
    Events.push_back(event);
}

void THeadlessWindow::Hold(TKeyCode key, bool held) {
    if (key > kcNone && key < kcCount) {
        held_[static_cast<std::size_t>(key)] = held;
    }
}

} // namespace valdmoor
