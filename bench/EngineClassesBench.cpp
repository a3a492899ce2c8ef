// Costs of the list operations every subsystem leans on: sorted inserts of names that arrive
// in order, look-ups of neighbouring names, and recycling items through a cache.
#include "TestSupport.h"
#include "app/EngineClasses.h"

#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

struct TPooled : TNamedItem {};

std::vector<std::string> SortedNames(int count) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "G2Name%06d", i);
        names.emplace_back(name);
    }
    return names;
}

// Names arriving in sorted order: each insert should cost the same, whatever the list size.
void BM_SortedInsertInOrder(benchmark::State& state) {
    const auto names = SortedNames(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<TNamedItem>> items;
        items.reserve(names.size());
        for (const auto& name : names) {
            items.push_back(std::make_unique<TNamedItem>(name));
        }
        TContainer list(true, false);
        state.ResumeTiming();
        for (auto& item : items) {
            list.Add(item.get(), true);
        }
        benchmark::DoNotOptimize(list.Count());
        state.PauseTiming();
        list.Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortedInsertInOrder)->Arg(1000)->Arg(10000)->Arg(100000);

// Look-ups that walk the list in order, each a neighbour of the one before.
void BM_FindNeighbouringNames(benchmark::State& state) {
    const auto names = SortedNames(static_cast<int>(state.range(0)));
    TContainer list(true, true);
    for (const auto& name : names) {
        list.Add(std::make_unique<TNamedItem>(name), true);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.Find(names[next]));
        next = next + 1 == names.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindNeighbouringNames)->Arg(1000)->Arg(100000);

// One frame's worth of short-lived objects taken from and returned to a cache; reports the
// allocations per cycle, which must be zero once the cache has grown.
void BM_CacheGetRemoveCycle(benchmark::State& state) {
    const int perCycle = static_cast<int>(state.range(0));
    TContainerOf<TPooled> list(false, &TCache::Build<TPooled>, 16);
    for (int i = 0; i < perCycle; ++i) { // warm up: grow to the working size
        list.NewItem();
    }
    list.Clear();
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        for (int i = 0; i < perCycle; ++i) {
            benchmark::DoNotOptimize(list.NewItem());
        }
        while (TPooled* item = list.First()) {
            list.Remove(item);
        }
    }
    const int64_t allocations = test::AllocationCount() - before;
    state.counters["allocs_per_cycle"] = benchmark::Counter(
        static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    state.SetItemsProcessed(state.iterations() * perCycle);
}
BENCHMARK(BM_CacheGetRemoveCycle)->Arg(64)->Arg(640);

} // namespace
} // namespace valdmoor
