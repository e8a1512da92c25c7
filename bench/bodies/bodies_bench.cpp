// One frame of a full solar system on the recording engine: every body with five live
// children, three generations below the sun (155 planets and moons). Prints each part of
// the frame and the whole as a fraction of the 10 ms frame budget (100 frames a second).
#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/body.h"
#include "recording.h"
#include "services.h"

namespace {

constexpr double FrameBudget = 0.010;

std::vector<std::uint8_t> preset(std::int32_t rate, float systemLifetime, float life) {
    std::vector<std::uint8_t> bytes(128, 0);
    auto put = [&bytes](int offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto putFloat = [&put](int offset, float v) { put(offset, std::bit_cast<std::uint32_t>(v)); };
    put(4, static_cast<std::uint32_t>(rate));
    putFloat(8, systemLifetime);
    putFloat(12, life);
    putFloat(16, life);
    putFloat(36, 1.0f);  // speedMax
    putFloat(64, 1.0f);
    putFloat(68, 0.5f);
    for (int c = 0; c < 8; ++c) putFloat(88 + 4 * c, 1.0f);
    return bytes;
}

// Children spread on circles wide enough that no two bodies ever touch, so every frame
// walks the whole collision search.
void addGeneration(Body& parent, float orbit, int generationsLeft) {
    if (generationsLeft == 0) return;
    for (int i = 0; i < Body::ChildSlots; ++i) {
        parent.addChild(parent, true);
        Body& child = parent.children[i];
        child.radius = orbit;
        child.ellipseX = child.ellipseY = 1.0f;
        child.angle = static_cast<float>(i) * 1.2566371f;
        addGeneration(child, orbit / 5, generationsLeft - 1);
    }
}

struct SolarSystem {
    SolarSystem() {
        rec::reset();
        platform::srand(1);
        rec::addTexture("particles.png", 64, 64);
        rec::addTexture("Texture\\Planet.png", 256, 64);
        rec::addTexture("Ouch.png", 64, 16);
        rec::addSound("Media\\Explode.mp3");
        rec::addFile("particle1.psi", preset(50, -1.0f, 2.0f));
        rec::addFile("Boom3.psi", preset(40, 0.5f, 1.0f));
        sun = std::make_unique<Body>();
        sun->init(400, 300, 300.0f, 1.0f, true);
        addGeneration(*sun, 1000.0f, 3);
        // Let the glow fill up and every body grow up.
        for (int i = 0; i < 600; ++i) {
            sun->update(*sun, 0.0f, 0.01f);
            rec::clearRecords();
        }
    }
    void update() { sun->update(*sun, 0.0f, 0.01f); }
    std::unique_ptr<Body> sun;
};

void BM_Update(benchmark::State& state) {
    SolarSystem s;
    for (auto _ : state) s.update();
}

void BM_CheckCollisions(benchmark::State& state) {
    SolarSystem s;
    for (auto _ : state) benchmark::DoNotOptimize(s.sun->checkCollisions(*s.sun));
    if (s.sun->checkCollisions(*s.sun)) state.SkipWithError("bodies touched");
}

void BM_CountPlanets(benchmark::State& state) {
    SolarSystem s;
    if (s.sun->countPlanets() != 155) state.SkipWithError("not a full tree");
    for (auto _ : state) benchmark::DoNotOptimize(s.sun->countPlanets());
}

void BM_Render(benchmark::State& state) {
    SolarSystem s;
    for (auto _ : state) {
        s.sun->render();
        rec::clearRecords();
    }
}

void BM_Frame(benchmark::State& state) {
    SolarSystem s;
    for (auto _ : state) {
        s.update();
        benchmark::DoNotOptimize(s.sun->checkCollisions(*s.sun));
        benchmark::DoNotOptimize(s.sun->countPlanets());
        s.sun->render();
        rec::clearRecords();
    }
}

}  // namespace

BENCHMARK(BM_Update);
BENCHMARK(BM_CheckCollisions);
BENCHMARK(BM_CountPlanets);
BENCHMARK(BM_Render);
BENCHMARK(BM_Frame);

// The usual table, then each run's CPU time per iteration as a share of the frame budget.
class BudgetReporter : public benchmark::ConsoleReporter {
public:
    BudgetReporter() : ConsoleReporter(OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            GetOutputStream() << "  " << run.benchmark_name() << ": " << seconds * 1e3
                              << " ms CPU = " << seconds / FrameBudget << " of the 10 ms frame budget\n";
        }
    }
};

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
