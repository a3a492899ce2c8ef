// The GUI fixture with a world in memory and the scene dialog registered: scenes are built in
// code, the dialog is opened on them and driven through the input script, and a stand-in for
// the avatar records what the dialog handed over and applies accepted scenes to the props.
#pragma once

#include "../gui/GuiFixture.h"
#include "screens/GameGuiDialogScene.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>
#include <string>
#include <vector>

namespace valdmoor::test {

class TRecordingAvatar : public TSceneHandOver {
public:
    TChoices& Choices() override { return choices; }
    void AcceptScene() override {
        std::string line = "accept";
        for (uint16_t choice : choices) {
            line += " " + std::to_string(choice);
        }
        calls.push_back(line);
        if (scene != nullptr) {
            scene->ApplyAccepted(choices);
        }
    }
    void CancelVisit() override { calls.push_back("cancel"); }

    TChoices choices{};
    TScene* scene = nullptr;
    std::vector<std::string> calls;
};

class SceneFixture : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        ScenarioStart();
        RegisterSceneDialog();
        SetSceneHandOver(&avatar);
        auto region = std::make_unique<TRegion>("Home");
        region->Number = 1;
        home_ = ScenarioRegions().Add(std::move(region));
        auto place = std::make_unique<TSite>("Market");
        place->Region = home_;
        place->Number = 1;
        site = home_->Sites.Add(std::move(place));
        ShowBuiltForm([](TBuildForm*) {});
    }
    void TearDown() override {
        SetSceneHandOver(nullptr);
        CloseAllDialogs();
        Frames(1);
        ScenarioStop();
        GuiFixture::TearDown();
    }

    TProp* Prop(int32_t kind, int32_t count, std::string name) {
        auto prop = std::make_unique<TProp>(std::move(name));
        prop->Kind = kind;
        prop->InitialCount = count;
        prop->Count = count;
        return ScenarioProps().Add(std::move(prop));
    }
    TScene* Scene(int32_t type, std::vector<TPropAmount> inputs = {},
                  std::vector<TPropAmount> outputs = {}) {
        auto scene = std::make_unique<TScene>();
        scene->Site = site;
        scene->Number = ++numbers_;
        scene->SceneType = type;
        std::copy(inputs.begin(), inputs.end(), scene->Inputs.begin());
        std::copy(outputs.begin(), outputs.end(), scene->Outputs.begin());
        return site->Scenes.Add(std::move(scene));
    }

    // Opens the dialog on Scene and lets it fade in.
    TGuiDialog* Open(TScene* scene) {
        avatar.scene = scene;
        TGuiDialog* dialog = OpenSceneDialog(*scene);
        Frames(25);
        return dialog;
    }
    TGuiControl* Control(const std::string& name) {
        TGuiDialog* dialog = DialogInSlot(0);
        return dialog != nullptr ? FindControl(dialog, name) : nullptr;
    }
    // Clicks the centre of a control of the open dialog and lets any exchange finish.
    void Click(const std::string& name) {
        TGuiControl* control = Control(name);
        ASSERT_NE(control, nullptr) << name;
        const float x = control->Origin.X + control->Position.X;
        const float y = control->Origin.Y + control->Position.Y;
        Input("1 down " + std::to_string(x) + " " + std::to_string(y) + "\n2 up\n3 move 0 0\n");
        Frames(20);
    }
    void Key(const std::string& key) {
        Input("1 key " + key + "\n2 release " + key + "\n");
        Frames(2);
    }
    bool Enabled(const std::string& name) {
        TGuiControl* control = Control(name);
        return control != nullptr && control->Enabled;
    }

    TRecordingAvatar avatar;
    TSite* site = nullptr;

private:
    TRegion* home_ = nullptr;
    int32_t numbers_ = 0;
};

} // namespace valdmoor::test
