#include "ScenarioScript.h"

#include "screens/GameGuiControlSite.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <cmath>
#include <set>

namespace valdmoor::scenario {
namespace {

// From the last action's click to the middle of the ending's cover, which fades in over two
// seconds, holds its text and fades out: the dialog's own fade comes first.
constexpr int32_t EndingCaptureFrames = 150;

// The kinds of scene dialog, each captured the first time one rests; none for a scene that
// shows no dialog.
std::string SceneCaptureName(int32_t sceneType) {
    TScene scene;
    scene.SceneType = sceneType;
    if (sceneType < 0 || !scene.Type().Dialog) {
        return {};
    }
    if (sceneType == 2 || sceneType == 3) {
        return "SceneText";
    }
    if (sceneType >= 4 && sceneType <= 6) {
        return "SceneIllustration";
    }
    if (scene.IsHiddenRequirements()) {
        return "SceneHiddenRequirements";
    }
    if (scene.IsRequirements()) {
        return "SceneRequirements";
    }
    if (scene.IsLoss()) {
        return "SceneLoss";
    }
    if (scene.IsReward()) {
        return "SceneReward";
    }
    if (scene.IsBarter()) {
        return "SceneBarter";
    }
    return scene.IsMake() ? "SceneMake" : std::string();
}

// Region names as they may stand in a capture's file name.
std::string FileNamePart(const std::string& name) {
    std::string part;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
        part += plain ? c : '_';
    }
    return part;
}

class TScriptWriter {
public:
    void Comment(const std::string& text) { text_ += "# " + text + "\n"; }
    void Wait(const std::string& names) { text_ += "+1 wait idle " + names + "\n"; }
    void Click(const std::string& name) { text_ += "+1 click " + name + "\n"; }
    void ClickAt(TVector2 point) {
        text_ += "+1 click " + Number(point.X) + " " + Number(point.Y) + "\n";
    }
    void If(const std::string& form, const std::string& what) {
        text_ += "+1 if " + form + " " + what + "\n";
    }
    // The frame drawn right after the step before (or Frames later), once per name.
    void Capture(const std::string& name, int32_t frames = 0) {
        if (name.empty() || !captured_.insert(name).second) {
            return;
        }
        text_ += "+" + std::to_string(frames) + " capture " + name + "\n";
    }
    // The achievement dialogs shown on the way, then what the step comes to rest on; a scene
    // dialog that goes by itself never rests, so Next (the step that answers it) waits instead.
    void Settle(const TPlayStep& step, const TPlayStep* next) {
        for (int32_t i = 0; i < step.Achievements; ++i) {
            Wait("Achievement");
            Capture("DialogAchievement");
            Click("OK");
        }
        switch (step.Rest) {
            case TPlayStep::rScene:
                if (next == nullptr || !next->ClosesByItself) {
                    Wait("Scene");
                    Capture(SceneCaptureName(step.RestSceneType));
                }
                break;
            case TPlayStep::rEnding:
                // Half-way through the ending's cover, its text on screen.
                Capture("Ending", EndingCaptureFrames);
                Wait("Menu");
                Capture("EndingMenu");
                break;
            default:
                Wait("Play");
                if (const TRegion* region = FindRegionByNumber(step.RestRegion)) {
                    Capture("Region" + FileNamePart(region->Name()));
                }
                break;
        }
    }
    const std::string& Text() const { return text_; }

private:
    static std::string Number(float value) {
        const float rounded = std::round(value);
        if (rounded == value) {
            return std::to_string(static_cast<long long>(rounded));
        }
        std::string text = std::to_string(value);
        while (!text.empty() && text.back() == '0') {
            text.pop_back();
        }
        return text;
    }
    std::string text_;
    std::set<std::string> captured_;
};

void Exchange(TScriptWriter& out, const TPlayStep& step) {
    const TChoices& choices = step.Action.Choices;
    for (std::size_t slot = 0; slot < choices.size(); ++slot) {
        // A make has one perform button for its one counter; a barter one per slot.
        const std::string button =
            step.Barter ? "ChangePerf" + std::to_string(slot + 1) : std::string("ChangePerf");
        for (uint16_t i = 0; i < choices[slot]; ++i) {
            out.Click(button);
            out.Wait("Scene");
        }
    }
}

} // namespace

std::string PlayInputScript(const TProveReport& report) {
    TScriptWriter out;
    out.Comment("Valdmoor input script: the winning path of the world, played through the "
                "screens.");
    out.Comment("Written by valdmoor-scenario prove for a first start on a fresh per-user "
                "folder.");
    out.Wait("Languages Menu");
    out.If("Languages", "capture Languages");
    out.If("Languages", "click OK");
    out.Wait("Menu");
    out.Capture("Menu");
    out.Click("NewGame");
    const std::vector<TPlayStep>& steps = report.WinningSteps;
    out.Settle(report.StartStep, steps.empty() ? nullptr : &steps.front());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const TPlayStep& step = steps[i];
        const TPlayAction& action = step.Action;
        out.Comment(DescribePlayAction(action));
        switch (action.Kind) {
            case paSite:
                if (const TSite* site = FindSite(action.Region, action.Site)) {
                    out.ClickAt(SiteControlPoint(*site));
                }
                break;
            case paTravel:
                out.Click("Map");
                break;
            case paHint:
            case paInventory: {
                const std::string dialog = action.Kind == paHint ? "Hint" : "Inventory";
                out.Click(dialog);
                out.Wait(dialog);
                out.Capture("Dialog" + dialog);
                out.Click("Close");
                break;
            }
            case paAccept:
                // A dialog that goes by itself is waited out.
                if (!step.ClosesByItself) {
                    Exchange(out, step);
                    out.Click("Accept");
                }
                break;
            case paCancel:
                out.Click("Cancel");
                break;
            default:
                break;
        }
        out.Settle(step, i + 1 < steps.size() ? &steps[i + 1] : nullptr);
    }
    out.Comment("The ending is over: back on the menu, quit.");
    out.Click("Quit");
    out.Wait("QueryCustom");
    out.Click("Yes");
    return out.Text();
}

} // namespace valdmoor::scenario
