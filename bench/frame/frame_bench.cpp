// A crowded game frame on the desktop renderer: the sun, five planets with five moons each,
// ten explosions with their particles, every ring and the HUD, driven through Game::update
// and Game::render exactly as the program's callbacks do. Prints, per frame:
//   - CPU time of the game logic, of our drawing and batching, and of the driver, each as a
//     share of the 10 ms frame at 100 frames a second;
//   - heap allocations in each of those parts (steady play: goal 0 in ours);
//   - draw calls against the fewest the submitted quads and lines allow (one per run of
//     equal texture, blend mode and primitive).
//
//   SDL_VIDEODRIVER=offscreen ./frame_bench
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "allocations.h"
#include "app/backdrop.h"
#include "bodies/body.h"
#include "desktop/stats.h"
#include "desktop_session.h"
#include "game/game.h"
#include "gfx/particle_system.h"

namespace {

constexpr double kFrameBudget = 0.010;
constexpr float kDt = 0.01f;
constexpr int kExplosions = 10;

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU time the render thread spends inside the GL calls that hand batches to the driver
// (map, draw, fence, clear), so that it counts as the driver's and not as our batching.
// The renderer calls GL through libepoxy's function pointers; after a first frame has
// resolved them, they are wrapped.
double glSeconds = 0.0;
bool counting = false;

// The driver's own allocations inside these calls are not counted as ours either.
struct GlTimer {
    GlTimer() { bench::countAllocations(false); }
    ~GlTimer() {
        glSeconds += threadSeconds() - start;
        bench::countAllocations(counting);
    }
    double start = threadSeconds();
};

#define VELKARO_TIMED(name, ret, params, args) \
    PFN##name##PROC real_##name = nullptr;     \
    ret timed_##name params {                  \
        GlTimer timer;                         \
        return real_##name args;               \
    }

VELKARO_TIMED(GLMAPBUFFERRANGE, void*, (GLenum t, GLintptr o, GLsizeiptr l, GLbitfield a), (t, o, l, a))
VELKARO_TIMED(GLUNMAPBUFFER, GLboolean, (GLenum t), (t))
VELKARO_TIMED(GLBUFFERDATA, void, (GLenum t, GLsizeiptr s, const void* d, GLenum u), (t, s, d, u))
VELKARO_TIMED(GLDRAWELEMENTSBASEVERTEX, void, (GLenum m, GLsizei c, GLenum t, const void* i, GLint b),
              (m, c, t, i, b))
VELKARO_TIMED(GLDRAWARRAYS, void, (GLenum m, GLint f, GLsizei c), (m, f, c))
VELKARO_TIMED(GLCLEAR, void, (GLbitfield m), (m))
VELKARO_TIMED(GLFENCESYNC, GLsync, (GLenum c, GLbitfield f), (c, f))
VELKARO_TIMED(GLDELETESYNC, void, (GLsync s), (s))

template <typename F>
void wrap(F& pointer, F& real, F timed) {
    real = pointer;
    pointer = timed;
}

void wrapGl() {
    wrap(epoxy_glMapBufferRange, real_GLMAPBUFFERRANGE, timed_GLMAPBUFFERRANGE);
    wrap(epoxy_glUnmapBuffer, real_GLUNMAPBUFFER, timed_GLUNMAPBUFFER);
    wrap(epoxy_glBufferData, real_GLBUFFERDATA, timed_GLBUFFERDATA);
    wrap(epoxy_glDrawElementsBaseVertex, real_GLDRAWELEMENTSBASEVERTEX, timed_GLDRAWELEMENTSBASEVERTEX);
    wrap(epoxy_glDrawArrays, real_GLDRAWARRAYS, timed_GLDRAWARRAYS);
    wrap(epoxy_glClear, real_GLCLEAR, timed_GLCLEAR);
    wrap(epoxy_glFenceSync, real_GLFENCESYNC, timed_GLFENCESYNC);
    wrap(epoxy_glDeleteSync, real_GLDELETESYNC, timed_GLDELETESYNC);
}

// libepoxy rewrites a pointer on its first call; one still unresolved would have replaced
// our wrapper and its time would count as batching.
bool glStillWrapped() {
    return epoxy_glMapBufferRange == timed_GLMAPBUFFERRANGE && epoxy_glUnmapBuffer == timed_GLUNMAPBUFFER &&
           epoxy_glBufferData == timed_GLBUFFERDATA &&
           epoxy_glDrawElementsBaseVertex == timed_GLDRAWELEMENTSBASEVERTEX &&
           epoxy_glDrawArrays == timed_GLDRAWARRAYS && epoxy_glClear == timed_GLCLEAR &&
           epoxy_glFenceSync == timed_GLFENCESYNC && epoxy_glDeleteSync == timed_GLDELETESYNC;
}

// The runs of equal (primitive, texture, blend) in what the game submits; linked in front
// of the engine's drawing calls with --wrap.
struct Submitted {
    int primitive = -1;
    HTexture texture = 0;
    std::int32_t blend = 0;
    long runs = 0;
} submitted;

