// The Game's construction, its resets (the first loads everything) and its teardown.
#include <algorithm>

#include "game/trunc.h"
#include "game_test.h"
#include "gfx/animation.h"

namespace {

// The name inside a recorded "Texture_Load(name, ...)" / "Effect_Load(name) = h" line.
std::string loadedName(const std::string& call) {
    const auto open = call.find('(');
    const auto end = call.find_first_of(",)", open);
    return call.substr(open + 1, end - open - 1);
}

bool isLoad(const std::string& call) {
    return call.rfind("Texture_Load(", 0) == 0 || call.rfind("Effect_Load(", 0) == 0 ||
           call.rfind("Stream_Load(", 0) == 0;
}

std::vector<std::string> loadCalls() {
    std::vector<std::string> out;
    for (const auto& c : rec::calls())
        if (isLoad(c)) out.push_back(c);
    return out;
}

const std::vector<std::string> kGameAssets = {
    "Texture\\Cursor.png",
    "Media\\Increase.mp3",
    "Media\\MenuSelect.mp3",
    "Media\\Navigate.mp3",
    "Texture\\MenuBG.tga",
    "Texture\\InstructBG.tga",
    "Media\\Select.mp3",
    "Media\\Deselect.mp3",
    "Media\\Move.mp3",
    "Media\\VelkaroPlay.mp3",
    "Media\\Menu.mp3",
    "Media\\Instruct.mp3",
    "font.png",  // the font's picture, named by myFont.fnt
};

int liveChildren(const Body& body) {
    int n = 0;
    if (body.children)
        for (int i = 0; i < 5; ++i) n += body.children[i].alive ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(GameTest, ConstructionTakesAnEngineReferenceAndLoadsNothing) {
    const int before = rec::references();
    Game other;
    EXPECT_EQ(rec::references(), before + 1);
    EXPECT_FALSE(other.assetsLoaded);
    EXPECT_EQ(other.sun, nullptr);
    EXPECT_EQ(other.font, nullptr);
    EXPECT_EQ(other.fadeLevel, 0.0f);
    EXPECT_TRUE(loadCalls().empty());
}

TEST_F(GameTest, FirstResetLoadsEveryAssetOnceInOrder) {
    game->reset();

    const auto loads = loadCalls();
    std::vector<std::string> ownLoads;
    for (const auto& c : loads)
        if (std::find(kGameAssets.begin(), kGameAssets.end(), loadedName(c)) != kGameAssets.end())
            ownLoads.push_back(loadedName(c));
    EXPECT_EQ(ownLoads, kGameAssets);

    // The Game's pictures go without mipmaps; the sun comes after everything of the Game.
    for (const char* picture : {"Texture\\Cursor.png", "Texture\\MenuBG.tga", "Texture\\InstructBG.tga"})
        EXPECT_NE(std::find_if(loads.begin(), loads.end(),
                               [&](const std::string& c) {
                                   return c.rfind(std::string("Texture_Load(") + picture + ", 0, 0) =", 0) ==
                                          0;
                               }),
                  loads.end())
            << picture;
    const auto font = std::find_if(loads.begin(), loads.end(),
                                   [](const std::string& c) { return loadedName(c) == "font.png"; });
    const auto sunPicture = std::find_if(
        loads.begin(), loads.end(), [](const std::string& c) { return loadedName(c) == "particles.png"; });
    EXPECT_LT(font - loads.begin(), sunPicture - loads.begin());

    EXPECT_NE(game->cursor, nullptr);
    EXPECT_NE(game->font, nullptr);
    ASSERT_NE(game->sun, nullptr);
    EXPECT_TRUE(game->sun->isSun);
    EXPECT_EQ(game->sun->x, 400);
    EXPECT_EQ(game->sun->y, 300);
    EXPECT_EQ(game->cursor->width, 16.0f);
    EXPECT_EQ(game->cursor->height, 16.0f);
    EXPECT_TRUE(game->cursor->playing);
}

TEST_F(GameTest, FirstResetStartsOnlyTheMenuMusic) {
    game->reset();

    const auto menu = rec::channel(game->menuMusicChannel);
    const auto play = rec::channel(game->playMusicChannel);
    const auto instructions = rec::channel(game->instructionsMusicChannel);
    const auto move = rec::channel(game->moveChannel);
    ASSERT_NE(game->menuMusicChannel, 0u);
    ASSERT_NE(game->playMusicChannel, 0u);
    ASSERT_NE(game->instructionsMusicChannel, 0u);
    ASSERT_NE(game->moveChannel, 0u);
    EXPECT_FALSE(menu.paused);
    EXPECT_TRUE(play.paused);
    EXPECT_TRUE(instructions.paused);
    EXPECT_TRUE(move.paused);
    for (const auto& music : {menu, play, instructions}) {
        EXPECT_TRUE(music.isStream);
        EXPECT_TRUE(music.loop);
        EXPECT_EQ(music.volume, 50);
    }
    EXPECT_EQ(move.source, game->moveSound);
    EXPECT_TRUE(move.loop);
    EXPECT_EQ(move.volume, 0);
    EXPECT_EQ(move.pitch, 1.0f);
}

TEST_F(GameTest, MissingMusicIsNotPlayedButStillAddressed) {
    rec::reset();
    fixtures::addGamePicturesAndFiles();
    game->reset();  // no sound or music file exists

    EXPECT_EQ(game->playMusicChannel, 0u);
    EXPECT_EQ(game->menuMusicChannel, 0u);
    EXPECT_TRUE(rec::sounds("Stream_Play").empty());
    // The move sound's channel is asked for even without a sound.
    ASSERT_EQ(rec::sounds("Effect_PlayEx").size(), 1u);
    EXPECT_EQ(rec::sounds("Effect_PlayEx")[0].handle, 0u);
    EXPECT_TRUE(rec::sounds("Effect_PlayEx")[0].loop);
}

TEST_F(GameTest, ResetStoresEveryStartingValue) {
    game->reset();
    // Scribble over everything a reset restores, then reset again.
    game->increaseTimer = 3;
    game->endFade = 0.5f;
    game->hasWon = true;
    game->planetsNeeded = 7;
    game->menuIndex = 2;
    game->bonusTimer = 4;
    game->enterLatch = game->upLatch = game->downLatch = game->pauseLatch = game->escapeLatch = true;
    game->screen = Play;
    game->fadeColor = 0x12345678;
    game->pendingScreen = Exit;
    game->spawnCounter = 99;
    game->timeMultiplier = 0.7f;
    game->playState = Paused;
    game->leftButtonLatch = true;
    game->days = 1234;
    // ... and over what it leaves alone.
    game->fadeLevel = 0.75f;
    game->rightButtonLatch = true;
    game->cursorVisible = true;
    game->mouseX = 12;
    game->mouseY = 34;
    game->lastMouseX = 5;
    game->lastMouseY = 6;
    Body* selected = &firstPlanet();
    game->selectedBody = selected;

    game->reset();

    EXPECT_EQ(game->increaseTimer, 60.0f);
    EXPECT_EQ(game->endFade, 0.0f);
    EXPECT_FALSE(game->hasWon);
    EXPECT_EQ(game->planetsNeeded, 1);
    EXPECT_EQ(game->menuIndex, 0);
    EXPECT_EQ(game->bonusTimer, 60.0f);
    EXPECT_FALSE(game->enterLatch || game->upLatch || game->downLatch || game->pauseLatch ||
                 game->escapeLatch);
    EXPECT_EQ(game->screen, MainMenu);
    EXPECT_EQ(game->fadeColor, 0xFF000000u);
    EXPECT_EQ(game->pendingScreen, NoScreen);
    EXPECT_EQ(game->spawnCounter, 0.0f);
    EXPECT_EQ(game->timeMultiplier, 0.1f);
    EXPECT_EQ(game->playState, Running);
    EXPECT_FALSE(game->leftButtonLatch);
    EXPECT_EQ(game->days, 0.0f);
    EXPECT_TRUE(game->assetsLoaded);
    EXPECT_EQ(game->font->scale, 0.5f);
    EXPECT_EQ(game->font->color, 0xFFFFFFFFu);

    EXPECT_EQ(game->fadeLevel, 0.75f);
    EXPECT_TRUE(game->rightButtonLatch);
    EXPECT_TRUE(game->cursorVisible);
    EXPECT_EQ(game->mouseX, 12.0f);
    EXPECT_EQ(game->mouseY, 34.0f);
    EXPECT_EQ(game->lastMouseX, 5);
    EXPECT_EQ(game->lastMouseY, 6);
    EXPECT_EQ(game->selectedBody, selected);
}

TEST_F(GameTest, ResetWritesBothScreenQuads) {
    game->reset();
    game->backgroundQuad.tex = game->menuBackground;
    game->fadeColor = 0x80000000;
    game->reset();

    const float xs[4] = {0, 800, 800, 0}, ys[4] = {0, 0, 600, 600};
    const float txs[4] = {0, 1, 1, 0}, tys[4] = {0, 0, 1, 1};
    for (const auto& [quad, color] :
         {std::pair{game->fadeQuad, 0xFF000000u}, {game->backgroundQuad, 0xFFFFFFFFu}}) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(quad.v[i].x, xs[i]);
            EXPECT_EQ(quad.v[i].y, ys[i]);
            EXPECT_EQ(quad.v[i].z, 0.0f);
            EXPECT_EQ(quad.v[i].col, color);
            EXPECT_EQ(quad.v[i].tx, txs[i]);
            EXPECT_EQ(quad.v[i].ty, tys[i]);
        }
        EXPECT_EQ(quad.tex, 0u);
        EXPECT_EQ(quad.blend, 2);
    }
}

