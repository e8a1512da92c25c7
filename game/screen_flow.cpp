// The frame of Game::update: the fade through black, the screen switch with each screen's
// music, and the handlers of the main menu, the instructions and the Exit screen.
#include "game/game.h"

bool Game::fadeToBlack(float dt) {
    if (fadeLevel >= 1.0f) return true;
    const double level = static_cast<double>(fadeLevel) + dt;
    fadeLevel = static_cast<float>(level > 1.0 ? 1.0 : level);
    return false;
}

bool Game::fadeFromBlack(float dt) {
    if (fadeLevel <= 0.0f) return true;
    const double level = static_cast<double>(fadeLevel) - dt;
    fadeLevel = static_cast<float>(level < 0.0 ? 0.0 : level);
    return false;
}

// Each press acts once: the action fires on the first frame the key is seen down, and the
// latch opens again once the key is seen up.
bool Game::keyPressed(int key, bool& latch) {
    const bool down = hge->Input_GetKeyState(key);
    const bool fire = down && !latch;
    if (fire) latch = true;
    if (!down) latch = false;
    return fire;
}

bool Game::update(float dt) {
    if (pendingScreen == NoScreen) {
        fadeFromBlack(dt);
    } else if (fadeToBlack(dt)) {
        switchScreen();
    }

    hge->Input_GetMousePos(&mouseX, &mouseY);

    switch (screen) {
        case MainMenu:
            return updateMainMenu();
        case Instructions:
            return updateInstructions();
        case Play:
            return updatePlay(dt);
        case Exit:
            return false;
        default:
            return true;
    }
}

// Runs on the first frame that starts fully black. Every switch rewinds all three tunes;
// entering the menu brings its music back and starts a new game.
void Game::switchScreen() {
    screen = pendingScreen;
    if (screen == MainMenu) {
        hge->Channel_Pause(playMusicChannel);
        hge->Channel_Resume(menuMusicChannel);
        hge->Channel_Pause(instructionsMusicChannel);
        reset();
    }
    hge->Channel_SetPos(playMusicChannel, 0.0f);
    hge->Channel_SetPos(menuMusicChannel, 0.0f);
    hge->Channel_SetPos(instructionsMusicChannel, 0.0f);
    pendingScreen = NoScreen;
}

bool Game::updateMainMenu() {
    cursorVisible = false;
    if (keyPressed(KEY_UP, upLatch)) {
        --menuIndex;
        hge->Effect_Play(navigateSound);
    }
    if (keyPressed(KEY_DOWN, downLatch)) {
        ++menuIndex;
        hge->Effect_Play(navigateSound);
    }
    if (menuIndex < 0) menuIndex = 2;
    if (menuIndex > 2) menuIndex = 0;

    // The item number is the screen it leads to: Play, Instructions, Exit.
    if (keyPressed(KEY_ENTER, enterLatch)) {
        pendingScreen = menuIndex;
        hge->Channel_Pause(menuMusicChannel);
        hge->Effect_PlayEx(menuSelectSound, 50, 0, 1.0f, false);
    }
    backgroundQuad.tex = menuBackground;
    return true;
}

bool Game::updateInstructions() {
    hge->Channel_Pause(playMusicChannel);
    hge->Channel_Pause(menuMusicChannel);
    hge->Channel_Resume(instructionsMusicChannel);
    backgroundQuad.tex = instructionsBackground;
    if (keyPressed(KEY_ESCAPE, escapeLatch)) pendingScreen = MainMenu;
    if (keyPressed(KEY_ENTER, enterLatch)) pendingScreen = MainMenu;
    return true;
}
