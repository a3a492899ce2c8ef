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
    // The transition takes input away until it has uncovered the form.
    Frames(10);
    auto* splash = static_cast<TGuiFormSplash*>(FindForm("Splash"));
    ASSERT_EQ(CurrentForm(), splash);
    EXPECT_EQ(splash->Current, 1);
    Input("1 key escape\n2 release escape");
    Frames(10);
    EXPECT_EQ(CurrentForm(), splash);
    EXPECT_EQ(splash->Current, 2);
    // The second picture runs out by itself after two seconds of frames.
    Frames(60);
    EXPECT_EQ(CurrentForm(), splash);
    Frames(70);
    ASSERT_NE(CurrentForm(), nullptr);
    EXPECT_EQ(CurrentForm()->Name(), "Menu");
}

} // namespace
} // namespace valdmoor
