#include "gui/EngineGui.h"

#include "app/EngineApplication.h"
#include "platform/EngineInput.h"
#include "platform/EngineTimer.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

namespace valdmoor {

namespace {

// The logical keys of the five shortcut slots.
constexpr std::array<int32_t, ShortcutCount> ShortcutKeys = {ikEscape, ikAccept, ikHelp,
                                                             ikInventory, ikMap};

struct TTrace {
    bool on = false;
    std::vector<TGuiEvent> ring;
    std::size_t next = 0;
    std::size_t count = 0;
};

TTrace trace;

struct TGuiState {
    TContainerOf<TGuiCursor> cursors{true, true};
    TContainerOf<TGuiHint> hints{true, true};
    TContainerOf<TGuiDialog> dialogs{true, true};
    TContainerOf<TGuiTransition> transitions{true, true};
    TContainerOf<TGuiForm> forms{true, true};

    TGuiForm* currentForm = nullptr;
    TGuiForm* nextForm = nullptr;
    TGuiTransition* currentTransition = nullptr;
    std::array<TGuiDialog*, DialogSlotCount> dialogSlots{};
    TGuiForm* inputTarget = nullptr;
    TGuiControl* hoveredControl = nullptr;
    TGuiHint* pendingHint = nullptr;
    float hintTimer = 0;
    float holdTimer = 0;
    TGuiHint* currentHint = nullptr;
    TGuiControl* hintControl = nullptr; // the control the current hint is shown for
    TGuiCursor* currentCursor = nullptr;
    std::string cursorName; // what was last asked for, known or not

    TSquare* fpsBox = nullptr;
    TText* fpsText = nullptr;
    int32_t fpsFrames = 0;
    double fpsTime = 0; // a float sum of sixty 1/60 s steps stays short of one second

