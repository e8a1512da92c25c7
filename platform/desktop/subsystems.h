// How the desktop engine's parts meet. The core (engine lifetime, window, input, timer,
// renderer, textures, log) calls these at the given moments; resources.cpp and audio.cpp
// implement them.
#pragma once

#include <cstdint>
#include <string>

namespace desktop {

// Resources (PhysicsFS): from the first hgeCreate to the last Release.
void resourcesStartup();
void resourcesShutdown();
// Reads a whole file the way Resource_Load does; false when missing.
bool readResource(const std::string& name, std::string& bytes);

// Audio (OpenAL Soft + mpg123): System_Initiate opens the device (none: everything still
// returns handles and stays silent); System_Shutdown stops every channel and closes it;
// effects and streams stay freeable afterwards.
void audioStartup();
void audioShutdown();
// Once per frame, before the frame callback: refills music stream buffers, reaps finished
// channels.
void audioFrame();

// The engine log: one line on standard error.
void logLine(const char* text);

}  // namespace desktop
