// The gallery of standard controls and dialogs: every control in each of its states, and the
// dialogs opened by keys, run by the GUI framework exactly as the game's screens are.
#include "GuiGallery.h"

#include "AssetViews.h"
#include "gui/EngineGui.h"
#include "gui/EngineGuiControls.h"
#include "gui/EngineGuiDialogs.h"
#include "platform/EngineInput.h"
#include "texts/EngineTexts.h"

#include <array>
#include <string>
#include <vector>

namespace valdmoor {

namespace {

constexpr std::array<const char*, 5> StateNames = {"normal", "hovered", "pressed", "checked",
                                                   "disabled"};
constexpr float FirstColumn = -420;
constexpr float ColumnStep = 190;
constexpr float LabelColumn = -650;

// Fixed particle frames to choose from; the picture exists in every game folder.
constexpr int32_t ChoiceCount = 12;

// A page of particle frames, filtered by their names.
class TGalleryChoose : public TGuiDialogChoose {
public:
    TGalleryChoose() : TGuiDialogChoose("Choose", 0.3f, 0.3f, "", "") {
        for (int32_t i = 0; i < ChoiceCount; ++i) {
            source_.Add(std::make_unique<TNamedItem>("Frame " + std::to_string(i)));
        }
    }
    void FillItems() override {
        Items = &source_;
        ItemWidth = 90;
        ItemHeight = 90;
        Columns = 4;
        Rows = 2;
    }
    void PresentItem(TGuiControlButtonChoose* button, TItem* item) override {
        button->TextureName = "G2Particles";
        button->Frame = source_.IndexOf(item) - 1;
    }

private:
    TContainer source_{false, true};
};

// Keeps the looks of the states a pointer would give, whatever the pointer does.
struct TPinnedState {
    TGuiControl* Control;
    bool Hovered;
    bool Pressed;
};

class TGalleryForm : public TGuiForm {
public:
    TGalleryForm() : TGuiForm("Gallery", "", "") {}

    void Show(int32_t) override {
        pinned_.clear();
        for (std::size_t i = 0; i < StateNames.size(); ++i) {
            Place(Column(i), -205, 180, 30);
            CreateControl<TGuiControlLabel>(this, 0, {{21, StateNames[i]}});
        }
        StateRow("TGuiControlButton", -160, 160, 40, [](TGuiForm* form) {
            return CreateControl<TGuiControlButton>(form, 0, {{21, "Button"}});
        });
        StateRow("ButtonChoose, text", -105, 160, 40, [](TGuiForm* form) {
            return CreateControl<TGuiControlButtonChoose>(form, 0, {{21, "Choice"}, {9, 1}});
        });
        StateRow("ButtonChoose, picture", -35, 80, 80, [](TGuiForm* form) {
            return CreateControl<TGuiControlButtonChoose>(form, 0, {{12, "G2Particles"}, {15, 2}});
        });
        StateRow("ButtonChoose, effect", 55, 80, 80, [](TGuiForm* form) {
            return CreateControl<TGuiControlButtonChoose>(form, 0, {{18, "G2Sparkle"}});
        });

        RowLabel("Label, suffix, plate,", 130);
        RowLabel("border, picture, effect", 150);
        Place(Column(0), 140, 170, 30);
        CreateControl<TGuiControlLabel>(this, 0, {{21, "A label"}, {9, 1}});
        Place(Column(1), 140, 170, 30);
        auto* suffix = CreateControl<TGuiControlLabelSuffix>(this, 0, {{21, "Page"}});
        suffix->SetSuffix(" 7");
        Place(Column(2), 140, 150, 60);
        CreateControl<TGuiControlPlate>(this, 0, {{12, "G2Square06Filled"}, {10, 0x663333}});
        Place(Column(3), 140, 150, 60);
        CreateControl<TGuiControlBorder>(this, 0, {{12, "G2Square06Outline"}, {10, 0xAA7700}});
        Place(Column(4) - 40, 140, 60, 60);
        CreateControl<TGuiControlPicture>(this, 0, {{12, "G2Particles"}, {15, 2}});
        Place(Column(4) + 40, 140, 80, 80);
        CreateControl<TGuiControlEffect>(this, 0, {{18, "G2Sparkle"}});

        RowLabel("TGuiControlInput", 225);
        Place(Column(0) + ColumnStep / 2, 225, 360, 40);
        CreateControl<TGuiControlInput>(this, 0, {{9, 1}});

        // The keys open the dialogs; the buttons do too.
        RowLabel("Dialogs", 300);
        const char* dialogs[][2] = {{"Message", "Enter: message"},
                                    {"Query", "H: question"},
                                    {"InputLine", "I: input line"},
                                    {"Choose", "M: choose"}};
        for (std::size_t i = 0; i < 4; ++i) {
            Place(Column(i), 300, 180, 40);
            Shortcuts[i + 1] = CreateControl<TGuiControlButton>(
                this, 0, {{0, dialogs[i][0]}, {21, dialogs[i][1]}});
        }

        // A canvas control last: it takes the controls made after it, here a cover and a label.
        Place(Column(3) + ColumnStep / 2, 225, 340, 60);
        CreateControl<TGuiControlCanvas>(this, 0);
        Place(Column(3) + ColumnStep / 2, 225, 340, 60);
        CreateControl<TGuiControlScreenCover>(this, 1);
        CreateControl<TGuiControlLabel>(this, 2, {{21, "on an off-screen canvas"}});
    }