    // Names already reported as unknown, so a name asked for every frame is logged once.
    std::set<std::string, std::less<>> reported;
};

std::unique_ptr<TGuiState> gui;

void Record(TGuiEventKind kind, std::string_view name, int32_t value = 0) {
    if (!trace.on || trace.ring.empty()) {
        return;
    }
    TGuiEvent& event = trace.ring[trace.next];
    event.Frame = FrameCounter();
    event.Kind = kind;
    event.Value = value;
    const std::size_t length = std::min(name.size(), event.Name.size() - 1);
    std::copy_n(name.data(), length, event.Name.data());
    event.Name[length] = '\0';
    trace.next = (trace.next + 1) % trace.ring.size();
    trace.count = std::min(trace.count + 1, trace.ring.size());
}

void ReportUnknown(std::string_view kind, std::string_view name) {
    if (gui == nullptr) {
        return;
    }
    std::string key;
    key.reserve(kind.size() + 1 + name.size());
    key.append(kind).append(" ").append(name);
    Record(geUnknownName, name);
    if (gui->reported.contains(key)) {
        return;
    }
    LogMessage("Unknown " + std::string(kind) + " \"" + std::string(name) + "\"");
    gui->reported.insert(std::move(key));
}

template <class T>
T* FindNamed(TContainerOf<T>& list, std::string_view kind, std::string_view name) {
    if (name.empty()) {
        return nullptr;
    }
    T* found = list.Find(name);
    if (found == nullptr) {
        ReportUnknown(kind, name);
    }
    return found;
}

float Clamp(float value, float low, float high) {
    return std::max(low, std::min(value, high));
}

void StartHintFadeOut() {
    if (gui->currentHint != nullptr && gui->currentHint->HintState != hsGone &&
        gui->currentHint->HintState != hsFadingOut) {
        gui->currentHint->HintState = hsFadingOut;
        Record(geHintFading, gui->currentHint->Name());
    }
}

// The hovered control stops being hovered.
void LeaveHovered() {
    TGuiControl* control = gui->hoveredControl;
    if (control == nullptr) {
        return;
    }
    gui->hoveredControl = nullptr;
    gui->pendingHint = nullptr;
    control->Hovered = false;
    control->Pressed = false;
    control->Dirty = true;
    Record(geLeave, control->Name());
    StartHintFadeOut();
    control->MouseLeave();
}

void EnterControl(TGuiControl* control) {
    gui->hoveredControl = control;
    gui->pendingHint = nullptr;
    if (!control->HintText.empty()) {
        const std::string& style = control->HintStyle.empty() && control->Form != nullptr
                                       ? control->Form->DefaultHintStyle
                                       : control->HintStyle;
        gui->pendingHint = FindNamed(gui->hints, "hint", style);
    }
    gui->hintTimer = 0;
    control->Hovered = true;
    control->Dirty = true;
    Record(geEnter, control->Name());
    control->MouseEnter();
}

void SetInputTarget(TGuiForm* target) {
    if (target == gui->inputTarget) {
        return;
    }
    TGuiForm* previous = gui->inputTarget;
    if (previous != nullptr) {
        LeaveHovered();
        gui->inputTarget = nullptr;
        previous->HasInput = false;
        Record(geDeactivate, previous->Name());
        previous->Deactivate();
    }
    gui->inputTarget = target;
    if (target != nullptr) {
        target->HasInput = true;
        Record(geActivate, target->Name());
        target->Activate();
    }
}

TGuiControl* HitTestForm(TGuiForm* form, float x, float y) {
    TGuiControl* found = nullptr;
    for (TGuiControl& control : form->Controls) {
        if (!control.Enabled || !control.Visible) {
            continue;
        }
        if ((found == nullptr || control.Layer >= found->Layer) &&
            control.HitTest(x - control.Origin.X, y - control.Origin.Y)) {
            found = &control;
        }
    }
    return found;
}

void FreeControls(TGuiForm* form) {
    while (TGuiControl* control = form->Controls.Last()) {
        control->Finalize();
        form->Controls.Remove(control, true);
    }
}

void DropHint() {
    if (gui->currentHint != nullptr) {
        TGuiHint* hint = gui->currentHint;
        gui->currentHint = nullptr;
        gui->hintControl = nullptr;
        hint->HintState = hsGone;
        hint->Render(false);
        Record(geHintGone, hint->Name());
    }
}

void EndTransition() {
    TGuiTransition* transition = gui->currentTransition;
    if (transition == nullptr) {
        return;
    }
    gui->currentTransition = nullptr;
    gui->nextForm = nullptr;
    transition->Stop();
    Record(geTransitionEnded, transition->Name());
}

void UpdateForm(TGuiForm* form) {
    form->Update();
    for (TGuiControl& control : form->Controls) {
        control.Update();
    }
}

void RefreshForm(TGuiForm* form) {
    form->Refresh(0);
    for (TGuiControl& control : form->Controls) {
        if (control.Dirty) {
            control.Refresh(control.Visible);
            control.Dirty = false;
        }
    }
}

void FadeDialogs(float dt) {
    for (TGuiDialog*& slot : gui->dialogSlots) {
        TGuiDialog* dialog = slot;
        if (dialog == nullptr) {
            continue;
        }
        if (dialog->DialogState == dsFadingIn) {
            dialog->Fade += dialog->CurrentFadeInTime > 0 ? dt / dialog->CurrentFadeInTime : 1.1f;
            if (dialog->Fade >= 1) {
                dialog->DialogState = dsOpen;
                dialog->Fade = 1;
                dialog->Accepting = true;
                Record(geDialogOpen, dialog->Name());
            }
        } else if (dialog->DialogState == dsFadingOut) {
            dialog->Fade = dialog->CurrentFadeOutTime > 0
                               ? dialog->Fade - dt / dialog->CurrentFadeOutTime
                               : -0.1f;
            if (dialog->Fade <= 0) {
                dialog->DialogState = dsClosed;
                dialog->Fade = 0;
                HideForm(dialog);
                Record(geDialogClosed, dialog->Name());
            }
        }
        if (!dialog->Shown) {
            slot = nullptr;
        }
    }
}

TGuiForm* FindInputTarget(const std::string*& cursorName) {
    TGuiForm* target = nullptr;
    bool accepting = false;
    for (int32_t i = DialogSlotCount - 1; i >= 0; --i) {
        if (gui->dialogSlots[i] != nullptr) {
            target = gui->dialogSlots[i];
            accepting = gui->dialogSlots[i]->Accepting;
            break;
        }
    }
    if (target == nullptr && gui->currentForm != nullptr) {
        target = gui->currentForm;
        accepting = gui->currentTransition == nullptr;
    }
    cursorName = target != nullptr ? &target->CursorName : nullptr;
    return accepting ? target : nullptr;
}

void Clicked(TGuiForm* form, TGuiControl* control) {
    Record(geClick, control->Name());
    control->Click();
    if (gui != nullptr && control->Form == form) {
        form->Sender = control;
        form->ControlClicked();
    }
}

void ButtonOnHovered(float dt) {
    TGuiControl* control = gui->hoveredControl;
    TGuiForm* form = gui->inputTarget;
    if (control == nullptr || form == nullptr) {
        return;
    }
    TVector2 pos;
    PointerPosition(pos.X, pos.Y);
    pos.X -= control->Origin.X + control->Position.X;
    pos.Y -= control->Origin.Y + control->Position.Y;
    // Handlers may hide the form or free the control; each step checks it is still there.
    const auto stillThere = [&] {
        return gui != nullptr && gui->hoveredControl == control && gui->inputTarget == form;
    };
    const bool down = KeyDown(ikPointer);
    if (down && !KeyWasDown(ikPointer)) {
        gui->holdTimer = HoldTime;
        control->Pressed = true;
        control->Dirty = true;
        Record(gePress, control->Name());
        control->MousePress(pos);
        if (stillThere()) {
            form->Sender = control;
            form->ControlPressed(pos);
        }
    } else if (down && control->Pressed) {
        if (gui->holdTimer >= 0) {
            gui->holdTimer -= dt;
        }
        Record(geHold, control->Name());
        control->MouseHold(pos);
        if (stillThere()) {
            form->Sender = control;
            form->ControlHeld(pos);
        }
    } else if (!down && control->Pressed) {
        control->Pressed = false;
        control->Dirty = true;
        if (KeyWasDown(ikPointer)) {
            Record(geRelease, control->Name());
            control->MouseRelease(pos);
            if (stillThere()) {
                form->Sender = control;
                form->ControlReleased(pos);
            }
        }
        if (!stillThere() || gui->holdTimer < 0) {
            return;
        }
        if (control->Checkable) {
            if (control->Checked) {
                return;
            }
            SetChecked(control, true);
        }
        Clicked(form, control);
    }
}

void FireShortcuts() {
    TGuiForm* form = gui->inputTarget;
    if (form == nullptr) {
        return;
    }
    for (int32_t i = 0; i < ShortcutCount; ++i) {
        TGuiControl* control = form->Shortcuts[i];
        if (control == nullptr || !KeyPressed(ShortcutKeys[i]) || !control->Visible ||
            !control->Enabled) {
            continue;
        }
        if (control->Checkable && control->Checked) {
            return;
        }
        Record(geShortcut, control->Name(), i);
        if (control->Checkable) {
            SetChecked(control, true);
        }
        Clicked(form, control);
        return;
    }
}

void FadeCurrentHint(float dt) {
    TGuiHint* hint = gui->currentHint;
    if (hint == nullptr) {
        return;
    }
    if (hint->HintState == hsFadingIn) {
        hint->Fade = hint->FadeIn > 0 ? hint->Fade + dt / hint->FadeIn : 1;
        if (hint->Fade >= 1) {
            hint->Fade = 1;
            hint->HintState = hsShown;
        }
    } else if (hint->HintState == hsFadingOut) {
        hint->Fade = hint->FadeOut > 0 ? hint->Fade - dt / hint->FadeOut : 0;
        if (hint->Fade <= 0) {
            hint->Fade = 0;
            hint->HintState = hsGone;
        }
    }
    if (hint->HintState == hsGone) {
        DropHint();
    }
}

// The hint's box is placed anew from the control's current fields.
void AimHint(TGuiHint* hint, const TGuiControl* control) {
    hint->HintText = control->HintText;
    hint->Anchor = {control->Origin.X + control->Position.X,
                    control->Origin.Y + control->Position.Y};
    hint->Reach = {control->Size.X * 0.5f, control->Size.Y * 0.5f};
    hint->PreferSideways = control->Flag60;
    hint->PointerShift = {};
}

void ShowPendingHint(float dt) {
    TGuiControl* control = gui->hoveredControl;
    TGuiHint* hint = gui->pendingHint;
    if (control == nullptr || hint == nullptr) {
        return;
    }
    gui->hintTimer += dt;
    if (gui->hintTimer < hint->Delay) {
        return;
    }
    if (gui->currentHint != nullptr) {
        // The previous balloon goes at once; the same hint object starts over.
        TGuiHint* previous = gui->currentHint;
        gui->currentHint = nullptr;
        previous->Render(false);
    }
    AimHint(hint, control);
    hint->HintState = hsFadingIn;
    hint->Fade = 0;
    gui->currentHint = hint;
    gui->hintControl = control;
    gui->pendingHint = nullptr;
    Record(geHintShown, control->Name());
}

void AdvanceTransition() {
    TGuiTransition* transition = gui->currentTransition;
    if (transition == nullptr) {
        return;
    }
    bool done = false;
    switch (transition->Phase) {
        case 0:
            done = transition->CoverStep1();
            break;
        case 1:
            done = transition->CoverStep2();
            break;
        case 2:
            done = transition->CoverStep3();
            break;
        case 3:
            done = true;
            break;
        case 4:
            done = transition->UncoverStep1();
            break;
        case 5:
            done = transition->UncoverStep2();
            break;
        case 6:
            done = transition->UncoverStep3();
            break;
        default:
            done = true;
            break;
    }
    if (gui == nullptr || gui->currentTransition != transition || !done) {
        return;
    }
    transition->Phase = std::min(transition->Phase + 1, 7);
    Record(geTransitionPhase, transition->Name(), transition->Phase);
    if (transition->Phase == 7) {
        gui->currentTransition = nullptr;
        transition->Stop();
        Record(geTransitionEnded, transition->Name());
    } else if (transition->Phase == 3) {
        TGuiForm* next = gui->nextForm;
        gui->nextForm = nullptr;
        if (gui->currentForm != nullptr) {
            TGuiForm* current = gui->currentForm;
            gui->currentForm = nullptr;
            HideForm(current);
        }
        if (transition->Callback != nullptr) {
            transition->Callback(transition->CallbackData);
        }
        // A callback that switched forms itself has the last word.
        if (gui == nullptr || gui->currentTransition != transition) {
            return;
        }
        gui->currentForm = next;
        Record(geFormSwapped, next != nullptr ? next->Name() : std::string_view());
        if (next != nullptr) {
            ShowForm(next, 0);
        }
    }
}

void UpdateFps(float dt) {
    if (gui->fpsText == nullptr) {
        return;
    }
    ++gui->fpsFrames;
    gui->fpsTime += dt;
    if (gui->fpsTime >= 1) {
        char text[24];
        const int length = std::snprintf(text, sizeof text, "%d FPS", gui->fpsFrames);
        SetText(gui->fpsText, std::string_view(text, static_cast<std::size_t>(length)));
        gui->fpsTime = std::fmod(gui->fpsTime, 1.0);
        gui->fpsFrames = 0;
    }
}

void ForgetControlInForm(TGuiForm* form, const TGuiControl* control) {
    if (form->Sender == control) {
        form->Sender = nullptr;
    }
    if (form->Focus == control) {
        form->Focus = nullptr;
    }
    for (TGuiControl*& shortcut : form->Shortcuts) {
        if (shortcut == control) {
            shortcut = nullptr;
        }
    }
}

std::string NumberText(double value) {
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%g", value);
    return std::string(text, static_cast<std::size_t>(std::max(length, 0)));
}

void RenewHint(TGuiControl* control) {
    if (gui == nullptr || gui->currentHint == nullptr || gui->hintControl != control) {
        return;
    }
    if (control->HintText.empty()) {
        StartHintFadeOut();
        return;
    }
    // Render(false) lets the next visible render place the box again.
    gui->currentHint->Render(false);
    AimHint(gui->currentHint, control);
}

} // namespace

// ---- values ----

std::string TGuiValue::AsText() const {
    switch (kind_) {
        case kText:
            return std::string(text_);
        case kFloat:
            return NumberText(real_);
        case kBool:
        case kInteger:
            return std::to_string(integer_);
    }
    return {};
}

int64_t TGuiValue::AsInteger() const {
    switch (kind_) {
        case kBool:
        case kInteger:
            return integer_;
        case kFloat:
            return std::isfinite(real_) && std::fabs(real_) < 9.2e18 ? std::llround(real_) : 0;
        case kText: {
            int64_t value = 0;
            const char* begin = text_.data();
            const char* end = begin + text_.size();
            if (begin != end && *begin == '+') {
                ++begin;
            }
            if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
                std::from_chars(begin + 2, end, value, 16);
            } else {
                std::from_chars(begin, end, value);
            }
            return value;
        }
    }
    return 0;
}