TEST_F(GameTest, LaterResetsLoadNothingAndCreateNothing) {
    game->reset();
    Body* sun = game->sun;
    BitmapFont* font = game->font;
    Animation* cursor = game->cursor;
    const HChannel channels[4] = {game->playMusicChannel, game->menuMusicChannel,
                                  game->instructionsMusicChannel, game->moveChannel};
    const auto liveChannels = rec::liveChannels();
    const auto liveStreams = rec::liveStreams();
    const int fileReads = rec::fileReads();

    for (int i = 0; i < 3; ++i) {
        rec::clearRecords();
        game->reset();
        for (const auto& c : loadCalls())
            EXPECT_EQ(std::find(kGameAssets.begin(), kGameAssets.end(), loadedName(c)), kGameAssets.end())
                << c;
        EXPECT_TRUE(rec::sounds("Stream_Play").empty());
        EXPECT_TRUE(rec::sounds("Effect_PlayEx").empty());
    }
    EXPECT_EQ(game->sun, sun);
    EXPECT_EQ(game->font, font);
    EXPECT_EQ(game->cursor, cursor);
    const HChannel after[4] = {game->playMusicChannel, game->menuMusicChannel, game->instructionsMusicChannel,
                               game->moveChannel};
    EXPECT_TRUE(std::equal(std::begin(channels), std::end(channels), std::begin(after)));
    EXPECT_EQ(rec::liveChannels(), liveChannels);
    EXPECT_EQ(rec::liveStreams(), liveStreams);
    EXPECT_EQ(rec::fileReads(), fileReads);
}

