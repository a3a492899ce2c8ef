// The branding pictures, one after another, before the first real screen.
#pragma once

#include "gui/EngineGui.h"

#include <string>
#include <vector>

namespace valdmoor {

class TSprite;
class TTexture;

// How long one branding picture stays unless a key or click skips it.
constexpr float SplashPictureTime = 2.0f;

// The branding pictures the splash shows, sorted by name, each once: the ".png" and ".jpg"
// files of the branding folder whose name the picture loader resolves to that folder, that is
// no ordinary picture (".tpx" or ".png") of the same name exists.
std::vector<std::string> SplashPictureNames();

class TGuiFormSplash : public TGuiForm {
public:
    using TGuiForm::TGuiForm;

    void Initialize() override;
    void Finalize() override;
    void Show(int32_t arg) override;
    void Hide() override;
    void Activate() override;
    void Update() override;
    void Refresh(int32_t arg) override;

    int32_t PictureCount() const { return static_cast<int32_t>(Pictures.size()); }

    std::vector<std::string> Pictures;
    int32_t Current = 1;
    float TimeLeft = 0;
    TSprite* Sprite = nullptr;
    TTexture* Texture = nullptr;
    bool Preloaded = false;
};

} // namespace valdmoor
