// Frame timing: the frame cap waits until a whole period has passed since the previous
// frame began, so the measured frame time handed to the game is never shorter than it.
#include <chrono>
#include <thread>

#include "core.h"

namespace desktop {
namespace {

struct Timer {
    Uint64 frequency = 1;
    Uint64 origin = 0;
    Uint64 frameStart = 0;
    float delta = 0.0f;
    int fps = 0;
    int framesThisSecond = 0;
    Uint64 secondStart = 0;
};

Timer& timer() {
    static Timer& t = *new Timer;
    return t;
}

// Sleeps until shortly before the deadline and spins only the last stretch: a sleep wakes
// up late by the kernel's timer slack and scheduling, usually well under this margin. A
// longer spin would burn a good part of a core every frame.
constexpr Uint64 kSpinMicroseconds = 250;

void waitUntil(Uint64 deadline) {
    const Uint64 frequency = timer().frequency;
    for (;;) {
        const Uint64 now = SDL_GetPerformanceCounter();
        if (now >= deadline) return;
        const Uint64 remainingUs = (deadline - now) * 1000000 / frequency;
        if (remainingUs > kSpinMicroseconds)
            std::this_thread::sleep_for(std::chrono::microseconds(remainingUs - kSpinMicroseconds));
    }
}

}  // namespace

void timerStartup() {
    Timer& t = timer();
    t = Timer{};
    t.frequency = SDL_GetPerformanceFrequency();
    t.origin = SDL_GetPerformanceCounter();
    t.frameStart = t.origin;
    t.secondStart = t.origin;
}

void timerBeginLoop() {
    Timer& t = timer();
    t.frameStart = SDL_GetPerformanceCounter();
    t.secondStart = t.frameStart;
    t.framesThisSecond = 0;
}

void timerWaitForFrame() {
    Timer& t = timer();
    const int fps = settings().fps;
    if (fps > 0) {
        // Rounded up, so that the float seconds of a full period are never below 1/fps.
        const Uint64 period = (t.frequency + static_cast<Uint64>(fps) - 1) / static_cast<Uint64>(fps);
        waitUntil(t.frameStart + period);
    }
    const Uint64 now = SDL_GetPerformanceCounter();
    t.delta = static_cast<float>(static_cast<double>(now - t.frameStart) / static_cast<double>(t.frequency));
    t.frameStart = now;
    ++t.framesThisSecond;
    if (now - t.secondStart >= t.frequency) {
        t.fps = t.framesThisSecond;
        t.framesThisSecond = 0;
        t.secondStart = now;
    }
}

}  // namespace desktop

float Engine::Timer_GetTime() {
    const desktop::Timer& t = desktop::timer();
    return static_cast<float>(static_cast<double>(SDL_GetPerformanceCounter() - t.origin) /
                              static_cast<double>(t.frequency));
}

float Engine::Timer_GetDelta() { return desktop::timer().delta; }

int Engine::Timer_GetFPS() { return desktop::timer().fps; }
