// Feeds arbitrary bytes to the save file reader. Whatever it accepts must write out, read back
// and write out again to the same bytes: nothing read may be lost or changed on the next save.
#include "players/EnginePlayers.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace valdmoor;
    TMemoryStream input(std::string(reinterpret_cast<const char*>(data), size));
    TPlayerList players;
    int32_t current = 0;
    try {
        current = ReadSaveData(input, "fuzz.dat", players);
    } catch (const EngineError&) {
        return 0;
    }
    TMemoryStream first;
    WriteSaveData(first, players, current);
    first.Seek(0);
    TPlayerList again;
    int32_t currentAgain = 0;
    try {
        currentAgain = ReadSaveData(first, "first.dat", again);
    } catch (const EngineError&) {
        std::abort();
    }
    TMemoryStream second;
    WriteSaveData(second, again, currentAgain);
    if (second.Bytes() != first.Bytes() || again.Count() != players.Count()) {
        std::abort();
    }
    return 0;
}
