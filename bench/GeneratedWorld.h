// The generated world the world's benchmarks play on: 100 props, 20 groups, one achievement
// and 50 regions of 20 sites with 6 scenes each, every region with one plot per group.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace valdmoor {

class TAchievement;
class TGroup;
class TSite;

namespace bench {

struct TGeneratedWorld {
    std::vector<TGroup*> Groups;
    TAchievement* Achievement = nullptr;
    // By region, then site.
    std::vector<TSite*> Sites;
};

// Adds the world to the started scenario and makes its first region the menu and the start.
// Scene n (counted across the world) has type SceneTypes[n % size], is repeatable when n is
// odd, takes two props, gives two, counts 1 towards the achievement and flips group n % 20.
// Sites are numbered region * 100 + site + FirstNumber, scenes from FirstNumber in each site.
TGeneratedWorld GenerateWorld(std::span<const int32_t> sceneTypes, int32_t firstNumber);

} // namespace bench
} // namespace valdmoor
