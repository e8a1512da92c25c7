// The desktop engine as the program sets it up (windowed), offscreen and without a sound
// device unless the environment asks for others, with the game's pack attached.
#pragma once

#include "engine.h"

namespace bench {

// Call first thing in main: picks the offscreen video driver and the null sound driver
// when the environment names none.
void chooseHeadlessDrivers();

struct DesktopSession {
    // fps 0: uncapped. Null engine (and a log line) when the engine cannot start.
    explicit DesktopSession(int fps = 0);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    Engine* hge = nullptr;
};

}  // namespace bench
