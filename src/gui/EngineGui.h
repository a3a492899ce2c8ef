// The screens' framework: one current form, up to three dialogs stacked above it, a transition
// that covers the screen while forms are swapped, hints after a hover delay, and the cursor.
// Every frame GuiFrame finds the input target, hit-tests the pointer, turns the button into
// enter/leave/press/hold/release/click events, fires keyboard shortcuts and refreshes what
// changed. Concrete forms, dialogs, controls, hints, cursors and transitions are subclasses.
#pragma once

#include "app/EngineClasses.h"
#include "effects/EffectFiles.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

class TCanvas;
class TGuiControl;
class TGuiForm;

// Draw layers of the framework's pieces.
constexpr int32_t TransitionLayer = 500000;
constexpr int32_t DialogLayerStep = 1000000; // dialog slot i draws at (i + 1) x this
constexpr int32_t HintLayer = 10000000;
constexpr int32_t CursorLayer = 0x7FFFFF9B;
constexpr int32_t FpsBoxLayer = 0x7FFFFFFD;
constexpr int32_t FpsTextLayer = 0x7FFFFFFE;

constexpr int32_t DialogSlotCount = 3;
constexpr int32_t ShortcutCount = 5;
// A press held longer than this is no click.
constexpr float HoldTime = 0.8f;

// The design screen: 1600 x 900 units around (0, 0).
constexpr float ScreenHalfWidth = 800;
constexpr float ScreenHalfHeight = 450;

using TGuiCallback = void (*)(void* data);
using TGuiTextCallback = void (*)(void* data, const std::string& text);
using TGuiItemCallback = void (*)(void* data, TItem* item);

// A moving rectangle: centre and size.
struct TGuiRect {
    float X = 0;
    float Y = 0;
    float W = 0;
    float H = 0;
    bool operator==(const TGuiRect&) const = default;
};

// A property value at control creation: text, integer, float or boolean, converted to what
// the property wants.
class TGuiValue {
public:
    TGuiValue(bool value) : kind_(kBool), integer_(value ? 1 : 0) {}
    TGuiValue(int value) : kind_(kInteger), integer_(value) {}
    TGuiValue(int64_t value) : kind_(kInteger), integer_(value) {}
    TGuiValue(uint32_t value) : kind_(kInteger), integer_(value) {}
    TGuiValue(double value) : kind_(kFloat), real_(value) {}
    TGuiValue(float value) : kind_(kFloat), real_(value) {}
    TGuiValue(const char* value) : kind_(kText), text_(value) {}
    TGuiValue(std::string_view value) : kind_(kText), text_(value) {}
    TGuiValue(const std::string& value) : kind_(kText), text_(value) {}

    std::string AsText() const;
    int64_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;

private:
    enum TKind {
        kBool,
        kInteger,
        kFloat,
        kText
    };
    TKind kind_;
    int64_t integer_ = 0;
    double real_ = 0;
    std::string_view text_;
};

struct TGuiProperty {
    int32_t Index;
    TGuiValue Value;
};

class TGuiControl : public TNamedItem {
public:
    TGuiControl() = default;
    // Forgets the control wherever the framework or its form still points at it.
    ~TGuiControl() override;

    TGuiForm* Form = nullptr;
    int32_t Layer = 0;
    TCanvas* Canvas = nullptr;
    TVector2 Origin;
    bool Hovered = false;
    bool Pressed = false;
    bool Dirty = true;
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;
    bool Checkable = false;
    std::string Group;
    std::string CursorName;
    std::string HintStyle;
    bool Flag60 = false; // hints of this control prefer the sides
    TVector2 Position;   // centre, relative to Origin
    TVector2 Size;
    float Scale = 1;
    int32_t Orientation = 0;
    int32_t ShadingMode = 0;
    int32_t Font = 0;
    TColor3 Color{1, 1, 1};
    float Alpha = 1;
    // For subclasses.
    std::string TextureName;
    std::string SecondTextureName;
    std::string EffectName;
    int32_t Frame = 0;
    int32_t SecondFrame = 0;
    int32_t Extra = 0;
    uint8_t Option = 0; // text layout flags
    std::string Text;
    std::string TextKey;
    std::string HintText;
    std::string HintKey;

