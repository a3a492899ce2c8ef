#include "players/GameState.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/LocalService.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

TData Event(int32_t kind, int32_t region = 1, int32_t site = 0, int32_t scene = 0,
            int32_t value = 0) {
    TData data;
    data.Kind = kind;
    data.RegionNumber = region;
    data.SiteNumber = site;
    data.SceneNumber = scene;
    data.SetValue(value);
    return data;
}

std::vector<int32_t> Kinds(const TCustomPlayerState& game) {
    std::vector<int32_t> kinds;
    for (const TEvent& event : game.Events()) {
        kinds.push_back(event.Data.Kind);
    }
    return kinds;
}

// A stand-in for the world: it logs what the replay asks of it.
struct TFakeWorld {
    std::vector<std::string> Calls;
    std::vector<int32_t> GoneSites;
    TCustomPlayerState* RecordInto = nullptr;
};
TFakeWorld* world = nullptr;

void FakeReset() {
    world->Calls.push_back("reset");
}
void FakeReplay(const TData& data) {
    world->Calls.push_back("event " + std::to_string(data.Kind) + " site " +
                           std::to_string(data.SiteNumber));
    if (world->RecordInto != nullptr) {
        world->RecordInto->RecordEvent(Event(evSiteRevealed));
    }
}
void FakeResume(int32_t region, int32_t site) {
    world->Calls.push_back("resume " + std::to_string(region) + "/" + std::to_string(site));
}
bool FakeSiteExists(int32_t, int32_t site) {
    return std::find(world->GoneSites.begin(), world->GoneSites.end(), site) ==
           world->GoneSites.end();
}

class GameState : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        ASSERT_TRUE(ServiceInit(temp.Path().string()));
        SetStorageFolderPath(sfUser, temp.Path().string());
        PlayersStart();
        game = CurrentGameState();
        ASSERT_NE(game, nullptr);
        world = &fake;
        SetReplayHooks({FakeReset, FakeReplay, FakeResume, FakeSiteExists});
    }
    void TearDown() override {
        SetReplayHooks({});
        world = nullptr;
        PlayersStop();
        ServiceShutdown();
        ApplicationStop();
    }

    void Record(std::initializer_list<TData> events) {
        for (const TData& e : events) {
            game->RecordEvent(e);
        }
    }

    test::TTempFolder temp;
    TFakeWorld fake;
    TCustomPlayerState* game = nullptr;
};

TEST_F(GameState, PayloadIsTheCountThenTheRecordsAndRoundTrips) {
    TMemoryStream empty;
    game->Save(empty);
    EXPECT_EQ(empty.Bytes(), std::string(4, '\0'));
    empty.Seek(0);
    TCustomPlayerState fresh;
    fresh.Load(empty);
    EXPECT_FALSE(fresh.HasEvents());

    // More records than one block, so the block edges are crossed both ways.
    for (int32_t i = 0; i < 600; ++i) {
        game->Events().Add(std::make_unique<TEvent>(Event(i % EventKindCount, 1, i, 0, -i)));
    }
    TData barter = Event(evBarterDone, 2, 3, 4);
    barter.SetChoices({1, 2, 3, 4, 5, 6, 7, 0xFFFF});
    game->Events().Add(std::make_unique<TEvent>(barter));
    TMemoryStream stream;
    game->Save(stream);
    ASSERT_EQ(stream.Size(), 4 + 32 * 601);
    // Value in the first four bytes of the last sixteen, the rest zero; choices as 16-bit words.
    const std::string& bytes = stream.Bytes();
    EXPECT_EQ(bytes.substr(4 + 32 * 5 + 16, 16),
              std::string("\xFB\xFF\xFF\xFF", 4) + std::string(12, '\0'));
    EXPECT_EQ(bytes.substr(4 + 32 * 600 + 28, 4), std::string("\x07\x00\xFF\xFF", 4));

    stream.Seek(0);
    TCustomPlayerState loaded;
    loaded.Load(stream);
    ASSERT_EQ(loaded.Events().Count(), 601);
    const TEvent* b = game->Events().First();
    for (const TEvent& a : loaded.Events()) {
        ASSERT_EQ(a.Data, b->Data);
        b = static_cast<const TEvent*>(b->Next());
    }
    EXPECT_EQ(loaded.Events().Last()->Data.Choices()[7], 0xFFFF);
}

TEST_F(GameState, LoadRejectsCountsBeyondTheDataAndUnknownKinds) {
    const auto load = [](const std::string& bytes) {
        TMemoryStream stream(bytes);
        TCustomPlayerState state;
        state.Load(stream);
    };
    std::string lying("\x02\x00\x00\x00", 4);
    lying += std::string(32, '\0');
    EXPECT_THROW(load(lying), EngineError);
    EXPECT_THROW(load(std::string("\xFF\xFF\xFF\xFF", 4)), EngineError);
    EXPECT_THROW(load(std::string("\xFF\xFF\xFF\x7F", 4) + std::string(64, '\0')), EngineError);
    EXPECT_THROW(load(std::string("\x01\x00", 2)), EngineError);
    std::string unknown("\x01\x00\x00\x00", 4);
    unknown += std::string("\x10\x00\x00\x00", 4) + std::string(28, '\0');
    EXPECT_THROW(load(unknown), EngineError);
    unknown[4] = '\x0F';
    EXPECT_NO_THROW(load(unknown));
}

