#include "screens/GameGuiFormProfiles.h"

#include "gui/EngineGuiControls.h"
#include "gui/EngineGuiDialogs.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "screens/GameGuiControls.h"
#include "screens/GameGuiFormParts.h"
#include "storage/EngineScript.h"

#include <cstdlib>

namespace valdmoor {

namespace {

TGuiDialog* OpenMessage(std::string_view textKey, TGuiCallback closed = nullptr,
                        void* data = nullptr) {
    const std::string text = ScriptText(textKey);
    TDialogArguments arguments;
    arguments.Text = text;
    arguments.Callback = closed;
    arguments.CallbackData = data;
    return ShowDialog("MessageCustom", arguments);
}

} // namespace

void TGuiFormProfiles::Show(int32_t) {
    CreateFormBackdrop(this, true);
    CreateFormLabel(this, 0, -370, 1200, 60, "LabelProfiles");
    Layout = {0, -300, 1100, 80};
    CreateControl<TGuiControlLabel>(this, 0, {{22, "TextProfiles"}, {9, 1}, {20, 18}, {3, false}});
    CreateFormLabel(this, 0, -230, 800, 40, "LabelChooseProfile");
    for (int32_t i = 1; i <= MaxProfiles; ++i) {
        Layout = {0, -230 + 60.0f * static_cast<float>(i), 400, FormButtonHeight};
        CreateControl<TGuiControlButtonCustom>(
            this, 0, {{0, std::to_string(i)}, {1, "Players"}, {5, true}, {9, 1}});
    }
    constexpr float RowY = 300;
    CreateFormButton(this, -320, RowY, FormButtonWidth, "New", "ButtonNew");
    CreateFormButton(this, 0, RowY, FormButtonWidth, "Delete", "ButtonDelete");
    TGuiControl* ok = CreateFormButton(this, 320, RowY, FormButtonWidth, "OK", "ButtonOK");
    Shortcuts[0] = ok;
    Shortcuts[1] = ok;
    CreateFormArrow(this);
    ProfileAtShow = CurrentPlayer();
    AskName = ProfileAtShow != nullptr && ProfileAtShow->Name().empty();
    ShowExists = false;
    AskNameAgain = false;
    RefreshList();
    if (PlayerCount() < 2) {
        SetFocus(this, "New", 0);
    }
}

void TGuiFormProfiles::RefreshList() {
    for (int32_t i = 1; i <= MaxProfiles; ++i) {
        TGuiControl* button = FindControl(this, std::to_string(i));
        TPlayer* player = PlayerAt(i);
        SetControlVisible(button, player != nullptr);
        SetControlText(button, player != nullptr ? player->Name() : std::string());
    }
    CheckByGroup(this, std::to_string(PlayerIndex(CurrentPlayer())), "Players");
}

void TGuiFormProfiles::AskNewName(std::string_view initialText, int32_t option) {
    const std::string prompt = ScriptText("InputName");
    TDialogArguments arguments;
    arguments.Text = prompt;
    arguments.Caption = initialText;
    arguments.TextCallback = NameForNewProfile;
    arguments.UserData2 = this;
    arguments.Option = option;
    ShowDialog("InputLineCustom", arguments);
}

void TGuiFormProfiles::Activate() {
    if (AskName) {
        AskName = false;
        const std::string prompt = ScriptText("InputName");
        const std::string initial = ScriptText("DefaultProfileName");
        TDialogArguments arguments;
        arguments.Text = prompt;
        arguments.Caption = initial;
        arguments.TextCallback = NameForFirstProfile;
        arguments.UserData2 = this;
        arguments.Option = 14;
        ShowDialog("InputLineCustom", arguments);
    } else if (ShowExists) {
        ShowExists = false;
        OpenMessage("MsgProfileAlreadyExists", ExistsMessageClosed, this);
    } else if (AskNameAgain) {
        AskNameAgain = false;
        AskNewName("", 8);
    }
}

void TGuiFormProfiles::NameForFirstProfile(void* data, const std::string& text) {
    auto* form = static_cast<TGuiFormProfiles*>(data);
    const std::string name = TrimEntry(text);
    TPlayer* player = CurrentPlayer();
    // A blank name would leave the profile unnamed; it is asked for again next time.
    if (player == nullptr || name.empty()) {
        return;
    }
    player->SetName(name);
    form->RefreshList();
    SetFocus(form, "OK", 0);
}

void TGuiFormProfiles::NameForNewProfile(void* data, const std::string& text) {
    auto* form = static_cast<TGuiFormProfiles*>(data);
    const std::string name = TrimEntry(text);
    if (name.empty()) {
        return;
    }
    if (PlayerNameTaken(name)) {
        form->ShowExists = true;
        return;
    }
    SelectOrCreatePlayer(name);
    form->RefreshList();
    SetFocus(form, "OK", 0);
}

void TGuiFormProfiles::ExistsMessageClosed(void* data) {
    static_cast<TGuiFormProfiles*>(data)->AskNameAgain = true;
}

void TGuiFormProfiles::DeleteConfirmed(void* data) {
    auto* form = static_cast<TGuiFormProfiles*>(data);
    if (form->ProfileAtShow == CurrentPlayer()) {
        form->ProfileAtShow = nullptr;
    }
    DeleteCurrentPlayer();
    form->RefreshList();
    SetFocus(form, "", 0);
}

void TGuiFormProfiles::RestartChosenProfile(void*) {
    if (TCustomPlayerState* state = CurrentGameState()) {
        state->Restart();
    }
}

void TGuiFormProfiles::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    const std::string& name = Sender->Name();
    if (name.size() == 1) {
        int32_t index = std::atoi(name.c_str());
        SelectPlayer(index < 1 ? 1 : index);
        RefreshList();
        SetFocus(this, "OK", 0);
    } else if (name == "New") {
        if (PlayerCount() < MaxProfiles) {
            AskNewName("", 8);
        } else {
            OpenMessage("MsgTooManyProfiles");
        }
    } else if (name == "Delete") {
        if (PlayerCount() <= 1) {
            OpenMessage("MsgCantDeleteProfile");
        } else {
            const std::string text = ScriptText("QueryDeleteProfile");
            TDialogArguments arguments;
            arguments.Text = text;
            arguments.Callback = DeleteConfirmed;
            arguments.CallbackData = this;
            ShowDialog("QueryCustom", arguments);
        }
    } else if (name == "OK") {
        const bool changed = CurrentPlayer() != ProfileAtShow;
        SwitchForm("Menu", "Fade", changed ? RestartChosenProfile : nullptr, nullptr);
    }
}

} // namespace valdmoor
