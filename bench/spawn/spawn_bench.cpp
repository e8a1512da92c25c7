// Creating a planet on the desktop engine with the game's pack: the first planet of a
// fresh tree (its pictures and preset are not loaded yet) against a later one. Counts the
// files opened and the pictures and MP3 sounds decoded per creation by standing in front
// of the libraries that do it, and prints the ratio of the times.
//
//   SDL_VIDEODRIVER=offscreen ./spawn_bench
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <memory>

#include "allocations.h"
#include "bodies/body.h"
#include "desktop_session.h"

namespace {

struct Touches {
    long packOpens = 0;
    long fileOpens = 0;
    long pictureDecodes = 0;
    long soundDecoders = 0;
};
Touches touches;
bool watching = false;

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// The libraries' entry points the engine reads and decodes through; each passes the call on.
extern "C" {
struct PHYSFS_File;
struct mpg123_handle_struct;

PHYSFS_File* PHYSFS_openRead(const char* name) {
    static auto real = next<PHYSFS_File* (*)(const char*)>("PHYSFS_openRead");
    if (watching) ++touches.packOpens;
    return real(name);
}

FILE* fopen(const char* path, const char* mode) {
    static auto real = next<FILE* (*)(const char*, const char*)>("fopen");
    if (watching) ++touches.fileOpens;
    return real(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    static auto real = next<FILE* (*)(const char*, const char*)>("fopen64");
    if (watching) ++touches.fileOpens;
    return real(path, mode);
}

unsigned char* stbi_load_from_memory(const unsigned char* bytes, int size, int* x, int* y, int* channels,
                                     int wanted) {
    static auto real =
        next<unsigned char* (*)(const unsigned char*, int, int*, int*, int*, int)>("stbi_load_from_memory");
    if (watching) ++touches.pictureDecodes;
    return real(bytes, size, x, y, channels, wanted);
}

mpg123_handle_struct* mpg123_new(const char* decoder, int* error) {
    static auto real = next<mpg123_handle_struct* (*)(const char*, int*)>("mpg123_new");
    if (watching) ++touches.soundDecoders;
    return real(decoder, error);
}
}

namespace {

double firstSeconds = 0.0, laterSeconds = 0.0;

void report(benchmark::State& state, const Touches& t, const bench::Allocations& a) {
    const double n = static_cast<double>(state.iterations());
    state.counters["files_opened"] = static_cast<double>(t.packOpens + t.fileOpens) / n;
    state.counters["pictures_decoded"] = static_cast<double>(t.pictureDecodes) / n;
    state.counters["mp3_decoders"] = static_cast<double>(t.soundDecoders) / n;
    state.counters["allocations"] = static_cast<double>(a.calls) / n;
}

// A fresh sun each time, created untimed; the planet after it is the tree's first, so its
// pictures and explosion preset are read and decoded (the explosion sound is the sun's).
void BM_FirstPlanet(benchmark::State& state) {
    bench::DesktopSession session;
    if (!session.hge) {
        state.SkipWithError("the desktop engine does not start");
        return;
    }
    touches = Touches{};
    const bench::Allocations before = bench::allocationsSoFar();
    for (auto _ : state) {
        state.PauseTiming();
        auto sun = std::make_unique<Body>();
        sun->init(400, 300, 300.0f, 1.0f, true);
        watching = true;
        bench::countAllocations(true);
        state.ResumeTiming();
        sun->addChild(*sun, false);
        state.PauseTiming();
        bench::countAllocations(false);
        watching = false;
        sun.reset();  // the last body gives every picture, sound and preset back
        state.ResumeTiming();
    }
    report(state, touches, bench::Allocations{bench::allocationsSoFar().calls - before.calls, 0});
}

// A planet in a slot that held one before, while another planet keeps the engine's
// caches warm: what the game does every few seconds.
void BM_LaterPlanet(benchmark::State& state) {
    bench::DesktopSession session;
    if (!session.hge) {
        state.SkipWithError("the desktop engine does not start");
        return;
    }
    auto sun = std::make_unique<Body>();
    sun->init(400, 300, 300.0f, 1.0f, true);
    sun->addChild(*sun, false);
    touches = Touches{};
    const bench::Allocations before = bench::allocationsSoFar();
    watching = true;
    bench::countAllocations(true);
    for (auto _ : state) {
        sun->addChild(*sun, false);
        sun->children[1].alive = false;
    }
    bench::countAllocations(false);
    watching = false;
    report(state, touches, bench::Allocations{bench::allocationsSoFar().calls - before.calls, 0});
}

BENCHMARK(BM_FirstPlanet)->Unit(benchmark::kMicrosecond)->Iterations(30);
BENCHMARK(BM_LaterPlanet)->Unit(benchmark::kMicrosecond);

// The usual table, then the later planet's time as a share of the first one's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (run.run_name.function_name == "BM_FirstPlanet") firstSeconds = seconds;
            if (run.run_name.function_name == "BM_LaterPlanet") laterSeconds = seconds;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    bench::chooseHeadlessDrivers();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (firstSeconds > 0.0 && laterSeconds > 0.0)
        std::printf("\nA later planet costs %.1f us of CPU, the first %.1f us: %.4f of it (1/%.0f)\n",
                    laterSeconds * 1e6, firstSeconds * 1e6, laterSeconds / firstSeconds,
                    firstSeconds / laterSeconds);
    benchmark::Shutdown();
    return 0;
}
