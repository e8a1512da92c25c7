// Ten minutes of game time on the desktop engine (offscreen, null sound device, the
// game's pack), faster than real time: Game::update every 0.01 s frame, drawing one frame
// in kDrawEvery. A scripted player starts a game from the menu, lets it run without
// touching a planet (planets appear, collide, explode, the planets needed rise) and starts
// again after each game over. Prints the peak resident memory and the growth of the
// resident memory between minute 1 and minute 10 (goal: under 5 %).
//
//   SDL_VIDEODRIVER=offscreen ./memory_bench
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>

#include "app/backdrop.h"
#include "desktop_session.h"
#include "game/game.h"

namespace {

constexpr float kDt = 0.01f;
constexpr long kFramesPerMinute = 6000;
constexpr long kMinutes = 10;
constexpr long kDrawEvery = 100;

// A field of /proc/self/status in kilobytes ("VmRSS", "VmHWM"); 0 when unreadable.
long statusKb(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            std::sscanf(line + n + 1, "%ld", &kb);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

struct Figures {
    long rssKb[kMinutes + 1] = {};
    long heapKb[kMinutes + 1] = {};  // bytes the C heap has handed out and not had back
    long peakKb = 0;
    long games = 0;
} figures;

void BM_TenMinuteGame(benchmark::State& state) {
    bench::DesktopSession session;
    if (!session.hge) {
        state.SkipWithError("the desktop engine does not start");
        return;
    }
    Engine& hge = *session.hge;
    Game game;
    Backdrop backdrop;
    backdrop.build(hge);
    game.reset();
    figures.rssKb[0] = statusKb("VmRSS");
    figures.heapKb[0] = static_cast<long>(mallinfo2().uordblks / 1024);
    for (auto _ : state) {
        for (long frame = 1; frame <= kFramesPerMinute * kMinutes; ++frame) {
            // The player's Enter: Start Game on the menu, back to the menu after a loss.
            if (game.screen == MainMenu && game.pendingScreen == NoScreen) {
                game.pendingScreen = Play;
                ++figures.games;
            }
            if (game.screen == Play && game.playState == GameOver && game.pendingScreen == NoScreen)
                game.pendingScreen = MainMenu;
            game.update(kDt);
            backdrop.scroll(kDt);
            if (frame % kDrawEvery == 0) {
                hge.Gfx_BeginScene(0);
                hge.Gfx_Clear(0);
                backdrop.render(hge);
                game.render();
                hge.Gfx_EndScene();
            }
            if (frame % kFramesPerMinute == 0) {
                figures.rssKb[frame / kFramesPerMinute] = statusKb("VmRSS");
                figures.heapKb[frame / kFramesPerMinute] = static_cast<long>(mallinfo2().uordblks / 1024);
            }
        }
    }
    figures.peakKb = statusKb("VmHWM");
    state.counters["peak_MB"] = static_cast<double>(figures.peakKb) / 1024.0;
}

BENCHMARK(BM_TenMinuteGame)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    bench::chooseHeadlessDrivers();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    if (figures.rssKb[kMinutes] > 0) {
        std::printf("\nResident memory over %ld minutes of game time (%ld games started):\n", kMinutes,
                    figures.games);
        std::printf("  minute:");
        for (long m = 0; m <= kMinutes; ++m)
            std::printf(" %ld=%.1f", m, static_cast<double>(figures.rssKb[m]) / 1024.0);
        std::printf(" MB\n  heap in use, minute:");
        for (long m = 0; m <= kMinutes; ++m)
            std::printf(" %ld=%.1f", m, static_cast<double>(figures.heapKb[m]) / 1024.0);
        std::printf(
            " MB\n  peak %.1f MB; growth from minute 1 to minute 10: %+.2f %%   (goal: under 5 %%)\n",
            static_cast<double>(figures.peakKb) / 1024.0,
            (static_cast<double>(figures.rssKb[kMinutes]) / static_cast<double>(figures.rssKb[1]) - 1.0) *
                100.0);
    }
    benchmark::Shutdown();
    return 0;
}