// Whatever the tree looked like, a reset leaves the sun with one grown planet, which is
// exactly the number needed.
TEST_F(GameTest, EveryResetLeavesOneGrownPlanet) {
    const int extraPlanets[] = {0, 0, 3, 4};
    for (int extra : extraPlanets) {
        if (game->sun)
            for (int i = 0; i < extra; ++i) game->sun->addChild(*game->sun, true);
        game->reset();
        ASSERT_NE(game->sun, nullptr);
        EXPECT_EQ(liveChildren(*game->sun), 1) << "after adding " << extra;
        EXPECT_GT(firstPlanet().age, 1.0f);
        EXPECT_FALSE(firstPlanet().isSun);
        EXPECT_EQ(game->sun->countPlanets(), 1);
        EXPECT_EQ(game->sun->countPlanets(), game->planetsNeeded);
    }
}

TEST_F(GameTest, TeardownFreesSoundsShutsDownAndGivesTheEngineBack) {
    game->reset();
    const HEffect increase = game->increaseSound, navigate = game->navigateSound;
    const HStream play = game->playMusic, menu = game->menuMusic, instructions = game->instructionsMusic;
    const int references = rec::references();
    const int shutdowns = rec::shutdownCount();
    rec::clearRecords();

    game.reset();

    std::vector<std::pair<std::string, std::uint32_t>> frees;
    for (const auto& c : rec::sounds())
        if (c.op == "Effect_Free" || c.op == "Stream_Free") frees.emplace_back(c.op, c.handle);
    const std::vector<std::pair<std::string, std::uint32_t>> listed = {{"Effect_Free", increase},
                                                                       {"Effect_Free", navigate},
                                                                       {"Stream_Free", play},
                                                                       {"Stream_Free", menu},
                                                                       {"Stream_Free", instructions}};
    // The bodies free their explosion sounds first; the Game's own come after, in order.
    ASSERT_GE(frees.size(), listed.size());
    EXPECT_TRUE(std::equal(listed.begin(), listed.end(), frees.end() - static_cast<long>(listed.size())));
    EXPECT_GT(rec::shutdownCount(), shutdowns);
    EXPECT_EQ(rec::calls().back(), "System_Shutdown");
    // The Game, its font, cursor and bodies held references; all are given back.
    EXPECT_EQ(rec::references(), 0);
    EXPECT_LT(rec::references(), references);
}

TEST_F(GameTest, TeardownWithoutAResetTouchesNothingLoaded) {
    rec::clearRecords();
    game.reset();
    for (const auto& c : rec::sounds()) EXPECT_EQ(c.handle, 0u) << c.op;
    EXPECT_EQ(rec::calls().back(), "System_Shutdown");
    EXPECT_EQ(rec::references(), 0);
}

// Truncation toward zero; anything outside the signed 32-bit range (or NaN) gives the
// lowest value.
TEST(TruncToInt, TruncatesTowardZeroAndMapsOutOfRangeToTheLowest) {
    struct Case {
        double value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0.0, 0},
        {0.999999977, 0},
        {1.0, 1},
        {-3.7, -3},
        {59.7, 59},
        {2147483647.0, 2147483647},
        {2147483647.9, 2147483647},
        {2147483648.0, INT32_MIN},
        {3e12, INT32_MIN},
        {-2147483648.0, INT32_MIN},
        {-2147483648.9, INT32_MIN},
        {-2147483649.0, INT32_MIN},
        {-1e300, INT32_MIN},
        {std::numeric_limits<double>::infinity(), INT32_MIN},
        {std::numeric_limits<double>::quiet_NaN(), INT32_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(truncToInt(c.value), c.expected) << c.value;
}
