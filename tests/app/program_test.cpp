// The program entry on the recording engine: engine set-up, the frame loop, the star
// backdrop and shutdown.
#include "app/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>

#include "app/backdrop.h"
#include "game/game.h"
#include "game_fixtures.h"
#include "recording.h"

namespace {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec::reset();
        fixtures::addGameAssets();
        game = std::make_unique<Game>();
    }
    void TearDown() override {
        rec::setFrameHook(nullptr, nullptr);
        game.reset();
    }
    void restart() {
        TearDown();
        SetUp();
    }

    std::unique_ptr<Game> game;
};

const std::vector<std::string> kEngineStates = {
    "System_SetState(10, func)", "System_SetState(11, func)", "System_SetState(30, Velkaro)",
    "System_SetState(23, 100)",  "System_SetState(20, 800)",  "System_SetState(21, 600)",
    "System_SetState(22, 32)",   "System_SetState(25, 1)",
};

TEST_F(ProgramTest, SetsTheEngineUpInOrderAndRunsTheGame) {
    for (bool spaceHeld : {false, true}) {
        restart();
        rec::setKey(KEY_SPACE, spaceHeld);
        rec::setMaxFrames(3);

        EXPECT_EQ(app::run(*game), 0);

        auto expected = kEngineStates;
        expected.push_back(spaceHeld ? "System_SetState(1, 1)" : "System_SetState(1, 0)");
        expected.push_back("System_Initiate");
        expected.push_back("Resource_AttachPack(Data.dat)");
        const auto calls = rec::calls();
        ASSERT_GE(calls.size(), expected.size() + 2);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), calls.begin())) << "space " << spaceHeld;
        // The backdrop's two pictures are the only ones with mipmaps, loaded before the Game's.
        EXPECT_EQ(calls[expected.size()].rfind("Texture_Load(Black.tga, 0, 1) =", 0), 0u)
            << calls[expected.size()];
        EXPECT_EQ(calls[expected.size() + 1].rfind("Texture_Load(Stars.tga, 0, 1) =", 0), 0u);
        for (std::size_t i = expected.size() + 2; i < calls.size(); ++i)
            EXPECT_EQ(calls[i].find(", 0, 1) ="), std::string::npos) << calls[i];

        EXPECT_EQ(rec::boolState(STATE_WINDOWED), spaceHeld);
        EXPECT_EQ(rec::title(), "Velkaro");
        EXPECT_TRUE(game->assetsLoaded);
        EXPECT_EQ(rec::framesRun(), 3);
        EXPECT_EQ(calls.back(), "System_Shutdown");
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "System_Start"), 1);
        // The entry gave its reference back: the Game's teardown releases the last ones.
        game.reset();
        EXPECT_EQ(rec::references(), 0);
    }
}

TEST_F(ProgramTest, SpaceLaterHasNoEffectOnTheWindow) {
    rec::setMaxFrames(5);
    rec::setFrameHook([](long frame, void*) { rec::setKey(KEY_SPACE, frame >= 1); }, nullptr);
    app::run(*game);
    EXPECT_FALSE(rec::boolState(STATE_WINDOWED));
}

TEST_F(ProgramTest, FailedInitiationSkipsEverythingButShutdown) {
    rec::setInitiateResult(false);
    const int references = rec::references();
    EXPECT_EQ(app::run(*game), 0);

    auto expected = kEngineStates;
    expected.push_back("System_SetState(1, 0)");
    expected.push_back("System_Initiate");
    expected.push_back("System_Shutdown");
    EXPECT_EQ(rec::calls(), expected);
    EXPECT_TRUE(rec::draws().empty());
    EXPECT_TRUE(rec::sounds().empty());
    EXPECT_FALSE(game->assetsLoaded);
    EXPECT_EQ(game->sun, nullptr);
    EXPECT_EQ(rec::references(), references);
}

