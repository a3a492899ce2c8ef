// One running copy per user: a lock held for the life of the process, and a local socket over
// which a second copy asks the first to come to the front.
#pragma once

#include <string>

namespace valdmoor {

class TSingleInstance {
public:
    TSingleInstance() = default;
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Takes the lock in Folder. False when another copy holds it; that copy has then been
    // asked to come to the front. A folder that cannot hold the lock lets the game run.
    bool Acquire(const std::string& folder);
    // Whether a second copy asked since the last call; never blocks.
    bool TakeRaiseRequest();

private:
    int lock_ = -1;
    int socket_ = -1;
};

} // namespace valdmoor
