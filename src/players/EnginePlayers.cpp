#include "players/EnginePlayers.h"

#include "app/EngineApplication.h"
#include "players/GameState.h"

#include <algorithm>
#include <ctime>
#include <exception>

namespace valdmoor {
namespace {

constexpr std::string_view SaveName = "Save";
constexpr std::string_view BackupName = "Backup_Save";
// Name length, stored flag, three volumes and the achievement count: the least a player
// record can take, whatever its state holds.
constexpr int64_t MinimalPlayerRecord = 4 + 1 + 4 * GroupCount + 4;

struct TPlayersState {
    std::unique_ptr<TPlayerList> players;
    TPlayer* current = nullptr;
    bool changed = false;
    bool achievementsHanded = false;
    // "Save" could not be read nor moved aside: rotating it into "Backup_Save" would replace a
    // readable backup with it.
    bool keepBackup = false;
};

TPlayersState state;
TPlayerStateClass stateClass = nullptr;

int32_t ReadInt32(TStream& stream) {
    int32_t value = 0;
    stream.ReadExact(&value, sizeof value);
    return value;
}

void WriteInt32(TStream& stream, int32_t value) {
    stream.Write(&value, sizeof value);
}

std::string SaveFileName(std::string_view name) {
    return std::string(name) + std::string(FileKindExtension(fkData));
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// Asks the service and sets the achievement when it does not have it yet; true when it was set.
bool ReportAchievement(const std::string& name) {
    bool achieved = false;
    if (StatsGetAchievement(name, achieved) && achieved) {
        return false;
    }
    return StatsSetAchievement(name);
}

// Achievements unlocked by any profile, also while the service was unreachable, end up with
// the service.
void HandAchievementsToService() {
    std::vector<uint32_t> handled;
    bool stored = false;
    for (const TPlayer& player : *state.players) {
        for (const int32_t number : player.Achievements()) {
            const auto key = static_cast<uint32_t>(number);
            if (std::find(handled.begin(), handled.end(), key) != handled.end()) {
                continue;
            }
            handled.push_back(key);
            stored = ReportAchievement(AchievementServiceName(number)) || stored;
        }
    }
    if (stored) {
        StatsStore();
    }
    state.achievementsHanded = true;
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &utc);
    return text;
}

// Keeps a save the game cannot read under a name that says why, so that nothing the player
// made is destroyed; a newer game may still read it, or someone may mend it.
void MoveAside(std::string_view name, std::string_view reason, const std::string& why) {
    const std::string base = std::string(name) + "." + std::string(reason) + "-" + TimeStamp();
    std::string aside = base;
    for (int32_t n = 2; StorageExists(sfCloud, aside, fkData); ++n) {
        aside = base + "-" + std::to_string(n);
    }
    bool moved = false;
    try {
        moved = StorageCopy(sfCloud, name, fkData, sfCloud, aside);
    } catch (const std::exception& error) {
        LogMessage(error.what());
    }
    if (moved) {
        StorageDelete(sfCloud, name, fkData);
        LogMessage("Save file \"" + SaveFileName(name) + "\" could not be read (" + why +
                   "); kept as \"" + SaveFileName(aside) + "\"");
        return;
    }
    LogMessage("Save file \"" + SaveFileName(name) + "\" could not be read (" + why +
               ") nor moved aside");
    if (name == SaveName) {
        state.keepBackup = true;
    }
}

// Appends the profiles of one save file. A file that cannot be read leaves the list empty and
// is moved aside; a missing one is simply not there.
void LoadSaveFile(std::string_view name) {
    if (!StorageExists(sfCloud, name, fkData)) {
        return;
    }
    std::string reason;
    std::string why;
    try {
        const std::unique_ptr<TStream> stream = StorageOpen(sfCloud, name, fkData);
        const int32_t current = ReadSaveData(*stream, SaveFileName(name), *state.players);
        stream->Close();
        SelectPlayer(current);
        return;
    } catch (const TSaveVersionError& error) {
        reason = error.Version() > SaveVersion ? "newer-version" : "older-version";
        why = "version " + std::to_string(error.Version());
    } catch (const std::exception& error) {
        reason = "damaged";
        why = error.what();
    }
    state.current = nullptr;
    state.players->Clear();
    MoveAside(name, reason, why);
}

bool SameContent(TStorageFolder a, TStorageFolder b, std::string_view name) {
    try {
        return StorageLoadText(a, name, fkData) == StorageLoadText(b, name, fkData);
    } catch (const EngineError&) {
        return false;
    }
}

// Saves of older installations lived in the per-user folder; they are copied to the cloud once.
// A copy cut short after "Backup_Save" shows as a cloud backup equal to the old one and no
// "Save", and is finished at the next start, so the newer file is not left behind.
void MigrateOldSaves() {
    const bool save = StorageExists(sfCloud, SaveName, fkData);
    const bool backup = StorageExists(sfCloud, BackupName, fkData);
    const bool interrupted = !save && backup && StorageExists(sfUser, SaveName, fkData) &&
                             StorageExists(sfUser, BackupName, fkData) &&
                             SameContent(sfUser, sfCloud, BackupName);
    if (!save && !backup) {
        StorageCopy(sfUser, BackupName, fkData, sfCloud, BackupName);
    }
    if ((!save && !backup) || interrupted) {
        StorageCopy(sfUser, SaveName, fkData, sfCloud, SaveName);
    }
}

[[noreturn]] void RaiseDamaged(std::string_view fileName, std::string_view what) {
    throw EngineError("Damaged save file \"" + std::string(fileName) + "\": " + std::string(what));
}

} // namespace

void SetPlayerStateClass(TPlayerStateClass newClass) {
    stateClass = newClass;
}

TPlayer::TPlayer(std::string name) : TNamedItem(std::move(name)) {
    for (int32_t group = 0; group < GroupCount; ++group) {
        volumes_[static_cast<std::size_t>(group)] = GroupVolume(group);
    }
    if (stateClass != nullptr) {
        state_ = stateClass();
    }
    if (state_ == nullptr) {
        state_ = CreateCustomPlayerState();
    }
}

TPlayer::~TPlayer() = default;

void TPlayer::NameChanged() {
    MarkProfilesChanged();
}

int32_t TPlayer::Volume(int32_t group) const {
    return group >= 0 && group < GroupCount ? volumes_[static_cast<std::size_t>(group)] : 0;
}

void TPlayer::SetVolume(int32_t group, int32_t volume) {
    if (group >= 0 && group < GroupCount) {
        volumes_[static_cast<std::size_t>(group)] = volume;
    }
}

void TPlayer::ReadRecord(TStream& stream) {
    uint8_t stored = 0;
    stream.ReadExact(&stored, 1);
    stored_ = stored != 0;
    for (int32_t& volume : volumes_) {
        volume = ReadInt32(stream);
    }
    state_->Load(stream);
    const int32_t count = ReadInt32(stream);
    if (count < 0 || count > stream.Remaining() / 4) {
        throw EngineError("Achievement count out of range");
    }
    achievements_.resize(static_cast<std::size_t>(count));
    stream.ReadExact(achievements_.data(), achievements_.size() * sizeof(int32_t));
}

void TPlayer::WriteRecord(TStream& stream) const {
    const uint8_t stored = 1;
    stream.Write(&stored, 1);
    for (const int32_t volume : volumes_) {
        WriteInt32(stream, volume);
    }
    state_->Save(stream);
    WriteInt32(stream, static_cast<int32_t>(achievements_.size()));
    stream.Write(achievements_.data(), achievements_.size() * sizeof(int32_t));
}

TSaveVersionError::TSaveVersionError(int32_t version)
    : EngineError("Unsupported save data version."), version_(version) {}

int32_t ReadSaveData(TStream& stream, std::string_view fileName, TPlayerList& players) {
    int32_t version = 0;
    try {
        version = ReadInt32(stream);
    } catch (const EngineError& error) {
        RaiseDamaged(fileName, error.what());
    }
    if (version > SaveVersion || version < SaveVersionOldest) {
        throw TSaveVersionError(version);
    }
    try {
        const int32_t count = ReadInt32(stream);
        if (count < 0 || count > stream.Remaining() / MinimalPlayerRecord) {
            throw EngineError("Player count out of range");
        }
        for (int32_t i = 0; i < count; ++i) {
            const int32_t length = ReadInt32(stream);
            if (length < 0 || length > stream.Remaining()) {
                throw EngineError("Player name length out of range");
            }
            std::string name(static_cast<std::size_t>(length), '\0');
            stream.ReadExact(name.data(), name.size());
            TPlayer* player = players.Add(std::make_unique<TPlayer>(std::move(name)));
            player->ReadRecord(stream);
        }
        return ReadInt32(stream);
    } catch (const EngineError& error) {
        RaiseDamaged(fileName, error.what());
    }
}

void WriteSaveData(TStream& stream, const TPlayerList& players, int32_t currentIndex) {
    WriteInt32(stream, SaveVersion);
    WriteInt32(stream, players.Count());
    for (const TPlayer& player : players) {
        WriteInt32(stream, static_cast<int32_t>(player.Name().size()));
        stream.Write(player.Name().data(), player.Name().size());
        player.WriteRecord(stream);
    }
    WriteInt32(stream, currentIndex);
}

void PlayersStart() {
    // A second start forgets the first without saving it.
    state = TPlayersState{};
    MigrateOldSaves();
    state.players = std::make_unique<TPlayerList>();
    LoadSaveFile(SaveName);
    if (state.players->Empty()) {
        LoadSaveFile(BackupName);
    }
    if (state.players->Empty()) {
        SelectOrCreatePlayer("");
        state.changed = false;
    }
    StatsRequestCurrent();
}

void PlayersStop() {
    std::exception_ptr failure;
    try {
        SaveProfiles();
    } catch (...) {
        failure = std::current_exception();
    }
    state = TPlayersState{};
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void PlayersUpdate() {
    if (state.players == nullptr) {
        return;
    }
    if (state.current != nullptr) {
        for (int32_t group = 0; group < GroupCount; ++group) {
            const int32_t volume = GroupVolume(group);
            if (state.current->Volume(group) != volume) {
                state.current->SetVolume(group, volume);
                state.changed = true;
            }
        }
    }
    if (!state.achievementsHanded) {
        HandAchievementsToService();
    }
}

void SaveProfiles() {
    if (!state.changed || state.players == nullptr) {
        return;
    }
    // Each file is replaced atomically, and the previous "Save" is in "Backup_Save" before
    // "Save" changes: a crash at any point leaves the new or the previous profiles loadable.
    if (!state.keepBackup) {
        StorageCopy(sfCloud, SaveName, fkData, sfCloud, BackupName);
    }
    const std::unique_ptr<TStream> stream = StorageCreate(sfCloud, SaveName, fkData);
    WriteSaveData(*stream, *state.players, PlayerIndex(state.current));
    stream->Close();
    state.keepBackup = false;
    state.changed = false;
}

void MarkProfilesChanged() {
    state.changed = true;
}

bool ProfilesChanged() {
    return state.changed;
}

TPlayer* CurrentPlayer() {
    return state.current;
}

int32_t PlayerCount() {
    return state.players != nullptr ? state.players->Count() : 0;
}

TPlayer* PlayerAt(int32_t index) {
    return state.players != nullptr ? state.players->ItemAt(index) : nullptr;
}

int32_t PlayerIndex(const TPlayer* player) {
    return state.players != nullptr && player != nullptr ? state.players->IndexOf(player) : 0;
}

void SelectPlayer(int32_t index) {
    const int32_t count = PlayerCount();
    TPlayer* player = count > 0 ? PlayerAt(std::clamp(index, 1, count)) : nullptr;
    if (player == state.current) {
        return;
    }
    if (state.current != nullptr) {
        state.changed = true;
    }
    state.current = player;
    if (player != nullptr) {
        for (int32_t group = 0; group < GroupCount; ++group) {
            SetGroupVolume(group, player->Volume(group));
        }
    }
}

void SelectOrCreatePlayer(std::string_view name) {
    if (state.players == nullptr) {
        return;
    }
    int32_t index = 1;
    for (const TPlayer& player : *state.players) {
        if (player.Name() == name) {
            SelectPlayer(index);
            return;
        }
        ++index;
    }
    state.players->Add(std::make_unique<TPlayer>(std::string(name)));
    SelectPlayer(state.players->Count());
}

bool PlayerNameTaken(std::string_view name) {
    if (state.players == nullptr) {
        return false;
    }
    return std::any_of(state.players->begin(), state.players->end(), [&](const TPlayer& player) {
        return SameIgnoringAsciiCase(player.Name(), name);
    });
}

void DeleteCurrentPlayer() {
    if (state.current == nullptr) {
        return;
    }
    TPlayer* gone = state.current;
    state.current = nullptr;
    state.players->Remove(gone, true);
    SelectPlayer(1);
    state.changed = true;
}

void AddAchievement(TPlayer* player, int32_t number) {
    if (player == nullptr) {
        return;
    }
    player->achievements_.push_back(number);
    state.changed = true;
    if (ReportAchievement(AchievementServiceName(number))) {
        StatsStore();
    }
}

bool HasAchievement(const TPlayer* player, int32_t number) {
    return player != nullptr &&
           std::find(player->Achievements().begin(), player->Achievements().end(), number) !=
               player->Achievements().end();
}

std::string AchievementServiceName(int32_t number) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    auto value = static_cast<uint32_t>(number);
    std::string hex;
    do {
        hex.insert(hex.begin(), Digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "H" + hex;
}

} // namespace valdmoor
