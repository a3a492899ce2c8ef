#include "app/EngineClasses.h"

#include "TestSupport.h"

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

// A named item that reports its life to the test.
struct TProbe : TNamedItem {
    explicit TProbe(std::string name, std::vector<std::string>* log = nullptr)
        : TNamedItem(std::move(name)), log_(log) {}
    ~TProbe() override {
        if (log_ != nullptr) {
            log_->push_back("destroyed " + Name());
        }
    }
    void Detached() override {
        if (log_ != nullptr) {
            log_->push_back("detached " + Name());
        }
    }
    void NameChanged() override { ++renames; }

    int renames = 0;
    std::vector<std::string>* log_;
};

struct TPooled : TNamedItem {};

std::vector<std::string> Names(const TContainer& list) {
    std::vector<std::string> names;
    for (TItem* item = list.First(); item != nullptr; item = item->Next()) {
        names.push_back(item->AsNamed() != nullptr ? item->AsNamed()->Name() : "?");
    }
    return names;
}

std::vector<std::string> NamesBackwards(const TContainer& list) {
    std::vector<std::string> names;
    for (TItem* item = list.Last(); item != nullptr; item = item->Previous()) {
        names.push_back(item->AsNamed()->Name());
    }
    return names;
}

TProbe* AddNamed(TContainer& list, std::string name, bool inOrder = true) {
    return list.Add(std::make_unique<TProbe>(std::move(name)), inOrder);
}

using Strings = std::vector<std::string>;

TEST(TContainer, SortedInsertKeepsEqualNamesInArrivalOrder) {
    TContainer list(true, true);
    TProbe* b1 = AddNamed(list, "b");
    AddNamed(list, "a");
    AddNamed(list, "c");
    TProbe* b2 = AddNamed(list, "b");
    EXPECT_EQ(Names(list), (Strings{"a", "b", "b", "c"}));
    EXPECT_EQ(list.ItemAt(2), b1);
    EXPECT_EQ(list.ItemAt(3), b2);
    EXPECT_EQ(list.Cursor(), b2);
    EXPECT_EQ(NamesBackwards(list), (Strings{"c", "b", "b", "a"}));
}

TEST(TContainer, NameOrderIsBytewiseUnsignedAndShorterFirst) {
    TContainer list(true, true);
    for (const char* name : {"ab", "a", "B", "\xc3\xa9", "b", "abc", ""}) {
        AddNamed(list, name);
    }
    // Upper case before lower case, bytes above 0x7F after ASCII, prefixes first.
    EXPECT_EQ(Names(list), (Strings{"", "B", "a", "ab", "abc", "b", "\xc3\xa9"}));
}

TEST(TContainer, UnorderedAddAppendsAndLeavesTheCursor) {
    TContainer list(true, true);
    TProbe* m = AddNamed(list, "m");
    AddNamed(list, "a", false);
    EXPECT_EQ(Names(list), (Strings{"m", "a"}));
    EXPECT_EQ(list.Cursor(), m);

    TContainer plain(false, true);
    AddNamed(plain, "z");
    AddNamed(plain, "a");
    EXPECT_EQ(Names(plain), (Strings{"z", "a"}));
    EXPECT_EQ(plain.Cursor(), nullptr);
}

// Random inserts, renames and removals must keep the list sorted by name, with equal names in
// the order they arrived (a renamed item arrives anew), and every link consistent both ways.
TEST(TContainer, RandomOperationsKeepStableSortedOrder) {
    std::mt19937 random(7);
    TContainer list(true, true);
    std::map<const TItem*, std::pair<std::string, int>> model; // item -> name, arrival
    std::vector<TProbe*> items;
    int arrival = 0;
    for (int step = 0; step < 3000; ++step) {
        const unsigned action = random() % 10;
        const std::string name(1 + random() % 2, static_cast<char>('a' + random() % 5));
        if (action < 5 || items.empty()) {
            TProbe* item = AddNamed(list, name);
            model[item] = {name, arrival++};
            items.push_back(item);
        } else if (action < 8) {
            TProbe* item = items[random() % items.size()];
            if (item->Name() != name) {
                model[item] = {name, arrival++};
            }
            item->SetName(name);
        } else if (action < 9) {
            ASSERT_NE(list.Find(name) == nullptr,
                      std::any_of(model.begin(), model.end(),
                                  [&](const auto& entry) { return entry.second.first == name; }));
        } else {
            const std::size_t pick = random() % items.size();
            model.erase(items[pick]);
            items[pick]->RemoveSelf();
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(pick));
        }
        ASSERT_EQ(list.Count(), static_cast<int32_t>(model.size()));
    }
    std::vector<std::pair<std::string, int>> expected;
    for (const auto& entry : model) {
        expected.push_back(entry.second);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::pair<std::string, int>> actual;
    for (TItem* item = list.First(); item != nullptr; item = item->Next()) {
        actual.push_back(model.at(item));
    }
    EXPECT_EQ(actual, expected);
    auto backwards = NamesBackwards(list);
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(backwards, Names(list));
}