double TGuiValue::AsFloat() const {
    switch (kind_) {
        case kBool:
        case kInteger:
            return static_cast<double>(integer_);
        case kFloat:
            return real_;
        case kText: {
            double value = 0;
            std::from_chars(text_.data(), text_.data() + text_.size(), value);
            return value;
        }
    }
    return 0;
}

bool TGuiValue::AsBoolean() const {
    switch (kind_) {
        case kBool:
        case kInteger:
            return integer_ != 0;
        case kFloat:
            return real_ != 0;
        case kText: {
            std::string lower;
            for (char c : text_) {
                lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            }
            return !lower.empty() && lower != "0" && lower != "false" && lower != "no";
        }
    }
    return false;
}

// ---- classes ----

TGuiControl::~TGuiControl() {
    if (Form != nullptr) {
        ForgetControlInForm(Form, this);
    }
    if (gui == nullptr) {
        return;
    }
    if (gui->hoveredControl == this) {
        gui->hoveredControl = nullptr;
        gui->pendingHint = nullptr;
        StartHintFadeOut();
    }
    if (gui->hintControl == this) {
        gui->hintControl = nullptr;
        StartHintFadeOut();
    }
}

bool TGuiControl::HitTest(float x, float y) {
    return std::fabs(x - Position.X) <= Size.X * 0.5f && std::fabs(y - Position.Y) <= Size.Y * 0.5f;
}

TGuiForm::TGuiForm(std::string name, std::string cursorName, std::string defaultHintStyle)
    : TNamedItem(std::move(name)), CursorName(std::move(cursorName)),
      DefaultHintStyle(std::move(defaultHintStyle)), Layout{0, 0, 1600, 900} {
    SavedLayouts.fill(Layout);
}

TGuiForm::~TGuiForm() {
    Controls.Clear();
    if (gui == nullptr) {
        return;
    }
    if (gui->currentForm == this) {
        gui->currentForm = nullptr;
    }
    if (gui->nextForm == this) {
        gui->nextForm = nullptr;
    }
    if (gui->inputTarget == this) {
        gui->inputTarget = nullptr;
    }
    for (TGuiDialog*& slot : gui->dialogSlots) {
        if (slot == this) {
            slot = nullptr;
        }
    }
}

