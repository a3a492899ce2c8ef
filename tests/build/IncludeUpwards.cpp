// Built only by the include-direction test, which expects this file not to compile: the
// application core sits below storage and cannot see its headers.
#include "storage/EngineObjects.h"

int IncludeUpwardsProbe() {
    return valdmoor::HasOwnSegments("G2Props") ? 1 : 0;
}