    virtual void Initialize() {}
    virtual void Finalize() {}
    // X, Y relative to Origin. The rectangle Position +/- Size / 2, edges included.
    virtual bool HitTest(float x, float y);
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MousePress(TVector2 /*pos*/) {}
    virtual void MouseHold(TVector2 /*pos*/) {}
    virtual void MouseRelease(TVector2 /*pos*/) {}
    virtual void Click() {}
    virtual void Update() {}
    // Rebuilds the control's drawing from its fields; false releases it.
    virtual void Refresh(bool /*visible*/) {}
};

class TGuiForm : public TNamedItem {
public:
    TGuiForm(std::string name, std::string cursorName, std::string defaultHintStyle);
    // Frees the controls; the framework forgets the form.
    ~TGuiForm() override;

    std::string CursorName;
    std::string DefaultHintStyle;
    TContainerOf<TGuiControl> Controls{false, true};
    TGuiControl* Sender = nullptr;
    TGuiRect Layout;
    std::array<TGuiRect, 3> SavedLayouts{};
    TGuiControl* Focus = nullptr;
    int32_t FocusStyle = 0;
    // Fired by Escape, Enter or Space, H or F1, I, M.
    std::array<TGuiControl*, ShortcutCount> Shortcuts{};
    std::string MessageText;
    void* MessageObject = nullptr;
    TCanvas* Canvas = nullptr;
    TVector2 ScreenOffset;
    bool Shown = false;
    bool HasInput = false;
    int32_t BaseLayer = 0;

    // Once the object is complete (at registration), and just before the framework frees it:
    // a constructor or destructor cannot reach the subclass's overrides.
    virtual void Initialize() {}
    virtual void Finalize() {}
    virtual void Show(int32_t /*arg*/) {}
    virtual void Hide() {}
    virtual void Activate() {}
    virtual void Deactivate() {}
    virtual void Update() {}
    virtual void Refresh(int32_t /*arg*/) {}
    virtual void ControlPressed(TVector2 /*pos*/) {}
    virtual void ControlHeld(TVector2 /*pos*/) {}
    virtual void ControlReleased(TVector2 /*pos*/) {}
    virtual void ControlClicked() {}
    virtual void Message() {}

    virtual bool IsDialog() const { return false; }
};

enum TDialogState : int32_t {
    dsFadingIn = 0,
    dsOpen = 1,
    dsFadingOut = 2,
    dsClosed = 3,
};

class TGuiDialog : public TGuiForm {
public:
    TGuiDialog(std::string name, float fadeInTime, float fadeOutTime, std::string cursorName,
               std::string defaultHintStyle);

    bool IsDialog() const override { return true; }

    bool Accepting = false;
    float FadeInTime;
    float FadeOutTime;
    float CurrentFadeInTime = 0;
    float CurrentFadeOutTime = 0;
    int32_t DialogState = dsClosed;
    float Fade = 0;
    std::string Text;
    std::string Caption;
    void* ResultTarget = nullptr;
    TGuiCallback Callback = nullptr;
    void* CallbackData = nullptr;
    TGuiTextCallback TextCallback = nullptr;
    void* UserData2 = nullptr;
    TGuiItemCallback ItemCallback = nullptr;
    void* UserData3 = nullptr;
    std::array<int32_t, 2> Values{};
    int32_t OptionValue = 0;
};

class TGuiTransition : public TNamedItem {
public:
    explicit TGuiTransition(std::string name) : TNamedItem(std::move(name)) {}

    int32_t BaseLayer = TransitionLayer;
    bool StartedWithoutForm = false;
    int32_t Phase = 0;
    TGuiCallback Callback = nullptr;
    void* CallbackData = nullptr;

    virtual void Start() = 0;
    virtual void Stop() = 0;
    // Each returns true when its phase is over.
    virtual bool CoverStep1() = 0;
    virtual bool CoverStep2() = 0;
    virtual bool CoverStep3() = 0;
    virtual bool UncoverStep1() = 0;
    virtual bool UncoverStep2() = 0;
    virtual bool UncoverStep3() = 0;
};

enum THintState : int32_t {
    hsFadingIn = 0,
    hsShown = 1,
    hsFadingOut = 2,
    hsGone = 3,
};

class TGuiHint : public TNamedItem {
public:
    TGuiHint(std::string name, float delay, float fadeIn, float fadeOut);

