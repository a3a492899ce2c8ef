#include "SceneGallery.h"

#include "gui/EngineGui.h"
#include "screens/GameGuiDialogScene.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <array>
#include <string>
#include <utility>

namespace valdmoor {

namespace {

struct TSceneClass {
    std::string_view Name;
    int32_t Type;
};

// One scene type of each class the dialog lays out differently.
constexpr std::array<TSceneClass, 10> Classes{{
    {"illustration", 4},  // the picture alone
    {"text", 5},          // illustrated text (top)
    {"beside", 6},        // illustrated text (left): the picture beside the text
    {"stop", 3},          // text with only Cancel
    {"requirements", 13}, // one met, one not
    {"loss", 22},
    {"reward", 31},
    {"barter", 39},
    {"make", 55},
    {"floatreward", 29},
}};

class TSceneView : public TAssetView {
public:
    TSceneView(int32_t type, const std::string& pictureName) : type_(type) {
        ScenarioStart();
        GuiStart();
        RegisterSceneDialog();
        TPicture* icons = PoolPictures().Add(std::make_unique<TPicture>("G2PropIcons"));
        TPicture* shown = PoolPictures().Add(std::make_unique<TPicture>(pictureName));
        const auto prop = [&](std::string name, int32_t kind, int32_t count, int32_t frame) {
            auto made = std::make_unique<TProp>(std::move(name));
            made->Kind = kind;
            made->Count = count;
            made->InitialCount = count;
            made->Picture = icons;
            made->PictureFrame = frame;
            return ScenarioProps().Add(std::move(made));
        };
        TProp* coins = prop("Coins", pkProperty, 12, 0);
        TProp* bread = prop("Bread", pkItem, 2, 1);
        TProp* key = prop("Key", pkItem, 0, 2);
        TProp* rope = prop("Rope", pkItem, 3, 5);
        TProp* book = prop("Book", pkKnowledge, 0, 4);
        auto region = std::make_unique<TRegion>("Home");
        region->Number = 1;
        TRegion* home = ScenarioRegions().Add(std::move(region));
        auto site = std::make_unique<TSite>("Market");
        site->Region = home;
        site->Number = 1;
        site->ActionCode = 110;
        TSite* market = home->Sites.Add(std::move(site));
        auto scene = std::make_unique<TScene>();
        scene->Site = market;
        scene->Number = 1;
        scene->SceneType = type;
        scene->Picture = shown;
        scene->Inputs = {{{coins, 3}, {key, 1}, {rope, 1}}};
        scene->Outputs = {{{bread, 2}, {book, 1}}};
        if (type == 55) {
            scene->Outputs = {{{key, 1}}};
        }
        scene_ = market->Scenes.Add(std::move(scene));
        Restart();
    }
    ~TSceneView() override {
        GuiStop();
        ScenarioStop();
    }

    void Update() override { GuiFrame(); }
    void Restart() override {
        if (DialogInSlot(0) == nullptr) {
            OpenSceneDialog(*scene_);
        }
    }
    std::string Info() const override {
        return "The scene dialog on a scene of type " + std::to_string(type_) + " (" +
               std::string(SceneTypeOf(type_).Name) + ").\nEnter: open it again once closed";
    }

private:
    int32_t type_;
    TScene* scene_ = nullptr;
};

} // namespace

std::string_view SceneGalleryClasses() {
    return "illustration text beside stop requirements loss reward barter make floatreward";
}

std::unique_ptr<TAssetView> MakeSceneGallery(std::string_view sceneClass,
                                             const std::string& pictureName) {
    for (const TSceneClass& known : Classes) {
        if (known.Name == sceneClass) {
            return std::make_unique<TSceneView>(
                known.Type, pictureName.empty() ? std::string(DefaultScenePicture) : pictureName);
        }
    }
    return nullptr;
}

} // namespace valdmoor
