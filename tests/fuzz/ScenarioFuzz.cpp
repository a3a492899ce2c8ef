// Feeds arbitrary bytes to the whole scenario loader, then resets the world and walks what was
// read as the look-ups and a new game would. Damage must raise, never crash, hang or allocate
// from a count the bytes cannot hold.
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace valdmoor;
    static const bool started = [] {
        ApplicationStart();
        return true;
    }();
    (void)started;
    ScenarioStart();
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        LoadScenarioFrom(stream);
    } catch (const EngineError&) {
    }
    // Objects read before the damage stay; the world must still reset and answer look-ups.
    ResetWorld();
    for (TRegion& region : ScenarioRegions()) {
        for (TSite& site : region.Sites) {
            FindSite(region.Number, site.Number);
            for (TScene& scene : site.Scenes) {
                FindScene(region.Number, site.Number, scene.Number);
            }
        }
    }
    ScenarioStop();
    return 0;
}
