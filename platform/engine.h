// The engine interface: the one header every game folder includes.
//
// Two implementations exist and are chosen when linking: platform/desktop (SDL2, OpenGL,
// OpenAL, mpg123, stb_image, PhysicsFS) for the real program and platform/recording for
// unit tests. Nothing platform-specific appears here.
#pragma once

#include <cstdint>

// Engine handles are opaque 32-bit values: an index plus a generation counter, so a stale
// handle is recognised and ignored. 0 means "none"; every operation on 0 does nothing.
using HTexture = std::uint32_t;
using HEffect = std::uint32_t;
using HStream = std::uint32_t;
using HChannel = std::uint32_t;

// One corner of a quad. Screen pixels, origin top-left, y down; colour 0xAARRGGBB;
// texture coordinates 0..1 across the texture, values beyond repeat it.
struct Vertex {
    float x, y, z;
    std::uint32_t col;
    float tx, ty;
};

// Corners in the order top-left, top-right, bottom-right, bottom-left.
struct Quad {
    Vertex v[4];
    HTexture tex;
    std::int32_t blend;
};

static_assert(sizeof(Vertex) == 24, "Vertex is six 32-bit fields");
static_assert(sizeof(Quad) == 4 * sizeof(Vertex) + 8, "Quad is four vertices, texture, blend");

// Blend mode bits.
//   bit 0 (BLEND_COLORADD):   set: vertex colour is added to the texture colour (alpha still
//                             multiplied); clear: texture colour times vertex colour.
//   bit 1 (BLEND_ALPHABLEND): set: drawn over the picture by alpha (src*a + dst*(1-a));
//                             clear: added to the picture weighted by alpha (src*a + dst).
//   bit 2 (BLEND_ZWRITE):     accepted and ignored; the game sorts by drawing order.
constexpr std::int32_t BLEND_COLORMUL = 0;
constexpr std::int32_t BLEND_COLORADD = 1;
constexpr std::int32_t BLEND_ALPHAADD = 0;
constexpr std::int32_t BLEND_ALPHABLEND = 2;
constexpr std::int32_t BLEND_ZWRITE = 4;
constexpr std::int32_t BLEND_DEFAULT = BLEND_COLORMUL | BLEND_ALPHABLEND;

// The version number hgeCreate accepts.
constexpr int ENGINE_VERSION = 0x160;

// Engine states set with System_SetState before System_Initiate.
enum EngineBoolState : int {
    STATE_WINDOWED = 1,    // true: an 800 x 600 window; false: full screen, letterboxed
    STATE_HIDEMOUSE = 25,  // true: the system mouse pointer is hidden over the window
};
enum EngineIntState : int {
    STATE_SCREENWIDTH = 20,
    STATE_SCREENHEIGHT = 21,
    STATE_SCREENBPP = 22,
    STATE_FPS = 23,  // frame-rate cap in frames per second; 0 = uncapped
};
enum EngineFuncState : int {
    STATE_FRAMEFUNC = 10,   // called first each frame; returning true ends System_Start
    STATE_RENDERFUNC = 11,  // called second each frame; its result is not used
};
enum EngineStringState : int {
    STATE_TITLE = 30,
};

using EngineCallback = bool (*)();

// Key codes: Windows virtual-key numbers. Letters are their upper-case ASCII codes
// ('A' = 65 .. 'Z' = 90) and digits '0' = 48 .. '9' = 57.
enum EngineKey : int {
    KEY_LBUTTON = 1,
    KEY_RBUTTON = 2,
    KEY_MBUTTON = 4,
    KEY_BACKSPACE = 8,
    KEY_TAB = 9,
    KEY_ENTER = 13,
    KEY_SHIFT = 16,
    KEY_CTRL = 17,
    KEY_ALT = 18,
    KEY_ESCAPE = 27,
    KEY_SPACE = 32,
    KEY_LEFT = 37,
    KEY_UP = 38,
    KEY_RIGHT = 39,
    KEY_DOWN = 40,
    KEY_P = 80,
    KEY_ADD = 107,       // numeric keypad +
    KEY_SUBTRACT = 109,  // numeric keypad -
    KEY_EQUALS = 187,    // the =/+ key of the main keyboard
    KEY_MINUS = 189,     // the -/_ key of the main keyboard
};

