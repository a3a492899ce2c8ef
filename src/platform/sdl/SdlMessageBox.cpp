#include "app/EngineApplication.h"
#include "platform/EngineMessageBox.h"

#include <SDL.h>
#include <cstdlib>
#include <string>

namespace valdmoor {

namespace {

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

bool MessageBoxAllowed() {
    if (SwitchHeadless() || EnvironmentSet("CI")) {
        return false;
    }
    return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY");
}

bool ShowWarningBox(std::string_view text) {
    const std::string plain = UnixLineEnds(text);
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "Valdmoor", plain.c_str(), nullptr) ==
           0;
}

} // namespace valdmoor