TEST(TContainer, FindIsExactAndCaseSensitive) {
    TContainer list(true, true);
    for (const char* name : {"Alpha", "Beta", "Gamma", "Delta"}) {
        AddNamed(list, name);
    }
    EXPECT_EQ(list.Find("Gamma")->Name(), "Gamma");
    EXPECT_EQ(list.Find("gamma"), nullptr);
    EXPECT_EQ(list.Find("Alpha")->Name(), "Alpha"); // backwards from the cursor
    EXPECT_EQ(list.Find("Gamma")->Name(), "Gamma"); // forwards again
    EXPECT_EQ(list.Find("Gam"), nullptr);
    EXPECT_EQ(list.Find(""), nullptr);
    EXPECT_EQ(list.Cursor()->AsNamed()->Name(), "Gamma");

    TContainer plain(false, true);
    for (const char* name : {"x", "c", "q", "a"}) {
        AddNamed(plain, name);
    }
    EXPECT_EQ(plain.Find("q")->Name(), "q");
    EXPECT_EQ(plain.Find("x")->Name(), "x"); // before the cursor
    EXPECT_EQ(plain.Find("a")->Name(), "a"); // after it
    EXPECT_EQ(plain.Find("missing"), nullptr);
}

TEST(TContainer, RemovingTheCursorKeepsLookUpsWorking) {
    TContainer list(true, true);
    for (const char* name : {"a", "b", "c", "d"}) {
        AddNamed(list, name);
    }
    TNamedItem* c = list.Find("c");
    list.Remove(c, true);
    EXPECT_EQ(list.Cursor()->AsNamed()->Name(), "b");
    EXPECT_EQ(list.Find("d")->Name(), "d");
    EXPECT_EQ(list.Find("a")->Name(), "a");
    list.Remove(list.Find("a"), true);
    EXPECT_EQ(list.Cursor(), nullptr);
    EXPECT_EQ(list.Find("b")->Name(), "b");
    EXPECT_EQ(Names(list), (Strings{"b", "d"}));
}

TEST(TContainer, PositionsAreOneBasedAndForeignItemsHaveNone) {
    TContainer list(false, true);
    TProbe* a = AddNamed(list, "a");
    TProbe* b = AddNamed(list, "b");
    TContainer other(false, true);
    TProbe* foreign = AddNamed(other, "f");
    EXPECT_EQ(list.ItemAt(0), nullptr);
    EXPECT_EQ(list.ItemAt(1), a);
    EXPECT_EQ(list.ItemAt(2), b);
    EXPECT_EQ(list.ItemAt(3), nullptr);
    EXPECT_EQ(list.ItemAt(-1), nullptr);
    EXPECT_EQ(list.IndexOf(b), 2);
    EXPECT_EQ(list.IndexOf(foreign), 0);
    EXPECT_EQ(list.IndexOf(nullptr), 0);
    // Removing an item of another list does nothing.
    list.Remove(foreign, true);
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(list.Count(), 2);
}

TEST(TContainer, EmptyListHasNoEnds) {
    TContainer list(true, true);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Last(), nullptr);
    EXPECT_EQ(list.Find("x"), nullptr);
    EXPECT_FALSE(list.AllNamed());
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    TProbe* only = AddNamed(list, "x");
    EXPECT_EQ(only->Next(), nullptr);
    EXPECT_EQ(only->Previous(), nullptr);
    EXPECT_TRUE(list.AllNamed());
    list.Add(std::make_unique<TItem>());
    EXPECT_FALSE(list.AllNamed());
}

