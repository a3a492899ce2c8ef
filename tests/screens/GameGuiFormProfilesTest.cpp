// The profile form driven through the framework: naming the first profile, creating, choosing
// and deleting profiles, and the messages at the limits.
#include "screens/GameGuiFormProfiles.h"

#include "GuiFixture.h"
#include "players/EnginePlayers.h"
#include "screens/GameRegistry.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using test::GuiFixture;

class ProfilesTest : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        PlayersStart();
        RegisterEngineObjects();
    }
    void TearDown() override {
        PlayersStop();
        GuiFixture::TearDown();
    }
    void ShowProfiles() {
        SetCurrentForm("Profiles");
        Frames(2);
    }
    // A click at a control of the form on top.
    void Click(TGuiForm* form, std::string_view name) {
        TGuiControl* control = FindControl(form, name);
        ASSERT_NE(control, nullptr) << name;
        const int x = static_cast<int>(control->Origin.X + control->Position.X);
        const int y = static_cast<int>(control->Origin.Y + control->Position.Y);
        Input("1 move " + std::to_string(x) + " " + std::to_string(y) + "\n2 down\n3 up");
        // Long enough for a dialog it opens to finish fading in.
        Frames(30);
    }
    TGuiForm* Profiles() { return FindForm("Profiles"); }
    std::string TopDialog() const {
        for (int32_t slot = DialogSlotCount - 1; slot >= 0; --slot) {
            if (TGuiDialog* dialog = DialogInSlot(slot)) {
                return dialog->Name();
            }
        }
        return {};
    }
    void Type(const std::string& text) {
        Input("1 text " + text + "\n2 key enter\n3 release enter");
        Frames(30);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int32_t i = 1; i <= PlayerCount(); ++i) {
            names.push_back(PlayerAt(i)->Name());
        }
        return names;
    }
};

TEST_F(ProfilesTest, FirstStartAsksForTheNameOfTheUnnamedProfile) {
    ASSERT_EQ(PlayerCount(), 1);
    ASSERT_TRUE(CurrentPlayer()->Name().empty());
    ShowProfiles();
    Frames(30);
    ASSERT_EQ(TopDialog(), "InputLineCustom");
    Type("");
    // The default name (here its identifier: the test has no texts) was offered and taken.
    EXPECT_EQ(Names(), (std::vector<std::string>{"DefaultProfileName"}));
    EXPECT_EQ(FindControl(Profiles(), "1")->Text, "DefaultProfileName");
    EXPECT_TRUE(FindControl(Profiles(), "1")->Checked);
    EXPECT_FALSE(FindControl(Profiles(), "2")->Visible);
}

TEST_F(ProfilesTest, NewProfileBecomesCurrentAndATakenNameIsAskedAgain) {
    CurrentPlayer()->SetName("Ann");
    ShowProfiles();
    Click(Profiles(), "New");
    ASSERT_EQ(TopDialog(), "InputLineCustom");
    Type("ann");
    // The taken name (letters compare without case) brings the message, then a new prompt.
    Frames(30);
    ASSERT_EQ(TopDialog(), "MessageCustom");
    Input("1 key enter\n2 release enter");
    Frames(40);
    ASSERT_EQ(TopDialog(), "InputLineCustom");
    Type("Ida");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ann", "Ida"}));
    EXPECT_EQ(CurrentPlayer()->Name(), "Ida");
    EXPECT_TRUE(FindControl(Profiles(), "2")->Checked);
    EXPECT_FALSE(FindControl(Profiles(), "1")->Checked);

    Click(Profiles(), "1");
    EXPECT_EQ(CurrentPlayer()->Name(), "Ann");
    EXPECT_TRUE(FindControl(Profiles(), "1")->Checked);
}

TEST_F(ProfilesTest, LimitsBringTheirMessages) {
    CurrentPlayer()->SetName("One");
    ShowProfiles();
    Click(Profiles(), "Delete");
    EXPECT_EQ(TopDialog(), "MessageCustom");
    EXPECT_EQ(PlayerCount(), 1);
    Input("1 key enter\n2 release enter");
    Frames(40);
    for (const char* name : {"Two", "Three", "Four", "Five", "Six"}) {
        SelectOrCreatePlayer(name);
    }
    ReloadForm(Profiles());
    Frames(2);
    EXPECT_TRUE(FindControl(Profiles(), "6")->Visible);
    Click(Profiles(), "New");
    EXPECT_EQ(TopDialog(), "MessageCustom");
    EXPECT_EQ(PlayerCount(), 6);
}

TEST_F(ProfilesTest, DeleteAsksAndRemovesTheCurrentProfile) {
    CurrentPlayer()->SetName("Ann");
    SelectOrCreatePlayer("Ida");
    ShowProfiles();
    Click(Profiles(), "Delete");
    ASSERT_EQ(TopDialog(), "QueryCustom");
    Input("1 key enter\n2 release enter");
    Frames(40);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ann"}));
    EXPECT_FALSE(FindControl(Profiles(), "2")->Visible);
    Click(Profiles(), "OK");
    Frames(10);
    ASSERT_NE(CurrentForm(), nullptr);
    EXPECT_EQ(CurrentForm()->Name(), "Menu");
}

// The menu is reached through the "Splash" cover and the profiles through "Fade": each form
// takes clicks only once its cover has lifted, and a click while it lifts is lost, not queued.
TEST_F(ProfilesTest, FormsReachedThroughACoverTakeClicksOnceItHasLifted) {
    CurrentPlayer()->SetName("Ann");
    SelectOrCreatePlayer("Ida");
    SwitchForm("Menu", "Splash");
    int frames = 0;
    for (; CurrentTransition() != nullptr && frames < 200; ++frames) {
        Frames(1);
    }
    // Opaque at once without a form before it, then 0.75 s of uncovering at 60 frames a second.
    EXPECT_GE(frames, 45);
    EXPECT_LE(frames, 52);
    Input("1 move 0 -355\n2 down\n3 up\n");
    Frames(3);
    ASSERT_NE(CurrentTransition(), nullptr) << "the profile link took no click";
    EXPECT_EQ(CurrentTransition()->Name(), "Fade");
    // Half-way through lifting the cover, a click on the first profile is not taken.
    Frames(30);
    ASSERT_NE(CurrentForm(), nullptr);
    ASSERT_EQ(CurrentForm()->Name(), "Profiles");
    ASSERT_NE(CurrentTransition(), nullptr);
    TGuiControl* first = FindControl(Profiles(), "1");
    ASSERT_NE(first, nullptr);
    Input("1 move " + std::to_string(first->Position.X) + " " + std::to_string(first->Position.Y) +
          "\n2 down\n3 up\n");
    Frames(3);
    EXPECT_EQ(CurrentPlayer()->Name(), "Ida");
    // 0.3 s each way plus a frame for each step that ends at once: under 50 frames in all.
    Frames(14);
    EXPECT_EQ(CurrentTransition(), nullptr);
    Click(Profiles(), "1");
    EXPECT_EQ(CurrentPlayer()->Name(), "Ann");
}

} // namespace
} // namespace valdmoor