TEST_F(ProgramTest, EachFrameDrawsTheBackdropUnderTheGame) {
    rec::setMaxFrames(2);
    app::run(*game);
    const auto& draws = rec::draws();
    ASSERT_GE(draws.size(), 5u);
    EXPECT_EQ(draws[0].kind, rec::Draw::BeginScene);
    EXPECT_EQ(draws[1].kind, rec::Draw::Clear);
    EXPECT_EQ(draws[1].color, 0u);
    ASSERT_EQ(draws[2].kind, rec::Draw::QuadDraw);
    ASSERT_EQ(draws[3].kind, rec::Draw::QuadDraw);
    EXPECT_EQ(draws.back().kind, rec::Draw::EndScene);
    EXPECT_EQ(std::count_if(draws.begin(), draws.end(),
                            [](const rec::Draw& d) { return d.kind == rec::Draw::EndScene; }),
              2);

    const Quad& stars = draws[2].quad;
    const Quad& overlay = draws[3].quad;
    const float starCorners[4][2] = {{0, 0}, {1024, 0}, {1024, 1024}, {0, 1024}};
    const float overlayCorners[4][2] = {{0, 0}, {800, 0}, {800, 600}, {0, 600}};
    const float texCorners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(stars.v[i].x, starCorners[i][0]);
        EXPECT_EQ(stars.v[i].y, starCorners[i][1]);
        EXPECT_EQ(overlay.v[i].x, overlayCorners[i][0]);
        EXPECT_EQ(overlay.v[i].y, overlayCorners[i][1]);
        EXPECT_EQ(overlay.v[i].tx, texCorners[i][0]);
        EXPECT_EQ(overlay.v[i].ty, texCorners[i][1]);
        for (const Quad* q : {&stars, &overlay}) {
            EXPECT_EQ(q->v[i].z, 0.0f);
            EXPECT_EQ(q->v[i].col, 0xFFFFFFFFu);
        }
    }
    EXPECT_NE(stars.tex, 0u);
    EXPECT_NE(overlay.tex, 0u);
    EXPECT_EQ(stars.blend, 2);
    EXPECT_EQ(overlay.blend, 2);
}

// After frames adding up to T seconds every star corner has moved by (+0.05 T, -0.04 T)
// from where it started; the overlay never moves.
TEST_F(ProgramTest, StarsDriftWithTheFrameTime) {
    const std::vector<std::vector<float>> scripts = {
        {0.0f}, {0.01f}, {0.01f, 0.01f, 0.01f}, {0.02f, 0.0f, 0.5f, 0.013f}, std::vector<float>(1000, 0.01f)};
    const float texCorners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& times : scripts) {
        restart();
        rec::queueFrameTimes(times);
        rec::setMaxFrames(static_cast<long>(times.size()));
        app::run(*game);
        const double total = std::accumulate(times.begin(), times.end(), 0.0);
        const Backdrop& backdrop = app::backdrop();
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(backdrop.starsQuad.v[i].tx, texCorners[i][0] + 0.05 * total, 1e-4) << total;
            EXPECT_NEAR(backdrop.starsQuad.v[i].ty, texCorners[i][1] - 0.04 * total, 1e-4) << total;
            EXPECT_EQ(backdrop.overlayQuad.v[i].tx, texCorners[i][0]);
            EXPECT_EQ(backdrop.overlayQuad.v[i].ty, texCorners[i][1]);
        }
        // The four corners move together: the field keeps its 1 x 1 span.
        EXPECT_NEAR(backdrop.starsQuad.v[1].tx - backdrop.starsQuad.v[0].tx, 1.0, 1e-4);
        EXPECT_NEAR(backdrop.starsQuad.v[3].ty - backdrop.starsQuad.v[0].ty, 1.0, 1e-4);
    }
}

// Down, Down, Enter in the menu: Exit. The frame in which the game asks to quit ends the
// loop and leaves the stars where the frame before put them.
TEST_F(ProgramTest, TheFrameThatQuitsEndsTheLoopWithoutMovingTheStars) {
    rec::setFrameHook(
        [](long frame, void*) {
            rec::setKey(KEY_DOWN, frame == 1 || frame == 3);
            rec::setKey(KEY_ENTER, frame == 5);
        },
        nullptr);
    rec::setFrameTime(0.01f);
    rec::setMaxFrames(1000);
    EXPECT_EQ(app::run(*game), 0);

    const long frames = rec::framesRun();
    EXPECT_GT(frames, 100);
    EXPECT_LT(frames, 110);
    EXPECT_EQ(game->screen, Exit);
    // Every frame but the last moved the stars.
    const double moved = 0.01f * static_cast<double>(frames - 1);
    EXPECT_NEAR(app::backdrop().starsQuad.v[0].tx, 0.05 * moved, 1e-4);
    EXPECT_NEAR(app::backdrop().starsQuad.v[0].ty, -0.04 * moved, 1e-4);
    // The last frame drew nothing.
    const auto& draws = rec::draws();
    EXPECT_EQ(std::count_if(draws.begin(), draws.end(),
                            [](const rec::Draw& d) { return d.kind == rec::Draw::EndScene; }),
              frames - 1);
}

}  // namespace
