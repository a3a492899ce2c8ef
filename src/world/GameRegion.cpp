#include "world/GameRegion.h"

#include "storage/EngineStorage.h"
#include "world/GamePool.h"
#include "world/GameRecords.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

namespace valdmoor {

// Sites stay in file order, which reveals and closes walk; a name-ordered list would make
// look-ups by name skip sites listed out of alphabetical order.
TRegion::TRegion(std::string name) : TNamedItem(std::move(name)), Sites(false, true) {}

TRegion::~TRegion() = default;

void TRegion::Load(TStream& stream, const TLoadContext& context) {
    TRecordBytes<RegionRecordSize> record;
    TRecordReader r = ReadRecord(stream, record);
    Number = r.Int32();
    Picture = Resolve(context.Pictures, r.Int32());
    for (float& component : DefaultTint) {
        component = r.Float();
    }
    Music = Resolve(context.Sounds, r.Int32());
    Flag = r.Byte();
    r.Finish();
    Tint = DefaultTint;
    CurrentMusic = Music;
}

void TRegion::LoadMap(TStream& stream, const TLoadContext& context) {
    Map.Load(stream, context);
}

void TRegion::Reset() {
    Tint = DefaultTint;
    CurrentMusic = Music;
    Map.Reset();
    for (TSite& site : Sites) {
        site.Reset();
    }
}

TSite* TRegion::NextSiteToReveal(const TMapView* mapView) const {
    for (TSite& site : Sites) {
        if (site.Revealed || site.Closed || !site.CanReveal()) {
            continue;
        }
        if (site.OnlyWhenInView != 0 &&
            (mapView == nullptr || !mapView->IsRevealedPoint(site.X, site.Y))) {
            continue;
        }
        return &site;
    }
    return nullptr;
}

TSite* TRegion::NextSiteToClose() const {
    for (TSite& site : Sites) {
        if (!site.Closed && site.CanAutoClose()) {
            return &site;
        }
    }
    return nullptr;
}

void TRegion::PrepareAssets() {
    if (Picture != nullptr && !Picture->Loaded) {
        Picture->Load();
    }
    PrepareSound(CurrentMusic, true);
    Map.PrepareSounds();
    for (TSite& site : Sites) {
        if ((site.Visits == 0 || site.KeepAssets != 0) && !site.Closed &&
            (site.Revealed || site.AvailableFromOutside())) {
            site.PrepareAssets();
        }
    }
}

} // namespace valdmoor
