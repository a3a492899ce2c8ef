// Sprites drawn per second at 1600 x 900 through the game's renderer, next to SDL's own
// renderer drawing the same sprites in the same run: 64 x 64 pictures with soft edges, each
// turned by its own angle and blended with premultiplied alpha, all on one canvas. Both sides
// draw into surfaces of 1600 x 900 pixels and say so in their label and counters.
#include "app/EngineApplication.h"
#include "platform/EngineWindow.h"
#include "platform/headless/HeadlessWindow.h"
#include "video/EngineVideo.h"

#include <SDL.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int Size = 64;
constexpr int FrameWidth = 1600;
constexpr int FrameHeight = 900;

void ReportDrawn(benchmark::State& state, const char* who, int width, int height) {
    state.SetLabel(std::string(who) + " " + std::to_string(width) + "x" + std::to_string(height));
    state.counters["drawn_width"] = width;
    state.counters["drawn_height"] = height;
}

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

// The game's window for the measurement: in memory, with an SDL window made at exactly the
// measured size for the renderer. SDL's offscreen driver keeps the surface a window was made
// with, so a window made smaller and resized later would draw fewer pixels than it reports.
class TMeasuredWindow : public THeadlessWindow {
public:
    TMeasuredWindow() {
        DesktopWidth = FrameWidth;
        DesktopHeight = FrameHeight;
    }
    ~TMeasuredWindow() override { Close(); }
    TMeasuredWindow(const TMeasuredWindow&) = delete;
    TMeasuredWindow& operator=(const TMeasuredWindow&) = delete;

    void Open(const std::string& title) override {
        THeadlessWindow::Open(title);
        if (std::getenv("SDL_VIDEODRIVER") == nullptr) {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        }
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return;
        }
        video_ = true;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
        window_ = SDL_CreateWindow(title.c_str(), 0, 0, FrameWidth, FrameHeight,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    }
    void Close() override {
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
            window_ = nullptr;
        }
        if (video_) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            video_ = false;
        }
        THeadlessWindow::Close();
    }
    void* NativeHandle() override { return window_; }

private:
    SDL_Window* window_ = nullptr;
    bool video_ = false;
};

// One game window with the renderer on it for the whole run.
class TRenderer {
public:
    TRenderer() {
        ApplicationStart();
        SetSwitches(ParseSwitches({"-headless", "-showfps"}));
        WindowStartWith(std::make_unique<TMeasuredWindow>());
        VideoStart();
        VideoResize(FrameWidth, FrameHeight);
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
    int width = 0;
    int height = 0;
    VideoDevice()->DrawnSize(width, height);
    ReportDrawn(state, "game", width, height);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GameRendererSprites)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SdlRendererSprites(benchmark::State& state) {
    Renderer(); // SDL's video is up, on the same driver
    SDL_Window* window =
        SDL_CreateWindow("bench", 0, 0, FrameWidth, FrameHeight, SDL_WINDOW_HIDDEN);
    SDL_Renderer* sdl = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (sdl == nullptr) {
        state.SkipWithError(SDL_GetError());
        SDL_DestroyWindow(window);
        return;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(sdl, &info);
    // The surface really has the size the renderer reports: its far corner takes a colour.
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(sdl, &width, &height);
    uint32_t corner = 0;
    const SDL_Rect far{width - 1, height - 1, 1, 1};
    SDL_SetRenderDrawColor(sdl, 10, 200, 30, 255);
    SDL_RenderClear(sdl);
    SDL_RenderReadPixels(sdl, &far, SDL_PIXELFORMAT_ARGB8888, &corner, 4);
    if (corner != 0xFF0AC81Eu) {
        state.SkipWithError("SDL's renderer draws fewer pixels than it reports");
    }
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
            const SDL_FRect target{p.X + FrameWidth / 2.0f - Size / 2.0f,
                                   p.Y + FrameHeight / 2.0f - Size / 2.0f, Size, Size};
            SDL_RenderCopyExF(sdl, disc, nullptr, &target, p.Angle, nullptr, SDL_FLIP_NONE);
        }
        SDL_RenderPresent(sdl);
        SDL_RenderReadPixels(sdl, &one, SDL_PIXELFORMAT_ARGB8888, &sync, 4);
    }
    SDL_DestroyTexture(disc);
    SDL_DestroyRenderer(sdl);
    SDL_DestroyWindow(window);
    ReportDrawn(state, info.name, width, height);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SdlRendererSprites)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace valdmoor