TEST(TContainer, ClearRemovesFromTheEndAndOwnershipDecidesDestruction) {
    std::vector<std::string> log;
    {
        TContainer owning(false, true);
        for (const char* name : {"a", "b", "c"}) {
            owning.Add(std::make_unique<TProbe>(name, &log));
        }
        owning.Clear();
        EXPECT_EQ(log, (Strings{"detached c", "destroyed c", "detached b", "destroyed b",
                                "detached a", "destroyed a"}));
        EXPECT_EQ(owning.Count(), 0);
    }
    log.clear();
    TProbe kept("k", &log);
    {
        TContainer borrowing(false, false);
        borrowing.Add(&kept);
        borrowing.Remove(&kept, true);
        EXPECT_EQ(kept.Container(), nullptr);
        borrowing.Add(&kept);
    } // the list goes first; the item survives unlisted
    EXPECT_EQ(kept.Container(), nullptr);
    EXPECT_EQ(log, (Strings{"detached k", "detached k"}));
}

TEST(TContainer, RemoveWithoutFreeingKeepsTheItem) {
    TContainer list(false, true);
    TProbe* a = AddNamed(list, "a", false);
    list.Remove(a, false);
    std::unique_ptr<TProbe> owner(a);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(a->Container(), nullptr);
}

TEST(TContainer, RemoveAndNextDeletesWhileIterating) {
    TContainer list(false, true);
    for (const char* name : {"a", "b", "c", "d"}) {
        AddNamed(list, name, false);
    }
    TItem* item = list.First();
    while (item != nullptr) {
        const bool drop = item->AsNamed()->Name() == "b" || item->AsNamed()->Name() == "d";
        item = drop ? item->RemoveAndNext() : item->Next();
    }
    EXPECT_EQ(Names(list), (Strings{"a", "c"}));
    TItem* last = list.Last()->RemoveAndPrevious();
    EXPECT_EQ(last->AsNamed()->Name(), "a");
    EXPECT_EQ(list.First()->RemoveAndPrevious(), nullptr);
    EXPECT_TRUE(list.Empty());
}

TEST(TContainer, DestroyedItemLeavesItsList) {
    TContainer list(true, false);
    auto a = std::make_unique<TProbe>("a");
    auto b = std::make_unique<TProbe>("b");
    list.Add(a.get(), true);
    list.Add(b.get(), true);
    b.reset(); // also the cursor
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(Names(list), (Strings{"a"}));
    EXPECT_EQ(list.Find("a"), a.get());
}

TEST(TContainer, AddingAListedItemMovesIt) {
    TContainer first(false, false);
    TContainer second(false, false);
    TProbe item("x");
    first.Add(&item);
    second.Add(&item);
    EXPECT_EQ(first.Count(), 0);
    EXPECT_EQ(second.Count(), 1);
    EXPECT_EQ(item.Container(), &second);
    second.Remove(&item);
}

TEST(TContainer, SetNameRepositionsInSortedLists) {
    TContainer list(true, true);
    TProbe* a = AddNamed(list, "a");
    AddNamed(list, "c");
    AddNamed(list, "e");
    a->SetName("d");
    EXPECT_EQ(Names(list), (Strings{"c", "d", "e"}));
    EXPECT_EQ(a->renames, 1);
    a->SetName("d");
    EXPECT_EQ(a->renames, 1);
    a->SetName("b");
    EXPECT_EQ(Names(list), (Strings{"b", "c", "e"}));
    a->SetName("z");
    EXPECT_EQ(Names(list), (Strings{"c", "e", "z"}));
    EXPECT_FALSE(list.Reposition(a));
    EXPECT_EQ(list.Find("z"), a);

    TContainer plain(false, true);
    TProbe* x = AddNamed(plain, "x");
    AddNamed(plain, "y");
    x->SetName("zz");
    EXPECT_EQ(Names(plain), (Strings{"zz", "y"}));
}

