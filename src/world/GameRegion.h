// Regions: a map, a light tint, a music and an ordered list of sites.
#pragma once

#include "app/EngineClasses.h"
#include "world/GameMap.h"

#include <array>
#include <cstdint>

namespace valdmoor {

class TStream;
class TPicture;
class TSound;
class TSite;
struct TLoadContext;

constexpr int32_t RegionRecordSize = 25;

using TTint = std::array<float, 3>;

class TRegion : public TNamedItem {
public:
    explicit TRegion(std::string name = {});
    ~TRegion() override;

    // The 25-byte record; the map follows it in the file and is read by LoadMap.
    void Load(TStream& stream, const TLoadContext& context);
    void LoadMap(TStream& stream, const TLoadContext& context);
    void Reset();

    // The first site, in order, that is neither revealed nor closed, may be revealed, and, when
    // it reveals only in view, lies on uncovered map cells. Without a map view nothing in view
    // can be confirmed, so such sites wait.
    TSite* NextSiteToReveal(const TMapView* mapView) const;
    TSite* NextSiteToClose() const;
    // Loads what the region and the scenes the hero may still play need before it is shown.
    void PrepareAssets();

    int32_t Number = 0;
    TPicture* Picture = nullptr;
    TTint DefaultTint{1, 1, 1};
    TSound* Music = nullptr;
    uint8_t Flag = 0;
    TTint Tint{1, 1, 1};
    TSound* CurrentMusic = nullptr;
    TMap Map;
    TContainerOf<TSite> Sites;
};

} // namespace valdmoor
