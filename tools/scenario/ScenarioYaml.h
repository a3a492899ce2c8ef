// The world written as YAML: objects declared and referred to by name, readable names for
// scene types and action codes, every index, count and record size left to the compiler.
#pragma once

#include "ScenarioModel.h"

#include <string>
#include <vector>

namespace valdmoor::scenario {

// Raises EngineError "FILE:LINE: FIELD: what" for anything the game would misread: unknown
// names or fields, duplicate names, a site in two regions, too many slot entries. Scenes
// without a number get one unique in the whole world; fixed numbers that two sites share are
// reported in Warnings (their legends would be one text).
TWorldModel ParseWorldYaml(const std::string& text, const std::string& fileName,
                           std::vector<std::string>& warnings);

// The canonical text: fields in file order, defaults left out, every number written.
std::string WriteWorldYaml(const TWorldModel& world);

// The whole build: YAML text to the bytes of "S0Scenario.dat".
std::string CompileWorldText(const std::string& text, const std::string& fileName,
                             std::vector<std::string>& warnings);
// The whole decompile, refusing any file whose text would not build back to the same bytes
// (references outside their lists, duplicate or empty names, names that are not UTF-8, slot
// entries the scene type does not have). Errors name FileName.
std::string DecompileWorldBytes(std::string_view bytes, const std::string& fileName);

} // namespace valdmoor::scenario
