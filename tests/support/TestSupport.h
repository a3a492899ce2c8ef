// Shared helpers for the test programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// An input script whose frame numbers count from the pass after Passes, so a test can write
// "1 down" for the next frame it runs.
std::string ShiftedInputScript(const std::string& script, int64_t passes);

// A child process with its standard output and error captured.
struct TProcessResult {
    int ExitCode = -1; // -1 when it did not exit by itself (killed, or timed out)
    std::string Out;
    std::string Err;
};

class TProcess {
public:
    // Starts Program with Args; Env entries ("NAME=value") are added to this environment.
    TProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
             const std::vector<std::string>& env = {});
    ~TProcess();
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    void Signal(int signal) const;
    // Waits up to TimeoutSeconds, killing the child after that, and collects its output.
    TProcessResult Wait(double timeoutSeconds = 30);

private:
    int pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

// Runs a program to its end.
TProcessResult RunProcess(const std::filesystem::path& program,
                          const std::vector<std::string>& args,
                          const std::vector<std::string>& env = {}, double timeoutSeconds = 30);

// Sets environment variables for a while and puts the old values back when destroyed.
class TEnvironment {
public:
    TEnvironment() = default;
    ~TEnvironment();
    TEnvironment(const TEnvironment&) = delete;
    TEnvironment& operator=(const TEnvironment&) = delete;

    // A null Value unsets the variable.
    void Set(const std::string& name, const char* value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// While it lives, a write that would grow a file past Limit bytes fails as on a full disk
// (RLIMIT_FSIZE, with SIGXFSZ ignored). Works for root too, unlike permission tricks.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(uint64_t limit);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    uint64_t oldLimit_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

// Counts calls of the global operator new in this process, for tests and benchmarks that
// check that steady-state work allocates nothing.
int64_t AllocationCount();

} // namespace valdmoor::test
