// A window that exists only in memory, for tests: they set the desktop, push events, hold
// keys, and read back what the game did with the window.
#pragma once

#include "platform/PlatformBackend.h"

#include <array>
#include <deque>
#include <string>

namespace valdmoor {

class THeadlessWindow : public TWindowBackend {
public:
    void Open(const std::string& title) override;
    void Close() override { Opened = false; }
    void DesktopSize(int& width, int& height) override;
    void Place(bool fullScreen, int width, int height) override;
    void SetTitle(const std::string& title) override { Title = title; }
    void WindowSize(int& width, int& height) override;
    bool PollEvent(TPlatformEvent& event) override;
    void WaitEvent(int timeoutMs) override;
    bool KeyHeld(TKeyCode key) const override;
    void Raise() override { ++Raised; }
    void SetTextInput(bool on) override { TextInput = on; }
    bool PointerOver(float& x, float& y) override;
    bool FixedSize(int& width, int& height) override;
    std::string ClipboardText() override { return Clipboard; }

    void Push(TPlatformEventKind kind, float x = 0, float y = 0, int64_t pointer = 0);
    void PushKey(TKeyCode key, bool alt = false);
    void PushText(const char* text);
    void Hold(TKeyCode key, bool held = true);

    int DesktopWidth = 1920;
    int DesktopHeight = 1080;
    bool Opened = false;
    std::string Title;
    bool Shown = false;
    bool FullScreen = false;
    int Width = 0;
    int Height = 0;
    int Placed = 0;
    int Raised = 0;
    int Waits = 0;
    bool TextInput = false;
    // The pointer over the window as the system would report it on asking.
    bool PointerInside = false;
    float PointerX = 0;
    float PointerY = 0;
    // Nonzero: a client size fixed whatever the display mode.
    int FixedWidth = 0;
    int FixedHeight = 0;
    std::string Clipboard; // what Ctrl+V pastes
    std::deque<TPlatformEvent> Events;
    // Called when the pump waits, so a test can deliver what would wake it.
    void (*OnWait)(THeadlessWindow& window) = nullptr;

private:
    std::array<bool, kcCount> held_{};
};

} // namespace valdmoor
