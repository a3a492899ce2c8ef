// Four ready-made modal dialogs with a plain default look: a message with one button, a yes/no
// question, a one-line text input, and a paged grid of choices with an optional text filter.
// Each is rebuilt from scratch on every show and hands its result to the callbacks given to
// ShowDialog before it starts closing.
#pragma once

#include "gui/EngineGui.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

class TGuiControlButton;
class TGuiControlButtonChoose;
class TGuiControlInput;
class TGuiControlLabelSuffix;

// The names the engine's default dialogs are registered under.
constexpr std::string_view DialogMessageName = "Message";
constexpr std::string_view DialogQueryName = "Query";
constexpr std::string_view DialogInputLineName = "InputLine";

// Bits of the input line's option value.
constexpr int32_t InputLineGameFont = 1;     // font 1 instead of font 0
constexpr int32_t InputLineTextRequired = 2; // "OK" only with a non-blank text

// The text with the characters below 33 cut from both ends.
std::string TrimEntry(std::string_view text);

// Registers the engine's message, question and input-line dialogs (fades of 0.3 s) unless
// dialogs of those names exist. Needs the framework running.
void RegisterStandardDialogs(std::string_view cursorName = {}, std::string_view hintName = {});

// A message and "OK", fired by Escape and Enter; OK calls Callback.
class TGuiDialogMessage : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void ControlClicked() override;

protected:
    // Cover, plate and the prompt in a dialog of Width; returns the y of the button row.
    float BuildFrame(float width);
};

// A question with "YES" (Enter) and "NO" (Escape); only "YES" calls back.
class TGuiDialogQuery : public TGuiDialogMessage {
public:
    using TGuiDialogMessage::TGuiDialogMessage;
    void Show(int32_t arg) override;
    void ControlClicked() override;
};

// A prompt and one line of text entry, with "OK", "Cancel" and the store buttons.
class TGuiDialogInputLine : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Hide() override;
    void Activate() override;
    void Update() override;
    void ControlClicked() override;

    bool EditButtons = false;
    bool EntryEmpty = true;

protected:
    void UpdateButtons();
    // Starts text entry with the settings below; Activate starts it again with them when a
    // dialog above ended it. A subclass's Show sets them before calling it.
    void StartEntry(std::string_view text);
    int32_t EntryFont = 0;
    int32_t EntryMaxLength = 2147483647;
    bool EntryClickSound = false;
    bool EntryNamesOnly = false;
};

// A paged grid of choices filled by a subclass, with "Cancel", an optional "Nil" (option 1) and
// an optional filter by name (option 2).
class TGuiDialogChoose : public TGuiDialog {
public:
    // Stands in a filtered list for an item of the source list.
    class TCustomItem : public TItem {
    public:
        explicit TCustomItem(TItem* source) : Source(source) {}
        TItem* Source;
    };

    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Hide() override;
    void ControlClicked() override;

    // Puts the selectable items into Items (or a ready list into ShownItems), sets ItemWidth,
    // ItemHeight and, if wanted, Columns and Rows.
    virtual void FillItems() = 0;
    // Dresses a grid button that is being given Item: caption, picture or effect.
    virtual void PresentItem(TGuiControlButtonChoose* button, TItem* item) = 0;

    void ShowPage(int32_t page);

    TContainer* Items = nullptr;      // the source list, the subclass's own
    TContainer* ShownItems = nullptr; // what is paged: Items, or the filtered list
    std::string Filter;               // kept between showings
    int32_t Columns = 0;
    int32_t Rows = 0;
    float ItemWidth = 0;
    float ItemHeight = 0;
    int32_t PageSize = 1;
    int32_t PageCount = 1;
    int32_t Page = 1;
    bool AllowNone = false;
    bool AllowFilter = false;
    bool Portrait = false;
    TGuiControlButtonChoose* FirstItemControl = nullptr;
    // The input-line dialog that asks for the filter; the engine's own when none has this name.
    std::string FilterDialogName{DialogInputLineName};

private:
    static void FilterEntered(void* data, const std::string& text);
    std::unique_ptr<TContainer> filtered_;
    std::unique_ptr<TContainer> empty_;
    std::vector<TGuiControlButtonChoose*> buttons_;
    TGuiControlLabelSuffix* pageLabel_ = nullptr;
    TGuiControlButton* previous_ = nullptr;
    TGuiControlButton* next_ = nullptr;
};

} // namespace valdmoor