    int32_t BaseLayer = HintLayer;
    float Delay;
    float FadeIn;
    float FadeOut;
    int32_t HintState = hsGone;
    float Fade = 0;
    std::string HintText;
    TVector2 TextSize;
    TVector2 Anchor; // the control's centre on screen; moved along the box when placed
    TVector2 BoxSize;
    TVector2 Reach; // half the control's size, plus the margin once placed
    bool PreferSideways = false;
    TVector2 PointerShift; // how far the box moved off the anchor to stay on screen
    int32_t Side = 0;      // 0 above, 2 right, 4 below, 6 left
    TVector2 BoxCentre;    // where PlaceHint put the box

    virtual void Render(bool /*visible*/) {}
};

class TGuiCursor : public TNamedItem {
public:
    explicit TGuiCursor(std::string name) : TNamedItem(std::move(name)) {}

    int32_t BaseLayer = CursorLayer;

    virtual void Render(bool /*visible*/) {}
};

// Creates the five lists; with "-showfps" also the frames-per-second box. Stop hides and
// frees everything; both accept a framework that never started.
void GuiStart();
void GuiStop();
bool GuiStarted();
// One frame: fades, input, hover, buttons, shortcuts, cursor, hints, updates, the transition,
// refreshes. After input is read and before drawing.
void GuiFrame();

// Every registered dialog and form reloads its texts by key (after new script texts).
void RefreshAllTexts();
void RefreshFormTexts(TGuiForm* form);

// Registration hands the object to the framework, which owns it from then on. Nil when the
// framework is not running (the object is freed) or the object is nil.
TGuiCursor* RegisterCursor(std::unique_ptr<TGuiCursor> cursor);
TGuiHint* RegisterHint(std::unique_ptr<TGuiHint> hint);
TGuiDialog* RegisterDialog(std::unique_ptr<TGuiDialog> dialog);
TGuiTransition* RegisterTransition(std::unique_ptr<TGuiTransition> transition);
TGuiForm* RegisterForm(std::unique_ptr<TGuiForm> form);

TGuiCursor* FindCursor(std::string_view name);
TGuiHint* FindHint(std::string_view name);
TGuiDialog* FindDialog(std::string_view name);
// Whether a dialog of that name is registered; unlike FindDialog it logs nothing.
bool DialogExists(std::string_view name);
TGuiTransition* FindTransition(std::string_view name);
TGuiForm* FindForm(std::string_view name);

TGuiForm* CurrentForm();
TGuiForm* NextForm();
TGuiTransition* CurrentTransition();
TGuiDialog* DialogInSlot(int32_t slot);
TGuiForm* InputTarget();
TGuiControl* HoveredControl();
TGuiHint* PendingHint();
TGuiHint* CurrentHint();
TGuiCursor* CurrentCursor();
// The FPS box's text; empty without "-showfps".
std::string_view FpsText();

// Hides the current form (ending a running transition) and shows the named one at once.
void SetCurrentForm(std::string_view name);
// Covers the screen with the named transition and swaps in the named form once covered,
// running Callback at that moment.
void SwitchForm(std::string_view formName, std::string_view transitionName,
                TGuiCallback callback = nullptr, void* callbackData = nullptr);

struct TDialogArguments {
    std::string_view Text;
    std::string_view Caption;
    void* ResultTarget = nullptr;
    TGuiCallback Callback = nullptr;
    void* CallbackData = nullptr;
    TGuiTextCallback TextCallback = nullptr;
    void* UserData2 = nullptr;
    TGuiItemCallback ItemCallback = nullptr;
    void* UserData3 = nullptr;
    int32_t Option = 0;
};
// Opens the named dialog in the first free slot; nil when all are taken or the name is unknown.
TGuiDialog* ShowDialog(std::string_view name, const TDialogArguments& arguments = {});
TGuiDialog* ShowDialog(std::string_view name, std::string_view text, std::string_view caption,
                       void* resultTarget, TGuiCallback callback, void* callbackData,
                       TGuiTextCallback textCallback = nullptr, void* userData2 = nullptr,
                       TGuiItemCallback itemCallback = nullptr, void* userData3 = nullptr,
                       int32_t option = 0);
// Starts the fade-out.
void CloseDialog(TGuiDialog* dialog);
// Closes every dialog at once.
void CloseAllDialogs();

void PostFormMessage(std::string_view formName, std::string_view text, void* object);

void ShowForm(TGuiForm* form, int32_t baseLayer);
void HideForm(TGuiForm* form);
void ReloadForm(TGuiForm* form);

