// The engine's lifetime and frame loop: counted references, the window and GL context,
// and System_Start calling the game's callbacks once per frame.
#include <chrono>
#include <cstring>

#include "common/engine_random.h"
#include "core.h"
#include "subsystems.h"

namespace desktop {
namespace {

struct Lifetime {
    int references = 0;
    bool initiated = false;
    bool running = false;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    platform::EngineRandom random;
};

Lifetime& life() {
    static Lifetime& l = *new Lifetime;
    return l;
}

// SDL falls back to its offscreen driver when no display answers; a game nobody can see
// is worse than ending with a message, so that driver is only accepted when asked for.
bool videoDriverUsable() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return true;
    const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
    return wanted && SDL_strcasecmp(wanted, driver) == 0;
}

void applyWindowMode() {
    Lifetime& l = life();
    SDL_SetWindowFullscreen(l.window, settings().windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void destroyWindow() {
    Lifetime& l = life();
    if (l.context) SDL_GL_DeleteContext(l.context);
    if (l.window) SDL_DestroyWindow(l.window);
    l.context = nullptr;
    l.window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

}  // namespace

Settings& settings() {
    static Settings& s = *new Settings;
    return s;
}

SDL_Window* window() { return life().window; }

Letterbox letterbox(int width, int height) {
    // A minimised window has no area; keep the mapping finite.
    if (width <= 0 || height <= 0) return {0.0f, 0.0f, 1.0f};
    const float sx = static_cast<float>(width) / kPictureWidth;
    const float sy = static_cast<float>(height) / kPictureHeight;
    const float scale = sx < sy ? sx : sy;
    return {(width - kPictureWidth * scale) / 2, (height - kPictureHeight * scale) / 2, scale};
}

}  // namespace desktop

using namespace desktop;

Engine* hgeCreate(int version) {
    if (version != ENGINE_VERSION) return nullptr;
    static Engine engine;
    Lifetime& l = life();
    if (l.references++ == 0) {
        resourcesStartup();
        inputStartup();
        timerStartup();
    }
    return &engine;
}

void Engine::Release() {
    Lifetime& l = life();
    if (l.references <= 0) return;
    if (--l.references > 0) return;
    System_Shutdown();
    resourcesShutdown();
    inputCloseDisplay();
    SDL_Quit();
    l = Lifetime{};
    settings() = Settings{};
}

bool Engine::System_Initiate() {
    Lifetime& l = life();
    if (l.initiated) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        logf("Cannot open a window: no display (%s)", SDL_GetError());
        return false;
    }
    if (!videoDriverUsable()) {
        logf("Cannot open a window: no display (SDL found only its '%s' driver)",
             SDL_GetCurrentVideoDriver());
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);

    const Settings& s = settings();
    const int width = s.screenWidth > 0 ? s.screenWidth : kPictureWidth;
    const int height = s.screenHeight > 0 ? s.screenHeight : kPictureHeight;
    Uint32 flags = SDL_WINDOW_OPENGL;
    if (!s.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    l.window = SDL_CreateWindow(s.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                height, flags);
    if (!l.window) {
        logf("Cannot open a window: %s", SDL_GetError());
        destroyWindow();
        return false;
    }
    l.context = SDL_GL_CreateContext(l.window);
    if (!l.context) {
        logf("Cannot create an OpenGL 3.3 context: %s", SDL_GetError());
        destroyWindow();
        return false;
    }
    // Vertical sync where the driver offers it; the frame cap still applies on top.
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
    if (!rendererStartup()) {
        destroyWindow();
        return false;
    }
    SDL_ShowCursor(s.hideMouse ? SDL_DISABLE : SDL_ENABLE);
    l.initiated = true;
    timerStartup();
    audioStartup();
    return true;
}

void Engine::System_Shutdown() {
    Lifetime& l = life();
    if (!l.initiated) return;
    audioShutdown();
    texturesShutdown();
    rendererShutdown();
    inputShutdown();
    destroyWindow();
    l.initiated = false;
}

bool Engine::System_Start() {
    Lifetime& l = life();
    if (!l.initiated) {
        logf("System_Start: the engine is not initiated");
        return false;
    }
    if (!settings().frameFunc) {
        logf("System_Start: no frame function set");
        return false;
    }
    if (l.running) return false;
    l.running = true;
    timerBeginLoop();
    for (;;) {
        timerWaitForFrame();
        inputBeginFrame();
        bool closed = false;
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT)
                closed = true;
            else
                inputHandleEvent(event);
        }
        if (closed) break;
        audioFrame();
        if (settings().frameFunc()) break;
        // The frame callback may have shut the engine down.
        if (!l.initiated) break;
        if (settings().renderFunc) settings().renderFunc();
        if (!l.initiated) break;
    }
    l.running = false;
    return true;
}

void Engine::System_SetState(EngineBoolState state, bool value) {
    Settings& s = settings();
    SDL_Window* w = life().window;
    switch (state) {
        case STATE_WINDOWED:
            s.windowed = value;
            if (w) applyWindowMode();
            break;
        case STATE_HIDEMOUSE:
            s.hideMouse = value;
            if (w) SDL_ShowCursor(value ? SDL_DISABLE : SDL_ENABLE);
            break;
    }
}

void Engine::System_SetState(EngineIntState state, int value) {
    Settings& s = settings();
    switch (state) {
        case STATE_SCREENWIDTH:
            s.screenWidth = value;
            break;
        case STATE_SCREENHEIGHT:
            s.screenHeight = value;
            break;
        case STATE_SCREENBPP:
            s.screenBpp = value;
            break;
        case STATE_FPS:
            s.fps = value > 0 ? value : 0;
            break;
    }
}

void Engine::System_SetState(EngineFuncState state, EngineCallback value) {
    switch (state) {
        case STATE_FRAMEFUNC:
            settings().frameFunc = value;
            break;
        case STATE_RENDERFUNC:
            settings().renderFunc = value;
            break;
    }
}

void Engine::System_SetState(EngineStringState state, const char* value) {
    if (state != STATE_TITLE) return;
    settings().title = value ? value : "";
    if (life().window) SDL_SetWindowTitle(life().window, settings().title.c_str());
}

bool Engine::System_GetState(EngineBoolState state) {
    switch (state) {
        case STATE_WINDOWED:
            return settings().windowed;
        case STATE_HIDEMOUSE:
            return settings().hideMouse;
    }
    return false;
}

int Engine::System_GetState(EngineIntState state) {
    const Settings& s = settings();
    switch (state) {
        case STATE_SCREENWIDTH:
            return s.screenWidth;
        case STATE_SCREENHEIGHT:
            return s.screenHeight;
        case STATE_SCREENBPP:
            return s.screenBpp;
        case STATE_FPS:
            return s.fps;
    }
    return 0;
}

void Engine::Random_Seed(int seed) {
    std::uint32_t value = static_cast<std::uint32_t>(seed);
    if (seed == 0) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        value = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now));
    }
    life().random.seed(value);
}

int Engine::Random_Int(int min, int max) { return life().random.nextInt(min, max); }

float Engine::Random_Float(float min, float max) { return life().random.nextFloat(min, max); }
