// Runs another program of the build to its end, for benchmarks of whole processes: how long
// it took and the most memory it held.
#pragma once

#include <string>
#include <vector>

namespace valdmoor::bench {

struct TChildRun {
    int ExitCode = -1;        // -1 when it did not exit by itself
    double Seconds = 0;       // wall time from spawning to its exit
    double PeakMegabytes = 0; // its maximum resident set
};

// Runs Program with Args, its output discarded; Env entries ("NAME=value") are added to this
// environment.
TChildRun RunChild(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& env = {});

} // namespace valdmoor::bench
