#include "gui/EngineGuiDialogs.h"

#include "gui/EngineGuiControls.h"
#include "platform/EngineInput.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"

#include <algorithm>
#include <climits>

namespace valdmoor {

namespace {

constexpr float Margin = 15; // around the text
constexpr float RowGap = 10; // between rows
constexpr float ButtonWidth = 120;
constexpr float ButtonHeight = 30;
constexpr float EditButtonWidth = 50;
constexpr float PageButtonWidth = 30;
constexpr int32_t PlateColor = 0x663333;
constexpr float FadeTime = 0.3f;

// The filter prompt's script text, and the words shown when the script has none.
constexpr std::string_view FilterPromptKey = "InputFilter";
constexpr std::string_view FilterPromptFallback = "Enter filter:";

void Cover(TGuiForm* form) {
    form->Layout = {0, 0, 1600, 900};
    CreateControl<TGuiControlScreenCover>(form, -2000);
}

void Plate(TGuiForm* form, float width, float height) {
    form->Layout = {0, 0, width, height};
    CreateControl<TGuiControlPlate>(form, -1000, {{10, PlateColor}, {11, 1.0f}});
}

TGuiControlButton* Button(TGuiForm* form, float x, float y, float width, std::string_view name,
                          std::string_view caption) {
    form->Layout = {x, y, width, ButtonHeight};
    return CreateControl<TGuiControlButton>(form, 0, {{0, name}, {21, caption}});
}

float TextHeight(std::string_view text, float width) {
    int32_t lines = 0;
    float measuredWidth = 0;
    float height = 0;
    MeasureText(text, lines, 0, measuredWidth, height, width);
    return height;
}

// Whether nothing but characters below 33 is there; asked every frame, so it copies nothing.
bool Blank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 33; });
}

void Deliver(TGuiDialog* dialog, const std::string& text, TItem* item, bool withItem) {
    if (dialog->Callback != nullptr) {
        dialog->Callback(dialog->CallbackData);
    }
    if (dialog->TextCallback != nullptr) {
        dialog->TextCallback(dialog->UserData2, text);
    }
    if (withItem && dialog->ItemCallback != nullptr) {
        dialog->ItemCallback(dialog->UserData3, item);
    }
}

} // namespace

