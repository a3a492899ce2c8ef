// The local platform service: cloud files, the game language and achievements, all kept in
// the per-user folder. Only the wrappers in EngineStorage call it, so another backend can take
// its place without touching the game.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

// Prepares the service's folders below UserFolder; false when they cannot be made.
bool ServiceInit(const std::string& userFolder);
void ServiceRunCallbacks();
void ServiceShutdown();
bool ServiceRunning();

bool ServiceFileExists(std::string_view fileName);
int32_t ServiceFileSize(std::string_view fileName);
int32_t ServiceFileRead(std::string_view fileName, void* buffer, int32_t size);
// Atomic: the old content or the new one survives a crash, never a torn file.
bool ServiceFileWrite(std::string_view fileName, const void* buffer, int32_t size);
bool ServiceFileDelete(std::string_view fileName);

// From LANGUAGE, LC_ALL, LC_MESSAGES, LANG (the first set wins): "de_DE.UTF-8" gives "german";
// "C", "POSIX", unset or unknown give "english".
std::string ServiceGameLanguage();
// The English name of the language of a locale or language code.
std::string LanguageOfLocale(std::string_view locale);

bool ServiceRequestStats();
bool ServiceGetAchievement(std::string_view name, bool& achieved);
bool ServiceSetAchievement(std::string_view name);
bool ServiceStoreStats();

} // namespace valdmoor
