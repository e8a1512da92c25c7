// The desktop engine for real: pictures drawn offscreen and read back through
// System_Snapshot, input fed as SDL events, the frame loop and the engine's lifetime.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "desktop/stats.h"
#include "engine.h"

namespace {

using Rgb = std::array<int, 3>;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    Rgb at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

constexpr std::uint32_t argb(int a, int r, int g, int b) {
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

Quad quadAt(float x, float y, float w, float h, HTexture tex, int blend = BLEND_DEFAULT,
            std::uint32_t colour = 0xFFFFFFFF, float u = 1.0f, float v = 1.0f) {
    Quad q{};
    q.v[0] = {x, y, 0.5f, colour, 0.0f, 0.0f};
    q.v[1] = {x + w, y, 0.5f, colour, u, 0.0f};
    q.v[2] = {x + w, y + h, 0.5f, colour, u, v};
    q.v[3] = {x, y + h, 0.5f, colour, 0.0f, v};
    q.tex = tex;
    q.blend = blend;
    return q;
}

// RGBA pixels, row by row from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

// A 16 x 16 picture where every texel differs from its neighbours.
Pixels gradient16() {
    Pixels p{16, 16, std::vector<unsigned char>(16 * 16 * 4)};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            unsigned char* t = &p.rgba[static_cast<std::size_t>(y * 16 + x) * 4];
            t[0] = static_cast<unsigned char>(x * 16 + 8);
            t[1] = static_cast<unsigned char>(y * 16 + 8);
            t[2] = static_cast<unsigned char>((x + y) % 2 ? 200 : 40);
            t[3] = 255;
        }
    return p;
}

Pixels solid(int width, int height, int r, int g, int b, int a) {
    Pixels p{width, height, {}};
    for (int i = 0; i < width * height; ++i)
        p.rgba.insert(p.rgba.end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                                     static_cast<unsigned char>(b), static_cast<unsigned char>(a)});
    return p;
}

std::vector<unsigned char> encodePng(const Pixels& p) {
    std::vector<unsigned char> out;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* bytes = static_cast<unsigned char*>(data);
            static_cast<std::vector<unsigned char>*>(context)->insert(
                static_cast<std::vector<unsigned char>*>(context)->end(), bytes, bytes + size);
        },
        &out, p.width, p.height, 4, p.rgba.data(), p.width * 4);
    return out;
}

// Lets a test write its frame callback as a lambda.
std::function<bool()> frameBody;
std::function<void()> renderBody;
bool frameThunk() { return frameBody(); }
bool renderThunk() {
    if (renderBody) renderBody();
    return false;
}

class DesktopEngine : public ::testing::Test {
protected:
    void SetUp() override {
        engine = hgeCreate(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        engine->System_SetState(STATE_WINDOWED, true);
        engine->System_SetState(STATE_TITLE, "Velkaro engine test");
        engine->System_SetState(STATE_FRAMEFUNC, frameThunk);
        engine->System_SetState(STATE_RENDERFUNC, renderThunk);
        configure();
        ASSERT_TRUE(engine->System_Initiate());
    }
    void TearDown() override {
        frameBody = nullptr;
        renderBody = nullptr;
        engine->Release();
    }
    virtual void configure() {}

    Picture snapshot() {
        Picture p;
        EXPECT_TRUE(engine->System_Snapshot("snapshot.png"));
        int channels = 0;
        unsigned char* data = stbi_load("snapshot.png", &p.width, &p.height, &channels, 3);
        if (!data) {
            ADD_FAILURE() << "snapshot.png does not load";
            return p;
        }
        p.rgb.assign(data, data + static_cast<std::size_t>(p.width) * p.height * 3);
        stbi_image_free(data);
        return p;
    }

    // Draws one frame over a cleared background and reads it back.
    Picture draw(std::uint32_t background, const std::function<void()>& body) {
        EXPECT_TRUE(engine->Gfx_BeginScene());
        engine->Gfx_Clear(background);
        body();
        engine->Gfx_EndScene();
        return snapshot();
    }

    HTexture load(const Pixels& p) {
        const std::vector<unsigned char> png = encodePng(p);
        return engine->Texture_Load(reinterpret_cast<const char*>(png.data()),
                                    static_cast<std::uint32_t>(png.size()));
    }

    // Runs System_Start for exactly one frame and returns what `look` saw in it.
    void runOneFrame(const std::function<void()>& look) {
        frameBody = [look] {
            look();
            return true;
        };
        EXPECT_TRUE(engine->System_Start());
    }

    Engine* engine = nullptr;
};

void expectNear(Rgb actual, Rgb expected, int tolerance, const std::string& what) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], expected[c], tolerance) << what << ", channel " << c;
}

// ---- Drawing ------------------------------------------------------------------------------

