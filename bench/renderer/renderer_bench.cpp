// 10,000 textured quads a frame, in five runs of one texture and blend mode, drawn through
// our renderer and through SDL2's SDL_RenderGeometry on the same video driver. Prints quads
// per second for each, the ratio, and the draw calls a frame ours made.
//
//   SDL_VIDEODRIVER=offscreen build/bench/renderer/renderer_bench
// SDL's draw calls: run it under `apitrace trace --api egl` with --benchmark_filter=Sdl and
// count glDrawArrays per eglSwapBuffers in the trace.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <malloc.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "desktop/stats.h"
#include "engine.h"

namespace {

constexpr int kQuads = 10000;
constexpr int kTextures = 3;
constexpr int kTextureSize = 64;
constexpr int kFramesPerRun = 30;
constexpr int kRepetitions = 5;

// Five runs: the state changes a frame makes, so the fewest draw calls possible is five.
struct QuadRun {
    int texture;
    int blend;
    int quads;
};
constexpr QuadRun kRuns[] = {{0, BLEND_DEFAULT, 3000},
                             {1, BLEND_DEFAULT, 3000},
                             {1, BLEND_ALPHAADD, 1000},
                             {2, BLEND_DEFAULT, 2000},
                             {0, BLEND_ALPHAADD, 1000}};

struct Scene {
    std::vector<std::vector<unsigned char>> pixels;  // RGBA, one per texture
    std::vector<Quad> quads;                         // tex holds the texture's index
};

// Same pictures and quads for both renderers, from a fixed seed; quads `size` to twice
// `size` pixels wide.
Scene makeScene(int size) {
    Scene sc;
    for (int t = 0; t < kTextures; ++t) {
        std::vector<unsigned char> p(kTextureSize * kTextureSize * 4);
        for (int i = 0; i < kTextureSize * kTextureSize; ++i) {
            p[i * 4 + 0] = static_cast<unsigned char>(i * (t + 3));
            p[i * 4 + 1] = static_cast<unsigned char>(i / kTextureSize * 4);
            p[i * 4 + 2] = static_cast<unsigned char>(t * 80);
            p[i * 4 + 3] = static_cast<unsigned char>(128 + (i % 128));
        }
        sc.pixels.push_back(std::move(p));
    }
    std::uint32_t seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 8) % static_cast<std::uint32_t>(range));
    };
    for (const QuadRun& run : kRuns)
        for (int i = 0; i < run.quads; ++i) {
            const float side = static_cast<float>(size) + next(size + 1);
            const float x = next(800 - 2 * size), y = next(600 - 2 * size);
            const std::uint32_t colour =
                0xC0000000u | (static_cast<std::uint32_t>(next(0xFFFFFF)) & 0xFFFFFFu);
            Quad q{};
            q.v[0] = {x, y, 0.5f, colour, 0.0f, 0.0f};
            q.v[1] = {x + side, y, 0.5f, colour, 1.0f, 0.0f};
            q.v[2] = {x + side, y + side, 0.5f, colour, 1.0f, 1.0f};
            q.v[3] = {x, y + side, 0.5f, colour, 0.0f, 1.0f};
            q.tex = static_cast<HTexture>(run.texture);
            q.blend = run.blend;
            sc.quads.push_back(q);
        }
    return sc;
}

std::vector<unsigned char> encodePng(const std::vector<unsigned char>& rgba) {
    std::vector<unsigned char> out;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* v = static_cast<std::vector<unsigned char>*>(context);
            v->insert(v->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
        },
        &out, kTextureSize, kTextureSize, 4, rgba.data(), kTextureSize * 4);
    return out;
}

std::map<int, double> ourDrawCallsPerFrame;  // by quad size