// The engine. There is one per process; hgeCreate hands out counted references to it and
// the last Release tears it down. All calls come from one thread.
class Engine {
public:
    // Gives back one reference; the last one shuts the engine down and frees everything.
    void Release();

    bool System_Initiate();
    void System_Shutdown();  // harmless to call again, also after the last Release
    bool System_Start();     // runs frames until the frame callback returns true or the window closes
    void System_SetState(EngineBoolState state, bool value);
    void System_SetState(EngineIntState state, int value);
    void System_SetState(EngineFuncState state, EngineCallback value);
    void System_SetState(EngineStringState state, const char* value);
    bool System_GetState(EngineBoolState state);
    int System_GetState(EngineIntState state);
    // printf-style; one line on standard error.
    void System_Log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Writes the last presented frame as a PNG of the window's 800 x 600 picture.
    bool System_Snapshot(const char* pngPath);

    // Mounts a ZIP pack; later loads look in it first. The password is not supported
    // (non-null fails).
    bool Resource_AttachPack(const char* filename, const char* password = nullptr);
    // Reads a whole file: packs first, then the working folder, then the executable's
    // folder. '\' in names separates folders. Returns null when missing; free with
    // Resource_Free. The block has one extra NUL byte after `size` bytes.
    void* Resource_Load(const char* filename, std::uint32_t* size = nullptr);
    void Resource_Free(void* resource);

    // `size` 0: `filename` names a file. Otherwise `filename` points at `size` bytes of an
    // encoded picture in memory. Loading a name already loaded returns the same handle and
    // counts one more reference; Texture_Free gives one back.
    HTexture Texture_Load(const char* filename, std::uint32_t size = 0, bool mipmap = false);
    void Texture_Free(HTexture texture);
    // `original` true: the picture file's size; false: the size as stored (the same here).
    int Texture_GetWidth(HTexture texture, bool original = false);
    int Texture_GetHeight(HTexture texture, bool original = false);

    // Whole sounds (MP3 or WAV), decoded once and cached by name like textures.
    HEffect Effect_Load(const char* filename, std::uint32_t size = 0);
    void Effect_Free(HEffect effect);
    HChannel Effect_Play(HEffect effect);
    // volume 0..100 scales the sound up to its own level; above 100 it plays louder still
    // (130 = 1.3 times the amplitude, at most 200 = twice), and peaks that would pass full
    // scale are held within it by OpenAL Soft's output limiter instead of clipping.
    // pan -100..100 (mono sounds only), pitch a speed factor (0.1..10).
    HChannel Effect_PlayEx(HEffect effect, int volume = 100, int pan = 0, float pitch = 1.0f,
                           bool loop = false);

    // Music decoded while it plays.
    HStream Stream_Load(const char* filename, std::uint32_t size = 0);
    void Stream_Free(HStream stream);
    HChannel Stream_Play(HStream stream, bool loop, int volume = 100);

    void Channel_SetPanning(HChannel channel, int pan);
    void Channel_SetVolume(HChannel channel, int volume);
    void Channel_SetPitch(HChannel channel, float pitch);
    void Channel_Pause(HChannel channel);
    void Channel_Resume(HChannel channel);
    void Channel_Stop(HChannel channel);
    bool Channel_IsPlaying(HChannel channel);
    float Channel_GetPos(HChannel channel);
    void Channel_SetPos(HChannel channel, float seconds);

    float Timer_GetTime();   // seconds since System_Initiate
    float Timer_GetDelta();  // seconds the last frame took; never below the cap's period
    int Timer_GetFPS();

    void Random_Seed(int seed = 0);  // 0: seed from the clock
    int Random_Int(int min, int max);
    float Random_Float(float min, float max);

    bool Input_GetKeyState(int key);
    void Input_GetMousePos(float* x, float* y);
    void Input_SetMousePos(float x, float y);
    int Input_GetMouseWheel();  // signed notches this frame, away from the player positive

    bool Gfx_BeginScene(std::uint32_t target = 0);
    void Gfx_EndScene();
    void Gfx_Clear(std::uint32_t color);
    void Gfx_RenderLine(float x1, float y1, float x2, float y2, std::uint32_t color = 0xFFFFFFFF,
                        float z = 0.5f);
    void Gfx_RenderQuad(const Quad* quad);

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

private:
    Engine() = default;
    friend Engine* hgeCreate(int version);
};

// A counted reference to the process's engine; null for any version but ENGINE_VERSION.
Engine* hgeCreate(int version);