TEST_F(DesktopEngine, BlendModesOverAKnownBackground) {
    // A texture of (200, 100, 40) at alpha 128 over a (60, 60, 60) background, under a
    // vertex colour of (255, 128, 255) at alpha 255.
    const HTexture tex = load(solid(4, 4, 200, 100, 40, 128));
    ASSERT_NE(tex, 0u);
    const std::uint32_t vertexColour = argb(255, 255, 128, 255);
    const double a = 128.0 / 255.0;
    const double bg = 60.0;
    const auto clampByte = [](double v) { return static_cast<int>(v > 255.0 ? 255.0 : v + 0.5); };
    struct Case {
        int blend;
        Rgb expected;
    };
    const Case cases[] = {
        // Texture times vertex colour, drawn over by alpha.
        {BLEND_COLORMUL | BLEND_ALPHABLEND,
         {clampByte(200 * a + bg * (1 - a)), clampByte(100 * 128 / 255.0 * a + bg * (1 - a)),
          clampByte(40 * a + bg * (1 - a))}},
        // Texture times vertex colour, added weighted by alpha.
        {BLEND_COLORMUL | BLEND_ALPHAADD,
         {clampByte(200 * a + bg), clampByte(100 * 128 / 255.0 * a + bg), clampByte(40 * a + bg)}},
        // Texture plus vertex colour (saturating), drawn over by alpha.
        {BLEND_COLORADD | BLEND_ALPHABLEND,
         {clampByte(255 * a + bg * (1 - a)), clampByte(228 * a + bg * (1 - a)),
          clampByte(255 * a + bg * (1 - a))}},
        // Texture plus vertex colour, added weighted by alpha.
        {BLEND_COLORADD | BLEND_ALPHAADD,
         {clampByte(255 * a + bg), clampByte(228 * a + bg), clampByte(255 * a + bg)}},
        // The depth bit changes nothing.
        {BLEND_DEFAULT | BLEND_ZWRITE,
         {clampByte(200 * a + bg * (1 - a)), clampByte(100 * 128 / 255.0 * a + bg * (1 - a)),
          clampByte(40 * a + bg * (1 - a))}},
    };
    const Picture p = draw(argb(255, 60, 60, 60), [&] {
        float x = 10;
        for (const Case& c : cases) {
            const Quad q = quadAt(x, 10, 20, 20, tex, c.blend, vertexColour);
            engine->Gfx_RenderQuad(&q);
            x += 30;
        }
    });
    int x = 20;
    for (const Case& c : cases) {
        expectNear(p.at(x, 20), c.expected, 2, "blend " + std::to_string(c.blend));
        x += 30;
    }
    expectNear(p.at(5, 5), {60, 60, 60}, 0, "background");
}

TEST_F(DesktopEngine, TextureZeroDrawsVertexColoursOnly) {
    const Picture p = draw(argb(255, 0, 0, 255), [&] {
        const Quad opaque = quadAt(10, 10, 20, 20, 0, BLEND_DEFAULT, argb(255, 0, 255, 0));
        const Quad half = quadAt(40, 10, 20, 20, 0, BLEND_DEFAULT, argb(128, 255, 0, 0));
        const Quad added =
            quadAt(70, 10, 20, 20, 0, BLEND_COLORADD | BLEND_ALPHABLEND, argb(255, 90, 80, 70));
        engine->Gfx_RenderQuad(&opaque);
        engine->Gfx_RenderQuad(&half);
        engine->Gfx_RenderQuad(&added);
    });
    expectNear(p.at(20, 20), {0, 255, 0}, 0, "opaque green");
    expectNear(p.at(50, 20), {128, 0, 127}, 2, "half red over blue");
    expectNear(p.at(80, 20), {90, 80, 70}, 1, "colour-add mode without a texture");
}

TEST_F(DesktopEngine, VertexColoursBlendAcrossTheQuad) {
    Quad q = quadAt(100, 100, 200, 200, 0);
    q.v[0].col = argb(255, 255, 0, 0);
    q.v[1].col = argb(255, 0, 255, 0);
    q.v[2].col = argb(255, 0, 0, 255);
    q.v[3].col = argb(255, 255, 255, 255);
    const Picture p = draw(0, [&] { engine->Gfx_RenderQuad(&q); });
    expectNear(p.at(100, 100), {255, 0, 0}, 6, "top-left");
    expectNear(p.at(299, 100), {0, 255, 0}, 6, "top-right");
    expectNear(p.at(299, 299), {0, 0, 255}, 6, "bottom-right");
    expectNear(p.at(100, 299), {255, 255, 255}, 6, "bottom-left");
    // Inside the upper-right triangle the three corners mix by distance: at (250.5, 150.5)
    // a quarter red, half green, a quarter blue.
    expectNear(p.at(250, 150), {63, 128, 64}, 2, "inside");
}

