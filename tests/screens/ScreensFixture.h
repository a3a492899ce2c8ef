// The GUI fixture with a world built in code, the profiles, effects and script texts, for the
// game's dialogs, cursor, hints and transitions.
#pragma once

#include "../gui/GuiFixture.h"
#include "effects/EngineEffects.h"
#include "gui/EngineGuiControls.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "world/GameAchievement.h"
#include "world/GameHint.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameScenario.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor::test {

// A form with the game's cursor and hint, built by the test.
class TGameForm : public TBuildForm {
public:
    explicit TGameForm(std::string name) : TBuildForm(std::move(name)) {
        CursorName = "Custom";
        DefaultHintStyle = "Custom";
    }
};

class ScreensFixture : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        SetStorageFolderPath(sfUser, home.Path().string() + "/");
        EffectsStart();
        ScenarioStart();
        PlayersStart();
        home.Write("ScriptCommon.xml",
                   "<script><text id=\"LabelOff\">Off</text><text id=\"LabelOf\">of</text>"
                   "<text id=\"LabelINeed\">I need</text><text id=\"LabelIHave\">I have</text>"
                   "<text id=\"LabelProgress\">Progress</text>"
                   "<text id=\"LabelTheEnd\">The End</text></script>");
        home.Write("ScriptScenario.xml",
                   "<script><text id=\"HintLegendH7\">Find the ferry.</text>"
                   "<text id=\"Medal\">Ferryman</text>"
                   "<text id=\"AchievementLegendH1\">Cross the river.</text></script>");
        LoadScript(ssCommon, true);
        LoadScript(ssScenario, true);
    }
    void TearDown() override {
        CloseAllDialogs();
        GuiStop();
        PlayersStop();
        ScenarioStop();
        SetAchievementEarnedQuery(nullptr);
        EffectsStop();
        GuiFixture::TearDown();
    }

    TProp* Prop(int32_t kind, int32_t count, std::string name = "Prop") {
        auto prop = std::make_unique<TProp>(std::move(name));
        prop->Kind = kind;
        prop->Count = count;
        return ScenarioProps().Add(std::move(prop));
    }
    TAchievement* Achievement(int32_t number, int32_t target, int32_t order = 0) {
        auto achievement = std::make_unique<TAchievement>("A" + std::to_string(number));
        achievement->Number = number;
        achievement->Target = target;
        achievement->Order = order;
        return ScenarioAchievements().Add(std::move(achievement));
    }
    // Opens a registered dialog with no fade, so it is open after one frame.
    TGuiDialog* Open(std::string_view name, std::string_view text = {},
                     std::string_view caption = {}, int32_t option = 0, void* target = nullptr) {
        TGuiDialog* dialog = FindDialog(name);
        if (dialog == nullptr) {
            return nullptr;
        }
        dialog->FadeInTime = 0;
        dialog->FadeOutTime = 0;
        TDialogArguments arguments;
        arguments.Text = text;
        arguments.Caption = caption;
        arguments.Option = option;
        arguments.ResultTarget = target;
        dialog = ShowDialog(name, arguments);
        Frames(1);
        return dialog;
    }
    static TGuiControl* Control(TGuiForm* form, std::string_view name) {
        return form != nullptr ? form->Controls.Find(name) : nullptr;
    }
    // The controls of Form whose texture is Texture.
    static std::vector<TGuiControl*> WithTexture(TGuiForm* form, std::string_view texture) {
        std::vector<TGuiControl*> found;
        for (TGuiControl& control : form->Controls) {
            if (control.TextureName == texture) {
                found.push_back(&control);
            }
        }
        return found;
    }
    void Click(TGuiControl* control) {
        ASSERT_NE(control, nullptr);
        const float x = control->Origin.X + control->Position.X;
        const float y = control->Origin.Y + control->Position.Y;
        Input("1 down " + std::to_string(x) + " " + std::to_string(y) + "\n2 up\n3 move 790 440\n");
        Frames(3);
    }
    static std::vector<TData> Events() {
        std::vector<TData> events;
        if (TCustomPlayerState* state = CurrentGameState()) {
            for (const TEvent& event : state->Events()) {
                events.push_back(event.Data);
            }
        }
        return events;
    }
};

} // namespace valdmoor::test
