#include "screens/GameGuiControlSite.h"

#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "platform/EngineTimer.h"
#include "screens/GameGuiControls.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <cmath>

namespace valdmoor {

namespace {

TSiteControlWorld siteWorld;
// The icons pulse together: one phase shared by every marker, advanced once a frame.
float pulsePhase = 0;
uint32_t pulseFrame = 0;

constexpr float TopArrowLimit = -360; // above this the arrow comes from below

void Tint(TSprite* sprite, const TColor3& color, float alpha) {
    sprite->Red = color.Red;
    sprite->Green = color.Green;
    sprite->Blue = color.Blue;
    sprite->Alpha = alpha;
}

// The scene a visit would start with, found without the skip loop's counting: a marker only
// looks, and must not count scenes as executed before the hero is there.
TScene* PeekFirstScene(const TSite& site) {
    TScene* scene = site.Scenes.Last();
    if (scene == nullptr || scene->Executions > site.Visits) {
        return nullptr;
    }
    while (scene->PreviousScene() != nullptr &&
           scene->PreviousScene()->Executions == scene->Executions) {
        scene = scene->PreviousScene();
    }
    while (scene != nullptr && scene->Repeatable == 0 && scene->Executions != 0) {
        scene = scene->NextScene();
    }
    return scene;
}

} // namespace

void SetSiteControlWorld(const TSiteControlWorld& world) {
    siteWorld = world;
}

const TSiteControlWorld& SiteControlWorld() {
    return siteWorld;
}

TVector2 SiteControlPoint(const TSite& site) {
    return {site.X, site.Y};
}

void TGuiControlSite::Initialize() {
    Visible = false;
    Size = {60, 60};
    TextureName = "G2SiteIcons";
}

void TGuiControlSite::SetSite(TSite* site) {
    if (site != Site) {
        Site = site;
        siteChanged_ = true;
        Dirty = true;
    }
}

bool TGuiControlSite::HitTest(float x, float y) {
    if (!TGuiControl::HitTest(x, y)) {
        return false;
    }
    const float dx = x - Position.X;
    const float dy = y - Position.Y;
    return std::sqrt(dx * dx + dy * dy) < Size.X / 2;
}

void TGuiControlSite::MouseEnter() {
    if (!Marked) {
        PlayGuiSound(SoundButtonFocus);
    }
}

void TGuiControlSite::Update() {
    if (pulseFrame != FrameCounter()) {
        pulseFrame = FrameCounter();
        pulsePhase = std::fmod(pulsePhase + FrameTime() / 1.25f, 1.0f);
        // Every marker shows the new phase.
    }
    Dirty = Dirty || Visible;
    if (Site == nullptr) {
        SetControlVisible(this, false);
        return;
    }
    const TSite& site = *Site;
    const bool wasVisible = Visible;
    if (&site == siteWorld.AvatarSite && siteWorld.AvatarState == 2) {
        SetControlVisible(this, site.AutoVisit == 0);
        SetControlAlpha(this, siteWorld.SiteDim * siteWorld.AvatarProgress);
    } else if (&site == siteWorld.AvatarSite && siteWorld.AvatarState >= 4 &&
               siteWorld.AvatarState <= 9) {
        SetControlVisible(this, false);
    } else if (!site.Revealed || site.Closed || (site.Visits > 0 && site.KeepAssets == 0)) {
        SetControlVisible(this, false);
    } else {
        SetControlVisible(this, true);
        SetControlAlpha(this, siteWorld.SiteDim);
    }
    const bool marked = site.Flag1 != 0 && !site.Entered;
    if (marked != Marked) {
        Marked = marked;
        Dirty = true;
    }
    if (Visible && (!wasVisible || siteChanged_)) {
        siteChanged_ = false;
        const TVector2 at = SiteControlPoint(site);
        SetControlPosition(this, at.X, at.Y);
        Frame = site.ShownIconStyle();
        MainSite = site.Flag4 != 0 && site.Visits == 0;
        TScene* first = site.Entered ? PeekFirstScene(site) : nullptr;
        MarkerScene = first != nullptr && first->IsRequirements() ? first : nullptr;
        Dirty = true;
    }
    if (MarkerScene != nullptr) {
        const bool met = MarkerScene->RequirementsMet();
        if (met != MarkerMet) {
            MarkerMet = met;
            Dirty = true;
        }
    }
    const bool idle = siteWorld.AvatarState == 0;
    if (StoryStage() == 9) {
        SetControlEnabled(this, idle);
        if (Form != nullptr && Visible && !Marked && (MarkerScene == nullptr || MarkerMet)) {
            Form->Focus = this;
            Form->FocusStyle = Position.Y < TopArrowLimit ? 3 : 0;
        }
    } else {
        SetControlEnabled(
            this, idle && (Form == nullptr || Form->Focus == nullptr || Form->Focus == this));
    }
}

void TGuiControlSite::ReleaseAll() {
    ReleasePerformer(Light);
    ReleasePerformer(MainLight);
    ReleaseSprite(Icon);
    ReleaseSprite(Marker);
    ReleaseSprite(Focusor);
}

void TGuiControlSite::Refresh(bool visible) {
    // A marked site is an invisible hot spot until the hero has been inside.
    if (!visible || Marked) {
        ReleaseAll();
        return;
    }
    const float shift = Pressed ? 2.0f : 0.0f;
    const TVector2 at{Position.X + shift, Position.Y + shift};
    if (Light == nullptr) {
        CreatePerformer(Light, Canvas, Layer + 3, "G2Site");
        if (Light != nullptr) {
            Light->Width = Size.X;
            Light->Height = Size.Y;
            SetPerformerActive(Light, true);
        }
    }
    if (Light != nullptr) {
        Light->X = at.X;
        Light->Y = at.Y;
        Light->Alpha = Alpha;
    }
    if (MainSite) {
        if (MainLight == nullptr) {
            CreatePerformer(MainLight, Canvas, Layer, "G2SiteMain");
            if (MainLight != nullptr) {
                MainLight->Width = Size.X;
                MainLight->Height = Size.Y;
                SetPerformerActive(MainLight, true);
            }
        }
        if (MainLight != nullptr) {
            MainLight->X = at.X;
            MainLight->Y = at.Y;
            MainLight->Alpha = Alpha;
        }
    } else {
        ReleasePerformer(MainLight);
    }
    if (Icon == nullptr) {
        CreateSprite(Icon, Canvas, Layer + 6);
        if (Icon == nullptr) {
            return;
        }
        Icon->Width = 50;
        Icon->Height = 50;
    }
    const TVector2 iconAt{at.X, at.Y + 2 * EvaluateCurve("0-1-0", pulsePhase)};
    Icon->X = iconAt.X;
    Icon->Y = iconAt.Y;
    SetSpriteTextureByName(Icon, 0, TextureName);
    SetSpriteFrame(Icon, 0, Frame);
    Tint(Icon, ColorSiteIcon, Alpha);
    if (MarkerScene != nullptr) {
        if (Marker == nullptr) {
            CreateSprite(Marker, Canvas, Layer + 7);
        }
        if (Marker != nullptr) {
            Marker->Width = 26;
            Marker->Height = 26;
            Marker->X = iconAt.X + 6.5f;
            Marker->Y = iconAt.Y - 17;
            SetSpriteTextureByName(Marker, 0, "F2FontGame90bi");
            SetSpriteFrame(Marker, 0, MarkerMet ? 11 : 10);
            Tint(Marker, MarkerMet ? ColorGreen : ColorPureRed, Alpha);
        }
    } else {
        ReleaseSprite(Marker);
    }
    if (Hovered) {
        if (Focusor == nullptr) {
            CreateSprite(Focusor, Canvas, Layer + 9);
        }
        if (Focusor != nullptr) {
            Focusor->Width = Size.X;
            Focusor->Height = Size.Y;
            Focusor->X = at.X;
            Focusor->Y = at.Y;
            SetSpriteTextureByName(Focusor, 0, "G2SiteFocusor");
        }
    } else {
        ReleaseSprite(Focusor);
    }
}

} // namespace valdmoor
