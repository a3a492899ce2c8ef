// Feeds arbitrary text to the ".tsg" reader: the list always holds 1 to MaxSegments entries,
// and a file read without error writes back to a file that reads the same.
#include "video/PictureFiles.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool Same(const std::vector<valdmoor::TSegmentRect>& a,
          const std::vector<valdmoor::TSegmentRect>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].Full != b[i].Full ||
            (!a[i].Full && (a[i].X != b[i].X || a[i].Y != b[i].Y || a[i].Width != b[i].Width ||
                            a[i].Height != b[i].Height))) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const valdmoor::TSegmentsFile file =
        valdmoor::ReadSegmentsFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (file.Segments.empty() ||
        file.Segments.size() > static_cast<std::size_t>(valdmoor::MaxSegments)) {
        std::abort();
    }
    const valdmoor::TSegmentsFile again =
        valdmoor::ReadSegmentsFile(valdmoor::WriteSegmentsFile(file.Segments));
    if (!again.Error.empty() || !Same(file.Segments, again.Segments)) {
        std::abort();
    }
    return 0;
}
