// The Game's construction, reset (a new game; the first one loads everything) and teardown.
#include "game/game.h"

#include "bodies/body.h"
#include "gfx/animation.h"
#include "gfx/bitmap_font.h"
#include "services.h"

namespace {

// A quad over the whole 800 x 600 screen in one colour, untextured, drawn over by alpha.
void fillScreenQuad(Quad& quad, std::uint32_t color) {
    constexpr float xs[4] = {0.0f, 800.0f, 800.0f, 0.0f};
    constexpr float ys[4] = {0.0f, 0.0f, 600.0f, 600.0f};
    constexpr float txs[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    constexpr float tys[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    for (int i = 0; i < 4; ++i) quad.v[i] = Vertex{xs[i], ys[i], 0.0f, color, txs[i], tys[i]};
    quad.tex = 0;
    quad.blend = BLEND_DEFAULT;
}

}  // namespace

Game::Game() : hge(hgeCreate(ENGINE_VERSION)) {
    platform::srand(platform::tickCount());
    assetsLoaded = false;
}

Game::~Game() {
    if (sun) delete sun;
    hge->Effect_Free(increaseSound);
    hge->Effect_Free(navigateSound);
    hge->Stream_Free(playMusic);
    hge->Stream_Free(menuMusic);
    hge->Stream_Free(instructionsMusic);
    // The font and the cursor hold engine references of their own; give them back while
    // the engine is still ours.
    delete cursor;
    delete font;
    hge->System_Shutdown();
    hge->Release();
}

void Game::reset() {
    increaseTimer = 60.0f;
    endFade = 0.0f;
    hasWon = false;
    planetsNeeded = 1;
    menuIndex = 0;
    bonusTimer = 60.0f;
    enterLatch = upLatch = downLatch = pauseLatch = escapeLatch = false;
    screen = MainMenu;
    fadeColor = 0xFF000000;
    pendingScreen = NoScreen;

    if (!assetsLoaded) {
        loadAssets();
    } else {
        sun->killPlanets();
    }

    sun->addChild(*sun, true);
    spawnCounter = 0.0f;
    timeMultiplier = 0.1f;

    fillScreenQuad(fadeQuad, fadeColor);
    fillScreenQuad(backgroundQuad, 0xFFFFFFFF);

    font->setColor(0xFFFFFFFF);
    font->scale = 0.5f;

    playState = Running;
    leftButtonLatch = false;
    days = 0.0f;
    assetsLoaded = true;
}

// Everything the Game keeps for the whole run. Only the menu music starts playing; the
// other two streams and the looping move sound wait paused.
void Game::loadAssets() {
    cursor =
        new Animation(hge->Texture_Load("Texture\\Cursor.png", 0, false), 1, 1.0f, 0.0f, 0.0f, 16.0f, 16.0f);
    cursor->play();

    increaseSound = hge->Effect_Load("Media\\Increase.mp3");
    menuSelectSound = hge->Effect_Load("Media\\MenuSelect.mp3");
    navigateSound = hge->Effect_Load("Media\\Navigate.mp3");

    menuBackground = hge->Texture_Load("Texture\\MenuBG.tga", 0, false);
    instructionsBackground = hge->Texture_Load("Texture\\InstructBG.tga", 0, false);

    selectSound = hge->Effect_Load("Media\\Select.mp3");
    deselectSound = hge->Effect_Load("Media\\Deselect.mp3");
    moveSound = hge->Effect_Load("Media\\Move.mp3");

    moveChannel = hge->Effect_PlayEx(moveSound, 0, 0, 1.0f, true);
    hge->Channel_Pause(moveChannel);

    playMusic = hge->Stream_Load("Media\\VelkaroPlay.mp3");
    if (playMusic) {
        playMusicChannel = hge->Stream_Play(playMusic, true, 50);
        hge->Channel_Pause(playMusicChannel);
    }
    menuMusic = hge->Stream_Load("Media\\Menu.mp3");
    if (menuMusic) menuMusicChannel = hge->Stream_Play(menuMusic, true, 50);
    instructionsMusic = hge->Stream_Load("Media\\Instruct.mp3");
    if (instructionsMusic) {
        instructionsMusicChannel = hge->Stream_Play(instructionsMusic, true, 50);
        hge->Channel_Pause(instructionsMusicChannel);
    }

    font = new BitmapFont("myFont.fnt");

    sun = new Body();
    sun->init(400, 300, 300.0f, 1.0f, true);
}
