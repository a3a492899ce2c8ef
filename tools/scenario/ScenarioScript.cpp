#include "ScenarioScript.h"

#include "screens/GameGuiControlSite.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameSite.h"

#include <cmath>

namespace valdmoor::scenario {
namespace {

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
    // The achievement dialogs shown on the way, then what the step comes to rest on; a scene
    // dialog that goes by itself never rests, so Next (the step that answers it) waits instead.
    void Settle(const TPlayStep& step, const TPlayStep* next) {
        for (int32_t i = 0; i < step.Achievements; ++i) {
            Wait("Achievement");
            Click("OK");
        }
        switch (step.Rest) {
            case TPlayStep::rScene:
                if (next == nullptr || !next->ClosesByItself) {
                    Wait("Scene");
                }
                break;
            case TPlayStep::rEnding:
                Wait("Menu");
                break;
            default:
                Wait("Play");
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
    out.If("Languages", "click OK");
    out.Wait("Menu");
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
