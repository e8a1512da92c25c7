#include "desktop_session.h"

#include <cstdio>
#include <cstdlib>

namespace bench {

void chooseHeadlessDrivers() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
}

DesktopSession::DesktopSession(int fps) {
    Engine* engine = hgeCreate(ENGINE_VERSION);
    engine->System_SetState(STATE_TITLE, "Velkaro");
    engine->System_SetState(STATE_FPS, fps);
    engine->System_SetState(STATE_SCREENWIDTH, 800);
    engine->System_SetState(STATE_SCREENHEIGHT, 600);
    engine->System_SetState(STATE_SCREENBPP, 32);
    engine->System_SetState(STATE_HIDEMOUSE, true);
    engine->System_SetState(STATE_WINDOWED, true);
    if (!engine->System_Initiate()) {
        std::fprintf(stderr, "the desktop engine does not start (no display?)\n");
        engine->Release();
        return;
    }
    if (!engine->Resource_AttachPack(VELKARO_DATA_PACK))
        std::fprintf(stderr, "no pack at %s: run the normal build first\n", VELKARO_DATA_PACK);
    hge = engine;
}

DesktopSession::~DesktopSession() {
    if (!hge) return;
    hge->System_Shutdown();
    hge->Release();
}

}  // namespace bench