TEST_F(GameState, UndoRemovesTheLastMoveWithEverythingItCaused) {
    // Right after choosing a site: only that choice goes.
    Record({Event(evSiteRevealed, 1, 1), Event(evSiteChosen, 1, 1)});
    EXPECT_TRUE(ProfilesChanged()); // recording marks the profiles for saving
    game->UndoLastMove();
    EXPECT_EQ(Kinds(*game), (std::vector<int32_t>{evSiteRevealed}));

    // After a whole visit: the visit's events and the choice that started it.
    Record({Event(evSiteChosen, 1, 1), Event(evSiteEntered, 1, 1),
            Event(evSceneExecuted, 1, 1, 1, 1), Event(evSiteChosen, 1, 2),
            Event(evSiteEntered, 1, 2), Event(evSceneExecuted, 1, 2, 5, 1),
            Event(evVisitCompleted, 1, 2), Event(evStoryFlagSet, 0, 0, 0, 1),
            Event(evSiteClosed, 1, 1), Event(evSiteRevealed, 1, 3)});
    SaveProfiles();
    game->UndoLastMove();
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_EQ(Kinds(*game),
              (std::vector<int32_t>{evSiteRevealed, evSiteChosen, evSiteEntered, evSceneExecuted}));

    // A choice of a site the scenario no longer has is not a move of its own.
    Record({Event(evSiteChosen, 1, 9), Event(evSiteEntered, 1, 9)});
    fake.GoneSites = {9};
    game->UndoLastMove();
    EXPECT_EQ(Kinds(*game), (std::vector<int32_t>{evSiteRevealed}));

    // No move left: everything goes.
    fake.GoneSites = {};
    game->UndoLastMove();
    EXPECT_FALSE(game->HasEvents());
    game->UndoLastMove();
    EXPECT_FALSE(game->HasEvents());
    EXPECT_TRUE(fake.Calls.empty()); // the caller restarts, not the undo
}

TEST_F(GameState, DropPendingMoveRemovesOnlyATrailingChoice) {
    EXPECT_FALSE(game->DropPendingMove());
    Record({Event(evSiteChosen, 1, 1), Event(evSiteEntered, 1, 1)});
    SaveProfiles();
    EXPECT_FALSE(game->DropPendingMove());
    EXPECT_FALSE(ProfilesChanged());
    Record({Event(evSiteLeft, 1, 1), Event(evSiteChosen, 1, 2)});
    SaveProfiles();
    EXPECT_TRUE(game->DropPendingMove());
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_EQ(Kinds(*game), (std::vector<int32_t>{evSiteChosen, evSiteEntered, evSiteLeft}));
}

TEST_F(GameState, RestartResetsTheWorldReplaysInOrderAndResumesAVisitInProgress) {
    Record({Event(evSiteRevealed, 1, 1), Event(evSiteChosen, 1, 1), Event(evSiteEntered, 1, 1),
            Event(evSiteLeft, 1, 1), Event(evSiteAutoVisit, 2, 7)});
    game->Restart();
    EXPECT_EQ(fake.Calls, (std::vector<std::string>{"reset", "event 0 site 1", "event 2 site 1",
                                                    "event 3 site 1", "event 4 site 1",
                                                    "event 1 site 7", "resume 2/7"}));

    // Left or completed: the avatar stays on the map.
    for (const int32_t last : {evSiteLeft, evVisitCompleted}) {
        fake.Calls.clear();
        game->RecordEvent(Event(last, 2, 7));
        game->Restart();
        EXPECT_NE(fake.Calls.back().rfind("event", 0), std::string::npos) << fake.Calls.back();
    }
    // A choice followed by events of the same visit still resumes it.
    fake.Calls.clear();
    Record({Event(evSiteChosen, 3, 4), Event(evSiteEntered, 3, 4),
            Event(evSceneExecuted, 3, 4, 1, 1)});
    game->Restart();
    EXPECT_EQ(fake.Calls.back(), "resume 3/4");
}

TEST_F(GameState, EventsRecordedDuringAReplayAreNotReplayedAgain) {
    Record({Event(evSiteChosen, 1, 1), Event(evSiteLeft, 1, 1)});
    fake.RecordInto = game;
    game->ReplayEvents();
    fake.RecordInto = nullptr;
    EXPECT_EQ(fake.Calls.size(), 2U);
}

TEST_F(GameState, ClearingStartsANewGame) {
    Record({Event(evSiteChosen, 1, 1), Event(evSiteEntered, 1, 1)});
    SaveProfiles();
    game->ClearEvents();
    EXPECT_FALSE(game->HasEvents());
    EXPECT_TRUE(ProfilesChanged());
    EXPECT_EQ(fake.Calls, (std::vector<std::string>{"reset"}));
}

} // namespace
} // namespace valdmoor
