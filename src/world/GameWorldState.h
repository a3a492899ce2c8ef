// The world's mutable model state as a flat list of named values: what a replay must rebuild
// exactly. Tests and the world checker compare two of them and name the first difference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace valdmoor {

struct TWorldStateEntry {
    std::string Name;
    int64_t Value = 0;
    bool operator==(const TWorldStateEntry&) const = default;
};

struct TWorldStateOptions {
    // Region tints and music and the music choice: the live actions of a scene whose dialog
    // was cancelled change them without any event, so callers may leave them out.
    bool TintsAndMusic = true;
};

// Props (counts), sites (revealed, entered, visits, closed), scenes (executions), map plots
// (hidden), achievements (progress, revealed), story flags and stage, current and previous
// region, and with the option the tints and music.
std::vector<TWorldStateEntry> CaptureWorldState(const TWorldStateOptions& options = {});
// FNV-1a over the names and values.
uint64_t WorldStateDigest(const std::vector<TWorldStateEntry>& state);
uint64_t WorldDigest(const TWorldStateOptions& options = {});
// Empty when both are the same; otherwise the first entry that differs, with both values.
std::string FirstWorldStateDifference(const std::vector<TWorldStateEntry>& expected,
                                      const std::vector<TWorldStateEntry>& actual);

} // namespace valdmoor
