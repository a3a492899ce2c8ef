// Feeds arbitrary bytes to the world's record readers in the order the scenario file holds
// them (pool names, props, a region with its map, a site block with scenes, a hint, an
// achievement), then runs the rules over whatever was read. Damage must raise, never crash,
// hang or read outside the data.
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GameAchievement.h"
#include "world/GameHint.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRecords.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <cstdint>
#include <memory>
#include <string>

namespace {

using namespace valdmoor;

void Read(TStream& stream, TLoadContext& context) {
    LoadPoolNames(stream, context);
    const int32_t props = ReadCount(stream, 4 + PropRecordSize);
    for (int32_t i = 0; i < props; ++i) {
        TProp* prop = ScenarioProps().Add(std::make_unique<TProp>(ReadName(stream)));
        context.Props.push_back(prop);
        prop->Load(stream, context);
    }
    TRegion& region = *context.Regions[0];
    region.Load(stream, context);
    region.LoadMap(stream, context);
    context.Sites[0]->Load(stream, context);
    context.Hints[0]->Load(stream, context);
    context.Achievements[0]->Load(stream, context);
}

class TEveryPointInView : public TMapView {
public:
    bool IsRevealedPoint(float, float) const override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = [] {
        ApplicationStart();
        return true;
    }();
    (void)started;
    ScenarioStart();
    TLoadContext context;
    TRegion* region = ScenarioRegions().Add(std::make_unique<TRegion>("R"));
    context.Regions = {region};
    for (const char* name : {"S1", "S2"}) {
        auto site = std::make_unique<TSite>(name);
        site->Region = region;
        context.Sites.push_back(region->Sites.Add(std::move(site)));
    }
    context.Hints = {ScenarioHints().Add(std::make_unique<THint>("H"))};
    context.Achievements = {ScenarioAchievements().Add(std::make_unique<TAchievement>("A"))};
    SetScenarioRegions(region, region, nullptr);
    SetRecommendationStart(context.Sites[0]);

    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        Read(stream, context);
    } catch (const EngineError&) {
    }

    // The rules over whatever arrived, as a replay would drive them.
    ResetWorld();
    const TEveryPointInView view;
    for (int round = 0; round < 3; ++round) {
        while (TSite* site = region->NextSiteToClose()) {
            site->Close();
        }
        while (TSite* site = region->NextSiteToReveal(&view)) {
            site->Reveal();
        }
        for (TSite& site : region->Sites) {
            TChoices choices{};
            SetChoice(choices, 1, 65535);
            for (TScene* scene = site.FirstSceneToShow(); scene != nullptr;
                 scene = TScene::SceneToShowFrom(scene->NextScene())) {
                scene->NeedsDialog();
                scene->ApplyTintAction();
                scene->ApplyLossesAndRewards();
                scene->ApplyBarter(choices);
                scene->ApplyMake(choices);
                scene->ApplyAchievement();
                scene->ToggleGroups();
                ++scene->Executions;
            }
            site.CompleteVisit();
        }
        TSite* recommended = nullptr;
        int32_t amount = 0;
        NextRecommendedHint(recommended, amount);
        FirstNewlyCompletedAchievement();
    }
    ScenarioStop();
    return 0;
}
