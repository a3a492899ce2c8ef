// The world compiler's round trip on mutated files: whatever bytes decompile must build back
// to exactly those bytes, and whatever text builds must decompile to text that builds the
// same. Refusals are fine; a crash, a hang or a changed world is not.
#include "ScenarioYaml.h"
#include "app/EngineApplication.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace valdmoor;
    using namespace valdmoor::scenario;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> warnings;
    try {
        const std::string text = DecompileWorldBytes(input, "fuzz.dat");
        if (CompileWorldText(text, "fuzz.yaml", warnings) != input) {
            std::abort();
        }
    } catch (const EngineError&) {
    }
    // Text input: a world that builds decompiles to a canonical text of the same world.
    if (size < 64 * 1024) {
        std::string bytes;
        try {
            bytes = CompileWorldText(input, "fuzz.yaml", warnings);
        } catch (const EngineError&) {
            return 0;
        }
        const std::string canonical = DecompileWorldBytes(bytes, "fuzz.dat");
        if (CompileWorldText(canonical, "canonical.yaml", warnings) != bytes) {
            std::abort();
        }
    }
    return 0;
}