void BM_OurRenderer(benchmark::State& state) {
    Engine* engine = hgeCreate(ENGINE_VERSION);
    engine->System_SetState(STATE_WINDOWED, true);
    if (!engine->System_Initiate()) {
        state.SkipWithError("no window");
        engine->Release();
        return;
    }
    const Scene scene = makeScene(static_cast<int>(state.range(0)));
    HTexture textures[kTextures];
    for (int t = 0; t < kTextures; ++t) {
        const std::vector<unsigned char> png = encodePng(scene.pixels[static_cast<std::size_t>(t)]);
        textures[t] = engine->Texture_Load(reinterpret_cast<const char*>(png.data()),
                                           static_cast<std::uint32_t>(png.size()));
    }
    std::vector<Quad> quads = scene.quads;
    for (Quad& q : quads) q.tex = textures[q.tex];
    const auto frame = [&] {
        engine->Gfx_BeginScene();
        engine->Gfx_Clear(0xFF000000);
        for (const Quad& q : quads) engine->Gfx_RenderQuad(&q);
        engine->Gfx_EndScene();
        glFinish();
    };
    frame();
    for (auto _ : state) frame();
    state.SetItemsProcessed(state.iterations() * kQuads);
    ourDrawCallsPerFrame[static_cast<int>(state.range(0))] = desktop::lastFrameStats().drawCalls;
    engine->Release();
}

// SDL's renderer with one SDL_RenderGeometry call per quad (as our Gfx_RenderQuad is
// called) or one per run of a texture and blend mode (SDL at its best).
void sdlRenderer(benchmark::State& state, bool callPerRun) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    SDL_Window* window = SDL_CreateWindow("SDL renderer", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800,
                                          600, SDL_WINDOW_OPENGL);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    if (!renderer) {
        state.SkipWithError(SDL_GetError());
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return;
    }
    SDL_RendererInfo info;
    SDL_GetRendererInfo(renderer, &info);
    state.SetLabel(std::string("SDL driver ") + info.name);

    const Scene scene = makeScene(static_cast<int>(state.range(0)));
    SDL_Texture* textures[kTextures];
    for (int t = 0; t < kTextures; ++t) {
        textures[t] = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                        kTextureSize, kTextureSize);
        SDL_UpdateTexture(textures[t], nullptr, scene.pixels[static_cast<std::size_t>(t)].data(),
                          kTextureSize * 4);
        // Filtered like our textures, so both draw the same pixels.
        SDL_SetTextureScaleMode(textures[t], SDL_ScaleModeLinear);
    }
    // The same quads as SDL vertices, converted once outside the timing.
    std::vector<SDL_Vertex> vertices;
    for (const Quad& q : scene.quads)
        for (const Vertex& v : q.v) {
            const SDL_Color c{static_cast<Uint8>(v.col >> 16), static_cast<Uint8>(v.col >> 8),
                              static_cast<Uint8>(v.col), static_cast<Uint8>(v.col >> 24)};
            vertices.push_back(SDL_Vertex{{v.x, v.y}, c, {v.tx, v.ty}});
        }
    std::vector<int> indices;
    for (int i = 0; i < kQuads; ++i)
        for (int corner : {0, 1, 2, 2, 3, 0}) indices.push_back(i * 4 + corner);

    const auto frame = [&] {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        int first = 0;
        for (const QuadRun& run : kRuns) {
            SDL_Texture* tex = textures[run.texture];
            SDL_SetTextureBlendMode(tex,
                                    run.blend == BLEND_ALPHAADD ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
            if (callPerRun) {
                SDL_RenderGeometry(renderer, tex, &vertices[static_cast<std::size_t>(first) * 4],
                                   run.quads * 4, indices.data(), run.quads * 6);
            } else {
                for (int i = first; i < first + run.quads; ++i)
                    SDL_RenderGeometry(renderer, tex, &vertices[static_cast<std::size_t>(i) * 4], 4,
                                       indices.data(), 6);
            }
            first += run.quads;
        }
        SDL_RenderPresent(renderer);
        glFinish();
    };
    frame();
    for (auto _ : state) frame();
    state.SetItemsProcessed(state.iterations() * kQuads);

    for (SDL_Texture* t : textures) SDL_DestroyTexture(t);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void BM_SdlGeometryPerQuad(benchmark::State& state) { sdlRenderer(state, false); }
void BM_SdlGeometryPerRun(benchmark::State& state) { sdlRenderer(state, true); }

// Each benchmark runs a fixed number of frames, repeated; the summary takes the best
// repetition, the one least disturbed by other work on the machine. Each is measured twice:
// the CPU time of the calling thread (our code, SDL's, and the driver's front end: the cost of
// submitting) and of the whole process (with Mesa's software rasteriser's own threads: all the
// work a frame took).
void frames(benchmark::internal::Benchmark* b) {
    b->ArgName("size")->Arg(4)->Arg(16)->Iterations(kFramesPerRun)->Repetitions(kRepetitions);
    b->Unit(benchmark::kMillisecond);
}
void framesAllThreads(benchmark::internal::Benchmark* b) {
    frames(b);
    b->MeasureProcessCPUTime();
}
BENCHMARK(BM_OurRenderer)->Apply(frames);
BENCHMARK(BM_SdlGeometryPerQuad)->Apply(frames);
BENCHMARK(BM_SdlGeometryPerRun)->Apply(frames);
BENCHMARK(BM_OurRenderer)->Apply(framesAllThreads);
BENCHMARK(BM_SdlGeometryPerQuad)->Apply(framesAllThreads);
BENCHMARK(BM_SdlGeometryPerRun)->Apply(framesAllThreads);

// Keeps the best quads per second of each benchmark for the summary.
class Summary : public benchmark::ConsoleReporter {
public:
    Summary() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const auto it = r.counters.find("items_per_second");
            if (r.run_type != Run::RT_Iteration || it == r.counters.end()) continue;
            double& best =
                quadsPerSecond[key(r.run_name.function_name, r.run_name.args, !r.run_name.time_type.empty())];
            best = std::max(best, it->second.value);
        }
    }
    static std::string key(const std::string& function, const std::string& args, bool allThreads) {
        return function + "/" + args + (allThreads ? "/all" : "/calling");
    }
    double rate(const std::string& function, int size, bool allThreads) const {
        const auto it = quadsPerSecond.find(key(function, "size:" + std::to_string(size), allThreads));
        return it == quadsPerSecond.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> quadsPerSecond;
};

}  // namespace