TEST_F(DesktopEngine, SixteenTexelsShowExactlyOnceAndRepeatBeyondOne) {
    const Pixels picture = gradient16();
    const HTexture tex = load(picture);
    ASSERT_NE(tex, 0u);
    EXPECT_EQ(engine->Texture_GetWidth(tex), 16);
    EXPECT_EQ(engine->Texture_GetHeight(tex), 16);
    struct Place {
        int x, y;
    };
    const Place places[] = {{0, 0}, {37, 211}, {784, 584}};
    const Picture p = draw(0, [&] {
        for (const Place& at : places) {
            const Quad q = quadAt(static_cast<float>(at.x), static_cast<float>(at.y), 16, 16, tex);
            engine->Gfx_RenderQuad(&q);
        }
        // Twice across and three times down: coordinates 0..2 and 0..3.
        const Quad repeated = quadAt(300, 300, 32, 48, tex, BLEND_DEFAULT, 0xFFFFFFFF, 2.0f, 3.0f);
        engine->Gfx_RenderQuad(&repeated);
    });
    const auto texel = [&](int x, int y) {
        const unsigned char* t = &picture.rgba[static_cast<std::size_t>(y * 16 + x) * 4];
        return Rgb{t[0], t[1], t[2]};
    };
    for (const Place& at : places)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(p.at(at.x + x, at.y + y), texel(x, y))
                    << "at " << at.x << "," << at.y << " texel " << x << "," << y;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(p.at(300 + x, 300 + y), texel(x % 16, y % 16)) << x << "," << y;
}

TEST_F(DesktopEngine, LinesCoverOnePixelRowOrColumn) {
    const Picture p = draw(argb(255, 10, 20, 30), [&] {
        engine->Gfx_RenderLine(100, 50, 200, 50, argb(255, 255, 0, 0));
        engine->Gfx_RenderLine(300, 100, 300, 200, argb(255, 0, 255, 0));
        engine->Gfx_RenderLine(400, 100, 450, 100, argb(128, 255, 255, 255));
    });
    for (int x = 101; x < 199; ++x) {
        ASSERT_EQ(p.at(x, 50), (Rgb{255, 0, 0})) << x;
        ASSERT_EQ(p.at(x, 49), (Rgb{10, 20, 30})) << x;
        ASSERT_EQ(p.at(x, 51), (Rgb{10, 20, 30})) << x;
    }
    for (int y = 101; y < 199; ++y) {
        ASSERT_EQ(p.at(300, y), (Rgb{0, 255, 0})) << y;
        ASSERT_EQ(p.at(299, y), (Rgb{10, 20, 30})) << y;
        ASSERT_EQ(p.at(301, y), (Rgb{10, 20, 30})) << y;
    }
    expectNear(p.at(420, 100), {133, 138, 143}, 2, "a half-transparent line blends");
}

TEST_F(DesktopEngine, DrawCallsFollowStateChangesOnly) {
    const HTexture a = load(solid(2, 2, 255, 0, 0, 255));
    const HTexture b = load(solid(2, 2, 0, 255, 0, 255));
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    struct Step {
        HTexture tex;
        int blend;
        int quads;  // 0: one line instead
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::uint32_t drawCalls;
    };
    const Case cases[] = {
        {"one texture", {{a, BLEND_DEFAULT, 500}}, 1},
        {"texture changes", {{a, BLEND_DEFAULT, 3}, {b, BLEND_DEFAULT, 2}, {a, BLEND_DEFAULT, 1}}, 3},
        {"blend change", {{a, BLEND_DEFAULT, 3}, {a, BLEND_ALPHAADD, 3}}, 2},
        {"the depth bit is no change", {{a, BLEND_DEFAULT, 3}, {a, BLEND_DEFAULT | BLEND_ZWRITE, 3}}, 1},
        {"lines between quads", {{a, BLEND_DEFAULT, 2}, {0, 0, 0}, {0, 0, 0}, {a, BLEND_DEFAULT, 2}}, 3},
        {"more quads than one batch holds", {{a, BLEND_DEFAULT, 20000}}, 2},
        {"nothing", {}, 0},
    };
    for (const Case& c : cases) {
        std::uint32_t quads = 0, lines = 0;
        ASSERT_TRUE(engine->Gfx_BeginScene());
        engine->Gfx_Clear(0);
        for (const Step& s : c.steps) {
            if (s.quads == 0) {
                engine->Gfx_RenderLine(0, 0, 10, 10);
                ++lines;
            }
            for (int i = 0; i < s.quads; ++i) {
                const Quad q = quadAt(static_cast<float>(i % 700), 10, 8, 8, s.tex, s.blend);
                engine->Gfx_RenderQuad(&q);
                ++quads;
            }
        }
        engine->Gfx_EndScene();
        const desktop::FrameStats stats = desktop::lastFrameStats();
        EXPECT_EQ(stats.drawCalls, c.drawCalls) << c.what;
        EXPECT_EQ(stats.quads, quads) << c.what;
        EXPECT_EQ(stats.lines, lines) << c.what;
    }
}

