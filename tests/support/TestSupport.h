// Shared helpers for the test programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace valdmoor::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes Bytes to a file below the folder (creating sub-folders) and returns its path.
    std::filesystem::path Write(std::string_view relative, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// Counts calls of the global operator new in this process, for tests and benchmarks that
// check that steady-state work allocates nothing.
int64_t AllocationCount();

} // namespace valdmoor::test