// Layout rules move the form's Layout rectangle that new controls take as their place.
void ApplyLayoutRule(TGuiForm* form, int32_t rule, float value);
template <class... TRest>
void ApplyLayoutRule(TGuiForm* form, int32_t rule, float value, int32_t nextRule, float nextValue,
                     TRest... rest) {
    ApplyLayoutRule(form, rule, value);
    ApplyLayoutRule(form, nextRule, nextValue, rest...);
}
// What one rule does to a rectangle (Saved holds the three slots of rules 0 and 1).
void ApplyLayoutRuleTo(TGuiRect& layout, std::array<TGuiRect, 3>& saved, int32_t rule, float value);

void SetControlProperty(TGuiControl* control, int32_t index, const TGuiValue& value);

// Places Control at the form's Layout, initialises it and adds it to the form, then applies
// Properties. Nil for a nil form or control.
TGuiControl* CreateControl(TGuiForm* form, int32_t layer, std::unique_ptr<TGuiControl> control,
                           std::initializer_list<TGuiProperty> properties = {});
template <class T>
T* CreateControl(TGuiForm* form, int32_t layer,
                 std::initializer_list<TGuiProperty> properties = {}) {
    return static_cast<T*>(CreateControl(form, layer, std::make_unique<T>(), properties));
}

// Setters mark the control dirty only when the value changes.
void SetControlPosition(TGuiControl* control, float x, float y);
void SetControlX(TGuiControl* control, float x);
void SetControlY(TGuiControl* control, float y);
void SetControlSize(TGuiControl* control, float width, float height);
void SetControlScale(TGuiControl* control, float scale);
void SetControlAlpha(TGuiControl* control, float alpha);
void SetControlVisible(TGuiControl* control, bool visible);
void SetControlEnabled(TGuiControl* control, bool enabled);
void SetControlText(TGuiControl* control, std::string_view text);
void SetControlTextKey(TGuiControl* control, std::string_view key);
// The hint setters also renew a hint showing for the control.
void SetControlHint(TGuiControl* control, std::string_view text);
void SetControlHintKey(TGuiControl* control, std::string_view key);
// Turning a control on turns off the other checked controls of its form and group.
void SetChecked(TGuiControl* control, bool on);
void CheckByGroup(TGuiForm* form, std::string_view name, std::string_view group);
// Also stores the control in the form's Sender.
TGuiControl* FindControl(TGuiForm* form, std::string_view name);
void SetFocus(TGuiForm* form, std::string_view controlName, int32_t style);

void SetCursor(std::string_view name);

// Measures the hint's text and chooses the side and place of its box.
void PlaceHint(TGuiHint* hint, int32_t fontIndex, float maxWidth, float minCross, float minSize,
               float paddingX, float paddingY, float margin, float screenMargin);
// The same with the text size already known.
void PlaceHintBox(TGuiHint* hint, float textWidth, float textHeight, float minCross, float minSize,
                  float paddingX, float paddingY, float margin, float screenMargin);

// A record of what the framework did, frame by frame, for tests that compare sequences. Off
// until started; holds the last Capacity events.
enum TGuiEventKind : int32_t {
    geActivate,
    geDeactivate,
    geEnter,
    geLeave,
    gePress,
    geHold,
    geRelease,
    geClick,
    geShortcut,
    geCheck,
    geFormShown,
    geFormHidden,
    geDialogShown,
    geDialogOpen,
    geDialogClosing,
    geDialogClosed,
    geTransitionStarted,
    geTransitionPhase,
    geFormSwapped,
    geTransitionEnded,
    geHintShown,
    geHintFading,
    geHintGone,
    geCursor,
    geMessage,
    geUnknownName,
};

struct TGuiEvent {
    uint32_t Frame = 0;
    TGuiEventKind Kind = geActivate;
    int32_t Value = 0;
    std::array<char, 40> Name{}; // cut short when longer
};

void GuiTraceStart(int32_t capacity = 4096);
void GuiTraceStop();
void GuiTraceClear();
bool GuiTraceOn();
std::vector<TGuiEvent> GuiTraceEvents();
// "press OK", "phase Fade 3": one line per event, oldest first.
std::vector<std::string> GuiTraceLines();
std::string_view GuiEventName(TGuiEventKind kind);

} // namespace valdmoor
