// Script texts: every text the player reads, looked up by identifier in two slots loaded from
// the current language's folder. A missing text shows its identifier.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

enum TScriptSlot : int32_t {
    ssCommon = 0,   // "ScriptCommon": the engine's and the menus' texts
    ssScenario = 1, // "ScriptScenario": the world's texts
};

// Creates both slots empty; stop destroys them and accepts slots never made.
void ScriptStart();
void ScriptStop();

void LoadScript(int32_t slot, bool force);
std::string ScriptText(std::string_view name, bool emptyIfMissing = false);
bool ScriptTextExists(std::string_view name);
std::string SlotText(int32_t slot, std::string_view name, bool emptyIfMissing = false);
bool SlotLoaded(int32_t slot);
// Reloads every loaded slot (after a language change).
void ReloadScripts();
// In debug mode, reloads the loaded slots whose file changed on disk.
void ScriptDebugRefresh();

// The window and the open forms live above storage; they hear of new texts through these.
using TTitleHook = void (*)(std::string_view gameTitle);
using TScriptsReloadedHook = void (*)();
void SetScriptHooks(TTitleHook title, TScriptsReloadedHook reloaded);
// The "GameTitle" text of slot 0 as last loaded (empty when none), for a window made later.
const std::string& ScriptGameTitle();

} // namespace valdmoor
