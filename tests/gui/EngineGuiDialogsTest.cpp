#include "gui/EngineGuiDialogs.h"

#include "GuiFixture.h"
#include "gui/EngineGuiControls.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Lines = std::vector<std::string>;

// What the callbacks heard, with the dialog's state at that moment.
Lines heard;

void Called(void* data) {
    const auto* dialog = static_cast<const TGuiDialog*>(data);
    heard.push_back("call " + std::to_string(dialog->DialogState));
}

void TextCalled(void*, const std::string& text) {
    heard.push_back("text [" + text + "]");
}

void ItemCalled(void*, TItem* item) {
    heard.push_back("item " + (item != nullptr ? item->AsNamed()->Name() : std::string("nil")));
}

class TTestChoose : public TGuiDialogChoose {
public:
    TTestChoose() : TGuiDialogChoose("Choose", 0, 0, "", "") {}
    void FillItems() override {
        Items = &Source;
        ItemWidth = 100;
        ItemHeight = 50;
        Columns = PresetColumns;
        Rows = PresetRows;
        ++Fills;
    }
    void PresentItem(TGuiControlButtonChoose* button, TItem* item) override {
        button->Text = item->AsNamed()->Name();
    }
    void SetItems(std::initializer_list<const char*> names) {
        Source.Clear();
        for (const char* name : names) {
            Source.Add(std::make_unique<TNamedItem>(name));
        }
    }

    TContainer Source{false, true};
    int32_t PresetColumns = 2;
    int32_t PresetRows = 2;
    int Fills = 0;
};

class Dialogs : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        heard.clear();
        RegisterStandardDialogs();
        auto choose = std::make_unique<TTestChoose>();
        chooser = choose.get();
        RegisterDialog(std::move(choose));
        // The dialogs' fades are 0.3 s: start with every dialog open at once.
        for (const char* name : {"Message", "Query", "InputLine"}) {
            FindDialog(name)->FadeInTime = 0;
            FindDialog(name)->FadeOutTime = 0;
        }
    }
    TGuiDialog* Open(std::string_view name, std::string_view text, std::string_view caption,
                     int32_t option = 0) {
        TGuiDialog* dialog = ShowDialog(name, text, caption, nullptr, Called, FindDialog(name),
                                        TextCalled, nullptr, ItemCalled, nullptr, option);
        Frames(1);
        return dialog;
    }
    static TGuiControl* Control(TGuiForm* form, std::string_view name) {
        return form->Controls.Find(name);
    }
    static std::vector<std::string> VisibleItems(TGuiForm* form) {
        std::vector<std::string> names;
        for (TGuiControl& control : form->Controls) {
            if (control.Group == "Item" && control.Visible) {
                names.push_back(control.Text);
            }
        }
        return names;
    }
    // Clicks the centre of a control of the topmost dialog.
    void Click(TGuiControl* control) {
        ASSERT_NE(control, nullptr);
        const float x = control->Origin.X + control->Position.X;
        const float y = control->Origin.Y + control->Position.Y;
        Input("1 down " + std::to_string(x) + " " + std::to_string(y) + "\n2 up\n3 move 790 440\n");
        Frames(3);
    }
    void Key(const std::string& key) {
        Input("1 key " + key + "\n2 release " + key + "\n");
        Frames(2);
    }

    TTestChoose* chooser = nullptr;
};

TEST_F(Dialogs, MessageCallsBackBeforeItStartsClosing) {
    TGuiDialog* message = Open("Message", "Saved.", "");
    EXPECT_EQ(message->DialogState, dsOpen);
    EXPECT_EQ(Control(message, "OK")->Text, "OK");
    Key("enter");
    EXPECT_EQ(heard, (Lines{"call " + std::to_string(dsOpen)}));
    EXPECT_FALSE(message->Shown);

    heard.clear();
    Open("Message", "Again.", "");
    Key("escape");
    EXPECT_EQ(heard.size(), 1u);
}

TEST_F(Dialogs, QueryCallsBackOnlyForYes) {
    TGuiDialog* query = Open("Query", "Quit?", "");
    Key("escape");
    EXPECT_TRUE(heard.empty());
    EXPECT_FALSE(query->Shown);

    Open("Query", "Quit?", "");
    TGuiControl* no = nullptr;
    for (TGuiControl& control : query->Controls) {
        if (control.Text == "NO") {
            no = &control;
        }
    }
    Click(no);
    EXPECT_TRUE(heard.empty());

    Open("Query", "Quit?", "");
    Click(Control(query, "Yes"));
    EXPECT_EQ(heard, (Lines{"call " + std::to_string(dsOpen)}));
}