void noteSubmission(int primitive, HTexture texture, std::int32_t blend) {
    blend &= BLEND_COLORADD | BLEND_ALPHABLEND;  // the bits that change how a batch draws
    if (primitive == submitted.primitive && texture == submitted.texture && blend == submitted.blend) return;
    submitted.primitive = primitive;
    submitted.texture = texture;
    submitted.blend = blend;
    ++submitted.runs;
}

}  // namespace

extern "C" {
void __real__ZN6Engine14Gfx_RenderQuadEPK4Quad(Engine*, const Quad*);
void __real__ZN6Engine14Gfx_RenderLineEffffjf(Engine*, float, float, float, float, std::uint32_t, float);
void __real__ZN6Engine9Gfx_ClearEj(Engine*, std::uint32_t);

void __wrap__ZN6Engine14Gfx_RenderQuadEPK4Quad(Engine* e, const Quad* q) {
    // The renderer draws no quad whose four corners are fully transparent.
    if (q && (q->v[0].col | q->v[1].col | q->v[2].col | q->v[3].col) >> 24 != 0)
        noteSubmission(0, q->tex, q->blend);
    __real__ZN6Engine14Gfx_RenderQuadEPK4Quad(e, q);
}
void __wrap__ZN6Engine14Gfx_RenderLineEffffjf(Engine* e, float x1, float y1, float x2, float y2,
                                              std::uint32_t c, float z) {
    noteSubmission(1, 0, BLEND_DEFAULT);
    __real__ZN6Engine14Gfx_RenderLineEffffjf(e, x1, y1, x2, y2, c, z);
}
// A clear draws what is pending first, so the run after it starts afresh.
void __wrap__ZN6Engine9Gfx_ClearEj(Engine* e, std::uint32_t color) {
    submitted.primitive = -1;
    __real__ZN6Engine9Gfx_ClearEj(e, color);
}
}

namespace {

// The crowded game: planets on circles 85 pixels apart and moons 30 pixels from their
// planet, all grown, so nothing ever touches and the scene stays the same from frame to
// frame; ten more bodies, one below each of ten moons, explode again and again.
struct CrowdedGame {
    bench::DesktopSession session;
    Game game;
    Backdrop backdrop;
    Body* explosions[kExplosions] = {};

    CrowdedGame() {
        if (!session.hge) return;
        backdrop.build(*session.hge);
        game.reset();
        game.screen = Play;
        game.pendingScreen = NoScreen;
        game.fadeLevel = 0.0f;
        Body& sun = *game.sun;
        while (sun.addChild(sun, true)) {
        }
        for (int p = 0; p < Body::ChildSlots; ++p) {
            Body& planet = sun.children[p];
            place(planet, 75.0f + 85.0f * static_cast<float>(p), 1.3f * static_cast<float>(p), 10.0f);
            while (planet.addChild(planet, true)) {
            }
            for (int m = 0; m < Body::ChildSlots; ++m)
                place(planet.children[m], 30.0f, 1.2566371f * static_cast<float>(m), 15.0f);
        }
        for (int e = 0; e < kExplosions; ++e) {
            Body& moon = sun.children[e / 2].children[e % 2];
            moon.addChild(moon, true);
            explosions[e] = &moon.children[0];
            explosions[e]->exploded = true;
            // Staggered, so that about as many particles live in every frame.
            explode(*explosions[e], 0.999f - 0.07f * static_cast<float>(e));
        }
    }

    static void place(Body& b, float radius, float angle, float speed) {
        b.radius = radius;
        b.ellipseX = b.ellipseY = 1.0f;
        b.angle = angle;
        b.speed = speed;
        b.age = 1.1f;
    }

    static void explode(Body& b, float fade) {
        b.fade = fade;
        b.particles->fireAt(static_cast<float>(b.x + 16), static_cast<float>(b.y + 16));
    }

    // What would change the scene is held still: the spawner, the clock's speed, the
    // planets needed and the two minute timers; explosions about to end start again.
    void holdSteady() {
        game.spawnCounter = 1.0f;
        game.timeMultiplier = 0.1f;
        game.planetsNeeded = 1;
        game.increaseTimer = 60.0f;
        game.bonusTimer = 60.0f;
        for (Body* b : explosions)
            if (b->fade < 0.3f) explode(*b, 0.999f);
    }