TEST_F(DesktopEngine, FullyTransparentQuadsChangeNothingAndCostNoDrawCall) {
    const HTexture t = load(gradient16());
    ASSERT_NE(t, 0u);
    const std::uint32_t clear = argb(0, 255, 255, 255);
    for (const int blend :
         {BLEND_DEFAULT, BLEND_ALPHAADD, BLEND_COLORADD | BLEND_ALPHABLEND, BLEND_COLORADD}) {
        const Picture p = draw(argb(255, 10, 20, 30), [&] {
            const Quad full = quadAt(0, 0, 800, 600, t, blend, clear);
            const Quad plain = quadAt(0, 0, 800, 600, 0, blend, clear);
            engine->Gfx_RenderQuad(&full);
            engine->Gfx_RenderQuad(&plain);
        });
        EXPECT_EQ(desktop::lastFrameStats().drawCalls, 0u) << "blend " << blend;
        EXPECT_EQ(p.at(400, 300), (Rgb{10, 20, 30})) << "blend " << blend;
    }
    // One visible corner is enough to draw the quad.
    Quad partly = quadAt(0, 0, 800, 600, 0, BLEND_DEFAULT, clear);
    partly.v[2].col = argb(255, 255, 255, 255);
    draw(0, [&] { engine->Gfx_RenderQuad(&partly); });
    EXPECT_EQ(desktop::lastFrameStats().drawCalls, 1u);
}

TEST_F(DesktopEngine, DrawingOutsideASceneIsIgnored) {
    draw(argb(255, 1, 2, 3), [] {});
    const Quad q = quadAt(0, 0, 800, 600, 0, BLEND_DEFAULT, 0xFFFFFFFF);
    engine->Gfx_RenderQuad(&q);
    engine->Gfx_RenderQuad(nullptr);
    engine->Gfx_Clear(0xFFFFFFFF);
    engine->Gfx_RenderLine(0, 0, 800, 600);
    engine->Gfx_EndScene();
    EXPECT_EQ(snapshot().at(400, 300), (Rgb{1, 2, 3}));
    EXPECT_FALSE(engine->Gfx_BeginScene(7)) << "render targets are not offered";
}

// ---- Textures -------------------------------------------------------------------------------

class DesktopTextures : public DesktopEngine {
protected:
    // A 2 x 2 picture: opaque red, transparent green, opaque blue, half-transparent white.
    static Pixels fourTexels() {
        return Pixels{2, 2, {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255, 255, 128}};
    }
};

TEST_F(DesktopTextures, PngAndTgaKeepTheirAlpha) {
    const Pixels p = fourTexels();
    ASSERT_TRUE(stbi_write_png("four.png", 2, 2, 4, p.rgba.data(), 8));
    ASSERT_TRUE(stbi_write_tga("four.tga", 2, 2, 4, p.rgba.data()));
    for (const char* name : {"four.png", "four.tga"}) {
        const HTexture tex = engine->Texture_Load(name);
        ASSERT_NE(tex, 0u) << name;
        EXPECT_EQ(engine->Texture_GetWidth(tex), 2);
        EXPECT_EQ(engine->Texture_GetHeight(tex), 2);
        const Picture shot = draw(argb(255, 0, 0, 0), [&] {
            const Quad q = quadAt(10, 10, 2, 2, tex);
            engine->Gfx_RenderQuad(&q);
        });
        EXPECT_EQ(shot.at(10, 10), (Rgb{255, 0, 0})) << name;
        EXPECT_EQ(shot.at(11, 10), (Rgb{0, 0, 0})) << name << ": transparent texel";
        EXPECT_EQ(shot.at(10, 11), (Rgb{0, 0, 255})) << name;
        expectNear(shot.at(11, 11), {128, 128, 128}, 1, std::string(name) + ": half-transparent texel");
        engine->Texture_Free(tex);
    }
}

TEST_F(DesktopTextures, SameNameSharesOneCountedTexture) {
    const Pixels p = fourTexels();
    ASSERT_TRUE(stbi_write_png("shared.png", 2, 2, 4, p.rgba.data(), 8));
    const HTexture first = engine->Texture_Load("shared.png");
    ASSERT_NE(first, 0u);
    EXPECT_EQ(engine->Texture_Load("shared.png"), first);
    EXPECT_EQ(engine->Texture_Load(".\\shared.png"), engine->Texture_Load("./shared.png"))
        << "backslashes name the same file";
    engine->Texture_Free(engine->Texture_Load(".\\shared.png"));
    engine->Texture_Free(engine->Texture_Load(".\\shared.png"));

    engine->Texture_Free(first);
    EXPECT_EQ(engine->Texture_GetWidth(first), 2) << "one reference is left";
    engine->Texture_Free(first);
    EXPECT_EQ(engine->Texture_GetWidth(first), 0) << "freed with its last reference";
    engine->Texture_Free(first);  // stale: nothing happens

    const HTexture again = engine->Texture_Load("shared.png");
    ASSERT_NE(again, 0u);
    EXPECT_NE(again, first) << "a new handle, so the stale one stays stale";
    EXPECT_EQ(engine->Texture_GetWidth(first), 0);
    EXPECT_EQ(engine->Texture_GetWidth(again), 2);
    engine->Texture_Free(again);
}

