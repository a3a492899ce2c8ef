// The one place that creates every named cursor, hint, dialog, transition and form of the game,
// preloads what the first screens need at once, and picks the first screen. Also the game's
// hooks into the main procedure: game data start, per-frame work and stop.
#pragma once

namespace valdmoor {

// Creates the registrations in the order cursors, hints, dialogs, transitions, forms; the
// debug-only ones only with "-debug". Needs the framework running.
void RegisterEngineObjects();
// Preloads the common sounds (unless audio group 0 is off), loads script slot 0, runs the
// scenario loader and starts the game state; the common textures follow once the first screen
// has been drawn (GameDataUpdate). Runs its work once per game data start.
void PreloadCommon();
// Loads the common textures still waiting, at once.
void PreloadTexturesNow();
bool TexturesPreloadPending();
// The splash when it has pictures to show, else the language choice when pending, else the
// menu; always through the "Splash" transition.
void ShowFirstScreen();
// Whether the splash form found pictures to show (known once "Splash" is registered).
bool SplashWanted();

void GameDataStart();
void GameDataUpdate();
void GameDataStop();

} // namespace valdmoor