    void Activate() override {
        if (!TextEntryActive()) {
            StartTextEntry(valdmoor::Font(FontGame), "Typed text", 40, false, false, false);
        }
    }

    void Update() override {
        for (const TPinnedState& pin : pinned_) {
            if (pin.Control->Hovered != pin.Hovered || pin.Control->Pressed != pin.Pressed) {
                pin.Control->Hovered = pin.Hovered;
                pin.Control->Pressed = pin.Pressed;
                pin.Control->Dirty = true;
            }
        }
    }

    void ControlClicked() override {
        const std::string& name = Sender->Name();
        TDialogArguments arguments;
        if (name == "Message") {
            arguments.Text = "A message with one button: Escape or Enter closes it.";
        } else if (name == "Query") {
            arguments.Text = "A question: only YES calls back.";
        } else if (name == "InputLine") {
            arguments.Text = "Type a line:";
            arguments.Caption = "Ready";
            arguments.Option = InputLineGameFont;
        } else if (name == "Choose") {
            arguments.Option = 2; // with the filter
        }
        ShowDialog(name, arguments);
    }

private:
    static float Column(std::size_t i) { return FirstColumn + ColumnStep * static_cast<float>(i); }

    void Place(float x, float y, float w, float h) { Layout = {x, y, w, h}; }

    void RowLabel(const char* text, float y) {
        Place(LabelColumn, y, 260, 30);
        CreateControl<TGuiControlLabel>(this, 0, {{21, text}, {20, tfAlignLeft}});
    }

    template <class TMake>
    void StateRow(const char* label, float y, float w, float h, TMake make) {
        RowLabel(label, y);
        for (std::size_t i = 0; i < StateNames.size(); ++i) {
            Place(Column(i), y, w, h);
            TGuiControl* control = make(this);
            pinned_.push_back({control, i == 1, i == 2});
            control->Checked = i == 3;
            control->Enabled = i != 4;
        }
    }

    std::vector<TPinnedState> pinned_;
};

class TGalleryView : public TAssetView {
public:
    TGalleryView() {
        GuiStart();
        RegisterStandardDialogs();
        RegisterDialog(std::make_unique<TGalleryChoose>());
        RegisterForm(std::make_unique<TGalleryForm>());
        SetCurrentForm("Gallery");
    }
    ~TGalleryView() override { GuiStop(); }

    void Update() override { GuiFrame(); }

    std::string Info() const override {
        std::string open = "none";
        for (int32_t slot = 0; slot < DialogSlotCount; ++slot) {
            if (const TGuiDialog* dialog = DialogInSlot(slot)) {
                open = slot == 0 ? dialog->Name() : open + ", " + dialog->Name();
            }
        }
        return "The standard controls in each state, and the standard dialogs.\n"
               "Enter: message     H: question     I: input line     M: choose (with filter)\n"
               "Dialogs open: " +
               open;
    }
};

} // namespace

std::unique_ptr<TAssetView> MakeGuiGallery() {
    return std::make_unique<TGalleryView>();
}

bool GalleryDialogOpen() {
    return DialogInSlot(0) != nullptr;
}

} // namespace valdmoor