int main(int argc, char** argv) {
    // The driver allocates large blocks every frame; left to glibc's adaptive threshold,
    // whichever renderer runs first pays for fresh pages each frame. Settle it for both.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    benchmark::Shutdown();

    std::printf(
        "\n%d textured quads a frame in %zu runs of one texture and blend mode; quads per second\n"
        "of CPU time in the calling thread / in all threads (best of %d x %d frames)\n",
        kQuads, std::size(kRuns), kRepetitions, kFramesPerRun);
    for (int size : {4, 16}) {
        std::printf("quads %d to %d pixels wide:\n", size, 2 * size);
        double ours[2] = {}, sdl[2][2] = {};
        const char* const sdlNames[2] = {"BM_SdlGeometryPerQuad", "BM_SdlGeometryPerRun"};
        for (int all = 0; all < 2; ++all) {
            ours[all] = summary.rate("BM_OurRenderer", size, all);
            for (int s = 0; s < 2; ++s) sdl[s][all] = summary.rate(sdlNames[s], size, all);
        }
        std::printf("  our renderer:                 %10.0f / %10.0f   draw calls a frame: %.0f\n", ours[0],
                    ours[1], ourDrawCallsPerFrame[size]);
        std::printf("  SDL_RenderGeometry per quad:  %10.0f / %10.0f\n", sdl[0][0], sdl[0][1]);
        std::printf("  SDL_RenderGeometry per run:   %10.0f / %10.0f\n", sdl[1][0], sdl[1][1]);
        for (int s = 0; s < 2; ++s)
            if (sdl[s][0] > 0 && sdl[s][1] > 0)
                std::printf("  ratio ours / SDL %-9s      %10.2f / %10.2f\n",
                            s == 0 ? "per quad:" : "per run:", ours[0] / sdl[s][0], ours[1] / sdl[s][1]);
    }
    std::printf("SDL's own draw calls are not visible through its interface; apitrace shows them.\n");
    return 0;
}