    bool intact() const {
        for (Body* b : explosions)
            if (!b->alive || !b->exploded) return false;
        return game.playState == Running && game.sun->countPlanets() == 5 + 25 + kExplosions;
    }
};

struct PartTimes {
    double logic = 0, drawing = 0, driver = 0;
    bench::Allocations logicAllocs, drawingAllocs, driverAllocs;
    long drawCalls = 0, fewestDrawCalls = 0, quads = 0, lines = 0;
    long frames = 0;
} totals;

bench::Allocations minus(bench::Allocations a, bench::Allocations b) {
    return {a.calls - b.calls, a.bytes - b.bytes};
}
void add(bench::Allocations& into, bench::Allocations a) {
    into.calls += a.calls;
    into.bytes += a.bytes;
}

// One frame as the program's callbacks run it, each part timed and its allocations counted.
void runFrame(CrowdedGame& g, bool measure) {
    Engine& hge = *g.session.hge;
    g.holdSteady();
    submitted = Submitted{};
    glSeconds = 0.0;
    const double process0 = processSeconds();
    const double t0 = threadSeconds();
    const bench::Allocations a0 = bench::allocationsSoFar();

    g.game.update(kDt);
    g.backdrop.scroll(kDt);
    const double t1 = threadSeconds();
    const bench::Allocations a1 = bench::allocationsSoFar();

    hge.Gfx_BeginScene(0);
    hge.Gfx_Clear(0);
    g.backdrop.render(hge);
    g.game.render();
    const double t2 = threadSeconds();
    const double glInDrawing = glSeconds;
    const bench::Allocations a2 = bench::allocationsSoFar();

    hge.Gfx_EndScene();
    const double process3 = processSeconds();
    const bench::Allocations a3 = bench::allocationsSoFar();
    if (!measure) return;

    const double logic = t1 - t0;
    const double drawing = (t2 - t1) - glInDrawing;
    totals.logic += logic;
    totals.drawing += drawing;
    totals.driver += (process3 - process0) - logic - drawing;
    add(totals.logicAllocs, minus(a1, a0));
    add(totals.drawingAllocs, minus(a2, a1));
    add(totals.driverAllocs, minus(a3, a2));
    const desktop::FrameStats stats = desktop::lastFrameStats();
    totals.drawCalls += stats.drawCalls;
    totals.quads += stats.quads;
    totals.lines += stats.lines;
    totals.fewestDrawCalls += submitted.runs;
    ++totals.frames;
}

void BM_CrowdedFrame(benchmark::State& state) {
    CrowdedGame g;
    if (!g.session.hge) {
        state.SkipWithError("the desktop engine does not start");
        return;
    }
    // Lets every buffer reach its size and libepoxy resolve every GL function.
    for (int i = 0; i < 200; ++i) runFrame(g, false);
    wrapGl();
    totals = PartTimes{};
    counting = true;
    bench::countAllocations(true);
    for (auto _ : state) runFrame(g, true);
    counting = false;
    bench::countAllocations(false);
    if (!glStillWrapped()) state.SkipWithError("a GL entry point was not resolved before wrapping");
    if (!g.intact()) state.SkipWithError("the crowded scene did not stay as built");
    const double n = static_cast<double>(totals.frames);
    state.counters["logic_ms"] = totals.logic / n * 1e3;
    state.counters["drawing_ms"] = totals.drawing / n * 1e3;
    state.counters["driver_ms"] = totals.driver / n * 1e3;
}

// A few thousand frames of steady play.
BENCHMARK(BM_CrowdedFrame)->Iterations(2000)->Unit(benchmark::kMillisecond);

void printSummary() {
    if (totals.frames == 0) return;
    const double n = static_cast<double>(totals.frames);
    const auto share = [&](double seconds) { return seconds / n / kFrameBudget * 100.0; };
    const auto perFrame = [&](long count) { return static_cast<double>(count) / n; };
    std::printf("\nCrowded frame, %ld frames, CPU time per frame as a share of the 10 ms frame:\n",
                totals.frames);
    std::printf("  game logic (Game::update)             %7.3f ms  %5.1f %%\n", totals.logic / n * 1e3,
                share(totals.logic));
    std::printf("  drawing and batching (ours)           %7.3f ms  %5.1f %%\n", totals.drawing / n * 1e3,
                share(totals.drawing));
    std::printf("  logic + batching                      %7.3f ms  %5.1f %%   (goal: under 10 %%)\n",
                (totals.logic + totals.drawing) / n * 1e3, share(totals.logic + totals.drawing));
    std::printf("  driver (GL calls, present, its threads) %5.3f ms  %5.1f %%\n", totals.driver / n * 1e3,
                share(totals.driver));
    std::printf("Heap allocations per frame (this thread):\n");
    std::printf("  game logic %.3f (%.0f bytes), drawing and batching %.3f (%.0f bytes), driver %.3f\n",
                perFrame(totals.logicAllocs.calls), perFrame(totals.logicAllocs.bytes),
                perFrame(totals.drawingAllocs.calls), perFrame(totals.drawingAllocs.bytes),
                perFrame(totals.driverAllocs.calls));
    std::printf("  ours in total: %ld over %ld frames   (goal and limit: 0)\n",
                totals.logicAllocs.calls + totals.drawingAllocs.calls, totals.frames);
    std::printf("Batching: %.1f quads and %.1f lines a frame\n", perFrame(totals.quads),
                perFrame(totals.lines));
    std::printf(
        "  draw calls %.2f a frame, fewest possible %.2f (runs of equal texture, blend, primitive)"
        " -> ratio %.3f   (goal: 1)\n",
        perFrame(totals.drawCalls), perFrame(totals.fewestDrawCalls),
        static_cast<double>(totals.drawCalls) / static_cast<double>(totals.fewestDrawCalls));
}

}  // namespace

int main(int argc, char** argv) {
    bench::chooseHeadlessDrivers();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
