// Text layout in the game font: a 2,000-character paragraph wrapped into a box, laid out from
// nothing, again after one character changed, and set unchanged (what a frame that shows the
// same text costs; it should be a string comparison and allocate nothing).
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "video/null/NullVideoDevice.h"

#include <string>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

std::string Paragraph() {
    std::string text;
    while (text.size() < 2000) {
        text += "The caravan left Valdmoor at dawn, its wagons heavy with salt, wool and "
                "copper; by dusk the river road had turned to mud. ";
    }
    text.resize(2000);
    return text;
}

// Fonts from the game folder on a device that draws nothing, for the whole run.
class TTexts {
public:
    TTexts() {
        ApplicationStart();
        SetStorageFolderPath(sfOrdinary, VALDMOOR_GAME_ORDINARY);
        VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
        TextsStart();
    }
    ~TTexts() {
        TextsStop();
        VideoStop();
        StorageReset();
        ApplicationStop();
    }
    TTexts(const TTexts&) = delete;
    TTexts& operator=(const TTexts&) = delete;
};

TText* MakeParagraph(const std::string& text) {
    static TTexts texts;
    TText* paragraph = nullptr;
    CreateText(paragraph, MainCanvas(), 0, tfWordWrap | tfAlignLeft | tfAlignTop, FontGame, 1200,
               860);
    SetText(paragraph, text);
    return paragraph;
}

void Report(benchmark::State& state, int64_t allocationsBefore) {
    state.counters["allocations"] =
        benchmark::Counter(static_cast<double>(test::AllocationCount() - allocationsBefore),
                           benchmark::Counter::kAvgIterations);
}

void BM_LayoutParagraph(benchmark::State& state) {
    const std::string text = Paragraph();
    TText* paragraph = MakeParagraph(text);
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        SetText(paragraph, "");
        SetText(paragraph, text);
    }
    Report(state, before);
    ReleaseText(paragraph);
}
BENCHMARK(BM_LayoutParagraph);

void BM_RelayoutAfterOneCharacterChanged(benchmark::State& state) {
    const std::string text = Paragraph();
    std::string changed = text;
    changed[1000] = changed[1000] == 'x' ? 'y' : 'x';
    TText* paragraph = MakeParagraph(text);
    const int64_t before = test::AllocationCount();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        SetText(paragraph, flip ? changed : text);
    }
    Report(state, before);
    ReleaseText(paragraph);
}
BENCHMARK(BM_RelayoutAfterOneCharacterChanged);

void BM_UnchangedTextEachFrame(benchmark::State& state) {
    const std::string text = Paragraph();
    TText* paragraph = MakeParagraph(text);
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        SetText(paragraph, text);
        benchmark::DoNotOptimize(paragraph->Characters.Count());
    }
    Report(state, before);
    ReleaseText(paragraph);
}
BENCHMARK(BM_UnchangedTextEachFrame);

} // namespace
} // namespace valdmoor
