// Player profiles and the save file. Every profile has a name, its own three sound volumes, the
// achievements it unlocked and one game state; all profiles live in the cloud file "Save", with
// the previous content kept as "Backup_Save". A file that cannot be read is moved aside under a
// name that says why, never deleted, so a player's data is never destroyed by the game.
#pragma once

#include "app/EngineApplication.h"
#include "app/EngineClasses.h"
#include "audio/EngineAudio.h"
#include "storage/EngineStorage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

// The version written; files of SaveVersionOldest .. SaveVersion are read.
constexpr int32_t SaveVersion = 100;
constexpr int32_t SaveVersionOldest = 95;

// A profile's game progress. Load reads exactly what Save wrote and raises EngineError on data
// it cannot accept.
class TPlayerState {
public:
    TPlayerState() = default;
    virtual ~TPlayerState() = default;
    TPlayerState(const TPlayerState&) = delete;
    TPlayerState& operator=(const TPlayerState&) = delete;

    virtual void Load(TStream& stream) = 0;
    virtual void Save(TStream& stream) const = 0;
};

// The class every profile's state is made of; the game's own unless set otherwise.
using TPlayerStateClass = std::unique_ptr<TPlayerState> (*)();
// Nil restores the game's class.
void SetPlayerStateClass(TPlayerStateClass stateClass);

class TPlayer : public TNamedItem {
public:
    // A new profile starts with the volumes the audio groups have now, so creating one never
    // changes what the player hears.
    explicit TPlayer(std::string name);
    ~TPlayer() override;

    // A rename is a change to save.
    void NameChanged() override;

    bool Stored() const { return stored_; }
    int32_t Volume(int32_t group) const;
    void SetVolume(int32_t group, int32_t volume);
    const std::vector<int32_t>& Achievements() const { return achievements_; }
    TPlayerState& State() const { return *state_; }

    // The record of the save file after its name: stored flag, volumes, state, achievements.
    // Read raises EngineError on damage.
    void ReadRecord(TStream& stream);
    void WriteRecord(TStream& stream) const;

private:
    friend void AddAchievement(TPlayer* player, int32_t number);

    bool stored_ = false;
    std::array<int32_t, GroupCount> volumes_{};
    std::vector<int32_t> achievements_;
    std::unique_ptr<TPlayerState> state_;
};

using TPlayerList = TContainerOf<TPlayer>;

// The save container, apart from the process-wide profiles (for the save tool and fuzzing).
// Read appends the players to Players and returns the stored 1-based current index; it raises
// TSaveVersionError for a version it does not read and EngineError for damage, naming FileName.
int32_t ReadSaveData(TStream& stream, std::string_view fileName, TPlayerList& players);
void WriteSaveData(TStream& stream, const TPlayerList& players, int32_t currentIndex);

class TSaveVersionError : public EngineError {
public:
    explicit TSaveVersionError(int32_t version);
    int32_t Version() const { return version_; }

private:
    int32_t version_;
};

// Start-up: migrates old saves from the per-user folder, loads "Save" (else "Backup_Save"),
// makes sure a player is current and asks the service for the achievements.
void PlayersStart();
// Saves when something changed, then frees every profile; accepts players that never started.
// A failed save still frees the profiles before its error goes on.
void PlayersStop();
// Once per frame: the audio volumes into the current player; achievements to the service once
// per run.
void PlayersUpdate();

// Writes every profile when something changed since the last save; the previous "Save" becomes
// "Backup_Save" first. An error propagates and leaves the changed flag set.
void SaveProfiles();
void MarkProfilesChanged();
bool ProfilesChanged();

TPlayer* CurrentPlayer();
int32_t PlayerCount();
// 1-based; nil outside 1 .. count.
TPlayer* PlayerAt(int32_t index);
// 1-based; 0 for a player not in the list.
int32_t PlayerIndex(const TPlayer* player);
// Index is clamped to 1 .. count.
void SelectPlayer(int32_t index);
void SelectOrCreatePlayer(std::string_view name);
// ASCII letters compare without case.
bool PlayerNameTaken(std::string_view name);
void DeleteCurrentPlayer();
// Also reports it to the service at once.
void AddAchievement(TPlayer* player, int32_t number);
bool HasAchievement(const TPlayer* player, int32_t number);
// The service's name of an achievement: "H" and the number in upper-case hexadecimal.
std::string AchievementServiceName(int32_t number);

} // namespace valdmoor
