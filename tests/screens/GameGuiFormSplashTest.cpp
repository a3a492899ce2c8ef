// What the splash finds in the branding folder, and how it steps through the pictures into the
// first real screen.
#include "screens/GameGuiFormSplash.h"

#include "GuiFixture.h"
#include "screens/GameRegistry.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using test::GuiFixture;

class SplashTest : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        SetStorageFolderPath(sfBranding, (home.Path() / "Branding").string() + "/");
    }
    void Branding(const std::string& file) { home.Write("Branding/" + file, "x"); }
    // Runs frames until the running cover has lifted (a 0.75 s cover each way at most).
    void UncoverAll() {
        for (int i = 0; i < 120 && CurrentTransition() != nullptr; ++i) {
            Frames(1);
        }
        ASSERT_EQ(CurrentTransition(), nullptr);
    }
};

TEST_F(SplashTest, CountsEachBrandingPictureOnceInNameOrder) {
    Branding("Studio.png");
    Branding("Studio.jpg");
    Branding("Maker.jpg");
    Branding("Notes.txt");
    EXPECT_EQ(SplashPictureNames(), (std::vector<std::string>{"Maker", "Studio"}));
}

TEST_F(SplashTest, CountsOnlyWhatThePictureLoaderOpensThere) {
    // The loader never opens a branding ".tpx", and prefers an ordinary picture of the same
    // name: counting those would show the placeholder or the ordinary picture.
    Branding("Packed.tpx");
    Branding("G2Props.png");
    home.Write("G2Props.png", "x");
    Branding("Banner.jpg");
    home.Write("Banner.tpx", "x");
    Branding("Own.png");
    EXPECT_EQ(SplashPictureNames(), (std::vector<std::string>{"Own"}));
    const std::vector<std::string> log = LogLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.find("\"G2Props\"") != std::string::npos;
    }));
}

TEST_F(SplashTest, EmptyBrandingFolderGoesStraightToTheMenu) {
    RegisterEngineObjects();
    EXPECT_FALSE(SplashWanted());
    ShowFirstScreen();
    Frames(3);
    ASSERT_NE(CurrentForm(), nullptr);
    EXPECT_EQ(CurrentForm()->Name(), "Menu");
    EXPECT_FALSE(TraceOf("transition").empty());
}

TEST_F(SplashTest, EachPictureShowsTwoSecondsOrUntilSkipped) {
    Branding("A.png");
    Branding("B.jpg");
    RegisterEngineObjects();
    ASSERT_TRUE(SplashWanted());
    ShowFirstScreen();
    auto* splash = static_cast<TGuiFormSplash*>(FindForm("Splash"));
    // The transition takes input away until it has uncovered the form: a key then is lost.
    Frames(10);
    ASSERT_EQ(CurrentForm(), splash);
    EXPECT_EQ(splash->Current, 1);
    Input("1 key escape\n2 release escape");
    Frames(10);
    EXPECT_EQ(splash->Current, 1);
    UncoverAll();
    Input("1 key escape\n2 release escape");
    Frames(10);
    EXPECT_EQ(CurrentForm(), splash);
    EXPECT_EQ(splash->Current, 2);
    // The second picture runs out by itself after two seconds of frames once uncovered.
    UncoverAll();
    Frames(110);
    EXPECT_EQ(CurrentForm(), splash);
    EXPECT_EQ(CurrentTransition(), nullptr);
    Frames(60);
    ASSERT_NE(CurrentForm(), nullptr);
    EXPECT_EQ(CurrentForm()->Name(), "Menu");
}

} // namespace
} // namespace valdmoor
