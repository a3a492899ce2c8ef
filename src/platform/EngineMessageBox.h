// The one dialog the game ever shows: the warning box after a failed run.
#pragma once

#include <string_view>

namespace valdmoor {

// Whether a box can be shown at all: a display exists, the run is not headless, and the
// environment is no test or CI run (where a dialog would block forever).
bool MessageBoxAllowed();
// Shows a modal warning box titled "Valdmoor"; false when it could not be shown.
bool ShowWarningBox(std::string_view text);

} // namespace valdmoor