TEST_F(Dialogs, DialogIsRebuiltFromScratchOnEveryShow) {
    TGuiDialog* message = Open("Message", "First", "");
    const int32_t controls = message->Controls.Count();
    TGuiControl* label = nullptr;
    for (TGuiControl& control : message->Controls) {
        if (control.Text == "First") {
            label = &control;
        }
    }
    ASSERT_NE(label, nullptr);
    Key("enter");
    Open("Message", "A second, longer text that takes more than one line in the box", "");
    EXPECT_EQ(message->Controls.Count(), controls);
    int found = 0;
    for (TGuiControl& control : message->Controls) {
        found += control.Text == "First" ? 1 : 0;
    }
    EXPECT_EQ(found, 0);
}

TEST_F(Dialogs, InputLineTrimsAndRequiresTextWithOptionBitOne) {
    TGuiDialog* line = Open("InputLine", "Name:", "  ", InputLineTextRequired);
    EXPECT_TRUE(TextEntryActive());
    EXPECT_FALSE(Control(line, "OK")->Enabled);
    Key("enter");
    EXPECT_TRUE(heard.empty());
    EXPECT_TRUE(line->Shown);

    Input("1 text  Ida \n");
    Frames(2);
    EXPECT_TRUE(Control(line, "OK")->Enabled);
    Key("enter");
    EXPECT_EQ(heard, (Lines{"call " + std::to_string(dsOpen), "text [Ida]"}));
    EXPECT_FALSE(TextEntryActive());

    // Cancel takes nothing and leaves no text behind.
    heard.clear();
    Open("InputLine", "Name:", "Bo");
    EXPECT_EQ(TextEntryText(), "Bo");
    Key("escape");
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(TextEntryText(), "");
}

TEST_F(Dialogs, InputLineStoreDeleteAndInsert) {
    TGuiDialog* line = Open("InputLine", "Name:", "Åsa");
    EXPECT_FALSE(Control(line, "Insert")->Enabled);
    Click(Control(line, "Insert"));
    EXPECT_EQ(TextEntryText(), "Åsa");

    Click(Control(line, "Store"));
    EXPECT_TRUE(Control(line, "Insert")->Enabled);
    Click(Control(line, "Delete"));
    EXPECT_EQ(TextEntryText(), "");
    EXPECT_EQ(TextEntryCaret(), 1);
    Input("1 text ->\n");
    Frames(2);
    Click(Control(line, "Insert"));
    EXPECT_EQ(TextEntryText(), "->Åsa");
    EXPECT_EQ(TextEntryCaret(), 6);
    EXPECT_FALSE(HasStoredText());
    EXPECT_FALSE(Control(line, "Insert")->Enabled);
    Key("escape");
}

TEST_F(Dialogs, InputLineTakesTypingBackWhenADialogAboveEndedIt) {
    Open("InputLine", "Name:", "Bo");
    Open("Message", "Above", "");
    EndTextEntry();
    Key("enter");
    Frames(1);
    EXPECT_TRUE(TextEntryActive());
    EXPECT_EQ(TextEntryText(), "Bo");
    Input("1 text b\n");
    Frames(2);
    EXPECT_EQ(TextEntryText(), "Bob");
}

TEST_F(Dialogs, InputLinePlaysNoKeyClick) {
    static int clicks = 0;
    clicks = 0;
    SetInputHooks(
        nullptr, [] { ++clicks; }, nullptr);
    Open("InputLine", "Name:", "");
    Input("1 text abc\n2 key backspace\n3 release backspace\n");
    Frames(3);
    EXPECT_EQ(TextEntryText(), "ab");
    EXPECT_EQ(clicks, 0);
    SetInputHooks(nullptr, nullptr, nullptr);
}