TEST_F(DesktopTextures, MipmappedPicturesLoadAndDraw) {
    const std::vector<unsigned char> png = encodePng(solid(64, 64, 0, 128, 255, 255));
    const HTexture mip = engine->Texture_Load(reinterpret_cast<const char*>(png.data()),
                                              static_cast<std::uint32_t>(png.size()), true);
    ASSERT_NE(mip, 0u);
    const Picture p = draw(0, [&] {
        const Quad small = quadAt(10, 10, 8, 8, mip);  // an eighth: drawn from a smaller level
        engine->Gfx_RenderQuad(&small);
    });
    EXPECT_EQ(p.at(14, 14), (Rgb{0, 128, 255}));
}

TEST_F(DesktopTextures, BadPicturesGiveZeroAndALogLine) {
    {
        std::FILE* f = std::fopen("corrupt.png", "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("\x89PNG\r\n\x1a\n but nothing after the signature", f);
        std::fclose(f);
    }
    const std::vector<unsigned char> png = encodePng(gradient16());
    const std::vector<unsigned char> truncated(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    struct Case {
        const char* what;
        std::function<HTexture()> load;
        const char* logged;
    };
    const Case cases[] = {
        {"missing file", [&] { return engine->Texture_Load("no-such-picture.png"); }, "no-such-picture.png"},
        {"corrupt file", [&] { return engine->Texture_Load("corrupt.png"); }, "corrupt.png"},
        {"truncated bytes in memory",
         [&] {
             return engine->Texture_Load(reinterpret_cast<const char*>(truncated.data()),
                                         static_cast<std::uint32_t>(truncated.size()));
         },
         "memory"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const HTexture tex = c.load();
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(tex, 0u) << c.what;
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.what << " logged: " << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << c.what << ": one line";
    }
    // Handle 0 and made-up handles are ignored.
    engine->Texture_Free(0);
    engine->Texture_Free(0xDEADBEEF);
    EXPECT_EQ(engine->Texture_GetWidth(0), 0);
    EXPECT_EQ(engine->Texture_GetHeight(0xDEADBEEF), 0);
    EXPECT_EQ(engine->Texture_Load(nullptr), 0u);
}

// ---- Input ----------------------------------------------------------------------------------

void pushKey(SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    SDL_PushEvent(&e);
}

void pushButton(Uint8 button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
}

void pushMotion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
}

void pushWheel(int notches, bool flipped) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = notches;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
}

void pushWindowEvent(SDL_WindowEventID what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    SDL_PushEvent(&e);
}

TEST_F(DesktopEngine, KeysAreHeldBetweenDownAndUp) {
    struct Case {
        SDL_Scancode code;
        int key;
    };
    const Case cases[] = {
        {SDL_SCANCODE_SPACE, KEY_SPACE},
        {SDL_SCANCODE_RETURN, KEY_ENTER},
        {SDL_SCANCODE_KP_ENTER, KEY_ENTER},
        {SDL_SCANCODE_ESCAPE, KEY_ESCAPE},
        {SDL_SCANCODE_UP, KEY_UP},
        {SDL_SCANCODE_DOWN, KEY_DOWN},
        {SDL_SCANCODE_P, KEY_P},
        {SDL_SCANCODE_A, 'A'},
        {SDL_SCANCODE_Z, 'Z'},
        {SDL_SCANCODE_0, '0'},
        {SDL_SCANCODE_9, '9'},
        {SDL_SCANCODE_EQUALS, KEY_EQUALS},
        {SDL_SCANCODE_MINUS, KEY_MINUS},
        {SDL_SCANCODE_KP_PLUS, KEY_ADD},
        {SDL_SCANCODE_KP_MINUS, KEY_SUBTRACT},
        {SDL_SCANCODE_LEFT, KEY_LEFT},
        {SDL_SCANCODE_RIGHT, KEY_RIGHT},
        {SDL_SCANCODE_LSHIFT, KEY_SHIFT},
    };
    for (const Case& c : cases) {
        pushKey(c.code, true);
        bool held = false, othersHeld = false;
        runOneFrame([&] {
            held = engine->Input_GetKeyState(c.key);
            othersHeld = engine->Input_GetKeyState(c.key == KEY_SPACE ? KEY_ENTER : KEY_SPACE);
        });
        EXPECT_TRUE(held) << "key " << c.key;
        EXPECT_FALSE(othersHeld) << "key " << c.key;
        runOneFrame([&] { held = engine->Input_GetKeyState(c.key); });
        EXPECT_TRUE(held) << "still held a frame later: key " << c.key;
        pushKey(c.code, false);
        runOneFrame([&] { held = engine->Input_GetKeyState(c.key); });
        EXPECT_FALSE(held) << "released: key " << c.key;
    }
    for (int key : {-1, 0, 256, 100000}) EXPECT_FALSE(engine->Input_GetKeyState(key)) << key;
}

// A tap that goes down and up between two frames is seen for one frame, so the game's
// latched keys and clicks do not lose it when frames are slow.
TEST_F(DesktopEngine, TapShorterThanAFrameReadsAsHeldForOneFrame) {
    pushKey(SDL_SCANCODE_RETURN, true);
    pushKey(SDL_SCANCODE_RETURN, false);
    pushButton(SDL_BUTTON_LEFT, true, 10, 10);
    pushButton(SDL_BUTTON_LEFT, false, 10, 10);
    bool enter = false, left = false;
    runOneFrame([&] {
        enter = engine->Input_GetKeyState(KEY_ENTER);
        left = engine->Input_GetKeyState(KEY_LBUTTON);
    });
    EXPECT_TRUE(enter);
    EXPECT_TRUE(left);
    runOneFrame([&] {
        enter = engine->Input_GetKeyState(KEY_ENTER);
        left = engine->Input_GetKeyState(KEY_LBUTTON);
    });
    EXPECT_FALSE(enter) << "released by the next frame";
    EXPECT_FALSE(left) << "released by the next frame";
}

TEST_F(DesktopEngine, MouseButtonsPositionAndFocusLoss) {
    pushMotion(123, 456);
    pushButton(SDL_BUTTON_LEFT, true, 130, 460);
    pushButton(SDL_BUTTON_RIGHT, true, 130, 460);
    pushButton(SDL_BUTTON_MIDDLE, true, 130, 460);
    pushKey(SDL_SCANCODE_UP, true);
    bool left = false, right = false, middle = false, up = false;
    float x = -1, y = -1;
    runOneFrame([&] {
        left = engine->Input_GetKeyState(KEY_LBUTTON);
        right = engine->Input_GetKeyState(KEY_RBUTTON);
        middle = engine->Input_GetKeyState(KEY_MBUTTON);
        engine->Input_GetMousePos(&x, &y);
    });
    EXPECT_TRUE(left);
    EXPECT_TRUE(right);
    EXPECT_TRUE(middle);
    EXPECT_EQ(x, 130.0f);
    EXPECT_EQ(y, 460.0f);

    pushButton(SDL_BUTTON_RIGHT, false, 130, 460);
    runOneFrame([&] {
        left = engine->Input_GetKeyState(KEY_LBUTTON);
        right = engine->Input_GetKeyState(KEY_RBUTTON);
    });
    EXPECT_TRUE(left);
    EXPECT_FALSE(right);

    // Releases that happen in another window never arrive: losing the focus lets go of all.
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    runOneFrame([&] {
        left = engine->Input_GetKeyState(KEY_LBUTTON);
        middle = engine->Input_GetKeyState(KEY_MBUTTON);
        up = engine->Input_GetKeyState(KEY_UP);
    });
    EXPECT_FALSE(left);
    EXPECT_FALSE(middle);
    EXPECT_FALSE(up);
}

TEST_F(DesktopEngine, SetMousePosIsReadBackExactly) {
    float x = -1, y = -1;
    engine->Input_SetMousePos(123.25f, 456.5f);
    engine->Input_GetMousePos(&x, &y);
    EXPECT_EQ(x, 123.25f);
    EXPECT_EQ(y, 456.5f);
    // The pointer's own motion to the warped place does not round the position.
    runOneFrame([&] { engine->Input_GetMousePos(&x, &y); });
    EXPECT_EQ(x, 123.25f);
    EXPECT_EQ(y, 456.5f);
    engine->Input_SetMousePos(-50.0f, 9000.0f);
    engine->Input_GetMousePos(&x, &y);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 600.0f);
    engine->Input_SetMousePos(std::numeric_limits<float>::quiet_NaN(), 10.0f);
    engine->Input_GetMousePos(&x, &y);
    EXPECT_EQ(x, 0.0f) << "not a number is ignored";
    engine->Input_GetMousePos(nullptr, nullptr);
}

