// A small world built in code for the rule tests: props, regions, sites and scenes added to
// the scenario lists, torn down with the scenario.
#pragma once

#include "app/EngineApplication.h"
#include "world/GameAchievement.h"
#include "world/GameHint.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor::test {

class WorldTest : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        ScenarioStart();
    }
    void TearDown() override {
        ScenarioStop();
        SetAchievementEarnedQuery(nullptr);
        ApplicationStop();
    }

    TProp* Prop(int32_t kind, int32_t initialCount = 0, std::string name = "Prop") {
        auto prop = std::make_unique<TProp>(std::move(name));
        prop->Kind = kind;
        prop->InitialCount = initialCount;
        prop->Count = initialCount;
        return ScenarioProps().Add(std::move(prop));
    }
    TRegion* Region(int32_t number, std::string name = "Region") {
        auto region = std::make_unique<TRegion>(std::move(name));
        region->Number = number;
        return ScenarioRegions().Add(std::move(region));
    }
    TSite* Site(TRegion* region, int32_t number, std::string name = "Site") {
        auto site = std::make_unique<TSite>(std::move(name));
        site->Region = region;
        site->Number = number;
        return region->Sites.Add(std::move(site));
    }
    TScene* Scene(TSite* site, int32_t number, int32_t type = 2, bool repeatable = false) {
        auto scene = std::make_unique<TScene>();
        scene->Site = site;
        scene->Number = number;
        scene->SceneType = type;
        scene->Repeatable = repeatable ? 1 : 0;
        return site->Scenes.Add(std::move(scene));
    }
    TGroup* Group(std::string name = "Group") {
        return PoolGroups().Add(std::make_unique<TGroup>(std::move(name)));
    }
    TAchievement* Achievement(int32_t number, int32_t target) {
        auto achievement = std::make_unique<TAchievement>("A" + std::to_string(number));
        achievement->Number = number;
        achievement->Target = target;
        return ScenarioAchievements().Add(std::move(achievement));
    }
    THint* Hint(int32_t number) {
        auto hint = std::make_unique<THint>("H" + std::to_string(number));
        hint->Number = number;
        return ScenarioHints().Add(std::move(hint));
    }

    static int32_t LogCount(const std::string& text) {
        const std::vector<std::string> lines = LogLines();
        return static_cast<int32_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
            return l.find(text) != std::string::npos;
        }));
    }
};

} // namespace valdmoor::test
