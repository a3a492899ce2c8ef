// A world's texts per language: a YAML text source beside the world, keyed by the names the
// world uses, compiled into the language's "ScriptScenario.xml" under the identifiers the game
// looks up.
#pragma once

#include "ScenarioModel.h"

#include <map>
#include <string>
#include <vector>

namespace valdmoor::scenario {

// One text the world shows: its section and key in the text source, and the identifier the
// game looks it up by.
struct TTextKey {
    std::string Section; // "captions", "scenes", "hints", "achievements"
    std::string Key;     // an object name; scenes are "SITE/N", N counting from 1 in the site
    std::string Id;
};
std::vector<TTextKey> WorldTextKeys(const TWorldModel& world);

struct TTextSource {
    std::string FileName;
    // Section -> key -> text.
    std::map<std::string, std::map<std::string, std::string>> Texts;
};
// Raises EngineError "FILE:LINE: FIELD: what" for anything but sections of key: text.
TTextSource ParseTextSource(const std::string& text, const std::string& fileName);

// The script file of one language. Texts the world does not use are left out; Warnings get a
// line for scenes that share a legend with different texts.
std::string WriteScriptXml(const TWorldModel& world, const TTextSource& source,
                           std::vector<std::string>& warnings);

struct TTextReport {
    std::vector<std::string> Missing; // "section: key"
    std::vector<std::string> Unused;
};
TTextReport CheckTexts(const TWorldModel& world, const TTextSource& source);

} // namespace valdmoor::scenario