TEST_F(DesktopEngine, WheelCountsNotchesOfTheCurrentFrame) {
    struct Case {
        std::vector<std::pair<int, bool>> events;  // notches, flipped
        int expected;
    };
    const Case cases[] = {
        {{{1, false}}, 1}, {{{1, false}, {2, false}}, 3},  {{{-1, false}}, -1},
        {{{1, true}}, -1}, {{{2, false}, {-2, false}}, 0}, {{}, 0},
    };
    for (const Case& c : cases) {
        for (auto [notches, flipped] : c.events) pushWheel(notches, flipped);
        int wheel = 99;
        runOneFrame([&] { wheel = engine->Input_GetMouseWheel(); });
        EXPECT_EQ(wheel, c.expected);
    }
}

// A window wider than the picture: the picture is centred with bars at both sides.
class DesktopLetterbox : public DesktopEngine {
protected:
    void configure() override {
        engine->System_SetState(STATE_SCREENWIDTH, 1000);
        engine->System_SetState(STATE_SCREENHEIGHT, 600);
    }
};

TEST_F(DesktopLetterbox, MouseIsMappedIntoThePicture) {
    struct Case {
        int windowX, windowY;
        float x, y;
    };
    const Case cases[] = {
        {100, 0, 0, 0}, {500, 300, 400, 300}, {899, 599, 799, 599}, {20, 10, 0, 10}, {990, 10, 800, 10}};
    for (const Case& c : cases) {
        pushMotion(c.windowX, c.windowY);
        float x = -1, y = -1;
        runOneFrame([&] { engine->Input_GetMousePos(&x, &y); });
        EXPECT_EQ(x, c.x) << c.windowX;
        EXPECT_EQ(y, c.y) << c.windowY;
    }
    const Picture p = draw(argb(255, 9, 8, 7), [] {});
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.height, 600);
    EXPECT_EQ(p.at(0, 0), (Rgb{9, 8, 7}));
}

