// The game's frame loop at its cap of 100 frames a second: the engine's System_Start runs
// the Play screen (the sun, its first planet and the planets that appear) through callbacks
// that do what the program's do, for 2,000 frames. Prints the distribution of the frame
// times the game is handed (never below 0.01 s; median within 2 % of it) and the CPU the
// process and its main thread use over the wall time (a busy wait would show as a whole
// core). Runs on the display in DISPLAY (Xvfb), or offscreen when there is none.
//
//   xvfb-run -s "-screen 0 800x600x24" ./pacing_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "app/backdrop.h"
#include "desktop_session.h"
#include "game/game.h"

namespace {

constexpr int kFrames = 2000;

double clockSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Loop {
    Engine* hge = nullptr;
    Game* game = nullptr;
    Backdrop backdrop;
    bool drawGame = true;
    std::vector<float> frameTimes;
} loop;

bool frameCallback() {
    const float dt = loop.hge->Timer_GetDelta();
    loop.frameTimes.push_back(dt);
    if (!loop.game->update(dt)) return true;
    loop.backdrop.scroll(dt);
    return static_cast<int>(loop.frameTimes.size()) >= kFrames;
}

bool renderCallback() {
    loop.hge->Gfx_BeginScene(0);
    loop.hge->Gfx_Clear(0);
    if (loop.drawGame) {
        loop.backdrop.render(*loop.hge);
        loop.game->render();
    }
    loop.hge->Gfx_EndScene();
    return false;
}

struct Pacing {
    float min = 0, median = 0, p99 = 0, max = 0;
    long belowPeriod = 0;
    double processCpu = 0, threadCpu = 0, wall = 0;
};
Pacing results[2];  // drawing the game, drawing a cleared frame only

// state.range(0) 1: the game draws as the program does; 0: the frame is only cleared and
// presented, which shows the cap by itself when the renderer is slow.
void BM_CappedLoop(benchmark::State& state) {
    loop.drawGame = state.range(0) != 0;
    loop.frameTimes.clear();
    Pacing& result = results[loop.drawGame ? 0 : 1];
    bench::DesktopSession session(100);
    if (!session.hge) {
        state.SkipWithError("the desktop engine does not start");
        return;
    }
    Game game;
    loop.hge = session.hge;
    loop.game = &game;
    loop.backdrop.build(*session.hge);
    game.reset();
    // Straight onto the Play screen, as after choosing Start Game.
    game.screen = Play;
    game.pendingScreen = NoScreen;
    loop.frameTimes.reserve(kFrames);
    session.hge->System_SetState(STATE_FRAMEFUNC, frameCallback);
    session.hge->System_SetState(STATE_RENDERFUNC, renderCallback);
    for (auto _ : state) {
        const double wall0 = clockSeconds(CLOCK_MONOTONIC);
        const double process0 = clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double thread0 = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
        session.hge->System_Start();
        result.wall = clockSeconds(CLOCK_MONOTONIC) - wall0;
        result.processCpu = clockSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0;
        result.threadCpu = clockSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0;
    }
    std::vector<float> t = loop.frameTimes;
    if (static_cast<int>(t.size()) < kFrames) {
        state.SkipWithError("the loop ended early");
        return;
    }
    std::sort(t.begin(), t.end());
    result.min = t.front();
    result.median = t[t.size() / 2];
    result.p99 = t[t.size() * 99 / 100];
    result.max = t.back();
    result.belowPeriod = std::count_if(t.begin(), t.end(), [](float dt) { return dt < 0.01f; });
    state.counters["median_ms"] = result.median * 1e3;
    state.counters["cpu_use"] = result.processCpu / result.wall;
}

BENCHMARK(BM_CappedLoop)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    const char* const kinds[2] = {"drawing the game", "drawing a cleared frame only"};
    for (int k = 0; k < 2; ++k) {
        const Pacing& result = results[k];
        if (result.wall <= 0.0) continue;
        std::printf("\nFrame times handed to the game over %d frames at the cap of 100, %s:\n", kFrames,
                    kinds[k]);
        std::printf(
            "  minimum %.5f s, median %.5f s (%+.2f %% of 0.01 s; goal within 2 %%), 99th percentile %.5f s,"
            " maximum %.5f s\n",
            static_cast<double>(result.min), static_cast<double>(result.median),
            (static_cast<double>(result.median) / 0.01 - 1.0) * 100.0, static_cast<double>(result.p99),
            static_cast<double>(result.max));
        std::printf("  frames shorter than 0.01 s: %ld   (goal: 0)\n", result.belowPeriod);
        std::printf(
            "  CPU over wall time: process %.1f %% of one core, main thread %.1f %%   (%.1f s of wall)\n",
            result.processCpu / result.wall * 100.0, result.threadCpu / result.wall * 100.0, result.wall);
    }
    benchmark::Shutdown();
    return 0;
}