TGuiDialog::TGuiDialog(std::string name, float fadeInTime, float fadeOutTime,
                       std::string cursorName, std::string defaultHintStyle)
    : TGuiForm(std::move(name), std::move(cursorName), std::move(defaultHintStyle)),
      FadeInTime(fadeInTime), FadeOutTime(fadeOutTime) {}

TGuiHint::TGuiHint(std::string name, float delay, float fadeIn, float fadeOut)
    : TNamedItem(std::move(name)), Delay(delay), FadeIn(fadeIn), FadeOut(fadeOut) {}

// ---- start and stop ----

void GuiStart() {
    GuiStop();
    gui = std::make_unique<TGuiState>();
    if (SwitchShowFps()) {
        TCanvas* canvas = MainCanvas();
        CreateSquare(gui->fpsBox, canvas, FpsBoxLayer, true, "G2Square06Filled", 6);
        SetSquareSize(gui->fpsBox, 90, 30);
        SetSquarePosition(gui->fpsBox, 715, -435);
        SetSquareColor(gui->fpsBox, 0, 0, 0);
        SetSquareAlpha(gui->fpsBox, 0.8f);
        CreateText(gui->fpsText, canvas, FpsTextLayer, tfAlignRight, 0, 80, 25);
        SetTextPosition(gui->fpsText, 715, -435);
    }
}

void GuiStop() {
    if (gui == nullptr) {
        return;
    }
    ReleaseText(gui->fpsText);
    ReleaseSquare(gui->fpsBox);
    EndTransition();
    if (gui->currentForm != nullptr) {
        TGuiForm* form = gui->currentForm;
        gui->currentForm = nullptr;
        HideForm(form);
    }
    CloseAllDialogs();
    SetInputTarget(nullptr);
    DropHint();
    if (gui->currentCursor != nullptr) {
        TGuiCursor* cursor = gui->currentCursor;
        gui->currentCursor = nullptr;
        cursor->Render(false);
    }
    // Forms shown by other means still give their drawing back before they go.
    for (TGuiForm& form : gui->forms) {
        if (form.Shown) {
            HideForm(&form);
        }
    }
    for (TGuiDialog& dialog : gui->dialogs) {
        if (dialog.Shown) {
            HideForm(&dialog);
        }
    }
    const auto freeForms = [](auto& list) {
        while (auto* form = list.Last()) {
            form->Finalize();
            FreeControls(form);
            list.Remove(form, true);
        }
    };
    freeForms(gui->forms);
    gui->transitions.Clear();
    freeForms(gui->dialogs);
    gui->hints.Clear();
    gui->cursors.Clear();
    gui.reset();
}

bool GuiStarted() {
    return gui != nullptr;
}

// ---- registration and look-ups ----

namespace {

template <class T>
T* Register(TContainerOf<T>& list, std::unique_ptr<T> item) {
    if (item == nullptr) {
        return nullptr;
    }
    return list.Add(std::move(item), true);
}

} // namespace

TGuiCursor* RegisterCursor(std::unique_ptr<TGuiCursor> cursor) {
    return gui != nullptr ? Register(gui->cursors, std::move(cursor)) : nullptr;
}

TGuiHint* RegisterHint(std::unique_ptr<TGuiHint> hint) {
    return gui != nullptr ? Register(gui->hints, std::move(hint)) : nullptr;
}

TGuiDialog* RegisterDialog(std::unique_ptr<TGuiDialog> dialog) {
    if (gui == nullptr || dialog == nullptr) {
        return nullptr;
    }
    dialog->Initialize();
    return Register(gui->dialogs, std::move(dialog));
}

TGuiTransition* RegisterTransition(std::unique_ptr<TGuiTransition> transition) {
    return gui != nullptr ? Register(gui->transitions, std::move(transition)) : nullptr;
}

TGuiForm* RegisterForm(std::unique_ptr<TGuiForm> form) {
    if (gui == nullptr || form == nullptr) {
        return nullptr;
    }
    form->Initialize();
    return Register(gui->forms, std::move(form));
}

TGuiCursor* FindCursor(std::string_view name) {
    return gui != nullptr ? gui->cursors.Find(name) : nullptr;
}
TGuiHint* FindHint(std::string_view name) {
    return gui != nullptr ? gui->hints.Find(name) : nullptr;
}
TGuiDialog* FindDialog(std::string_view name) {
    return gui != nullptr ? gui->dialogs.Find(name) : nullptr;
}
bool DialogExists(std::string_view name) {
    return gui != nullptr && !name.empty() && gui->dialogs.Find(name) != nullptr;
}

TGuiTransition* FindTransition(std::string_view name) {
    return gui != nullptr ? gui->transitions.Find(name) : nullptr;
}
TGuiForm* FindForm(std::string_view name) {
    return gui != nullptr ? gui->forms.Find(name) : nullptr;
}

TGuiForm* CurrentForm() {
    return gui != nullptr ? gui->currentForm : nullptr;
}
TGuiForm* NextForm() {
    return gui != nullptr ? gui->nextForm : nullptr;
}
TGuiTransition* CurrentTransition() {
    return gui != nullptr ? gui->currentTransition : nullptr;
}
TGuiDialog* DialogInSlot(int32_t slot) {
    return gui != nullptr && slot >= 0 && slot < DialogSlotCount ? gui->dialogSlots[slot] : nullptr;
}
TGuiForm* InputTarget() {
    return gui != nullptr ? gui->inputTarget : nullptr;
}
TGuiControl* HoveredControl() {
    return gui != nullptr ? gui->hoveredControl : nullptr;
}
TGuiHint* PendingHint() {
    return gui != nullptr ? gui->pendingHint : nullptr;
}
TGuiHint* CurrentHint() {
    return gui != nullptr ? gui->currentHint : nullptr;
}
TGuiCursor* CurrentCursor() {
    return gui != nullptr ? gui->currentCursor : nullptr;
}
std::string_view FpsText() {
    return gui != nullptr && gui->fpsText != nullptr ? std::string_view(gui->fpsText->Text)
                                                     : std::string_view();
}

// ---- texts ----