TEST(TCache, GrowsByAQuarterAndAtLeastFour) {
    TCache big(&TCache::Build<TPooled>, 40);
    std::vector<TItem*> taken;
    for (int i = 0; i < 41; ++i) {
        taken.push_back(big.Get());
    }
    EXPECT_EQ(big.Total(), 50);
    EXPECT_EQ(big.FreeCount(), 9);

    TCache small(&TCache::Build<TPooled>, 8);
    std::vector<TItem*> few;
    for (int i = 0; i < 9; ++i) {
        few.push_back(small.Get());
    }
    EXPECT_EQ(small.Total(), 12);
    EXPECT_EQ(small.FreeCount(), 3);
    for (TItem* item : few) {
        small.Put(item);
    }
    TCache empty(&TCache::Build<TPooled>, 0);
    TItem* one = empty.Get();
    EXPECT_EQ(empty.Total(), 4);
    EXPECT_EQ(empty.FreeCount(), 3);
    empty.Put(one);
    for (TItem* item : taken) {
        big.Put(item);
    }
}

TEST(TCache, CachedListRecyclesItemsWithoutAllocating) {
    TContainerOf<TPooled> list(false, &TCache::Build<TPooled>, 8);
    TCache* cache = list.Cache();
    for (int i = 0; i < 8; ++i) {
        list.NewItem();
    }
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(cache->FreeCount(), 8);
    EXPECT_EQ(cache->Total(), 8);

    const int64_t before = test::AllocationCount();
    for (int round = 0; round < 100; ++round) {
        for (int i = 0; i < 8; ++i) {
            list.NewItem();
        }
        while (TPooled* item = list.First()) {
            list.Remove(item);
        }
    }
    EXPECT_EQ(test::AllocationCount(), before);
    EXPECT_EQ(cache->Total(), 8);
}

TEST(TCache, RemovingWithoutFreeingStillReturnsTheItemToTheCache) {
    TContainerOf<TPooled> list(false, &TCache::Build<TPooled>, 4);
    TCache* cache = list.Cache();
    TPooled* first = list.NewItem();
    list.NewItem();
    EXPECT_EQ(cache->FreeCount(), 2);
    // The list owns no items: the cache does, whatever the caller asks.
    list.Remove(first, false);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(first->Container(), nullptr);
    EXPECT_EQ(cache->FreeCount(), 3);
    EXPECT_EQ(list.NewItem(), first);
    EXPECT_EQ(cache->Total(), 4);
}

TEST(TCache, SharedCacheServesSeveralLists) {
    TCache pool(&TCache::Build<TPooled>, 2);
    {
        TContainerOf<TPooled> first(false, pool);
        TContainerOf<TPooled> second(false, pool);
        TPooled* a = first.NewItem();
        second.NewItem();
        a->SetName("a");
        second.NewItem(); // grows the shared pool
        EXPECT_EQ(pool.Total(), 6);
        int count = 0;
        for (TPooled& item : second) {
            (void)item;
            ++count;
        }
        EXPECT_EQ(count, 2);
    }
    EXPECT_EQ(pool.FreeCount(), 6);
}

TEST(TContainerOf, RangeForAllowsRemovingTheCurrentItem) {
    TContainerOf<TProbe> list(false, true);
    for (const char* name : {"a", "b", "c"}) {
        list.Add(std::make_unique<TProbe>(name));
    }
    std::string seen;
    for (TProbe& item : list) {
        seen += item.Name();
        if (item.Name() == "b") {
            item.RemoveSelf();
        }
    }
    EXPECT_EQ(seen, "abc");
    EXPECT_EQ(Names(list), (Strings{"a", "c"}));
}

TEST(Utf8, EncodeUsesTheShortestFormUpToTheLastCodePoint) {
    EXPECT_EQ(Utf8Encode(0x41), "A");
    EXPECT_EQ(Utf8Encode(0x7F), "\x7f");
    EXPECT_EQ(Utf8Encode(0x80), "\xc2\x80");
    EXPECT_EQ(Utf8Encode(0x7FF), "\xdf\xbf");
    EXPECT_EQ(Utf8Encode(0x800), "\xe0\xa0\x80");
    EXPECT_EQ(Utf8Encode(0xFFFF), "\xef\xbf\xbf");
    EXPECT_EQ(Utf8Encode(0x10000), "\xf0\x90\x80\x80");
    EXPECT_EQ(Utf8Encode(0x10FFFF), "\xf4\x8f\xbf\xbf");
    EXPECT_EQ(Utf8Encode(0x110000), "");
    EXPECT_EQ(Utf8Encode(0), std::string(1, '\0'));
}

