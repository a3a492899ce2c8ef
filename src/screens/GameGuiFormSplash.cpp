#include "screens/GameGuiFormSplash.h"

#include "app/EngineApplication.h"
#include "platform/EngineInput.h"
#include "platform/EngineTimer.h"
#include "screens/GameRegistry.h"
#include "storage/EngineLanguages.h"
#include "storage/EngineStorage.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"

#include <algorithm>

namespace valdmoor {

std::vector<std::string> SplashPictureNames() {
    std::vector<std::string> names;
    std::string name;
    TFileKind kind = fkNone;
    while (StorageFindNext(sfBranding, name, kind)) {
        // A ".tpx" there is never opened by the picture loader, which reads branding pictures
        // only as ".jpg" or ".png"; counting it would show the placeholder.
        if (kind == fkPng || kind == fkJpg) {
            names.push_back(name);
        }
    }
    StorageFindClose();
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    // The loader prefers an ordinary picture of the same name; the splash would show that one.
    std::erase_if(names, [](const std::string& picture) {
        const bool shadowed =
            StorageExists(sfOrdinary, picture, fkTpx) || StorageExists(sfOrdinary, picture, fkPng);
        if (shadowed) {
            LogMessage("Branding picture \"" + picture +
                       "\" is skipped: an ordinary picture has its name");
        }
        return shadowed;
    });
    return names;
}

void TGuiFormSplash::Initialize() {
    Pictures = SplashPictureNames();
    Current = 1;
}

void TGuiFormSplash::Finalize() {
    Pictures.clear();
}

void TGuiFormSplash::Show(int32_t) {
    CreateSprite(Sprite, Canvas, BaseLayer);
    if (Current >= 1 && Current <= PictureCount()) {
        Texture = GetTexture(Pictures[static_cast<size_t>(Current - 1)]);
        SetSpriteTexture(Sprite, 0, Texture);
    }
    TimeLeft = SplashPictureTime;
    Refresh(0);
}

void TGuiFormSplash::Refresh(int32_t) {
    if (Sprite == nullptr || Canvas == nullptr) {
        return;
    }
    const float aspect = Texture != nullptr ? GetFrameAspect(Texture, 0) : 1.0f;
    const float canvasAspect = Canvas->Height > 0 ? Canvas->Width / Canvas->Height : 1.0f;
    Sprite->X = 0;
    Sprite->Y = 0;
    if (aspect >= canvasAspect) {
        Sprite->Width = Canvas->Width;
        Sprite->Height = Canvas->Width / aspect;
    } else {
        Sprite->Height = Canvas->Height;
        Sprite->Width = aspect * Canvas->Height;
    }
}

void TGuiFormSplash::Activate() {
    if (!Preloaded) {
        Preloaded = true;
        PreloadCommon();
    }
}

void TGuiFormSplash::Update() {
    if (!HasInput) {
        return;
    }
    TimeLeft -= FrameTime();
    if (TimeLeft > 0 && !KeyPressed(0) && !KeyPressed(1) && !KeyPressed(2)) {
        return;
    }
    // Once per picture: the next form takes over input only after the transition.
    TimeLeft = 1e30f;
    ++Current;
    if (Current <= PictureCount()) {
        SwitchForm("Splash", "Splash");
    } else {
        SwitchForm(LanguageChoicePending() ? "Languages" : "Menu", "Splash");
    }
}

void TGuiFormSplash::Hide() {
    ReleaseSprite(Sprite);
    if (Texture != nullptr) {
        ReleaseTexture(Texture);
        Texture = nullptr;
    }
}

} // namespace valdmoor