TEST_F(Dialogs, ChooseDialogPagesExactlyAndHidesThePageControlsForOnePage) {
    chooser->SetItems({"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"});
    Open("Choose", "", "");
    EXPECT_EQ(chooser->PageSize, 4);
    EXPECT_EQ(chooser->PageCount, 2); // exactly two pages, not three
    EXPECT_EQ(VisibleItems(chooser), (Lines{"a1", "a2", "a3", "a4"}));
    auto* label = static_cast<TGuiControlLabelSuffix*>(Control(chooser, "Page"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Suffix, " 1");
    EXPECT_FALSE(Control(chooser, "PrevPage")->Enabled);
    EXPECT_TRUE(Control(chooser, "NextPage")->Enabled);
    Click(Control(chooser, "NextPage"));
    EXPECT_EQ(chooser->Page, 2);
    EXPECT_EQ(label->Suffix, " 2");
    EXPECT_EQ(VisibleItems(chooser), (Lines{"a5", "a6", "a7", "a8"}));
    EXPECT_TRUE(Control(chooser, "PrevPage")->Enabled);
    EXPECT_FALSE(Control(chooser, "NextPage")->Enabled);

    Click(Control(chooser, "Item2"));
    EXPECT_EQ(heard, (Lines{"call " + std::to_string(dsOpen), "text [a6]", "item a6"}));

    chooser->SetItems({"b1", "b2", "b3"});
    Open("Choose", "", "");
    EXPECT_EQ(chooser->PageCount, 1);
    EXPECT_EQ(Control(chooser, "Page"), nullptr);
    EXPECT_EQ(Control(chooser, "NextPage"), nullptr);
    Key("escape");

    chooser->SetItems({});
    Open("Choose", "", "", 1);
    EXPECT_EQ(chooser->PageCount, 1);
    EXPECT_TRUE(VisibleItems(chooser).empty());
    heard.clear();
    Click(Control(chooser, "Nil"));
    EXPECT_EQ(heard, (Lines{"call " + std::to_string(dsOpen), "text []", "item nil"}));
}

TEST_F(Dialogs, ChooseGridSizeComesFromTheItemSizeWhenNotPreset) {
    chooser->PresetColumns = 0;
    chooser->PresetRows = 0;
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i) {
        names.push_back("n" + std::to_string(i));
    }
    chooser->Source.Clear();
    for (const std::string& name : names) {
        chooser->Source.Add(std::make_unique<TNamedItem>(name));
    }
    Open("Choose", "", "");
    // 1570 wide rooms 14 columns of 100 with gaps of 10; 830 high rooms 15 rows of 50 + 5.
    EXPECT_EQ(chooser->Columns, 14);
    EXPECT_EQ(chooser->Rows, 15);
    EXPECT_EQ(chooser->PageCount, 1);
    Key("escape");
}

TEST_F(Dialogs, ChooseFilterWorksThroughTheInputLine) {
    chooser->SetItems({"apple", "banana", "cherry", "grape", "pineapple"});
    Open("Choose", "", "", 2);
    ASSERT_NE(Control(chooser, "Filter"), nullptr);
    Click(Control(chooser, "Filter"));
    TGuiDialog* line = DialogInSlot(1);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Name(), "InputLine");
    EXPECT_EQ(line->Text, "Enter filter:");
    Input("1 text apple\n");
    Frames(2);
    Key("enter");
    Frames(1);
    EXPECT_EQ(chooser->Filter, "apple");
    EXPECT_EQ(chooser->Page, 1);
    EXPECT_EQ(VisibleItems(chooser), (Lines{"apple", "pineapple"}));
    EXPECT_EQ(Control(chooser, "Filter")->Text, "apple");

    // A filter matching nothing gives one empty page; an empty filter shows everything again.
    Click(Control(chooser, "Filter"));
    Click(Control(DialogInSlot(1), "Delete"));
    Input("1 text zzz\n");
    Frames(2);
    Key("enter");
    Frames(1);
    EXPECT_EQ(chooser->PageCount, 1);
    EXPECT_TRUE(VisibleItems(chooser).empty());
    Click(Control(chooser, "Filter"));
    Click(Control(DialogInSlot(1), "Delete"));
    Key("enter");
    Frames(1);
    EXPECT_EQ(chooser->Filter, "");
    EXPECT_EQ(VisibleItems(chooser).size(), 4u);
    EXPECT_EQ(chooser->PageCount, 2);

    // The filter stays with the dialog between showings; the picked item is the source item.
    Click(Control(chooser, "Filter"));
    Input("1 text grape\n");
    Frames(2);
    Key("enter");
    Frames(1);
    Key("escape");
    heard.clear();
    Open("Choose", "", "", 2);
    EXPECT_EQ(VisibleItems(chooser), (Lines{"grape"}));
    Click(Control(chooser, "Item1"));
    EXPECT_EQ(heard.back(), "item grape");
}