void RefreshFormTexts(TGuiForm* form) {
    if (form == nullptr) {
        return;
    }
    for (TGuiControl& control : form->Controls) {
        if (!control.TextKey.empty()) {
            const std::string text = ScriptText(control.TextKey);
            if (text != control.Text) {
                control.Text = text;
                control.Dirty = true;
            }
        }
        if (!control.HintKey.empty()) {
            const std::string text = ScriptText(control.HintKey);
            if (text != control.HintText) {
                control.HintText = text;
                control.Dirty = true;
                RenewHint(&control);
            }
        }
    }
}

void RefreshAllTexts() {
    if (gui == nullptr) {
        return;
    }
    for (TGuiDialog& dialog : gui->dialogs) {
        RefreshFormTexts(&dialog);
    }
    for (TGuiForm& form : gui->forms) {
        RefreshFormTexts(&form);
    }
}

// ---- forms, transitions, dialogs ----

void SetCurrentForm(std::string_view name) {
    if (gui == nullptr) {
        return;
    }
    TGuiForm* form = FindNamed(gui->forms, "form", name);
    if (form == nullptr) {
        return;
    }
    EndTransition();
    if (gui->currentForm != nullptr) {
        TGuiForm* current = gui->currentForm;
        gui->currentForm = nullptr;
        HideForm(current);
    }
    gui->currentForm = form;
    ShowForm(form, 0);
}

void SwitchForm(std::string_view formName, std::string_view transitionName, TGuiCallback callback,
                void* callbackData) {
    if (gui == nullptr) {
        return;
    }
    TGuiForm* form = FindNamed(gui->forms, "form", formName);
    TGuiTransition* transition = FindNamed(gui->transitions, "transition", transitionName);
    if (form == nullptr || transition == nullptr) {
        return;
    }
    EndTransition();
    transition->BaseLayer = TransitionLayer;
    transition->StartedWithoutForm = gui->currentForm == nullptr;
    transition->Phase = 0;
    transition->Callback = callback;
    transition->CallbackData = callbackData;
    gui->currentTransition = transition;
    gui->nextForm = form;
    Record(geTransitionStarted, transition->Name());
    transition->Start();
}

TGuiDialog* ShowDialog(std::string_view name, const TDialogArguments& arguments) {
    if (gui == nullptr) {
        return nullptr;
    }
    TGuiDialog* dialog = FindNamed(gui->dialogs, "dialog", name);
    if (dialog == nullptr) {
        return nullptr;
    }
    int32_t slot = -1;
    for (int32_t i = 0; i < DialogSlotCount; ++i) {
        if (gui->dialogSlots[i] == dialog) {
            // One dialog in two slots would be updated and refreshed twice a frame.
            slot = i;
            break;
        }
        if (slot < 0 && gui->dialogSlots[i] == nullptr) {
            slot = i;
        }
    }
    if (slot < 0) {
        return nullptr;
    }
    dialog->Text = arguments.Text;
    dialog->Caption = arguments.Caption;
    dialog->ResultTarget = arguments.ResultTarget;
    dialog->Callback = arguments.Callback;
    dialog->CallbackData = arguments.CallbackData;
    dialog->TextCallback = arguments.TextCallback;
    dialog->UserData2 = arguments.UserData2;
    dialog->ItemCallback = arguments.ItemCallback;
    dialog->UserData3 = arguments.UserData3;
    dialog->OptionValue = arguments.Option;
    if (gui->dialogSlots[slot] == dialog) {
        return dialog;
    }
    gui->dialogSlots[slot] = dialog;
    if (!dialog->Shown) {
        dialog->DialogState = dsFadingIn;
        dialog->Fade = 0;
        dialog->Accepting = false;
        dialog->CurrentFadeInTime = dialog->FadeInTime;
        dialog->CurrentFadeOutTime = dialog->FadeOutTime;
        Record(geDialogShown, dialog->Name(), slot);
        ShowForm(dialog, (slot + 1) * DialogLayerStep);
    }
    return dialog;
}

TGuiDialog* ShowDialog(std::string_view name, std::string_view text, std::string_view caption,
                       void* resultTarget, TGuiCallback callback, void* callbackData,
                       TGuiTextCallback textCallback, void* userData2,
                       TGuiItemCallback itemCallback, void* userData3, int32_t option) {
    return ShowDialog(name,
                      TDialogArguments{text, caption, resultTarget, callback, callbackData,
                                       textCallback, userData2, itemCallback, userData3, option});
}

void CloseDialog(TGuiDialog* dialog) {
    if (dialog == nullptr || !dialog->Shown || dialog->DialogState == dsFadingOut ||
        dialog->DialogState == dsClosed) {
        return;
    }
    dialog->Accepting = false;
    dialog->DialogState = dsFadingOut;
    Record(geDialogClosing, dialog->Name());
}

void CloseAllDialogs() {
    if (gui == nullptr) {
        return;
    }
    for (TGuiDialog*& slot : gui->dialogSlots) {
        TGuiDialog* dialog = slot;
        if (dialog == nullptr) {
            continue;
        }
        slot = nullptr;
        dialog->Accepting = false;
        dialog->DialogState = dsClosed;
        dialog->Fade = 0;
        if (dialog->Shown) {
            HideForm(dialog);
        }
        Record(geDialogClosed, dialog->Name());
    }
}

void PostFormMessage(std::string_view formName, std::string_view text, void* object) {
    if (gui == nullptr) {
        return;
    }
    TGuiForm* form = gui->forms.Find(formName);
    if (form == nullptr) {
        form = gui->dialogs.Find(formName);
    }
    if (form == nullptr) {
        ReportUnknown("form", formName);
        return;
    }
    form->MessageText = text;
    form->MessageObject = object;
    Record(geMessage, form->Name());
    form->Message();
}

void ShowForm(TGuiForm* form, int32_t baseLayer) {
    if (form == nullptr) {
        return;
    }
    form->Shown = true;
    form->Canvas = MainCanvas();
    form->ScreenOffset = {};
    form->BaseLayer = baseLayer;
    form->Layout = {0, 0, 1600, 900};
    form->SavedLayouts.fill(form->Layout);
    Record(geFormShown, form->Name(), baseLayer);
    form->Show(0);
    for (TGuiControl& control : form->Controls) {
        control.Dirty = true;
    }
}

void HideForm(TGuiForm* form) {
    if (form == nullptr) {
        return;
    }
    if (gui != nullptr && gui->inputTarget == form) {
        SetInputTarget(nullptr);
    }
    for (TGuiControl* control = form->Controls.Last(); control != nullptr;
         control = static_cast<TGuiControl*>(control->Previous())) {
        control->Refresh(false);
    }
    form->Hide();
    form->Shown = false;
    FreeControls(form);
    Record(geFormHidden, form->Name());
}

