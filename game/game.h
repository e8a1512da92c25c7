// The one game object: screens, fades, play states, rules, timers, sounds and texts.
//
// The program keeps exactly one, in static storage, for the whole run. The shell reaches
// it through reset, update and render only; everything else is plain public data so the
// drawing code and the tests can read the record as it stands.
#pragma once

#include <cstdint>

#include "engine.h"

class Animation;
class BitmapFont;
class Body;

enum Screen : std::int32_t {
    Play = 0,
    Instructions = 1,
    Exit = 2,
    MainMenu = 3,
};

// pendingScreen holds this while no switch is waiting for the fade.
constexpr std::int32_t NoScreen = -1;

enum PlayState : std::int32_t {
    Running = 0,
    AdjustOrbit = 1,
    Paused = 2,
    GameOver = 3,
    Won = 4,
};

class Game {
public:
    // Takes the Game's engine reference and seeds the game's random numbers from the
    // tick count; loads nothing (the first reset does).
    Game();
    // Frees the body tree and the Game's sounds and music, then gives the engine back.
    ~Game();

    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Starts a new game; the first call also loads every asset and creates the sun.
    void reset();
    // One frame of logic; false once the program is to end.
    bool update(float dt);
    // Draws the current screen over the backdrop, inside a begun scene.
    bool render();

    // Move fadeLevel towards black or back by dt; true when already there.
    bool fadeToBlack(float dt);
    bool fadeFromBlack(float dt);

    // Every field starts at zero so that a Game outside static storage behaves like the
    // program's static one.
    Engine* hge = nullptr;
    Body* sun = nullptr;
    std::int32_t playState = Running;
    bool leftButtonLatch = false;
    bool rightButtonLatch = false;
    Body* selectedBody = nullptr;
    std::int32_t lastMouseX = 0, lastMouseY = 0;
    BitmapFont* font = nullptr;
    float days = 0.0f;
    Quad fadeQuad{};
    Quad backgroundQuad{};
    float mouseX = 0.0f, mouseY = 0.0f;
    float timeMultiplier = 0.0f;
    Animation* cursor = nullptr;
    bool cursorVisible = false;
    HEffect navigateSound = 0, menuSelectSound = 0, increaseSound = 0;
    HStream playMusic = 0, menuMusic = 0, instructionsMusic = 0;
    HChannel playMusicChannel = 0, menuMusicChannel = 0, instructionsMusicChannel = 0;
    float spawnCounter = 0.0f;
    std::int32_t pendingScreen = 0;
    float fadeLevel = 0.0f;
    std::uint32_t fadeColor = 0;
    HTexture menuBackground = 0, instructionsBackground = 0;
    bool enterLatch = false, upLatch = false, downLatch = false, pauseLatch = false, escapeLatch = false;
    std::int32_t screen = Play;
    std::int32_t menuIndex = 0;
    float bonusTimer = 0.0f;
    float endFade = 0.0f;
    bool assetsLoaded = false;
    std::int32_t planetsNeeded = 0;
    float increaseTimer = 0.0f;
    bool hasWon = false;
    HEffect selectSound = 0, deselectSound = 0, moveSound = 0;
    HChannel moveChannel = 0;

private:
    void loadAssets();
    void switchScreen();
    bool keyPressed(int key, bool& latch);

    bool updateMainMenu();
    bool updateInstructions();
    bool updatePlay(float dt);

    void runningStep(float dt, float gameDelta);
    void adjustOrbitStep(float dt, float gameDelta);
    void pausedStep();
    void gameOverStep(float dt, float gameDelta);
    void wonStep(float dt, float gameDelta);
    void commonStep(float dt, float gameDelta);
    void spawnPlanet();
    void selectUnderMouse();
    void releaseSelected(bool clearSelection);

    void renderMainMenu();
    void renderInstructions();
    void renderPlay();
    void renderFadeAndCursor();
};
