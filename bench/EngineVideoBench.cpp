// Sprites drawn per second at 1600 x 900 through the game's renderer, next to SDL's own
// renderer drawing the same sprites in the same run: 64 x 64 pictures with soft edges, each
// turned by its own angle and blended with premultiplied alpha, all on one canvas.
#include "app/EngineApplication.h"
#include "platform/EngineWindow.h"
#include "video/EngineVideo.h"

#include <SDL.h>
#include <cmath>
#include <cstdio>
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int Size = 64;

// A soft disc, premultiplied, as B, G, R, A bytes.
std::vector<uint8_t> DiscPixels() {
    std::vector<uint8_t> pixels(Size * Size * 4);
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f) / Size - 0.5f;
            const float dy = (static_cast<float>(y) + 0.5f) / Size - 0.5f;
            const float a = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) * 2.0f);
            uint8_t* p = &pixels[static_cast<std::size_t>((y * Size + x) * 4)];
            p[0] = static_cast<uint8_t>(a * 60);
            p[1] = static_cast<uint8_t>(a * 160);
            p[2] = static_cast<uint8_t>(a * 250);
            p[3] = static_cast<uint8_t>(a * 255);
        }
    }
    return pixels;
}

struct TPlacement {
    float X, Y, Angle;
};

std::vector<TPlacement> Placements(int count) {
    std::vector<TPlacement> placements;
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);
    };
    for (int i = 0; i < count; ++i) {
        placements.push_back({(next() - 0.5f) * 1536, (next() - 0.5f) * 836, next() * 360});
    }
    return placements;
}

// One headless game window with the renderer on it for the whole run.
class TRenderer {
public:
    TRenderer() {
        ApplicationStart();
        SetSwitches(ParseSwitches({"-headless", "-showfps"}));
        WindowStart();
        VideoStart();
        VideoResize(1600, 900);
        const std::vector<uint8_t> pixels = DiscPixels();
        disc_.Width = disc_.Height = Size;
        disc_.Gpu = VideoDevice()->CreateTexture(Size, Size, pfA8R8G8B8, pixels.data(), Size * 4);
        MakeFullSegment(disc_, Size, Size);
    }
    ~TRenderer() {
        disc_.Gpu.reset();
        VideoStop();
        WindowStop();
        ApplicationStop();
    }
    TTexture* Disc() { return &disc_; }

private:
    TTexture disc_{"Disc"};
};

TRenderer& Renderer() {
    static TRenderer renderer;
    return renderer;
}

void BM_GameRendererSprites(benchmark::State& state) {
    TRenderer& renderer = Renderer();
    const auto placements = Placements(static_cast<int>(state.range(0)));
    std::vector<TSprite*> sprites(placements.size(), nullptr);
    for (std::size_t i = 0; i < placements.size(); ++i) {
        CreateSprite(sprites[i], MainCanvas(), 0);
        TSprite* s = sprites[i];
        s->X = placements[i].X;
        s->Y = placements[i].Y;
        s->Angle = placements[i].Angle;
        s->Width = s->Height = Size;
        SetSpriteTexture(s, 0, renderer.Disc());
    }
    for (auto _ : state) {
        DrawFrame();
        VideoDevice()->Finish();
    }
    for (TSprite*& sprite : sprites) {
        ReleaseSprite(sprite);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GameRendererSprites)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SdlRendererSprites(benchmark::State& state) {
    Renderer(); // SDL's video is up, on the same driver
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 1600, 900, SDL_WINDOW_HIDDEN);
    SDL_Renderer* sdl = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (sdl == nullptr) {
        state.SkipWithError(SDL_GetError());
        SDL_DestroyWindow(window);
        return;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(sdl, &info);
    state.SetLabel(info.name);
    const std::vector<uint8_t> pixels = DiscPixels();
    SDL_Texture* disc =
        SDL_CreateTexture(sdl, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, Size, Size);
    SDL_UpdateTexture(disc, nullptr, pixels.data(), Size * 4);
    SDL_SetTextureBlendMode(disc, SDL_ComposeCustomBlendMode(
                                      SDL_BLENDFACTOR_ONE, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA,
                                      SDL_BLENDOPERATION_ADD, SDL_BLENDFACTOR_ONE,
                                      SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD));
    SDL_SetTextureScaleMode(disc, SDL_ScaleModeLinear);
    const auto placements = Placements(static_cast<int>(state.range(0)));
    uint32_t sync = 0;
    const SDL_Rect one{0, 0, 1, 1};
    for (auto _ : state) {
        SDL_SetRenderDrawColor(sdl, 0, 0, 0, 255);
        SDL_RenderClear(sdl);
        for (const TPlacement& p : placements) {
            const SDL_FRect target{p.X + 800 - Size / 2.0f, p.Y + 450 - Size / 2.0f, Size, Size};
            SDL_RenderCopyExF(sdl, disc, nullptr, &target, p.Angle, nullptr, SDL_FLIP_NONE);
        }
        SDL_RenderPresent(sdl);
        SDL_RenderReadPixels(sdl, &one, SDL_PIXELFORMAT_ARGB8888, &sync, 4);
    }
    SDL_DestroyTexture(disc);
    SDL_DestroyRenderer(sdl);
    SDL_DestroyWindow(window);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SdlRendererSprites)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace valdmoor
