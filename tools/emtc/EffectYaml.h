// The readable form of particle effects: YAML whose keys are the effect and emitter field names,
// with mode fields by short name (or number) and shading modes by name.
#pragma once

#include "effects/EffectFiles.h"

#include <string>
#include <string_view>

namespace valdmoor::tools {

// Raises EngineError "<file>:<line>: <field>: <what is wrong>". Fields left out are 0, off or
// empty; unknown fields, values of the wrong kind and unknown names are refused.
TEffectFile ParseEffectYaml(std::string_view text, std::string_view fileName);
// Every field, in file order, so that parsing the result gives File back exactly.
std::string EffectYaml(const TEffectFile& file);

// What the compiler's help lists: each mode field with its names, and the shading modes.
std::string EffectFieldsHelp();

} // namespace valdmoor::tools
