// The clickable marker of a site on the map: a glowing icon with a round hit area that fades
// in with the site's reveal, hides during a visit, carries a tick or cross for a requirement
// scene waiting inside, and claims the guide arrow in the tutorial stage.
#pragma once

#include "gui/EngineGui.h"

#include <cstdint>

namespace valdmoor {

class TSite;
class TScene;
class TSprite;
class TPerformer;

// What the site markers read of the avatar and the play form each frame. The play form fills
// it; until the avatar is plugged in, an idle avatar and full brightness.
struct TSiteControlWorld {
    int32_t AvatarState = 0; // 0 idle, 2 revealing, 4..9 visiting
    const TSite* AvatarSite = nullptr;
    float AvatarProgress = 0;
    float SiteDim = 1;
};
void SetSiteControlWorld(const TSiteControlWorld& world);
const TSiteControlWorld& SiteControlWorld();

// Where a site's marker sits on the play form, in canvas units: what a recorded path clicks.
TVector2 SiteControlPoint(const TSite& site);

class TGuiControlSite : public TGuiControl {
public:
    void Initialize() override;
    bool HitTest(float x, float y) override;
    void MouseEnter() override;
    void Update() override;
    void Refresh(bool visible) override;

    void SetSite(TSite* site);

    TSite* Site = nullptr;
    bool Marked = false;
    bool MainSite = false;
    TScene* MarkerScene = nullptr;
    bool MarkerMet = false;

    TPerformer* Light = nullptr;
    TPerformer* MainLight = nullptr;
    TSprite* Icon = nullptr;
    TSprite* Marker = nullptr;
    TSprite* Focusor = nullptr;

private:
    void ReleaseAll();
    bool siteChanged_ = true;
};

} // namespace valdmoor
