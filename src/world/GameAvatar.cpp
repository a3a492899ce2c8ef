#include "world/GameAvatar.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "platform/EngineTimer.h"
#include "players/EnginePlayers.h"
#include "world/GameAchievement.h"
#include "world/GamePool.h"
#include "world/GameRecords.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>

namespace valdmoor {
namespace {

// The player who accepts every dialog at once and sits through no transition.
class THeadlessScreens final : public TAvatarScreens {
public:
    void OpenSceneDialog(TScene&) override {
        // No exchange was performed, so stale counters of an earlier scene do not apply.
        TheAvatar().Choices = {};
        TheAvatar().AcceptScene();
    }
    void OpenAchievementDialog(TAchievement& achievement) override {
        if (TPlayer* player = CurrentPlayer()) {
            AddAchievement(player, achievement.Number);
        }
    }
    void SwitchForm(std::string_view, std::string_view, std::function<void()> completed) override {
        if (completed) {
            completed();
        }
    }
    void PlaySceneExecutionEffects(const TScene&) override {}
    void SaveProfiles() override { valdmoor::SaveProfiles(); }
};

THeadlessScreens headless;
TAvatarScreens* screens = nullptr;
TCustomPlayerState* recorder = nullptr;

TCustomPlayerState* RecordingState() {
    return recorder != nullptr ? recorder : CurrentGameState();
}
std::unique_ptr<TAvatar> avatar;

TSite* SiteOf(const TData& data) {
    return FindSite(data.RegionNumber, data.SiteNumber);
}

TScene* SceneOf(const TData& data) {
    return FindScene(data.RegionNumber, data.SiteNumber, data.SceneNumber);
}

int32_t RegionNumberOf(const TSite& site) {
    return site.Region != nullptr ? site.Region->Number : 0;
}

void ResetAvatar() {
    if (avatar != nullptr) {
        avatar->Reset();
    }
}

void ReplayAvatarEvent(const TData& data) {
    if (avatar != nullptr) {
        avatar->ReplayEvent(data);
    }
}

void ResumeVisit(int32_t regionNumber, int32_t siteNumber) {
    if (avatar != nullptr) {
        if (TSite* site = FindSite(regionNumber, siteNumber)) {
            avatar->GoToSite(site, false);
        }
    }
}

bool SiteExists(int32_t regionNumber, int32_t siteNumber) {
    return FindSite(regionNumber, siteNumber) != nullptr;
}

bool EarnedByCurrentPlayer(int32_t number) {
    return HasAchievement(CurrentPlayer(), number);
}

void PlaySceneSound(const TScene& scene) {
    if (scene.Sound == nullptr) {
        return;
    }
    if (scene.SoundAction == 1 && GroupEnabled(scene.Sound->Group())) {
        PrepareSound(scene.Sound);
        PlaySound(avatar.get(), scene.Sound->Name(), false, scene.Sound->Group());
    } else if (scene.SoundAction == 2 && GroupEnabled(MusicGroup)) {
        PlayMusic(scene.Sound->Name());
    }
}

} // namespace

void SetAvatarScreens(TAvatarScreens* newScreens) {
    screens = newScreens;
}

TAvatarScreens& AvatarScreens() {
    return screens != nullptr ? *screens : headless;
}

void SetEventRecorder(TCustomPlayerState* state) {
    recorder = state;
}

void RecordGameEvent(const TData& data) {
    if (TCustomPlayerState* game = RecordingState()) {
        game->RecordEvent(data);
    }
}

TData SiteEvent(int32_t kind, const TSite& site, int32_t value) {
    TData data;
    data.Kind = kind;
    data.RegionNumber = RegionNumberOf(site);
    data.SiteNumber = site.Number;
    data.SetValue(value);
    return data;
}

TData SceneEvent(int32_t kind, const TScene& scene, int32_t value) {
    TData data;
    if (scene.Site != nullptr) {
        data = SiteEvent(kind, *scene.Site, value);
    } else {
        data.Kind = kind;
        data.SetValue(value);
    }
    data.SceneNumber = scene.Number;
    return data;
}

TData ChoicesEvent(int32_t kind, const TScene& scene, const TChoices& choices) {
    TData data = SceneEvent(kind, scene);
    data.SetChoices(choices);
    return data;
}

TData RegionEvent(int32_t kind, const TRegion& region) {
    TData data;
    data.Kind = kind;
    data.RegionNumber = region.Number;
    return data;
}

TData ValueEvent(int32_t kind, int32_t value) {
    TData data;
    data.Kind = kind;
    data.SetValue(value);
    return data;
}

void TAvatar::Reset() {
    AvatarState = asCloseSites;
    Progress = 0;
    Site = nullptr;
    Scene = nullptr;
    TravelRegion = nullptr;
    SaveAfterTravel = false;
    executedInVisit_ = false;
}

void TAvatar::Update(bool ready, const TMapView* mapView) {
    UpdateBy(ready, mapView, FrameTime());
}

void TAvatar::UpdateBy(bool ready, const TMapView* mapView, float frameTime) {
    switch (AvatarState) {
        case asCloseSites:
            CloseSites();
            break;
        case asRevealSites:
            RevealSites(ready, mapView, frameTime);
            break;
        case asShowAchievements:
            if (ready) {
                if (TAchievement* achievement = FirstNewlyCompletedAchievement()) {
                    AvatarScreens().OpenAchievementDialog(*achievement);
                } else {
                    AvatarState = asIdle;
                }
            }
            break;
        case asStartVisit:
            if (ready) {
                StartVisit();
            }
            break;
        case asNextScene:
            if (ready) {
                PlayScene();
            }
            break;
        case asExecute:
            if (ready) {
                Execute();
            }
            break;
        case asEffectFirst:
            if (Scene == nullptr || Advance(Scene->EffectDuration / 3, frameTime)) {
                if (Scene != nullptr) {
                    Scene->ToggleGroups();
                }
                Progress = 0;
                AvatarState = asEffectSecond;
            }
            break;
        case asEffectSecond:
            if (Scene == nullptr || Advance(Scene->EffectDuration * 2 / 3, frameTime)) {
                FinishScene();
            }
            break;
        default:
            // Idle, or a dialog is open and will call back.
            break;
    }
}

bool TAvatar::Advance(float duration, float frameTime) {
    if (!(duration > 0)) {
        return true;
    }
    Progress += frameTime / duration;
    return Progress >= 1;
}

void TAvatar::CloseSites() {
    if (TRegion* region = CurrentRegion()) {
        while (TSite* site = region->NextSiteToClose()) {
            site->Close();
            RecordGameEvent(SiteEvent(evSiteClosed, *site));
        }
    }
    AvatarState = asRevealSites;
}

void TAvatar::RevealSites(bool ready, const TMapView* mapView, float frameTime) {
    if (Site != nullptr) {
        if (Advance(QuickReveal ? QuickRevealDuration : RevealDuration, frameTime)) {
            FinishReveal();
        }
        return;
    }
    if (!ready) {
        return;
    }
    TRegion* region = CurrentRegion();
    Site = region != nullptr ? region->NextSiteToReveal(mapView) : nullptr;
    if (Site == nullptr) {
        AvatarState = asShowAchievements;
        return;
    }
    // The group flips as the reveal starts, so the map shows it while the site uncovers.
    Site->ToggleGroup();
    if (Site->QuickReveal()) {
        FinishReveal();
        return;
    }
    QuickReveal = Site->RevealCellsEmpty();
    Progress = 0;
    if (!QuickReveal) {
        PlaySound(this, "G8Reveal", false, 0);
    }
}

void TAvatar::FinishReveal() {
    TSite* site = Site;
    if (!site->Revealed) {
        site->Revealed = true;
        RecordGameEvent(SiteEvent(evSiteRevealed, *site));
    }
    if (site->AutoVisit != 0) {
        RecordGameEvent(SiteEvent(evSiteAutoVisit, *site));
        StartVisit();
    } else {
        Site = nullptr;
    }
}

void TAvatar::GoToSite(TSite* site, bool record) {
    Site = site;
    if (site != nullptr) {
        if (record) {
            RecordGameEvent(SiteEvent(evSiteChosen, *site));
        }
        AvatarState = asStartVisit;
    }
}

void TAvatar::StartVisit() {
    if (Site == nullptr) {
        AvatarState = asCloseSites;
        return;
    }
    if (Site->Destination == nullptr) {
        SaveAfterTravel = true;
    }
    executedInVisit_ = false;
    RememberExecutions();
    Scene = TScene::FirstSceneToShow(Site);
    PlayScene();
}

void TAvatar::PlayScene() {
    if (Scene == nullptr) {
        FinishVisit();
        return;
    }
    PlaySceneSound(*Scene);
    Scene->ApplyTintAction();
    Scene->ApplyMusicAction();
    if (Scene->NeedsDialog()) {
        AvatarState = asDialogOpen;
        AvatarScreens().OpenSceneDialog(*Scene);
    } else {
        AvatarState = asExecute;
    }
}

void TAvatar::AcceptScene() {
    AvatarState = asExecute;
}

void TAvatar::CancelVisit() {
    if (Site == nullptr) {
        // No visit to abandon: a pending move of the history is none of this call's business.
        Scene = nullptr;
        AvatarState = asRevealSites;
        return;
    }
    MarkEntered(*Site);
    TCustomPlayerState* game = RecordingState();
    if (game == nullptr || !game->DropPendingMove()) {
        RecordGameEvent(SiteEvent(evSiteLeft, *Site));
    }
    if (!executedInVisit_) {
        // The skip loop counted scenes as executed that no event will ever count: undo that,
        // or the reloaded game would differ from the one played.
        RestoreExecutions();
    }
    Scene = nullptr;
    Site = nullptr;
    AvatarState = asRevealSites;
}

void TAvatar::Execute() {
    if (Scene == nullptr) {
        FinishVisit();
        return;
    }
    Scene->ApplyAccepted(Choices);
    if (Scene->EffectSound != nullptr || Scene->EffectEffector != nullptr ||
        Scene->EffectValue != 0) {
        AvatarScreens().PlaySceneExecutionEffects(*Scene);
    }
    Progress = 0;
    AvatarState = asEffectFirst;
}

void TAvatar::FinishScene() {
    TScene* scene = Scene;
    if (scene == nullptr) {
        FinishVisit();
        return;
    }
    if (Site != nullptr) {
        MarkEntered(*Site);
    }
    executedInVisit_ = true;
    scene->Executions = AddSaturated(scene->Executions, 1);
    RecordGameEvent(SceneEvent(evSceneExecuted, *scene, scene->Executions));
    if (scene->IsBarter()) {
        RecordGameEvent(ChoicesEvent(evBarterDone, *scene, Choices));
    } else if (scene->IsMake()) {
        RecordGameEvent(ChoicesEvent(evMakeDone, *scene, Choices));
    }
    if (scene->LeavesSite != 0) {
        if (Site != nullptr) {
            RecordGameEvent(SiteEvent(evSiteLeft, *Site));
        }
        Scene = nullptr;
        Site = nullptr;
        AvatarState = asRevealSites;
        return;
    }
    Scene = TScene::SceneToShowFrom(scene->NextScene());
    AvatarState = asNextScene;
}

void TAvatar::FinishVisit() {
    TSite* site = Site;
    Scene = nullptr;
    if (site == nullptr) {
        AvatarState = asCloseSites;
        return;
    }
    MarkEntered(*site);
    site->Visits = AddSaturated(site->Visits, 1);
    RecordGameEvent(SiteEvent(evVisitCompleted, *site));
    if (site->EndsGame != 0) {
        AvatarState = asCloseSites;
        AvatarScreens().SwitchForm("Menu", "FadeEnding", [] { AvatarScreens().SaveProfiles(); });
    } else if (site->Destination != nullptr) {
        TravelRegion = site->Destination;
        AvatarState = asIdle;
        AvatarScreens().SwitchForm("Play", site->ActionCode == 600 ? "FadeAfterWhile" : "Fade",
                                   [this] { CompleteTravel(); });
    } else {
        AvatarState = asCloseSites;
    }
    if (site->ActionCode >= 1 && site->Visits == 1) {
        RunStoryAction(site->ActionCode);
    }
    Site = nullptr;
}

void TAvatar::CompleteTravel() {
    // A reset while the transition ran (a profile switch) leaves nothing to complete.
    if (TravelRegion == nullptr) {
        return;
    }
    ChangeRegion(TravelRegion);
    TravelRegion = nullptr;
    AvatarState = asCloseSites;
    if (SaveAfterTravel) {
        SaveAfterTravel = false;
        AvatarScreens().SaveProfiles();
    }
}

void TAvatar::TravelTo(TRegion* region) {
    if (AvatarState != asIdle || region == nullptr || region == CurrentRegion()) {
        return;
    }
    RecordGameEvent(RegionEvent(evRegionChanged, *region));
    TravelRegion = region;
    AvatarScreens().SwitchForm("Play", "Fade", [this] { CompleteTravel(); });
}

void TAvatar::SetMusic(TSound* sound) {
    SetMusicNow(sound);
}

void TAvatar::RunStoryAction(int32_t code) {
    switch (code) {
        case 1:
        case 2:
        case 3:
            SetStoryFlag(code);
            RecordGameEvent(ValueEvent(evStoryFlagSet, code));
            SetStoryStage(code);
            RecordGameEvent(ValueEvent(evStoryStageSet, code));
            break;
        case 9:
            SetStoryStage(9);
            RecordGameEvent(ValueEvent(evStoryStageSet, 9));
            break;
        case 10:
            SetStoryStage(0);
            RecordGameEvent(ValueEvent(evStoryStageSet, 0));
            break;
        case 23:
            StashCompanionsAndItems();
            RecordGameEvent(ValueEvent(evStashed));
            break;
        case 24:
            RestoreCompanionsAndItems();
            RecordGameEvent(ValueEvent(evRestored));
            break;
        case 30:
            ClearStoryFlag(3);
            RecordGameEvent(ValueEvent(evStoryFlagCleared, 3));
            break;
        case 31:
            SetStoryFlag(3);
            RecordGameEvent(ValueEvent(evStoryFlagSet, 3));
            break;
        case 32:
            ClearStoryFlag(1);
            RecordGameEvent(ValueEvent(evStoryFlagCleared, 1));
            break;
        case 446:
            PlayMusic({});
            break;
        default:
            // Other codes steer the screens only (transition, guide arrow, site icon).
            break;
    }
}

void TAvatar::MarkEntered(TSite& site) {
    if (!site.Entered) {
        site.Entered = true;
        RecordGameEvent(SiteEvent(evSiteEntered, site));
    }
}

void TAvatar::RememberExecutions() {
    visitStart_.clear();
    for (const TScene& scene : Site->Scenes) {
        visitStart_.push_back(scene.Executions);
    }
}

void TAvatar::RestoreExecutions() {
    if (Site == nullptr || static_cast<int32_t>(visitStart_.size()) != Site->Scenes.Count()) {
        return;
    }
    std::size_t i = 0;
    for (TScene& scene : Site->Scenes) {
        scene.Executions = visitStart_[i++];
    }
}

void TAvatar::ReplayEvent(const TData& data) {
    switch (data.Kind) {
        case evSiteRevealed:
            if (TSite* site = SiteOf(data)) {
                site->Reveal();
            }
            break;
        case evSiteAutoVisit:
        case evSiteChosen:
            Site = SiteOf(data);
            break;
        case evSiteEntered:
            if (TSite* site = SiteOf(data)) {
                site->Entered = true;
            }
            break;
        case evSiteLeft:
            Site = nullptr;
            break;
        case evVisitCompleted:
            Site = nullptr;
            if (TSite* site = SiteOf(data)) {
                site->CompleteVisit();
            }
            break;
        case evSceneExecuted:
            if (TScene* scene = SceneOf(data)) {
                scene->ReplayExecuted(data.Value());
            }
            break;
        case evBarterDone:
        case evMakeDone:
            if (TScene* scene = SceneOf(data)) {
                Choices = data.Choices();
                scene->ReplayExchange(Choices);
            }
            break;
        case evSiteClosed:
            if (TSite* site = SiteOf(data)) {
                site->Close();
            }
            break;
        case evRegionChanged:
            if (TRegion* region = FindRegionByNumber(data.RegionNumber)) {
                ChangeRegion(region);
            }
            break;
        case evStoryFlagSet:
            SetStoryFlag(data.Value());
            break;
        case evStoryStageSet:
            SetStoryStage(data.Value());
            break;
        case evStoryFlagCleared:
            ClearStoryFlag(data.Value());
            break;
        case evStashed:
            StashCompanionsAndItems();
            break;
        case evRestored:
            RestoreCompanionsAndItems();
            break;
        default:
            break;
    }
}

std::string_view EventKindName(int32_t kind) {
    static constexpr std::string_view Names[EventKindCount] = {"site revealed",
                                                               "site auto-visit",
                                                               "site chosen",
                                                               "site entered",
                                                               "site left",
                                                               "visit completed",
                                                               "scene executed",
                                                               "barter done",
                                                               "make done",
                                                               "site closed",
                                                               "region changed",
                                                               "story flag set",
                                                               "story stage set",
                                                               "story flag cleared",
                                                               "companions and items stashed",
                                                               "companions and items restored"};
    return kind >= 0 && kind < EventKindCount ? Names[kind] : std::string_view();
}

bool EventNamesRegion(int32_t kind) {
    return kind >= evSiteRevealed && kind <= evRegionChanged;
}

bool EventNamesSite(int32_t kind) {
    return kind >= evSiteRevealed && kind <= evSiteClosed;
}

bool EventNamesScene(int32_t kind) {
    return kind == evSceneExecuted || kind == evBarterDone || kind == evMakeDone;
}

bool EventHasValue(int32_t kind) {
    return kind == evSceneExecuted || (kind >= evStoryFlagSet && kind <= evStoryFlagCleared);
}

bool EventHasChoices(int32_t kind) {
    return kind == evBarterDone || kind == evMakeDone;
}

namespace {

std::string QuotedName(const std::string& name) {
    return " \"" + name + "\"";
}

} // namespace

std::string DescribeEvent(const TData& data) {
    std::string text(EventKindName(data.Kind));
    if (text.empty()) {
        text = "kind " + std::to_string(data.Kind);
    }
    std::string separator = ": ";
    auto field = [&](std::string_view name, const std::string& value) {
        text += separator;
        text += name;
        text += " " + value;
        separator = ", ";
    };
    if (EventNamesRegion(data.Kind)) {
        const TRegion* region = FindRegionByNumber(data.RegionNumber);
        field("region", std::to_string(data.RegionNumber) +
                            (region != nullptr ? QuotedName(region->Name()) : ""));
    }
    if (EventNamesSite(data.Kind)) {
        const TSite* site = FindSite(data.RegionNumber, data.SiteNumber);
        field("site",
              std::to_string(data.SiteNumber) + (site != nullptr ? QuotedName(site->Name()) : ""));
    }
    if (EventNamesScene(data.Kind)) {
        field("scene", std::to_string(data.SceneNumber));
    }
    if (EventHasValue(data.Kind)) {
        field("value", std::to_string(data.Value()));
    }
    if (EventHasChoices(data.Kind)) {
        std::string choices;
        for (const uint16_t choice : data.Choices()) {
            choices += (choices.empty() ? "" : " ") + std::to_string(choice);
        }
        field("choices", choices);
    }
    return text;
}

std::vector<TEventProblem> CheckEvents(const TEventList& events) {
    // A private avatar, so a check never disturbs the one the game plays with.
    TAvatar checker;
    std::vector<TEventProblem> problems;
    ResetWorld();
    int32_t index = 0;
    for (const TEvent& event : events) {
        const TData& data = event.Data;
        ++index;
        std::string problem;
        if (EventNamesScene(data.Kind)) {
            if (FindSite(data.RegionNumber, data.SiteNumber) == nullptr) {
                problem = "no site " + std::to_string(data.SiteNumber) + " in region " +
                          std::to_string(data.RegionNumber);
            } else if (FindScene(data.RegionNumber, data.SiteNumber, data.SceneNumber) == nullptr) {
                problem = "no scene " + std::to_string(data.SceneNumber) + " at site " +
                          std::to_string(data.SiteNumber);
            }
        } else if (EventNamesSite(data.Kind)) {
            if (FindSite(data.RegionNumber, data.SiteNumber) == nullptr) {
                problem = "no site " + std::to_string(data.SiteNumber) + " in region " +
                          std::to_string(data.RegionNumber);
            }
        } else if (EventNamesRegion(data.Kind)) {
            if (FindRegionByNumber(data.RegionNumber) == nullptr) {
                problem = "no region " + std::to_string(data.RegionNumber);
            }
        } else if (data.Kind == evStoryFlagSet || data.Kind == evStoryFlagCleared) {
            if (data.Value() < 1 || data.Value() > 3) {
                problem = "no story flag " + std::to_string(data.Value());
            }
        }
        if (!problem.empty()) {
            problems.push_back({index, data, std::move(problem)});
        }
        checker.ReplayEvent(data);
    }
    return problems;
}

void AvatarStart() {
    if (avatar == nullptr) {
        avatar = std::make_unique<TAvatar>();
    }
    SetAvatarResetHook(ResetAvatar);
    SetReplayHooks({ResetWorld, ReplayAvatarEvent, ResumeVisit, SiteExists});
    SetAchievementEarnedQuery(EarnedByCurrentPlayer);
}

void AvatarStop() {
    if (avatar == nullptr) {
        return;
    }
    SetAvatarResetHook(nullptr);
    SetReplayHooks({});
    SetAchievementEarnedQuery(nullptr);
    screens = nullptr;
    recorder = nullptr;
    avatar.reset();
}

TAvatar& TheAvatar() {
    return *avatar;
}

bool AvatarStarted() {
    return avatar != nullptr;
}

void AvatarFrame() {
    if (avatar == nullptr) {
        return;
    }
    const TAvatarScreens& current = AvatarScreens();
    if (current.PlayFormShown()) {
        avatar->Update(current.PlayFormReady(), current.PlayMapView());
    }
}

} // namespace valdmoor
