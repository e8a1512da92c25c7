// What the desktop engine's own files share: the settings, the window, and the entry
// points each part offers the engine's lifetime and frame loop. Internal to platform/desktop.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>

#include "engine.h"

namespace desktop {

// The picture the game draws is always this size; the window shows it scaled.
constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;

struct Settings {
    bool windowed = false;
    bool hideMouse = false;
    int screenWidth = kPictureWidth;
    int screenHeight = kPictureHeight;
    int screenBpp = 32;
    int fps = 0;
    EngineCallback frameFunc = nullptr;
    EngineCallback renderFunc = nullptr;
    std::string title = "Velkaro";
};

// The engine's state objects are never destroyed: the game gives back textures and
// references from static destructors at exit, which may run after ours would.
Settings& settings();

// The window while the engine is initiated, otherwise null.
SDL_Window* window();

// Where the 800 x 600 picture sits inside an area of the given size: as large as fits,
// centred, keeping its shape.
struct Letterbox {
    float x, y, scale;
};
Letterbox letterbox(int width, int height);

void logf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Renderer and textures need the GL context; they start after it exists and stop before
// it goes.
bool rendererStartup();
void rendererShutdown();
void texturesShutdown();
// Draws any pending batch that uses the texture, before the texture goes.
void rendererForget(HTexture texture);
// The GL name of a live texture; 0 for handle 0 or a stale handle.
unsigned textureName(HTexture texture);

// Input: the key map and mouse, fed with the window's events.
void inputStartup();
void inputShutdown();
void inputCloseDisplay();
void inputBeginFrame();
void inputHandleEvent(const SDL_Event& event);

// Frame timing.
void timerStartup();
void timerBeginLoop();
void timerWaitForFrame();

}  // namespace desktop
