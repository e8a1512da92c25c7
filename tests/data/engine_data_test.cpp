// The generated Data.dat through the desktop engine, offscreen and without a sound card:
// every file the game names loads from the pack (and nothing loads without it), and a menu
// frame composed from the real pictures and font reads as it should.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"
#include "gfx/bitmap_font.h"

namespace {

class DataThroughTheEngine : public ::testing::Test {
protected:
    void SetUp() override {
        engine = hgeCreate(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        engine->System_SetState(STATE_WINDOWED, true);
        engine->System_SetState(STATE_TITLE, "Velkaro data test");
        ASSERT_TRUE(engine->System_Initiate());
    }
    void TearDown() override { engine->Release(); }
    Engine* engine = nullptr;
};

// The names as the game writes them.
const struct {
    const char* name;
    int width, height;
    bool mipmap;
} pictures[] = {
    {"Stars.tga", 1024, 1024, true},
    {"Black.tga", 800, 600, true},
    {"Texture\\MenuBG.tga", 800, 600, false},
    {"Texture\\InstructBG.tga", 800, 600, false},
    {"Texture\\Planet.png", 256, 64, false},
    {"particles.png", 64, 64, false},
    {"Ouch.png", 64, 16, false},
    {"Texture\\Cursor.png", 16, 16, false},
    {"myFont.png", 512, 512, false},
};
const char* const effects[] = {"Media\\Increase.mp3", "Media\\MenuSelect.mp3", "Media\\Navigate.mp3",
                               "Media\\Select.mp3",   "Media\\Deselect.mp3",   "Media\\Move.mp3",
                               "Media\\Explode.mp3"};
const char* const streams[] = {"Media\\VelkaroPlay.mp3", "Media\\Menu.mp3", "Media\\Instruct.mp3"};

TEST_F(DataThroughTheEngine, NothingLoadsWithoutThePack) {
    for (const auto& p : pictures) EXPECT_EQ(engine->Texture_Load(p.name, 0, p.mipmap), 0u) << p.name;
    for (const char* e : effects) EXPECT_EQ(engine->Effect_Load(e), 0u) << e;
    for (const char* s : streams) EXPECT_EQ(engine->Stream_Load(s), 0u) << s;
    EXPECT_EQ(engine->Resource_Load("myFont.fnt"), nullptr);
}

TEST_F(DataThroughTheEngine, EveryFileLoadsFromThePack) {
    ASSERT_TRUE(engine->Resource_AttachPack(VELKARO_DATA_PACK));
    for (const auto& p : pictures) {
        const HTexture texture = engine->Texture_Load(p.name, 0, p.mipmap);
        ASSERT_NE(texture, 0u) << p.name;
        EXPECT_EQ(engine->Texture_GetWidth(texture, true), p.width) << p.name;
        EXPECT_EQ(engine->Texture_GetHeight(texture, true), p.height) << p.name;
    }
    for (const char* e : effects) EXPECT_NE(engine->Effect_Load(e), 0u) << e;
    for (const char* s : streams) EXPECT_NE(engine->Stream_Load(s), 0u) << s;
    for (const char* preset : {"particle1.psi", "Boom3.psi"}) {
        std::uint32_t size = 0;
        void* block = engine->Resource_Load(preset, &size);
        ASSERT_NE(block, nullptr) << preset;
        EXPECT_EQ(size, 128u) << preset;
        engine->Resource_Free(block);
    }
}

Quad screenQuad(HTexture texture, float w, float h) {
    Quad q{};
    q.v[0] = {0, 0, 0, 0xFFFFFFFF, 0, 0};
    q.v[1] = {w, 0, 0, 0xFFFFFFFF, 1, 0};
    q.v[2] = {w, h, 0, 0xFFFFFFFF, 1, 1};
    q.v[3] = {0, h, 0, 0xFFFFFFFF, 0, 1};
    q.tex = texture;
    q.blend = BLEND_DEFAULT;
    return q;
}

struct Frame {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

TEST_F(DataThroughTheEngine, MenuFrameShowsTitleAndLegibleItems) {
    ASSERT_TRUE(engine->Resource_AttachPack(VELKARO_DATA_PACK));
    Quad stars = screenQuad(engine->Texture_Load("Stars.tga", 0, true), 1024, 1024);
    const Quad overlay = screenQuad(engine->Texture_Load("Black.tga", 0, true), 800, 600);
    const Quad background = screenQuad(engine->Texture_Load("Texture\\MenuBG.tga"), 800, 600);
    BitmapFont font("myFont.fnt");
    font.scale = 0.5f;
    // The stars as they stand after a few seconds of scrolling.
    for (Vertex& v : stars.v) {
        v.tx += 0.15f;
        v.ty -= 0.12f;
    }
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0);
    engine->Gfx_RenderQuad(&stars);
    engine->Gfx_RenderQuad(&overlay);
    engine->Gfx_RenderQuad(&background);
    const char* items[] = {"Start Game", "Instructions", "Exit"};
    for (int i = 0; i < 3; ++i) {
        font.setColor(i == 0 ? 0xFF00C8FF : 0x9600C8FF);
        font.printf(400, 440.0f + 50 * i, 2, "%s", items[i]);
    }
    engine->Gfx_EndScene();
    // Kept beside the test for looking at.
    ASSERT_TRUE(engine->System_Snapshot("menu_frame.png"));

    Frame frame;
    int channels = 0;
    unsigned char* data = stbi_load("menu_frame.png", &frame.width, &frame.height, &channels, 3);
    ASSERT_NE(data, nullptr);
    frame.rgb.assign(data, data + static_cast<size_t>(frame.width) * frame.height * 3);
    stbi_image_free(data);
    ASSERT_EQ(frame.width, 800);

    // Each item shows cyan letters (the dimmed ones too) on a dark ground.
    for (int i = 0; i < 3; ++i) {
        int cyan = 0, dark = 0, total = 0;
        const int top = 440 + 50 * i;
        for (int y = top; y < top + 24; ++y)
            for (int x = 330; x < 470; ++x) {
                const unsigned char* p = frame.at(x, y);
                cyan += p[2] > 100 && p[2] > p[0] + 60 && p[1] > 60;
                dark += p[0] + p[1] + p[2] < 90;
                ++total;
            }
        EXPECT_GT(cyan, 40) << items[i];
        EXPECT_GT(dark, total / 2) << items[i];
    }
    // The title is bright above them.
    int bright = 0;
    for (int y = 60; y < 200; ++y)
        for (int x = 60; x < 740; ++x) bright += frame.at(x, y)[0] > 200 && frame.at(x, y)[2] > 200;
    EXPECT_GT(bright, 2000);
}

}  // namespace
