#include "players/GameState.h"

#include "app/EngineApplication.h"

#include <algorithm>

namespace valdmoor {
namespace {

TReplayHooks replayHooks;

// Records move between the list and the stream in blocks of this many, so neither side needs
// one buffer the size of the whole history.
constexpr int32_t BlockRecords = 256;

bool SiteStillExists(const TData& data) {
    return replayHooks.SiteExists == nullptr ||
           replayHooks.SiteExists(data.RegionNumber, data.SiteNumber);
}

} // namespace

void SetReplayHooks(const TReplayHooks& hooks) {
    replayHooks = hooks;
}

const TReplayHooks& ReplayHooks() {
    return replayHooks;
}

TCustomPlayerState::TCustomPlayerState() : events_(std::make_unique<TEventList>()) {}

TCustomPlayerState::~TCustomPlayerState() = default;

void TCustomPlayerState::Load(TStream& stream) {
    int32_t count = 0;
    stream.ReadExact(&count, sizeof count);
    if (count < 0 || count > stream.Remaining() / static_cast<int64_t>(sizeof(TData))) {
        throw EngineError("Event count out of range");
    }
    std::array<TData, BlockRecords> block;
    for (int32_t done = 0; done < count;) {
        const int32_t n = std::min(BlockRecords, count - done);
        stream.ReadExact(block.data(), static_cast<std::size_t>(n) * sizeof(TData));
        for (int32_t i = 0; i < n; ++i) {
            const TData& data = block[static_cast<std::size_t>(i)];
            if (data.Kind < 0 || data.Kind >= EventKindCount) {
                throw EngineError("Unknown event kind " + std::to_string(data.Kind));
            }
            events_->Add(std::make_unique<TEvent>(data));
        }
        done += n;
    }
}

void TCustomPlayerState::Save(TStream& stream) const {
    const int32_t count = events_->Count();
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        // A long history grows the buffer once instead of step by step; the slack leaves room
        // for the rest of the file.
        memory->Reserve(static_cast<std::size_t>(memory->Position()) + 4 +
                        sizeof(TData) * static_cast<std::size_t>(count) + 65536);
    }
    stream.Write(&count, sizeof count);
    std::array<TData, BlockRecords> block;
    std::size_t n = 0;
    for (const TEvent& event : *events_) {
        block[n++] = event.Data;
        if (n == block.size()) {
            stream.Write(block.data(), n * sizeof(TData));
            n = 0;
        }
    }
    stream.Write(block.data(), n * sizeof(TData));
}

void TCustomPlayerState::RecordEvent(std::unique_ptr<TEvent> event) {
    if (event == nullptr) {
        return;
    }
    events_->Add(std::move(event));
    MarkProfilesChanged();
}

void TCustomPlayerState::RecordEvent(const TData& data) {
    RecordEvent(std::make_unique<TEvent>(data));
}

void TCustomPlayerState::ReplayEvents() {
    // The avatar's position after the events: a game saved inside a visit resumes it.
    bool atSite = false;
    int32_t regionNumber = 0;
    int32_t siteNumber = 0;
    const TEvent* last = events_->Last();
    for (const TEvent* event = events_->First(); event != nullptr;
         event = event == last ? nullptr : static_cast<const TEvent*>(event->Next())) {
        const TData& data = event->Data;
        if (replayHooks.ReplayEvent != nullptr) {
            replayHooks.ReplayEvent(data);
        }
        switch (data.Kind) {
            case evSiteAutoVisit:
            case evSiteChosen:
                atSite = true;
                regionNumber = data.RegionNumber;
                siteNumber = data.SiteNumber;
                break;
            case evSiteLeft:
            case evVisitCompleted:
                atSite = false;
                break;
            default:
                break;
        }
    }
    if (atSite && replayHooks.ResumeVisit != nullptr) {
        replayHooks.ResumeVisit(regionNumber, siteNumber);
    }
}

void TCustomPlayerState::Restart() {
    if (replayHooks.ResetWorld != nullptr) {
        replayHooks.ResetWorld();
    }
    ReplayEvents();
}

void TCustomPlayerState::ClearEvents() {
    events_->Clear();
    MarkProfilesChanged();
    Restart();
}

void TCustomPlayerState::UndoLastMove() {
    while (TEvent* event = events_->Last()) {
        const TData data = event->Data;
        events_->Remove(event, true);
        if (data.Kind == evSiteChosen && SiteStillExists(data)) {
            break;
        }
    }
    MarkProfilesChanged();
}

bool TCustomPlayerState::DropPendingMove() {
    TEvent* event = events_->Last();
    if (event == nullptr || event->Data.Kind != evSiteChosen) {
        return false;
    }
    events_->Remove(event, true);
    MarkProfilesChanged();
    return true;
}

std::unique_ptr<TPlayerState> CreateCustomPlayerState() {
    return std::make_unique<TCustomPlayerState>();
}

TCustomPlayerState* CurrentGameState() {
    TPlayer* player = CurrentPlayer();
    return player != nullptr ? dynamic_cast<TCustomPlayerState*>(&player->State()) : nullptr;
}

} // namespace valdmoor