TEST_F(Dialogs, ChooseFilterPromptComesFromTheScriptTexts) {
    home.Write("ScriptCommon.xml", "<script><text id=\"InputFilter\">Filtre :</text></script>");
    LoadScript(ssCommon, true);
    chooser->SetItems({"x"});
    Open("Choose", "", "", 2);
    Click(Control(chooser, "Filter"));
    ASSERT_NE(DialogInSlot(1), nullptr);
    EXPECT_EQ(DialogInSlot(1)->Text, "Filtre :");
}

TEST_F(Dialogs, OpenDialogsAllocateNothingInSteadyFrames) {
    chooser->SetItems({"a1", "a2", "a3", "a4", "a5"});
    Open("Choose", "", "", 2);
    Open("InputLine", "Name:", "Ida");
    Frames(2);
    const int64_t before = test::AllocationCount();
    for (int i = 0; i < 30; ++i) {
        GuiFrame();
    }
    EXPECT_EQ(test::AllocationCount(), before);
}

class ChooseAlone : public test::GuiFixture {};

TEST_F(ChooseAlone, FilterBringsItsOwnInputLineWhenNoneIsRegistered) {
    auto choose = std::make_unique<TTestChoose>();
    TTestChoose* dialog = choose.get();
    RegisterDialog(std::move(choose));
    dialog->SetItems({"oak", "ash"});
    dialog->FilterDialogName = "NoSuchDialog";
    TDialogArguments arguments;
    arguments.Option = 2;
    ShowDialog("Choose", arguments);
    Frames(1);
    TGuiControl* filter = dialog->Controls.Find("Filter");
    ASSERT_NE(filter, nullptr);
    Input("1 down " + std::to_string(filter->Position.X) + " " +
          std::to_string(filter->Position.Y) + "\n2 up\n");
    Frames(2);
    ASSERT_NE(DialogInSlot(1), nullptr);
    EXPECT_EQ(DialogInSlot(1)->Name(), "InputLine");
    for (const std::string& line : LogLines()) {
        EXPECT_EQ(line.find("Unknown dialog"), std::string::npos) << line;
    }
}

TEST(TextEntry, EditsByCodePointAtTheLengthLimit) {
    InputReset();
    StartTextEntry(nullptr, "", 5, false, false, false);
    TPlatformEvent text;
    text.Kind = peText;
    std::snprintf(text.Text, sizeof text.Text, "%s", "ÄÖ€x𝄞yz");
    InputEvent(text, 100, 100);
    EXPECT_EQ(TextEntryText(), "ÄÖ€x𝄞");
    EXPECT_EQ(TextEntryLength(), 5);
    EXPECT_EQ(TextEntryCaret(), 6);
    TPlatformEvent key;
    key.Kind = peKeyDown;
    key.Key = kcBackspace;
    InputEvent(key, 100, 100);
    EXPECT_EQ(TextEntryText(), "ÄÖ€x");
    key.Key = kcLeft;
    InputEvent(key, 100, 100);
    InputEvent(key, 100, 100);
    key.Key = kcDelete;
    InputEvent(key, 100, 100);
    EXPECT_EQ(TextEntryText(), "ÄÖx");
    EXPECT_EQ(TextEntryCaret(), 3);
    InputReset();
}

TEST(TextEntry, PasteFollowsTheTypingRules) {
    InputReset();
    StartTextEntry(nullptr, "ab", 6, false, false, true);
    // Line breaks and tabs are dropped, the names-only filter refuses "!" and the double
    // space, and the maximum length cuts the rest.
    PasteIntoTextEntry("c!\nd  é€fgh");
    EXPECT_EQ(TextEntryText(), "abcd é");
    EXPECT_EQ(TextEntryLength(), 6);
    EndTextEntry();
    PasteIntoTextEntry("zz");
    EXPECT_EQ(TextEntryText(), "abcd é");
    InputReset();
}

TEST_F(Dialogs, CtrlVPastesTheClipboardIntoTheInputLine) {
    window->Clipboard = "Ülla\nBerg";
    Open("InputLine", "Name:", "Hi ");
    Input("1 key paste\n2 release paste\n");
    Frames(2);
    EXPECT_EQ(TextEntryText(), "Hi ÜllaBerg");
    Key("enter");
    EXPECT_EQ(heard.back(), "text [Hi ÜllaBerg]");
}

} // namespace
} // namespace valdmoor