std::string TrimEntry(std::string_view text) {
    const auto low = [](char c) { return static_cast<unsigned char>(c) < 33; };
    while (!text.empty() && low(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && low(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

void RegisterStandardDialogs(std::string_view cursorName, std::string_view hintName) {
    const std::string cursor(cursorName);
    const std::string hint(hintName);
    if (!DialogExists(DialogMessageName)) {
        RegisterDialog(std::make_unique<TGuiDialogMessage>(std::string(DialogMessageName), FadeTime,
                                                           FadeTime, cursor, hint));
    }
    if (!DialogExists(DialogQueryName)) {
        RegisterDialog(std::make_unique<TGuiDialogQuery>(std::string(DialogQueryName), FadeTime,
                                                         FadeTime, cursor, hint));
    }
    if (!DialogExists(DialogInputLineName)) {
        RegisterDialog(std::make_unique<TGuiDialogInputLine>(std::string(DialogInputLineName),
                                                             FadeTime, FadeTime, cursor, hint));
    }
}

// ---- message and query ----

float TGuiDialogMessage::BuildFrame(float width) {
    const float textWidth = width - 2 * Margin;
    const float textHeight = TextHeight(Text, textWidth);
    const float height = Margin + textHeight + RowGap + ButtonHeight + Margin;
    const float top = -height / 2;
    Cover(this);
    Plate(this, width, height);
    Layout = {0, top + Margin + textHeight / 2, textWidth, textHeight};
    CreateControl<TGuiControlLabel>(this, 0, {{21, Text}, {20, tfWordWrap}});
    return top + Margin + textHeight + RowGap + ButtonHeight / 2;
}

void TGuiDialogMessage::Show(int32_t) {
    const float y = BuildFrame(400);
    TGuiControlButton* ok = Button(this, 0, y, ButtonWidth, "OK", "OK");
    Shortcuts[0] = ok;
    Shortcuts[1] = ok;
}

void TGuiDialogMessage::ControlClicked() {
    if (Callback != nullptr) {
        Callback(CallbackData);
    }
    CloseDialog(this);
}

void TGuiDialogQuery::Show(int32_t) {
    const float y = BuildFrame(400);
    const float offset = (ButtonWidth + RowGap) / 2;
    Shortcuts[1] = Button(this, -offset, y, ButtonWidth, "Yes", "YES");
    Shortcuts[0] = Button(this, offset, y, ButtonWidth, "", "NO");
}

void TGuiDialogQuery::ControlClicked() {
    if (Sender != nullptr && Sender->Name() == "Yes" && Callback != nullptr) {
        Callback(CallbackData);
    }
    CloseDialog(this);
}

// ---- input line ----

void TGuiDialogInputLine::Show(int32_t) {
    constexpr float Width = 500;
    constexpr float Height = 140;
    constexpr float Left = -Width / 2 + Margin;
    constexpr float Right = Width / 2 - Margin;
    const int32_t font = (OptionValue & InputLineGameFont) != 0 ? FontGame : FontEngine;
    Cover(this);
    Plate(this, Width, Height);
    Layout = {0, -Height / 2 + Margin + 12, Width - 2 * Margin, 24};
    CreateControl<TGuiControlLabel>(this, 0, {{21, Text}});
    Layout = {0, -10, Width - 2 * Margin, 34};
    CreateControl<TGuiControlInput>(this, 0, {{0, "Input"}, {9, font}});
    const float y = Height / 2 - Margin - ButtonHeight / 2;
    float x = Left + EditButtonWidth / 2;
    Button(this, x, y, EditButtonWidth, "Store", "STR");
    x += EditButtonWidth + RowGap;
    Button(this, x, y, EditButtonWidth, "Delete", "DEL");
    x += EditButtonWidth + RowGap;
    Button(this, x, y, EditButtonWidth, "Insert", "INS");
    Shortcuts[1] = Button(this, Right - ButtonWidth / 2, y, ButtonWidth, "OK", "OK");
    Shortcuts[0] =
        Button(this, Right - ButtonWidth * 1.5f - RowGap, y, ButtonWidth, "Cancel", "CANCEL");
    EditButtons = true;
    EntryFont = font;
    EntryMaxLength = INT32_MAX;
    EntryClickSound = false;
    EntryNamesOnly = false;
    StartEntry(Caption);
    EntryEmpty = Blank(TextEntryText());
    UpdateButtons();
}

void TGuiDialogInputLine::StartEntry(std::string_view text) {
    StartTextEntry(Font(EntryFont), text, EntryMaxLength, false, EntryClickSound, EntryNamesOnly);
}

void TGuiDialogInputLine::Hide() {
    AbortTextEntry();
}

void TGuiDialogInputLine::Activate() {
    // A dialog stacked above may have ended the entry; typing comes back here.
    if (!TextEntryActive() && DialogState != dsFadingOut && DialogState != dsClosed) {
        const auto* input = static_cast<TGuiControl*>(Controls.Find("Input"));
        StartEntry(input != nullptr ? input->Text : Caption);
    }
}

void TGuiDialogInputLine::Update() {
    const bool empty = Blank(TextEntryText());
    if (empty != EntryEmpty) {
        EntryEmpty = empty;
        UpdateButtons();
    }
}

void TGuiDialogInputLine::UpdateButtons() {
    if (EditButtons) {
        SetControlEnabled(static_cast<TGuiControl*>(Controls.Find("Insert")), HasStoredText());
    }
    if ((OptionValue & InputLineTextRequired) != 0) {
        SetControlEnabled(static_cast<TGuiControl*>(Controls.Find("OK")), !EntryEmpty);
    }
}

void TGuiDialogInputLine::ControlClicked() {
    const std::string& name = Sender != nullptr ? Sender->Name() : std::string();
    if (name == "OK") {
        const std::string text = TrimEntry(TextEntryText());
        EndTextEntry();
        Deliver(this, text, nullptr, false);
        CloseDialog(this);
    } else if (name == "Cancel") {
        EndTextEntry();
        CloseDialog(this);
    } else if (EditButtons && (name == "Store" || name == "Delete" || name == "Insert")) {
        if (name == "Store") {
            StoreEntryText();
        } else if (name == "Delete") {
            ClearEntryText();
        } else {
            InsertStoredText();
        }
        EntryEmpty = Blank(TextEntryText());
        UpdateButtons();
    }
}

// ---- choose ----

void TGuiDialogChoose::Show(int32_t) {
    AllowNone = OptionValue == 1;
    AllowFilter = OptionValue == 2;
    ShownItems = nullptr;
    Items = nullptr;
    Columns = 0;
    Rows = 0;
    filtered_.reset();
    FillItems();

    if (ShownItems != nullptr) {
        AllowFilter = false;
    } else if (Items != nullptr) {
        if (!Items->AllNamed()) {
            AllowFilter = false;
        }
        if (AllowFilter && !Filter.empty()) {
            filtered_ = std::make_unique<TContainer>(false, true);
            for (TItem* item = Items->First(); item != nullptr; item = item->Next()) {
                if (item->AsNamed()->Name().find(Filter) != std::string::npos) {
                    filtered_->Add(std::make_unique<TCustomItem>(item));
                }
            }
            ShownItems = filtered_.get();
        } else {
            ShownItems = Items;
        }
    } else {
        if (empty_ == nullptr) {
            empty_ = std::make_unique<TContainer>(false, true);
        }
        ShownItems = empty_.get();
        AllowFilter = false;
    }

    Portrait = ItemWidth <= ItemHeight;
    const float gapX = Portrait ? 5 : 10;
    const float gapY = Portrait ? 10 : 5;
    // A size of 0 or less would count columns for ever; one item a row or column then.
    const auto fitting = [](float room, float item, float gap) {
        int32_t count = 0;
        if (item <= 0) {
            return 1;
        }
        while (item <= room) {
            ++count;
            room -= item + gap;
        }
        return count;
    };
    if (Columns <= 0) {
        Columns = fitting(1600 - 2 * Margin, ItemWidth, gapX);
    }
    if (Rows <= 0) {
        Rows = fitting(900 - 2 * Margin - ButtonHeight - RowGap, ItemHeight, gapY);
    }
    const int32_t n = std::max(ShownItems->Count(), 1);
    const auto ceilDiv = [](int32_t a, int32_t b) { return (a + b - 1) / b; };
    if (Portrait) {
        Columns = std::max(std::min(Columns, n), 1);
        Rows = std::max(std::min(Rows, ceilDiv(n, Columns)), 1);
    } else {
        Rows = std::max(std::min(Rows, n), 1);
        Columns = std::max(std::min(Columns, ceilDiv(n, Rows)), 1);
    }
    PageSize = Columns * Rows;
    PageCount = std::max(ceilDiv(n, PageSize), 1);

    // The grid, and below it one row: Cancel, Nil, Filter, then the page controls.
    const float gridWidth =
        static_cast<float>(Columns) * ItemWidth + static_cast<float>(Columns - 1) * gapX;
    const float gridHeight =
        static_cast<float>(Rows) * ItemHeight + static_cast<float>(Rows - 1) * gapY;
    float rowWidth = ButtonWidth;
    rowWidth += AllowNone ? ButtonWidth + RowGap : 0;
    rowWidth += AllowFilter ? ButtonWidth + RowGap : 0;
    rowWidth += PageCount >= 2 ? 2 * (PageButtonWidth + RowGap) + ButtonWidth + RowGap : 0;
    const float width = std::max(gridWidth, rowWidth) + 2 * Margin;
    const float height = Margin + gridHeight + RowGap + ButtonHeight + Margin;
    const float top = -height / 2;
    Cover(this);
    Plate(this, width, height);

    buttons_.clear();
    FirstItemControl = nullptr;
    for (int32_t row = 0; row < Rows; ++row) {
        for (int32_t column = 0; column < Columns; ++column) {
            Layout = {-gridWidth / 2 + ItemWidth / 2 +
                          static_cast<float>(column) * (ItemWidth + gapX),
                      top + Margin + ItemHeight / 2 + static_cast<float>(row) * (ItemHeight + gapY),
                      ItemWidth, ItemHeight};
            auto* button = CreateControl<TGuiControlButtonChoose>(
                this, 0, {{0, "Item" + std::to_string(row * Columns + column + 1)}, {1, "Item"}});
            buttons_.push_back(button);
        }
    }
    FirstItemControl = buttons_.empty() ? nullptr : buttons_.front();

    const float y = height / 2 - Margin - ButtonHeight / 2;
    float x = -rowWidth / 2;
    const auto next = [&](float w) {
        const float centre = x + w / 2;
        x += w + RowGap;
        return centre;
    };
    Shortcuts[0] = Button(this, next(ButtonWidth), y, ButtonWidth, "Cancel", "CANCEL");
    if (AllowNone) {
        Button(this, next(ButtonWidth), y, ButtonWidth, "Nil", "NIL");
    }
    if (AllowFilter) {
        Button(this, next(ButtonWidth), y, ButtonWidth, "Filter", Filter);
    }
    pageLabel_ = nullptr;
    previous_ = nullptr;
    next_ = nullptr;
    if (PageCount >= 2) {
        previous_ = Button(this, next(PageButtonWidth), y, PageButtonWidth, "PrevPage", "<");
        Layout = {next(ButtonWidth), y, ButtonWidth, ButtonHeight};
        pageLabel_ = CreateControl<TGuiControlLabelSuffix>(this, 0, {{0, "Page"}, {21, "Page"}});
        next_ = Button(this, next(PageButtonWidth), y, PageButtonWidth, "NextPage", ">");
    }
    ShowPage(1);
}

void TGuiDialogChoose::ShowPage(int32_t page) {
    Page = std::clamp(page, 1, PageCount);
    if (PageCount >= 2) {
        if (pageLabel_ != nullptr) {
            pageLabel_->SetSuffix(" " + std::to_string(Page));
        }
        SetControlEnabled(previous_, Page >= 2);
        SetControlEnabled(next_, Page < PageCount);
    }
    TItem* entry = ShownItems != nullptr ? ShownItems->ItemAt((Page - 1) * PageSize + 1) : nullptr;
    for (TGuiControlButtonChoose* button : buttons_) {
        // Every assignment starts from a bare face, so nothing of the previous item shows.
        button->Text.clear();
        button->TextureName.clear();
        button->SecondTextureName.clear();
        button->EffectName.clear();
        button->Frame = 0;
        button->SecondFrame = 0;
        button->Dirty = true;
        if (entry != nullptr) {
            button->Item =
                ShownItems == filtered_.get() ? static_cast<TCustomItem*>(entry)->Source : entry;
            PresentItem(button, button->Item);
            SetControlVisible(button, true);
            entry = entry->Next();
        } else {
            button->Item = nullptr;
            SetControlVisible(button, false);
        }
    }
}

void TGuiDialogChoose::Hide() {
    ShownItems = nullptr;
    filtered_.reset();
    buttons_.clear();
    FirstItemControl = nullptr;
    pageLabel_ = nullptr;
    previous_ = nullptr;
    next_ = nullptr;
}

void TGuiDialogChoose::FilterEntered(void* data, const std::string& text) {
    auto* dialog = static_cast<TGuiDialogChoose*>(data);
    dialog->Filter = text;
    if (dialog->Shown && dialog->DialogState != dsFadingOut && dialog->DialogState != dsClosed) {
        ReloadForm(dialog);
    }
}

void TGuiDialogChoose::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    const std::string& name = Sender->Name();
    if (Sender->Group == "Item") {
        auto* button = static_cast<TGuiControlButtonChoose*>(Sender);
        Deliver(this, button->Text, button->Item, true);
        CloseDialog(this);
    } else if (name == "Cancel") {
        CloseDialog(this);
    } else if (name == "PrevPage") {
        ShowPage(Page - 1);
    } else if (name == "NextPage") {
        ShowPage(Page + 1);
    } else if (name == "Nil") {
        Deliver(this, std::string(), nullptr, true);
        CloseDialog(this);
    } else if (name == "Filter") {
        // The engine's own input line stands in when no dialog of the wanted name exists, so
        // the filter always has somewhere to be typed.
        if (!DialogExists(FilterDialogName)) {
            RegisterStandardDialogs(CursorName, DefaultHintStyle);
        }
        const std::string prompt = ScriptTextExists(FilterPromptKey)
                                       ? ScriptText(FilterPromptKey)
                                       : std::string(FilterPromptFallback);
        const std::string_view dialogName = DialogExists(FilterDialogName)
                                                ? std::string_view(FilterDialogName)
                                                : DialogInputLineName;
        ShowDialog(dialogName, prompt, Filter, nullptr, nullptr, nullptr, FilterEntered, this);
    }
}

} // namespace valdmoor