TEST(Utf8, DecodeRoundTripsAndRejectsBrokenSequences) {
    for (uint32_t cp : {0x0u, 0x24u, 0xA2u, 0x939u, 0x20ACu, 0xD55Cu, 0x10348u, 0x10FFFFu}) {
        const std::string bytes = Utf8Encode(cp);
        int length = 0;
        uint32_t decoded = 0;
        ASSERT_TRUE(
            Utf8Decode(bytes.data(), static_cast<std::ptrdiff_t>(bytes.size()), length, decoded));
        EXPECT_EQ(decoded, cp);
        EXPECT_EQ(length, static_cast<int>(bytes.size()));
        // One byte short is a failure that skips one byte.
        if (bytes.size() > 1) {
            EXPECT_FALSE(Utf8Decode(bytes.data(), static_cast<std::ptrdiff_t>(bytes.size() - 1),
                                    length, decoded));
            EXPECT_EQ(length, 1);
        }
    }
    int length = 0;
    uint32_t cp = 0;
    EXPECT_FALSE(Utf8Decode("\x80", 1, length, cp)); // lone continuation byte
    EXPECT_EQ(length, 1);
    EXPECT_FALSE(Utf8Decode("\xc3\x28", 2, length, cp)); // bad continuation
    EXPECT_EQ(length, 1);
    EXPECT_FALSE(Utf8Decode("\xf8\x88\x80\x80\x80", 5, length, cp)); // five-byte lead
    EXPECT_EQ(length, 1);
    EXPECT_TRUE(Utf8Decode("\xc0\x80", 2, length, cp)); // overlong forms are not checked
    EXPECT_EQ(cp, 0u);
    EXPECT_FALSE(Utf8Decode("", 0, length, cp));
    EXPECT_EQ(length, 0);
}

TEST(Utf8, CharacterHelpersSkipInvalidBytes) {
    const std::string s = "a\xff\xc3\xa9z\xe2\x82";
    EXPECT_EQ(Utf8Length(s), 3);
    EXPECT_EQ(Utf8CharAt(s, 1), 'a');
    EXPECT_EQ(Utf8CharAt(s, 2), 0xE9u);
    EXPECT_EQ(Utf8CharAt(s, 3), 'z');
    EXPECT_EQ(Utf8CharAt(s, 4), 0u);
    EXPECT_EQ(Utf8CharAt(s, 0), 0u);
    EXPECT_EQ(Utf8Length(""), 0);

    const std::string greeting = "Gr\xc3\xbc\xc3\x9f"
                                 "e \xf0\x9f\x99\x82";
    EXPECT_EQ(Utf8Copy(greeting, 3, 2), "\xc3\xbc\xc3\x9f");
    EXPECT_EQ(Utf8Copy(greeting, 7, 5), "\xf0\x9f\x99\x82");
    EXPECT_EQ(Utf8Copy(greeting, 8, 1), "");
    EXPECT_EQ(Utf8Copy(greeting, 0, 3), greeting);
    EXPECT_EQ(Utf8Copy(greeting, 2, 0), greeting);
    EXPECT_EQ(Utf8Copy(greeting, 1, 2147483647), greeting);

    EXPECT_EQ(Utf8ToWide("A\xc3\xa9\xf0\x9f\x99\x82"), std::u16string(u"A\u00e9\U0001F642"));
}

TEST(Utf8, TrimAndCapitalizeWorkOnBytes) {
    EXPECT_EQ(TrimControls("\t\r\n  word word \x01"), "word word");
    EXPECT_EQ(TrimControls(" \x1f "), "");
    EXPECT_EQ(TrimControls("\xc2\xa0x\xc2\xa0"), "\xc2\xa0x\xc2\xa0");
    EXPECT_EQ(CapitalizeFirst("german"), "German");
    EXPECT_EQ(CapitalizeFirst("\xc3\xa9t\xc3\xa9"), "\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(CapitalizeFirst(""), "");
}

TEST(VersionText, ShowsHundredthsWithTwoDigits) {
    EXPECT_EQ(VersionText(105), "1.05");
    EXPECT_EQ(VersionText(101), "1.01");
    EXPECT_EQ(VersionText(1234), "12.34");
    EXPECT_EQ(VersionText(7), "0.07");
    EXPECT_EQ(VersionText(-250), "-2.50");
}

} // namespace
} // namespace valdmoor
