#include "storage/EngineLanguages.h"

#include "app/EngineApplication.h"
#include "app/EngineTaggedText.h"
#include "storage/EngineStorage.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

namespace valdmoor {

namespace {

constexpr std::string_view SettingsFileName = "LanguageSettings.xml";
constexpr std::string_view StartLanguageName = "StartLanguage";
// A settings file holds a handful of short lines; anything bigger is not one.
constexpr std::size_t SettingsSizeLimit = 1024 * 1024;

constexpr std::string_view DefaultLanguageName = "Unknown";
constexpr std::string_view DefaultDecimalSymbol = ".";
constexpr std::string_view DefaultDigitGroupingSymbol = ",";
constexpr int32_t DefaultDigitGroupingAboveValue = 999;
constexpr std::string_view NoBreakSpace = "\xC2\xA0";

struct TLanguageState {
    std::unique_ptr<TContainerOf<TLanguage>> list;
    TLanguage* current = nullptr;
    bool choicePending = false;
    std::string languageName{DefaultLanguageName};
    std::string decimalSymbol{DefaultDecimalSymbol};
    std::string digitGroupingSymbol{DefaultDigitGroupingSymbol};
    int32_t digitGroupingAboveValue = DefaultDigitGroupingAboveValue;
    std::string colonPrefix;
};

TLanguageState state;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

bool HoldsSettings(const std::string& folder) {
    std::error_code error;
    return std::filesystem::is_regular_file(folder + std::string(SettingsFileName), error);
}

// True for one complete UTF-8 sequence and nothing else.
bool IsSingleCharacter(std::string_view value) {
    int length = 0;
    uint32_t codePoint = 0;
    return !value.empty() &&
           Utf8Decode(value.data(), static_cast<std::ptrdiff_t>(value.size()), length, codePoint) &&
           static_cast<std::size_t>(length) == value.size();
}

void ApplySetting(void* data, std::string_view key, std::string_view value) {
    TLanguage& language = *static_cast<TLanguage*>(data);
    if (key == "LanguageName") {
        language.LanguageName = std::string(value);
    } else if (key == "DecimalSymbol") {
        if (IsSingleCharacter(value)) {
            language.DecimalSymbol = std::string(value);
        }
    } else if (key == "DigitGroupingSymbol") {
        if (IsSingleCharacter(value)) {
            language.DigitGroupingSymbol = std::string(value);
        }
    } else if (key == "DigitGroupingAboveValue") {
        int32_t threshold = 0;
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, threshold);
        if (error == std::errc() && stop == end) {
            language.DigitGroupingAboveValue = threshold;
        }
    } else if (key == "SpaceBeforeColon") {
        language.ColonPrefix =
            EqualsIgnoringAsciiCase(value, "YES") ? std::string(NoBreakSpace) : std::string();
    }
}

enum class TReadResult {
    Missing,
    TooLarge,
    Failed,
    Read
};

// Reads at most Limit bytes; a longer file is refused rather than cut, since half a settings
// file would silently mean something else.
TReadResult ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return TReadResult::Missing;
    }
    if (!std::filesystem::is_regular_file(path, error)) {
        return TReadResult::Failed;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return TReadResult::Failed;
    }
    bytes.clear();
    char chunk[16384];
    while (in) {
        in.read(chunk, sizeof chunk);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got > limit - bytes.size()) {
            bytes.clear();
            return TReadResult::TooLarge;
        }
        bytes.append(chunk, got);
    }
    if (in.bad()) {
        bytes.clear();
        return TReadResult::Failed;
    }
    return TReadResult::Read;
}

void ReadSettings(TLanguage& language) {
    language.LanguageName = std::string(DefaultLanguageName);
    language.DecimalSymbol = std::string(DefaultDecimalSymbol);
    language.DigitGroupingSymbol = std::string(DefaultDigitGroupingSymbol);
    language.DigitGroupingAboveValue = DefaultDigitGroupingAboveValue;
    language.ColonPrefix.clear();
    language.Loaded = true;

    // Language folders are plain folders found at discovery, not storage folders, so the file
    // is read by its path.
    const std::string path = language.Folder + std::string(SettingsFileName);
    std::string text;
    switch (ReadSmallFile(path, SettingsSizeLimit, text)) {
        case TReadResult::Missing:
            return;
        case TReadResult::TooLarge:
            LogMessage("Language settings \"" + path + "\" are larger than 1 MiB and were ignored");
            return;
        case TReadResult::Failed:
            LogMessage("Failed to read language settings \"" + path + "\"");
            return;
        case TReadResult::Read:
            break;
    }
    // A damaged file keeps what was read before the damage; the rest stays at the defaults.
    ReadTaggedText(text, "language", "setting", ApplySetting, &language);
}

void Publish(const TLanguage& language) {
    state.languageName = language.LanguageName;
    state.decimalSymbol = language.DecimalSymbol;
    state.digitGroupingSymbol = language.DigitGroupingSymbol;
    state.digitGroupingAboveValue = language.DigitGroupingAboveValue;
    state.colonPrefix = language.ColonPrefix;
}

void AddLanguage(std::string key, std::string folder) {
    state.list->Add(std::make_unique<TLanguage>(std::move(key), std::move(folder)), true);
}

