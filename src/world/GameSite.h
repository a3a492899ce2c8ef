// Sites: places on a region map that the hero visits. A site holds its scenes in order, shows
// itself when its prerequisites are met, and may close itself once other sites were visited.
#pragma once

#include "app/EngineClasses.h"

#include <array>
#include <cstdint>
#include <string>

namespace valdmoor {

class TStream;
class TRegion;
class TCaption;
class TProp;
class TGroup;
class THint;
class TScene;
struct TLoadContext;

constexpr int32_t SiteRecordSize = 136;
constexpr int32_t RevealCellBytes = 26;

struct TPropAmount {
    TProp* Prop = nullptr;
    int32_t Amount = 0;
};

class TSite : public TNamedItem {
public:
    explicit TSite(std::string name = {});
    ~TSite() override;

    // The 136-byte record and then its scene records.
    void Load(TStream& stream, const TLoadContext& context);
    void Reset();

    bool CanReveal() const;
    bool CanAutoClose() const;
    bool AvailableFromOutside() const;
    void ToggleGroup();
    bool QuickReveal() const;
    bool RevealCellsEmpty() const;
    bool RevealsCell(int32_t index) const;
    // The name of the caption; the scenario text of that name is the title.
    std::string Title() const;
    // The icon style the site control shows: 2 for a way back to the previous region.
    int32_t ShownIconStyle() const;

    // A reveal: the site shows, and its group flips.
    void Reveal();
    // An automatic close: a revealed, never-visited site flips its group back.
    void Close();
    // The end of a visit: one more visit, the scenes caught up, and travel to the destination.
    void CompleteVisit();

    // The scene a visit starts with, or none.
    TScene* FirstSceneToShow() const;
    // Loads the scene assets a visit may still need.
    void PrepareAssets();

    TContainerOf<TScene> Scenes;
    TRegion* Region = nullptr;
    int32_t Number = 0;
    float X = 0;
    float Y = 0;
    std::array<int32_t, 2> Layout{};
    int32_t IconStyle = 0;
    TCaption* Caption = nullptr;
    uint8_t Flag1 = 0;
    uint8_t AutoVisit = 0;
    uint8_t KeepAssets = 0;
    uint8_t Flag4 = 0;
    uint8_t EndsGame = 0;
    int32_t ActionCode = 0;
    TRegion* Destination = nullptr;
    TSite* NeedRevealed = nullptr;
    TSite* NeedEntered = nullptr;
    std::array<TSite*, 3> NeedVisited{};
    std::array<TPropAmount, 3> NeedProps{};
    uint8_t OnlyWhenInView = 0;
    TGroup* Group = nullptr;
    std::array<uint8_t, RevealCellBytes> RevealCells{};
    std::array<TSite*, 2> CloseAfter{};
    THint* Hint = nullptr;
    TSite* NextRecommended = nullptr;
    bool Revealed = false;
    bool Entered = false;
    int32_t Visits = 0;
    bool Closed = false;

    // Stamp of the last walk of the recommendation chain that passed here.
    uint32_t ChainMark = 0;
    bool ChainLoopLogged = false;
};

} // namespace valdmoor