// Full screen on the offscreen driver's 1024 x 768 desktop.
class DesktopFullScreen : public DesktopEngine {
protected:
    void configure() override { engine->System_SetState(STATE_WINDOWED, false); }
};

TEST_F(DesktopFullScreen, PictureScalesAndMouseMapsBack) {
    pushMotion(512, 384);
    float x = -1, y = -1;
    runOneFrame([&] { engine->Input_GetMousePos(&x, &y); });
    EXPECT_FLOAT_EQ(x, 400.0f);
    EXPECT_FLOAT_EQ(y, 300.0f);
    pushMotion(1023, 767);
    runOneFrame([&] { engine->Input_GetMousePos(&x, &y); });
    EXPECT_FLOAT_EQ(x, 1023 / 1.28f);
    EXPECT_FLOAT_EQ(y, 767 / 1.28f);
    const Picture p = draw(argb(255, 1, 2, 3), [] {});
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.at(799, 599), (Rgb{1, 2, 3}));
}

// ---- Frame loop and timing ------------------------------------------------------------------

TEST_F(DesktopEngine, FrameCapNeverReportsAShorterFrame) {
    engine->System_SetState(STATE_FPS, 100);
    std::vector<float> deltas;
    int renders = 0;
    renderBody = [&] { ++renders; };
    frameBody = [&] {
        deltas.push_back(engine->Timer_GetDelta());
        return deltas.size() == 50;
    };
    EXPECT_TRUE(engine->System_Start());
    ASSERT_EQ(deltas.size(), 50u);
    EXPECT_EQ(renders, 49) << "no render after the frame that ends the loop";
    for (float dt : deltas) EXPECT_GE(dt, 0.01f);
    EXPECT_GT(engine->Timer_GetTime(), 0.49f);
}

TEST_F(DesktopEngine, ClosingTheWindowEndsTheLoop) {
    int frames = 0, renders = 0;
    renderBody = [&] { ++renders; };
    frameBody = [&] {
        if (++frames == 3) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
        return false;
    };
    EXPECT_TRUE(engine->System_Start());
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(renders, 3);
}

// ---- Lifetime -------------------------------------------------------------------------------

TEST(DesktopLifetime, OneCountedEngineTornDownByTheLastRelease) {
    EXPECT_EQ(hgeCreate(0x150), nullptr);
    Engine* first = hgeCreate(ENGINE_VERSION);
    Engine* second = hgeCreate(ENGINE_VERSION);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);

    testing::internal::CaptureStderr();
    EXPECT_EQ(first->Texture_Load("anything.png"), 0u);
    EXPECT_FALSE(first->System_Start());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not initiated"), std::string::npos);

    first->System_SetState(STATE_WINDOWED, true);
    ASSERT_TRUE(first->System_Initiate());
    const std::vector<unsigned char> png = encodePng(solid(2, 2, 1, 2, 3, 255));
    const HTexture tex = first->Texture_Load(reinterpret_cast<const char*>(png.data()),
                                             static_cast<std::uint32_t>(png.size()));
    ASSERT_NE(tex, 0u);

    first->Release();
    EXPECT_EQ(second->Texture_GetWidth(tex), 2) << "one reference still holds the engine";
    second->System_Shutdown();
    second->System_Shutdown();
    EXPECT_EQ(second->Texture_GetWidth(tex), 0) << "shutdown frees the textures";
    second->Texture_Free(tex);
    EXPECT_FALSE(second->System_Snapshot("after-shutdown.png"));
    second->Release();
    second->System_Shutdown();  // after the last release: still harmless
    second->Release();          // one too many: ignored

    // A new engine starts from scratch.
    Engine* again = hgeCreate(ENGINE_VERSION);
    EXPECT_FALSE(again->System_GetState(STATE_WINDOWED));
    EXPECT_EQ(again->System_GetState(STATE_FPS), 0);
    again->System_SetState(STATE_WINDOWED, true);
    EXPECT_TRUE(again->System_Initiate());
    EXPECT_EQ(again->Texture_GetWidth(tex), 0);
    again->Release();
}