void ReloadForm(TGuiForm* form) {
    if (form == nullptr || !form->Shown) {
        return;
    }
    const int32_t layer = form->BaseLayer;
    HideForm(form);
    ShowForm(form, layer);
}

// ---- layout ----

void ApplyLayoutRuleTo(TGuiRect& r, std::array<TGuiRect, 3>& saved, int32_t rule, float v) {
    const float a = std::fabs(v);
    const auto slot = [v] {
        const float rounded = std::isfinite(v) ? std::round(v) : 0;
        return static_cast<std::size_t>(Clamp(rounded, 0, 2));
    };
    float d = 0;
    switch (rule) {
        case 0:
            saved[slot()] = r;
            break;
        case 1:
            r = saved[slot()];
            break;
        case 2:
            r.X = v;
            break;
        case 3:
            r.Y = v;
            break;
        case 4:
            r.X += v;
            break;
        case 5:
            r.Y += v;
            break;
        case 6:
            r.X = v - r.X;
            break;
        case 7:
            r.Y = v - r.Y;
            break;
        case 8:
            r.X = r.X - r.W + v;
            break;
        case 9:
            r.X = r.X + r.W + v;
            break;
        case 10:
            r.Y = r.Y - r.H + v;
            break;
        case 11:
            r.Y = r.Y + r.H + v;
            break;
        case 12:
            r.X -= (r.W + a) / 2;
            r.W = a;
            break;
        case 13:
            r.X += (r.W + a) / 2;
            r.W = a;
            break;
        case 14:
            r.Y -= (r.H + a) / 2;
            r.H = a;
            break;
        case 15:
            r.Y += (r.H + a) / 2;
            r.H = a;
            break;
        case 16:
            r.W = r.H = a;
            break;
        case 17:
            r.W = a;
            break;
        case 18:
            r.H = a;
            break;
        case 19:
            r.X += (r.W - a) / 2;
            r.W = a;
            break;
        case 20:
            r.X -= (r.W - a) / 2;
            r.W = a;
            break;
        case 21:
            r.Y += (r.H - a) / 2;
            r.H = a;
            break;
        case 22:
            r.Y -= (r.H - a) / 2;
            r.H = a;
            break;
        case 23:
            r.W += std::max(v, -r.W);
            r.H += std::max(v, -r.H);
            break;
        case 24:
            r.W += std::max(v, -r.W);
            break;
        case 25:
            r.H += std::max(v, -r.H);
            break;
        case 26:
        case 27:
            d = std::max(v, -r.W);
            r.W += d;
            r.X += rule == 26 ? -d / 2 : d / 2;
            break;
        case 28:
        case 29:
            d = std::max(v, -r.H);
            r.H += d;
            r.Y += rule == 28 ? -d / 2 : d / 2;
            break;
        case 30:
        case 31:
            d = std::max(v - r.W / 2, -r.W);
            r.W += d;
            r.X += rule == 30 ? d / 2 : -d / 2;
            break;
        case 32:
        case 33:
            d = std::max(v - r.H / 2, -r.H);
            r.H += d;
            r.Y += rule == 32 ? d / 2 : -d / 2;
            break;
        default:
            break;
    }
}

void ApplyLayoutRule(TGuiForm* form, int32_t rule, float value) {
    if (form != nullptr) {
        ApplyLayoutRuleTo(form->Layout, form->SavedLayouts, rule, value);
    }
}

// ---- controls ----

void SetControlProperty(TGuiControl* control, int32_t index, const TGuiValue& value) {
    if (control == nullptr) {
        return;
    }
    TGuiControl& c = *control;
    switch (index) {
        case 0:
            c.SetName(value.AsText());
            break;
        case 1:
            c.Group = value.AsText();
            break;
        case 2:
            c.Visible = value.AsBoolean();
            break;
        case 3:
            c.Enabled = value.AsBoolean();
            break;
        case 4:
            c.Checked = value.AsBoolean();
            break;
        case 5:
            c.Checkable = value.AsBoolean();
            break;
        case 6:
            c.Scale = static_cast<float>(value.AsFloat());
            break;
        case 7:
            c.Orientation = static_cast<int32_t>(value.AsInteger());
            break;
        case 8:
            c.ShadingMode = static_cast<int32_t>(value.AsInteger());
            break;
        case 9:
            c.Font = static_cast<int32_t>(value.AsInteger());
            break;
        case 10: {
            const auto rgb = static_cast<uint32_t>(value.AsInteger());
            c.Color = {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
                       static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                       static_cast<float>(rgb & 0xFF) / 255.0f};
            break;
        }
        case 11:
            c.Alpha = static_cast<float>(value.AsFloat());
            break;
        case 14:
            c.SecondTextureName = value.AsText();
            break;
        case 15:
        case 16:
            c.Frame = static_cast<int32_t>(value.AsInteger());
            break;
        case 17:
            c.SecondFrame = static_cast<int32_t>(value.AsInteger());
            break;
        case 18:
            c.EffectName = value.AsText();
            break;
        case 19:
            c.Extra = static_cast<int32_t>(value.AsInteger());
            break;
        case 20:
            c.Option = static_cast<uint8_t>(value.AsInteger());
            break;
        case 21:
            c.Text = value.AsText();
            c.TextKey.clear();
            break;
        case 22:
            c.TextKey = value.AsText();
            c.Text = ScriptText(c.TextKey);
            break;
        case 23:
            c.HintText = value.AsText();
            c.HintKey.clear();
            break;
        case 24:
            c.HintKey = value.AsText();
            c.HintText = ScriptText(c.HintKey);
            break;
        case 25:
            c.CursorName = value.AsText();
            break;
        case 26:
            c.HintStyle = value.AsText();
            break;
        case 27:
            c.Flag60 = value.AsBoolean();
            break;
        default:
            c.TextureName = value.AsText();
            break; // 12, 13 and every unlisted index
    }
    c.Dirty = true;
}

