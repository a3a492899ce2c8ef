#include "GeneratedWorld.h"

#include "world/GameAchievement.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>
#include <string>

namespace valdmoor::bench {

TGeneratedWorld GenerateWorld(std::span<const int32_t> sceneTypes, int32_t firstNumber) {
    TGeneratedWorld world;
    std::vector<TProp*> props;
    for (int32_t p = 0; p < 100; ++p) {
        auto prop = std::make_unique<TProp>("Prop" + std::to_string(p));
        prop->Kind = p % PropKindCount;
        prop->InitialCount = 50;
        props.push_back(ScenarioProps().Add(std::move(prop)));
    }
    for (int32_t g = 0; g < 20; ++g) {
        world.Groups.push_back(
            PoolGroups().Add(std::make_unique<TGroup>("Group" + std::to_string(g))));
    }
    world.Achievement = ScenarioAchievements().Add(std::make_unique<TAchievement>("A"));
    int32_t n = 0;
    for (int32_t r = 0; r < 50; ++r) {
        auto region = std::make_unique<TRegion>("Region" + std::to_string(r));
        region->Number = r + 1;
        region->Map.Plots.resize(20);
        for (int32_t i = 0; i < 20; ++i) {
            region->Map.Plots[static_cast<std::size_t>(i)].Group =
                world.Groups[static_cast<std::size_t>(i)];
        }
        for (int32_t s = 0; s < 20; ++s) {
            auto site = std::make_unique<TSite>("Site");
            site->Region = region.get();
            site->Number = r * 100 + s + firstNumber;
            for (int32_t k = 0; k < 6; ++k, ++n) {
                auto scene = std::make_unique<TScene>();
                scene->Site = site.get();
                scene->Number = k + firstNumber;
                scene->SceneType = sceneTypes[static_cast<std::size_t>(n) % sceneTypes.size()];
                scene->Repeatable = static_cast<uint8_t>(n % 2);
                for (int32_t slot = 0; slot < 2; ++slot) {
                    scene->Inputs[static_cast<std::size_t>(slot)] = {
                        props[static_cast<std::size_t>((n + slot) % 100)], 1 + slot};
                    scene->Outputs[static_cast<std::size_t>(slot)] = {
                        props[static_cast<std::size_t>((n + 7 * slot + 3) % 100)], 2};
                }
                scene->Achievement = world.Achievement;
                scene->AchievementAmount = 1;
                scene->Groups[0] = world.Groups[static_cast<std::size_t>(n % 20)];
                site->Scenes.Add(std::move(scene));
            }
            world.Sites.push_back(region->Sites.Add(std::move(site)));
        }
        ScenarioRegions().Add(std::move(region));
    }
    SetScenarioRegions(ScenarioRegions().First(), ScenarioRegions().First(), nullptr);
    return world;
}

} // namespace valdmoor::bench
