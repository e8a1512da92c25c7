// Shared by the fuzz targets that run the real desktop engine: one engine for the whole
// run, initiated offscreen with a silent sound device, and a quiet log while a loader runs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine.h"

namespace fuzz {

// The engine's log lines would flood the fuzzer's output (every rejected input logs one).
// The engine writes its log through the C stream stderr; pointing that stream at /dev/null
// while a loader runs silences it, while libFuzzer (which took its own copy of the stream at
// start) and the sanitizers (which write to the descriptor) still report.
class QuietLog {
public:
    QuietLog() : saved_(stderr) { stderr = sink(); }
    ~QuietLog() { stderr = saved_; }
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;

private:
    static std::FILE* sink() {
        static std::FILE* const file = std::fopen("/dev/null", "w");
        return file;
    }
    std::FILE* saved_;
};

// Initiates the engine once: an offscreen window (textures need a GL context) and the null
// sound driver, unless the caller's environment chose others.
inline Engine* startEngine() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    Engine* engine = hgeCreate(ENGINE_VERSION);
    engine->System_SetState(STATE_WINDOWED, true);
    if (!engine->System_Initiate()) {
        engine->System_Log("fuzz: the engine could not be initiated");
        std::abort();
    }
    return engine;
}

}  // namespace fuzz
