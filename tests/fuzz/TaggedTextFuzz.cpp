// Feeds arbitrary bytes to the tagged text reader and checks what it hands out.
#include "app/EngineTaggedText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(void* data, std::string_view id, std::string_view value) {
    auto* calls = static_cast<int*>(data);
    ++*calls;
    auto trimmed = [](std::string_view s) {
        return s.empty() || (static_cast<unsigned char>(s.front()) > 32 &&
                             static_cast<unsigned char>(s.back()) > 32);
    };
    if (id.empty() || id.size() > 512 || value.size() > 8192 || !trimmed(id) || !trimmed(value)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int calls = 0;
    const bool complete = valdmoor::ReadTaggedText(text, "script", "text", Check, &calls);
    valdmoor::ReadTaggedText(text, "language", "setting", Check, &calls);
    if (size == 0 && (complete || calls != 0)) {
        std::abort();
    }
    return 0;
}