TEST(DesktopLifetime, NoDisplayEndsInitiationWithAReason) {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = driver ? driver : "";
    Engine* engine = hgeCreate(ENGINE_VERSION);
    for (const char* wanted : {"x11", ""}) {
        if (*wanted)
            setenv("SDL_VIDEODRIVER", wanted, 1);
        else
            unsetenv("SDL_VIDEODRIVER");
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        testing::internal::CaptureStderr();
        EXPECT_FALSE(engine->System_Initiate()) << "driver '" << wanted << "'";
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("no display"), std::string::npos) << log;
        EXPECT_FALSE(engine->Input_GetKeyState(KEY_SPACE));
    }
    setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    engine->System_Shutdown();
    engine->Release();
}

// Before the window exists, keys come from the X server: a virtual one here, with keys
// pressed through the XTEST extension by xdotool.
class XServer {
public:
    XServer() {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        char* const argv[] = {const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"),
                              const_cast<char*>("3"),    const_cast<char*>("-nolisten"),
                              const_cast<char*>("tcp"),  nullptr};
        const bool spawned = posix_spawn(&pid_, "/usr/bin/Xvfb", &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (!spawned) pid_ = 0;
        // The server writes its display number and a line break once it accepts clients.
        std::string number;
        char c = 0;
        while (pid_ && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        if (!number.empty()) display_ = ":" + number;
        close(fds[0]);
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
};

TEST(DesktopKeysBeforeTheWindow, ComeFromTheXServer) {
    if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool (scripts/packages-test.txt)";
    XServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
    setenv("DISPLAY", server.display().c_str(), 1);
    Engine* engine = hgeCreate(ENGINE_VERSION);
    struct Case {
        const char* xdotool;  // key name or mouse button
        bool mouse;
        int key;
    };
    const Case cases[] = {
        {"space", false, KEY_SPACE}, {"Return", false, KEY_ENTER}, {"Escape", false, KEY_ESCAPE},
        {"Up", false, KEY_UP},       {"equal", false, KEY_EQUALS}, {"minus", false, KEY_MINUS},
        {"p", false, KEY_P},         {"KP_Add", false, KEY_ADD},   {"1", true, KEY_LBUTTON},
        {"3", true, KEY_RBUTTON},
    };
    const auto xdotool = [](const std::string& what) {
        return std::system(("xdotool " + what + " >/dev/null 2>&1").c_str()) == 0;
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(engine->Input_GetKeyState(c.key)) << c.xdotool << " before";
        ASSERT_TRUE(xdotool(std::string(c.mouse ? "mousedown " : "keydown ") + c.xdotool));
        EXPECT_TRUE(engine->Input_GetKeyState(c.key)) << c.xdotool << " held";
        EXPECT_FALSE(engine->Input_GetKeyState(c.key == KEY_SPACE ? KEY_ENTER : KEY_SPACE)) << c.xdotool;
        ASSERT_TRUE(xdotool(std::string(c.mouse ? "mouseup " : "keyup ") + c.xdotool));
        EXPECT_FALSE(engine->Input_GetKeyState(c.key)) << c.xdotool << " released";
    }
    engine->Release();
    unsetenv("DISPLAY");
}

TEST(DesktopRandom, SeededSequencesRepeat) {
    Engine* engine = hgeCreate(ENGINE_VERSION);
    engine->Random_Seed(1234);
    std::vector<float> first;
    for (int i = 0; i < 20; ++i) first.push_back(engine->Random_Float(-2.0f, 3.0f));
    engine->Random_Seed(1234);
    for (float f : first) {
        const float again = engine->Random_Float(-2.0f, 3.0f);
        EXPECT_EQ(again, f);
        EXPECT_GE(again, -2.0f);
        EXPECT_LE(again, 3.0f);
    }
    for (int i = 0; i < 100; ++i) {
        const int n = engine->Random_Int(5, 7);
        EXPECT_GE(n, 5);
        EXPECT_LE(n, 7);
    }
    engine->Release();
}

TEST(DesktopLog, PrintfStyleOneLine) {
    Engine* engine = hgeCreate(ENGINE_VERSION);
    testing::internal::CaptureStderr();
    engine->System_Log("Font %s has incorrect format.", "font1.fnt");
    engine->System_Log("two\nlines %d\n", 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Font font1.fnt has incorrect format.\ntwo lines 2\n");
    engine->Release();
}

}  // namespace