TGuiControl* CreateControl(TGuiForm* form, int32_t layer, std::unique_ptr<TGuiControl> control,
                           std::initializer_list<TGuiProperty> properties) {
    if (form == nullptr || control == nullptr) {
        return nullptr;
    }
    TGuiControl* c = control.get();
    c->Form = form;
    c->Layer = layer + form->BaseLayer;
    c->Canvas = form->Canvas;
    c->Origin = form->ScreenOffset;
    c->Position = {form->Layout.X - form->ScreenOffset.X, form->Layout.Y - form->ScreenOffset.Y};
    c->Size = {form->Layout.W, form->Layout.H};
    c->Visible = true;
    c->Scale = 1;
    c->Color = {1, 1, 1};
    c->Alpha = 1;
    c->Dirty = true;
    c->Initialize();
    form->Controls.Add(std::move(control));
    for (const TGuiProperty& property : properties) {
        SetControlProperty(c, property.Index, property.Value);
    }
    return c;
}

void SetControlPosition(TGuiControl* control, float x, float y) {
    if (control != nullptr && (control->Position.X != x || control->Position.Y != y)) {
        control->Position = {x, y};
        control->Dirty = true;
    }
}

void SetControlX(TGuiControl* control, float x) {
    if (control != nullptr) {
        SetControlPosition(control, x, control->Position.Y);
    }
}

void SetControlY(TGuiControl* control, float y) {
    if (control != nullptr) {
        SetControlPosition(control, control->Position.X, y);
    }
}

void SetControlSize(TGuiControl* control, float width, float height) {
    if (control != nullptr && (control->Size.X != width || control->Size.Y != height)) {
        control->Size = {width, height};
        control->Dirty = true;
    }
}

namespace {

template <class T>
void Store(TGuiControl* control, T& field, const T& value) {
    if (field != value) {
        field = value;
        control->Dirty = true;
    }
}

void StoreText(TGuiControl* control, std::string& field, std::string_view value) {
    if (field != value) {
        field = value;
        control->Dirty = true;
    }
}

} // namespace

void SetControlScale(TGuiControl* control, float scale) {
    if (control != nullptr) {
        Store(control, control->Scale, scale);
    }
}

void SetControlAlpha(TGuiControl* control, float alpha) {
    if (control != nullptr) {
        Store(control, control->Alpha, alpha);
    }
}

void SetControlVisible(TGuiControl* control, bool visible) {
    if (control != nullptr) {
        Store(control, control->Visible, visible);
    }
}

void SetControlEnabled(TGuiControl* control, bool enabled) {
    if (control != nullptr) {
        Store(control, control->Enabled, enabled);
    }
}

void SetControlText(TGuiControl* control, std::string_view text) {
    if (control != nullptr) {
        control->TextKey.clear();
        StoreText(control, control->Text, text);
    }
}

void SetControlTextKey(TGuiControl* control, std::string_view key) {
    if (control != nullptr) {
        control->TextKey = key;
        StoreText(control, control->Text, ScriptText(key));
    }
}

void SetControlHint(TGuiControl* control, std::string_view text) {
    if (control != nullptr) {
        control->HintKey.clear();
        if (control->HintText != text) {
            StoreText(control, control->HintText, text);
            RenewHint(control);
        }
    }
}

void SetControlHintKey(TGuiControl* control, std::string_view key) {
    if (control != nullptr) {
        control->HintKey = key;
        const std::string text = ScriptText(key);
        if (control->HintText != text) {
            StoreText(control, control->HintText, text);
            RenewHint(control);
        }
    }
}

void SetChecked(TGuiControl* control, bool on) {
    if (control == nullptr) {
        return;
    }
    if (on && control->Form != nullptr) {
        for (TGuiControl& other : control->Form->Controls) {
            if (&other != control && other.Checked && other.Group == control->Group) {
                other.Checked = false;
                other.Dirty = true;
                Record(geCheck, other.Name(), 0);
            }
        }
    }
    if (control->Checked != on) {
        Record(geCheck, control->Name(), on ? 1 : 0);
    }
    control->Checked = on;
    control->Dirty = true;
}

void CheckByGroup(TGuiForm* form, std::string_view name, std::string_view group) {
    if (form == nullptr) {
        return;
    }
    for (TGuiControl& control : form->Controls) {
        if (control.Name() == name && control.Group == group) {
            SetChecked(&control, true);
            return;
        }
    }
}

TGuiControl* FindControl(TGuiForm* form, std::string_view name) {
    if (form == nullptr) {
        return nullptr;
    }
    form->Sender = form->Controls.Find(name);
    return form->Sender;
}

void SetFocus(TGuiForm* form, std::string_view controlName, int32_t style) {
    if (form == nullptr) {
        return;
    }
    form->Focus = form->Controls.Find(controlName);
    form->FocusStyle = std::clamp(style, 0, 3);
}

void SetCursor(std::string_view name) {
    if (gui == nullptr || gui->cursorName == name) {
        return;
    }
    gui->cursorName = name;
    TGuiCursor* cursor = FindNamed(gui->cursors, "cursor", name);
    if (cursor == gui->currentCursor) {
        return;
    }
    if (gui->currentCursor != nullptr) {
        gui->currentCursor->Render(false);
    }
    gui->currentCursor = cursor;
    Record(geCursor, name);
}

// ---- hints ----

void PlaceHintBox(TGuiHint* hint, float textWidth, float textHeight, float minCross, float minSize,
                  float paddingX, float paddingY, float margin, float screenMargin) {
    if (hint == nullptr) {
        return;
    }
    hint->TextSize = {textWidth, textHeight};
    TVector2 box = {std::max(textWidth + paddingX, minSize),
                    std::max(textHeight + paddingY, minSize)};
    hint->Reach.X += margin;
    hint->Reach.Y += margin;
    const TVector2 anchor = hint->Anchor;
    const TVector2 reach = hint->Reach;
    const float above = std::fabs(-ScreenHalfHeight - anchor.Y) - reach.Y - screenMargin;
    const float below = std::fabs(ScreenHalfHeight - anchor.Y) - reach.Y - screenMargin;
    const float left = std::fabs(-ScreenHalfWidth - anchor.X) - reach.X - screenMargin;
    const float right = std::fabs(ScreenHalfWidth - anchor.X) - reach.X - screenMargin;
    const bool sideways = hint->PreferSideways;
    int32_t side = 0;
    if (!sideways && box.Y <= above) {
        side = psTop;
    } else if (box.X <= left) {
        side = psLeft;
    } else if (box.X <= right) {
        side = psRight;
    } else if (sideways && box.Y <= above) {
        side = psTop;
    } else if (box.Y <= below) {
        side = psBottom;
    } else if (sideways) {
        side = left >= right ? psLeft : psRight;
    } else {
        side = above >= below ? psTop : psBottom;
    }
    hint->Side = side;
    hint->PointerShift = {};
    // Keeps a box of Size centred at Centre within the screen margin along one axis; returns
    // how far it moved.
    const auto keepInside = [screenMargin](float centre, float size, float half) {
        const float low = -half + screenMargin;
        const float high = half - screenMargin;
        if (centre - size / 2 < low) {
            return low - (centre - size / 2);
        }
        if (centre + size / 2 > high) {
            return high - (centre + size / 2);
        }
        return 0.0f;
    };
    if (side == psTop || side == psBottom) {
        box.X = std::max(box.X, minCross);
        const float shift = keepInside(anchor.X, box.X, ScreenHalfWidth);
        hint->Anchor.X += shift;
        hint->PointerShift.X = shift;
        const float offset = reach.Y + box.Y / 2;
        hint->BoxCentre = {hint->Anchor.X, side == psTop ? anchor.Y - offset : anchor.Y + offset};
    } else {
        box.Y = std::max(box.Y, minCross);
        const float shift = keepInside(anchor.Y, box.Y, ScreenHalfHeight);
        hint->Anchor.Y += shift;
        hint->PointerShift.Y = shift;
        const float offset = reach.X + box.X / 2;
        hint->BoxCentre = {side == psLeft ? anchor.X - offset : anchor.X + offset, hint->Anchor.Y};
    }
    hint->BoxSize = box;
}

