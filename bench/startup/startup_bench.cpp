// From process start to the first presented frame: the game against a bare SDL2 + OpenGL
// program presenting one cleared frame of the same window, both started the same way in
// the same run. A preloaded library notes the moment of the first present and ends each
// process there. Runs on the display in DISPLAY, or offscreen when there is none.
//
//   xvfb-run -s "-screen 0 800x600x24" ./startup_bench
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Start {
    double seconds = -1.0;    // from spawning to the first present; negative: none
    double cpuSeconds = 0.0;  // user + system time of the process, all its threads
};

Start timeToFirstFrame(const char* program) {
    const std::string mark = std::string(VELKARO_PROGRAM_FOLDER) + "/first_frame.mark";
    std::remove(mark.c_str());
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back(std::string("LD_PRELOAD=") + VELKARO_FIRST_FRAME);
    env.push_back("VELKARO_FIRST_FRAME_FILE=" + mark);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};

    const long long start = monotonicNs();
    pid_t pid = 0;
    Start result;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, envp.data()) != 0) return result;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    std::FILE* f = std::fopen(mark.c_str(), "r");
    if (!f) return result;
    long long presented = 0;
    if (std::fscanf(f, "%lld", &presented) == 1)
        result.seconds = static_cast<double>(presented - start) * 1e-9;
    std::fclose(f);
    return result;
}

// Sums over every run of each program.
struct Totals {
    double seconds = 0.0, cpuSeconds = 0.0;
    long runs = 0;
};
Totals bare, game;

void measure(benchmark::State& state, const char* program, Totals& totals) {
    double cpu = 0.0;
    for (auto _ : state) {
        const Start s = timeToFirstFrame(program);
        if (s.seconds < 0.0) {
            state.SkipWithError("no frame was presented");
            return;
        }
        state.SetIterationTime(s.seconds);
        totals.seconds += s.seconds;
        totals.cpuSeconds += s.cpuSeconds;
        cpu += s.cpuSeconds;
        ++totals.runs;
    }
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations()) * 1e3;
}

void BM_BareWindow(benchmark::State& state) { measure(state, VELKARO_BARE_WINDOW, bare); }
void BM_Velkaro(benchmark::State& state) { measure(state, VELKARO_PROGRAM, game); }

BENCHMARK(BM_BareWindow)->UseManualTime()->Iterations(5)->Repetitions(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Velkaro)->UseManualTime()->Iterations(5)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    // The game reads its pack from its working folder.
    if (chdir(VELKARO_PROGRAM_FOLDER) != 0) return 1;
    // Repetitions of the two take turns, so that load from elsewhere falls on both alike.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    if (bare.runs > 0 && game.runs > 0) {
        const double b = bare.seconds / static_cast<double>(bare.runs);
        const double g = game.seconds / static_cast<double>(game.runs);
        const double bc = bare.cpuSeconds / static_cast<double>(bare.runs);
        const double gc = game.cpuSeconds / static_cast<double>(game.runs);
        std::printf("\nProcess start to first presented frame, mean of %ld and %ld runs:\n", game.runs,
                    bare.runs);
        std::printf("  the game %.1f ms, a bare SDL2 + OpenGL window %.1f ms: %.2fx   (goal: at most 1.5x)\n",
                    g * 1e3, b * 1e3, g / b);
        std::printf("  CPU time until then (all threads): the game %.1f ms, the bare window %.1f ms: %.2fx\n",
                    gc * 1e3, bc * 1e3, gc / bc);
    }
    benchmark::Shutdown();
    return 0;
}
