// The language folders, the choice of the start language, the current language's formatting
// settings, and number display.
#pragma once

#include "app/EngineClasses.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

// One language folder; the item name is its key ("English").
class TLanguage : public TNamedItem {
public:
    TLanguage(std::string key, std::string folder)
        : TNamedItem(std::move(key)), Folder(std::move(folder)) {}

    std::string Folder; // ends in "/"
    bool Loaded = false;
    std::string LanguageName = "Unknown";
    std::string DecimalSymbol = ".";
    std::string DigitGroupingSymbol = ",";
    int32_t DigitGroupingAboveValue = 999;
    std::string ColonPrefix;
};

// Storage start-up, step 4: creates the list and finds the language folders beside the
// executable (the "?" and "!" aliases included). Raises "Failed to find at least one language
// folder" with error kind 3 when there is none.
void DiscoverLanguages();
// Storage start-up, last step: the switch, the remembered choice, the platform's language,
// the single-language folder, English, the first entry.
void ChooseStartLanguage();
// Frees the list and resets the published settings; accepts a list never made.
void FreeLanguages();

// The language list, sorted by key, for the language form.
TContainerOf<TLanguage>* Languages();

bool SelectLanguage(std::string_view name, bool remember);
std::string CurrentLanguageName();
TLanguage* CurrentLanguage();
std::string LanguageDisplayName(std::string_view name);
bool LanguageChoicePending();
void ConfirmLanguage();

// Published settings of the current language.
const std::string& PublishedLanguageName();
const std::string& DecimalSymbol();
const std::string& DigitGroupingSymbol();
int32_t DigitGroupingAboveValue();
const std::string& ColonPrefix();

// Value with the language's grouping symbol before every group of three digits, when its
// absolute value is above the grouping threshold.
std::string FormatNumber(int64_t value);

} // namespace valdmoor