// The names of the usable language folders below Root, in byte order so that the outcome of
// a clash does not depend on the order the file system lists them in.
std::vector<std::string> LanguageFolderNames(const std::string& root) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator walker(root, error);
    if (error) {
        return names;
    }
    for (const std::filesystem::directory_iterator end; walker != end; walker.increment(error)) {
        if (error) {
            break;
        }
        std::error_code typeError;
        if (!walker->is_directory(typeError)) {
            continue;
        }
        std::string name = walker->path().filename().string();
        if (name.empty() || !IsAsciiLetter(name[0]) || name.find('.') != std::string::npos) {
            continue;
        }
        if (HoldsSettings(root + name + "/")) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

void DiscoverLanguages() {
    FreeLanguages();
    state.list = std::make_unique<TContainerOf<TLanguage>>(true, true);
    const std::string& main = StorageFolderPath(sfMain);

    const std::string single = main + "Language/";
    if (HoldsSettings(single)) {
        AddLanguage("?", single);
    }

    const std::string root = main + "Languages/";
    for (const std::string& name : LanguageFolderNames(root)) {
        std::string key = CapitalizeFirst(name);
        // "english" and "English" can sit side by side on a case-sensitive file system; both
        // would answer to one key, so only the first is kept.
        if (state.list->Find(key) != nullptr) {
            LogMessage("Language folder \"" + root + name + "\" ignored: \"" + key +
                       "\" is already taken");
            continue;
        }
        AddLanguage(std::move(key), root + name + "/");
    }

    if (state.list->Empty()) {
        ReportErrorKind(ekFilesCorrupt);
        throw EngineError("Failed to find at least one language folder");
    }

    const std::string platformKey = CapitalizeFirst(SteamGameLanguage());
    // Only a real folder's key may be aliased; the aliases themselves never start with a letter.
    if (!platformKey.empty() && IsAsciiLetter(platformKey[0])) {
        if (const TLanguage* match = state.list->Find(platformKey)) {
            AddLanguage("!", match->Folder);
        }
    }
}

void ChooseStartLanguage() {
    if (state.list == nullptr || state.list->Empty()) {
        return;
    }
    if (SelectLanguage(SwitchLanguage(), true) ||
        SelectLanguage(StorageLoadString(sfCloud, StartLanguageName), false) ||
        SelectLanguage("!", true) || SelectLanguage("?", true)) {
        return;
    }
    if (!SelectLanguage("English", false)) {
        SelectLanguage(state.list->First()->Name(), false);
    }
    if (state.list->Count() == 1) {
        ConfirmLanguage();
    } else {
        state.choicePending = true;
    }
}

void FreeLanguages() {
    state = TLanguageState{};
}

TContainerOf<TLanguage>* Languages() {
    return state.list.get();
}

bool SelectLanguage(std::string_view name, bool remember) {
    if (state.list == nullptr || name.empty()) {
        return false;
    }
    TLanguage* language = state.list->Find(name);
    if (language == nullptr || language == state.current) {
        return false;
    }
    state.current = language;
    SetStorageFolderPath(sfLanguage, language->Folder);
    if (!language->Loaded) {
        ReadSettings(*language);
    }
    Publish(*language);
    if (remember) {
        StorageSaveString(sfCloud, StartLanguageName, language->Name());
    }
    return true;
}

std::string CurrentLanguageName() {
    return state.current != nullptr ? state.current->Name() : std::string();
}

TLanguage* CurrentLanguage() {
    return state.current;
}

std::string LanguageDisplayName(std::string_view name) {
    if (state.list == nullptr || name.empty()) {
        return {};
    }
    TLanguage* language = state.list->Find(name);
    if (language == nullptr) {
        return {};
    }
    if (!language->Loaded) {
        ReadSettings(*language);
    }
    return language->LanguageName;
}

bool LanguageChoicePending() {
    return state.choicePending;
}

void ConfirmLanguage() {
    state.choicePending = false;
    if (state.current != nullptr) {
        StorageSaveString(sfCloud, StartLanguageName, state.current->Name());
    }
}

const std::string& PublishedLanguageName() {
    return state.languageName;
}

const std::string& DecimalSymbol() {
    return state.decimalSymbol;
}

const std::string& DigitGroupingSymbol() {
    return state.digitGroupingSymbol;
}

int32_t DigitGroupingAboveValue() {
    return state.digitGroupingAboveValue;
}

const std::string& ColonPrefix() {
    return state.colonPrefix;
}

std::string FormatNumber(int64_t value) {
    // Unsigned, so that the magnitude of the most negative value exists.
    const uint64_t magnitude =
        value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    const int32_t threshold = state.digitGroupingAboveValue;
    const bool grouped = threshold < 0 || magnitude > static_cast<uint64_t>(threshold);

    std::string out;
    out.reserve(digits.size() * (1 + state.digitGroupingSymbol.size()) + 1);
    if (value < 0) {
        out += '-';
    }
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (grouped && i > 0 && (digits.size() - i) % 3 == 0) {
            out += state.digitGroupingSymbol;
        }
        out += digits[i];
    }
    return out;
}

} // namespace valdmoor
