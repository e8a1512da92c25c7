#include "app/program.h"

#include "app/backdrop.h"
#include "engine.h"
#include "game/game.h"

namespace app {
namespace {

// The callbacks take no arguments, so what they work on lives here while run() runs.
Game* theGame = nullptr;
Engine* theEngine = nullptr;
Backdrop theBackdrop;

bool frameCallback() {
    const float dt = theEngine->Timer_GetDelta();
    if (!theGame->update(dt)) return true;
    theBackdrop.scroll(dt);
    return false;
}

bool renderCallback() {
    theEngine->Gfx_BeginScene(0);
    theEngine->Gfx_Clear(0);
    theBackdrop.render(*theEngine);
    theGame->render();
    theEngine->Gfx_EndScene();
    return false;
}

}  // namespace

int run(Game& game) {
    Engine* hge = hgeCreate(ENGINE_VERSION);
    theGame = &game;
    theEngine = hge;

    hge->System_SetState(STATE_FRAMEFUNC, frameCallback);
    hge->System_SetState(STATE_RENDERFUNC, renderCallback);
    hge->System_SetState(STATE_TITLE, "Velkaro");
    hge->System_SetState(STATE_FPS, 100);
    hge->System_SetState(STATE_SCREENWIDTH, 800);
    hge->System_SetState(STATE_SCREENHEIGHT, 600);
    hge->System_SetState(STATE_SCREENBPP, 32);
    hge->System_SetState(STATE_HIDEMOUSE, true);
    hge->System_SetState(STATE_WINDOWED, hge->Input_GetKeyState(KEY_SPACE));

    if (hge->System_Initiate()) {
        hge->Resource_AttachPack("Data.dat");
        theBackdrop = Backdrop{};
        theBackdrop.build(*hge);
        game.reset();
        hge->System_Start();
    }

    hge->System_Shutdown();
    hge->Release();
    theGame = nullptr;
    theEngine = nullptr;
    return 0;
}

const Backdrop& backdrop() { return theBackdrop; }

}  // namespace app
