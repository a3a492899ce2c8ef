#include "world/GameSite.h"

#include "storage/EngineStorage.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRecords.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"

#include <algorithm>

namespace valdmoor {

TSite::TSite(std::string name) : TNamedItem(std::move(name)), Scenes(false, true) {}

TSite::~TSite() = default;

void TSite::Load(TStream& stream, const TLoadContext& context) {
    TRecordBytes<SiteRecordSize> record;
    TRecordReader r = ReadRecord(stream, record);
    Number = r.Int32();
    X = r.Float();
    Y = r.Float();
    Layout[0] = r.Int32();
    Layout[1] = r.Int32();
    IconStyle = r.Int32();
    Caption = Resolve(context.Captions, r.Int32());
    Flag1 = r.Byte();
    AutoVisit = r.Byte();
    KeepAssets = r.Byte();
    Flag4 = r.Byte();
    EndsGame = r.Byte();
    ActionCode = r.Int32();
    Destination = Resolve(context.Regions, r.Int32());
    NeedRevealed = Resolve(context.Sites, r.Int32());
    NeedEntered = Resolve(context.Sites, r.Int32());
    for (TSite*& site : NeedVisited) {
        site = Resolve(context.Sites, r.Int32());
    }
    for (TPropAmount& need : NeedProps) {
        need.Prop = Resolve(context.Props, r.Int32());
        need.Amount = r.Int32();
    }
    OnlyWhenInView = r.Byte();
    Group = Resolve(context.Groups, r.Int32());
    r.Bytes(RevealCells.data(), RevealCells.size());
    for (TSite*& site : CloseAfter) {
        site = Resolve(context.Sites, r.Int32());
    }
    Hint = Resolve(context.Hints, r.Int32());
    NextRecommended = Resolve(context.Sites, r.Int32());
    const int32_t sceneCount = r.Int32();
    r.Finish();

    // Checked against the bytes left before a single scene is made.
    if (sceneCount < 0 || static_cast<int64_t>(sceneCount) * SceneRecordSize > stream.Remaining()) {
        RaiseDamaged("scene count");
    }
    Scenes.Clear();
    for (int32_t i = 0; i < sceneCount; ++i) {
        auto scene = std::make_unique<TScene>();
        scene->Site = this;
        Scenes.Add(std::move(scene));
    }
    for (TScene& scene : Scenes) {
        scene.Load(stream, context);
    }
}

void TSite::Reset() {
    Revealed = false;
    Entered = false;
    Visits = 0;
    Closed = false;
    for (TScene& scene : Scenes) {
        scene.Executions = 0;
    }
}

bool TSite::CanReveal() const {
    if (NeedRevealed != nullptr && !NeedRevealed->Revealed) {
        return false;
    }
    if (NeedEntered != nullptr && !NeedEntered->Entered) {
        return false;
    }
    for (const TSite* site : NeedVisited) {
        if (site != nullptr && site->Visits <= 0) {
            return false;
        }
    }
    for (const TPropAmount& need : NeedProps) {
        if (need.Prop != nullptr && need.Prop->Count < need.Amount) {
            return false;
        }
    }
    return true;
}

bool TSite::CanAutoClose() const {
    return std::any_of(CloseAfter.begin(), CloseAfter.end(),
                       [](const TSite* site) { return site != nullptr && site->Visits > 0; });
}

bool TSite::AvailableFromOutside() const {
    auto elsewhere = [this](const TSite* site) {
        return site != nullptr && site->Region != Region;
    };
    if (elsewhere(NeedRevealed) && !NeedRevealed->Revealed) {
        return false;
    }
    if (elsewhere(NeedEntered) && !NeedEntered->Entered) {
        return false;
    }
    for (const TSite* site : NeedVisited) {
        if (elsewhere(site) && site->Visits <= 0) {
            return false;
        }
    }
    return true;
}

void TSite::ToggleGroup() {
    FlipGroup(Group);
}

bool TSite::QuickReveal() const {
    return (Flag1 != 0 || AutoVisit != 0) && RevealCellsEmpty();
}

bool TSite::RevealCellsEmpty() const {
    return std::all_of(RevealCells.begin(), RevealCells.end(), [](uint8_t b) { return b == 0; });
}

bool TSite::RevealsCell(int32_t index) const {
    if (index < 0 || index >= RevealCellBytes * 8) {
        return false;
    }
    return (RevealCells[static_cast<std::size_t>(index / 8)] >> (index % 8) & 1) != 0;
}

std::string TSite::Title() const {
    return Caption != nullptr ? Caption->Name() : std::string();
}

int32_t TSite::ShownIconStyle() const {
    if (ActionCode == 200 && Destination != nullptr && Destination == PreviousRegion()) {
        return 2;
    }
    return IconStyle;
}

void TSite::Reveal() {
    Revealed = true;
    ToggleGroup();
}

void TSite::Close() {
    if (Revealed && Visits == 0) {
        ToggleGroup();
    }
    Closed = true;
}

void TSite::CompleteVisit() {
    Visits = AddSaturated(Visits, 1);
    TScene* last = Scenes.Last();
    if (last != nullptr && last->Executions < Visits) {
        last->CatchUp();
    }
    if (Destination != nullptr) {
        ChangeRegion(Destination);
    }
}

TScene* TSite::FirstSceneToShow() const {
    return TScene::FirstSceneToShow(this);
}

void TSite::PrepareAssets() {
    for (const TScene& scene : Scenes) {
        if (scene.Executions == 0 || scene.Repeatable != 0) {
            scene.PrepareAssets();
        }
    }
}

} // namespace valdmoor
