// The game's per-player progress: the ordered list of recorded events. The world is never
// saved as a snapshot; it is reset and the events are replayed, which makes loading, switching
// profiles, starting over and undoing one mechanism. Events name objects by their numbers, so
// a save stays valid as long as the scenario keeps its numbers.
#pragma once

#include "players/EnginePlayers.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

namespace valdmoor {

enum TEventKind : int32_t {
    evSiteRevealed = 0,
    evSiteAutoVisit = 1,
    evSiteChosen = 2,
    evSiteEntered = 3,
    evSiteLeft = 4,
    evVisitCompleted = 5,
    evSceneExecuted = 6,
    evBarterDone = 7,
    evMakeDone = 8,
    evSiteClosed = 9,
    evRegionChanged = 10,
    evStoryFlagSet = 11,
    evStoryStageSet = 12,
    evStoryFlagCleared = 13,
    evStashed = 14,
    evRestored = 15,
};
constexpr int32_t EventKindCount = 16;

using TChoices = std::array<uint16_t, 8>;

// One recorded game action, 32 bytes, the same in memory and in the save file.
struct TData {
    int32_t Kind = 0;
    int32_t RegionNumber = 0;
    int32_t SiteNumber = 0;
    int32_t SceneNumber = 0;
    // Value in the first four bytes (the rest zero), or the eight exchange counters.
    std::array<uint8_t, 16> Payload{};

    int32_t Value() const {
        int32_t value;
        std::memcpy(&value, Payload.data(), sizeof value);
        return value;
    }
    void SetValue(int32_t value) {
        Payload.fill(0);
        std::memcpy(Payload.data(), &value, sizeof value);
    }
    TChoices Choices() const {
        TChoices choices;
        std::memcpy(choices.data(), Payload.data(), Payload.size());
        return choices;
    }
    void SetChoices(const TChoices& choices) {
        std::memcpy(Payload.data(), choices.data(), Payload.size());
    }
    bool operator==(const TData&) const = default;
};
static_assert(sizeof(TData) == 32, "TData is the 32-byte record of the save file");
static_assert(std::endian::native == std::endian::little, "saves are little-endian");

class TEvent : public TItem {
public:
    TEvent() = default;
    explicit TEvent(const TData& data) : Data(data) {}
    TData Data;
};

using TEventList = TContainerOf<TEvent>;

// The world's side of a replay, filled by the world once it exists. Every hook may be nil.
struct TReplayHooks {
    // New-game reset of the whole world.
    void (*ResetWorld)() = nullptr;
    // The model effect of one event: no dialog, transition, sound or recording.
    void (*ReplayEvent)(const TData& data) = nullptr;
    // Puts the avatar at the site to start its visit again, recording nothing: the game was
    // saved inside that visit.
    void (*ResumeVisit)(int32_t regionNumber, int32_t siteNumber) = nullptr;
    // Whether the scenario still has that site; without the hook every site counts.
    bool (*SiteExists)(int32_t regionNumber, int32_t siteNumber) = nullptr;
};
void SetReplayHooks(const TReplayHooks& hooks);
const TReplayHooks& ReplayHooks();

class TCustomPlayerState : public TPlayerState {
public:
    TCustomPlayerState();
    ~TCustomPlayerState() override;

    // int32 count, then that many 32-byte records. The count is checked against the bytes
    // left before anything is made; an unknown kind is damage.
    void Load(TStream& stream) override;
    void Save(TStream& stream) const override;

    TEventList& Events() { return *events_; }
    const TEventList& Events() const { return *events_; }
    bool HasEvents() const { return !events_->Empty(); }

    // Appends and marks the profiles changed; the save happens at the next save point.
    void RecordEvent(std::unique_ptr<TEvent> event);
    void RecordEvent(const TData& data);
    // Applies every event to the freshly reset world, then resumes a visit that was in
    // progress. Events recorded meanwhile are not replayed.
    void ReplayEvents();
    // Reset the world and replay.
    void Restart();
    // A new game: no events, profiles changed, world reset.
    void ClearEvents();
    // Removes events from the end up to and including the last site-chosen event whose site
    // still exists (all of them when there is none); the caller restarts.
    void UndoLastMove();
    // Removes a trailing site-chosen event (a visit cancelled before it left a trace).
    bool DropPendingMove();

private:
    std::unique_ptr<TEventList> events_;
};

// The game's player-state class.
std::unique_ptr<TPlayerState> CreateCustomPlayerState();
// The current player's game state; nil without a current player or with a foreign state class.
TCustomPlayerState* CurrentGameState();

} // namespace valdmoor
