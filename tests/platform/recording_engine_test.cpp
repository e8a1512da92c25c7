// The recording engine is what every unit test stands on: check that it records what it
// is given and answers from its script.
#include <gtest/gtest.h>

#include "recording.h"
#include "services.h"

namespace {

class RecordingEngine : public ::testing::Test {
protected:
    void SetUp() override {
        rec::reset();
        engine = hgeCreate(ENGINE_VERSION);
    }
    void TearDown() override {
        if (engine) engine->Release();
    }
    Engine* engine = nullptr;
};

TEST_F(RecordingEngine, CountsReferencesToTheOneEngine) {
    const int before = rec::references();
    Engine* second = hgeCreate(ENGINE_VERSION);
    EXPECT_EQ(second, engine);
    EXPECT_EQ(rec::references(), before + 1);
    second->Release();
    EXPECT_EQ(rec::references(), before);
    EXPECT_EQ(hgeCreate(0x150), nullptr);
}

TEST_F(RecordingEngine, RecordsDrawingInOrder) {
    Quad q{};
    q.tex = 7;
    q.blend = BLEND_DEFAULT;
    engine->Gfx_BeginScene();
    engine->Gfx_Clear(0);
    engine->Gfx_RenderQuad(&q);
    engine->Gfx_RenderLine(1, 2, 3, 4, 0xFF00FF00, 0.5f);
    engine->Gfx_EndScene();
    const auto& d = rec::draws();
    ASSERT_EQ(d.size(), 5u);
    EXPECT_EQ(d[0].kind, rec::Draw::BeginScene);
    EXPECT_EQ(d[2].kind, rec::Draw::QuadDraw);
    EXPECT_EQ(d[2].quad.tex, 7u);
    ASSERT_EQ(rec::lines().size(), 1u);
    EXPECT_EQ(rec::lines()[0].color, 0xFF00FF00u);
    EXPECT_EQ(d[4].kind, rec::Draw::EndScene);
}

TEST_F(RecordingEngine, SoundsOnMissingFilesGiveZeroAndPlayNothing) {
    EXPECT_EQ(engine->Effect_Load("no such.mp3"), 0u);
    EXPECT_EQ(engine->Effect_PlayEx(0, 50), 0u);
    rec::addSound("Media\\Select.mp3");
    const HEffect fx = engine->Effect_Load("Media\\Select.mp3");
    ASSERT_NE(fx, 0u);
    EXPECT_EQ(engine->Effect_Load("Media/Select.mp3"), fx) << "the same name is served from the cache";
    const HChannel ch = engine->Effect_PlayEx(fx, 75, 0, 2.0f, true);
    ASSERT_NE(ch, 0u);
    engine->Channel_Pause(ch);
    const rec::ChannelState c = rec::channel(ch);
    EXPECT_EQ(c.volume, 75);
    EXPECT_FLOAT_EQ(c.pitch, 2.0f);
    EXPECT_TRUE(c.loop);
    EXPECT_TRUE(c.paused);
    ASSERT_EQ(rec::sounds("Effect_PlayEx").size(), 2u);
    EXPECT_EQ(rec::sounds("Effect_PlayEx")[0].result, 0u);
}

TEST_F(RecordingEngine, ScriptedTimeRandomAndInput) {
    rec::queueFrameTimes({0.02f, 0.03f});
    rec::queueRandomFloats({0.25f});
    rec::setKey(KEY_SPACE, true);
    rec::setMouse(10, 20);
    EXPECT_FLOAT_EQ(engine->Timer_GetDelta(), 0.02f);
    EXPECT_FLOAT_EQ(engine->Timer_GetDelta(), 0.03f);
    EXPECT_FLOAT_EQ(engine->Timer_GetDelta(), 0.03f);
    EXPECT_FLOAT_EQ(engine->Random_Float(0, 1), 0.25f);
    const float r = engine->Random_Float(2, 3);
    EXPECT_GE(r, 2.0f);
    EXPECT_LE(r, 3.0f);
    EXPECT_TRUE(engine->Input_GetKeyState(KEY_SPACE));
    EXPECT_FALSE(engine->Input_GetKeyState(KEY_ENTER));
    float x = 0, y = 0;
    engine->Input_GetMousePos(&x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
}

TEST_F(RecordingEngine, FixtureFilesAndTexturesLoadWithBackslashNames) {
    rec::addFile("Folder/a.txt", {'h', 'i'});
    std::uint32_t size = 0;
    void* block = engine->Resource_Load("Folder\\a.txt", &size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(static_cast<char*>(block)[2], '\0');
    engine->Resource_Free(block);
    EXPECT_EQ(engine->Resource_Load("missing.txt"), nullptr);
    rec::addTexture("Texture\\Planet.png", 256, 64);
    const HTexture t = engine->Texture_Load("Texture\\Planet.png", 0, false);
    EXPECT_EQ(engine->Texture_GetWidth(t), 256);
    EXPECT_EQ(engine->Texture_GetHeight(t), 64);
    EXPECT_EQ(engine->Texture_GetWidth(0), 0);
}

TEST(GameRandom, YieldsFifteenBitValuesReproducibly) {
    platform::srand(1234);
    int first[8];
    for (int& v : first) v = platform::rand();
    platform::srand(1234);
    for (int v : first) {
        EXPECT_EQ(platform::rand(), v);
        EXPECT_GE(v, 0);
        EXPECT_LE(v, platform::RAND_LIMIT);
    }
    int maxSeen = 0;
    for (int i = 0; i < 100000; ++i) maxSeen = std::max(maxSeen, platform::rand());
    EXPECT_GT(maxSeen, 32000) << "covers the whole range";
}

}  // namespace

namespace {

TEST(RecordingEngineFiles, FixturesOnlyWhenRealFilesAreOff) {
    rec::reset();
    Engine* engine = hgeCreate(ENGINE_VERSION);
    rec::addFile("only/fixture.txt", {'x'});
    rec::setRealFiles(false);
    void* fixture = engine->Resource_Load("only\\fixture.txt");
    EXPECT_NE(fixture, nullptr);
    engine->Resource_Free(fixture);
    EXPECT_EQ(engine->Resource_Load("recording_engine_test.cpp"), nullptr);
    rec::reset();  // back on
    void* real = engine->Resource_Load("recording_engine_test.cpp");
    EXPECT_NE(real, nullptr);
    engine->Resource_Free(real);
    engine->Release();
}

}  // namespace
