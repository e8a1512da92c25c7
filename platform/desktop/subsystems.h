// How the desktop engine's parts meet. The core (engine lifetime, window, input, timer,
// renderer, textures, log) calls these at the given moments; resources.cpp and audio.cpp
// implement them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace desktop {

// Resources (PhysicsFS): from the first hgeCreate to the last Release.
void resourcesStartup();
void resourcesShutdown();
// Reads a whole file the way Resource_Load does; false when missing.
bool readResource(const std::string& name, std::string& bytes);
// A pack held in memory (the bytes are copied), mounted under `name` and searched after the
// attached packs; false when it is not a readable archive. With packFileNames and
// unmountPack this lets the pack reader be fed arbitrary bytes.
bool mountPackMemory(const std::string& name, const void* bytes, std::size_t size);
bool unmountPack(const std::string& name);
// Every file inside the mounted packs, folders separated by '/'.
std::vector<std::string> packFileNames();

// Audio (OpenAL Soft + mpg123): System_Initiate opens the device (none: everything still
// returns handles and stays silent); System_Shutdown stops every channel and closes it;
// effects and streams stay freeable afterwards.
void audioStartup();
void audioShutdown();
// Once per frame, before the frame callback: refills music stream buffers, reaps finished
// channels.
void audioFrame();
// The OpenAL source name of a live channel; 0 for none (no device, 0 or a stale handle).
// Engine tests read the source's state back through it.
std::uint32_t channelSource(std::uint32_t channel);

// The engine log: one line on standard error.
void logLine(const char* text);

}  // namespace desktop