void PlaceHint(TGuiHint* hint, int32_t fontIndex, float maxWidth, float minCross, float minSize,
               float paddingX, float paddingY, float margin, float screenMargin) {
    if (hint == nullptr) {
        return;
    }
    int32_t lines = 0;
    float width = 0;
    float height = 0;
    MeasureText(hint->HintText, lines, fontIndex, width, height, maxWidth);
    PlaceHintBox(hint, width, height, minCross, minSize, paddingX, paddingY, margin, screenMargin);
}

// ---- the frame ----

void GuiFrame() {
    if (gui == nullptr) {
        return;
    }
    const float dt = FrameTime();

    UpdateFps(dt);
    FadeDialogs(dt);

    const std::string* targetCursor = nullptr;
    SetInputTarget(FindInputTarget(targetCursor));

    TGuiControl* hovered = nullptr;
    if (PointerInWindow() && gui->inputTarget != nullptr) {
        float x = 0;
        float y = 0;
        PointerPosition(x, y);
        hovered = HitTestForm(gui->inputTarget, x, y);
    }
    if (hovered != gui->hoveredControl) {
        LeaveHovered();
        if (hovered != nullptr) {
            EnterControl(hovered);
        }
    }

    ButtonOnHovered(dt);
    if (gui == nullptr) {
        return;
    }
    FireShortcuts();

    // A target busy with a fade or a transition takes no input but keeps its cursor.
    const TGuiControl* control = gui->hoveredControl;
    if (control != nullptr && !control->CursorName.empty()) {
        SetCursor(control->CursorName);
    } else {
        SetCursor(targetCursor != nullptr ? std::string_view(*targetCursor) : std::string_view());
    }

    FadeCurrentHint(dt);
    ShowPendingHint(dt);

    for (int32_t i = DialogSlotCount - 1; i >= 0; --i) {
        if (gui->dialogSlots[i] != nullptr) {
            UpdateForm(gui->dialogSlots[i]);
        }
    }
    AdvanceTransition();
    if (gui->currentForm != nullptr) {
        UpdateForm(gui->currentForm);
    }

    if (gui->currentCursor != nullptr) {
        gui->currentCursor->Render(PointerInWindow());
    }
    if (gui->currentHint != nullptr) {
        gui->currentHint->Render(true);
    }

    for (int32_t i = DialogSlotCount - 1; i >= 0; --i) {
        if (gui->dialogSlots[i] != nullptr) {
            RefreshForm(gui->dialogSlots[i]);
        }
    }
    if (gui->currentForm != nullptr) {
        RefreshForm(gui->currentForm);
    }
}

// ---- trace ----

void GuiTraceStart(int32_t capacity) {
    trace.on = true;
    trace.ring.assign(static_cast<std::size_t>(std::max(capacity, 1)), TGuiEvent{});
    trace.next = 0;
    trace.count = 0;
}

void GuiTraceStop() {
    trace = TTrace{};
}

void GuiTraceClear() {
    trace.next = 0;
    trace.count = 0;
}

bool GuiTraceOn() {
    return trace.on;
}

std::vector<TGuiEvent> GuiTraceEvents() {
    std::vector<TGuiEvent> events;
    events.reserve(trace.count);
    const std::size_t size = trace.ring.size();
    for (std::size_t i = 0; i < trace.count; ++i) {
        events.push_back(trace.ring[(trace.next + size - trace.count + i) % size]);
    }
    return events;
}

std::string_view GuiEventName(TGuiEventKind kind) {
    switch (kind) {
        case geActivate:
            return "activate";
        case geDeactivate:
            return "deactivate";
        case geEnter:
            return "enter";
        case geLeave:
            return "leave";
        case gePress:
            return "press";
        case geHold:
            return "hold";
        case geRelease:
            return "release";
        case geClick:
            return "click";
        case geShortcut:
            return "shortcut";
        case geCheck:
            return "check";
        case geFormShown:
            return "show";
        case geFormHidden:
            return "hide";
        case geDialogShown:
            return "dialog";
        case geDialogOpen:
            return "open";
        case geDialogClosing:
            return "closing";
        case geDialogClosed:
            return "closed";
        case geTransitionStarted:
            return "transition";
        case geTransitionPhase:
            return "phase";
        case geFormSwapped:
            return "swap";
        case geTransitionEnded:
            return "ended";
        case geHintShown:
            return "hint";
        case geHintFading:
            return "hintfade";
        case geHintGone:
            return "hintgone";
        case geCursor:
            return "cursor";
        case geMessage:
            return "message";
        case geUnknownName:
            return "unknown";
    }
    return "?";
}

std::vector<std::string> GuiTraceLines() {
    std::vector<std::string> lines;
    for (const TGuiEvent& event : GuiTraceEvents()) {
        std::string line(GuiEventName(event.Kind));
        line += ' ';
        line += event.Name.data();
        if (event.Kind == geTransitionPhase || event.Kind == geCheck ||
            event.Kind == geDialogShown || event.Kind == geShortcut) {
            line += ' ';
            line += std::to_string(event.Value);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace valdmoor
