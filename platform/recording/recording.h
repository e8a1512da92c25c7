// Test controls of the recording engine: the same Engine interface as the real program,
// but every drawing and sound call is recorded in order, and input, frame times and the
// engine's random numbers are scripted by the test. Files load from the real file system
// (relative to the working folder) or from in-memory fixtures added with addFile.
#pragma once

#include "engine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rec {

struct Line {
    float x1, y1, x2, y2;
    std::uint32_t color;
    float z;
};

// One drawing call, in the order made.
struct Draw {
    enum Kind { QuadDraw, LineDraw, BeginScene, Clear, EndScene } kind;
    Quad quad;      // QuadDraw
    Line line;      // LineDraw
    std::uint32_t color;  // Clear
};

// One sound call, in the order made (calls on handle 0 are recorded too, with their 0).
struct SoundCall {
    std::string op;          // "Effect_Play", "Effect_PlayEx", "Stream_Play", "Channel_Pause", ...
    std::uint32_t handle;    // effect, stream or channel the call was made on
    int volume = 0;          // Effect_PlayEx, Stream_Play, Channel_SetVolume
    int pan = 0;             // Effect_PlayEx, Channel_SetPanning
    float pitch = 0.0f;      // Effect_PlayEx, Channel_SetPitch
    bool loop = false;       // Effect_PlayEx, Stream_Play
    float pos = 0.0f;        // Channel_SetPos
    HChannel result = 0;     // the channel a play call returned
};

// What a channel looks like now.
struct ChannelState {
    std::uint32_t source = 0;  // effect or stream handle
    bool isStream = false;
    int volume = 0;
    int pan = 0;
    float pitch = 1.0f;
    bool loop = false;
    bool paused = false;
    bool stopped = false;
    float pos = 0.0f;
};

// Clears recorded calls, scripted input, fixtures, loaded resources and counters. The
// reference count is kept (objects a test still holds keep their references).
void reset();

// Recorded calls.
const std::vector<Draw>& draws();
std::vector<Quad> quads();
std::vector<Line> lines();
const std::vector<SoundCall>& sounds();
std::vector<SoundCall> sounds(const std::string& op);
// Every engine call in order as text, e.g. "System_SetState(23, 100)", "Texture_Load(Black.tga, 0, 1) = 1".
const std::vector<std::string>& calls();
const std::vector<std::string>& logLines();
void clearRecords();  // forgets the recorded calls only

// Engine state.
int references();
bool boolState(EngineBoolState state);
int intState(EngineIntState state);
std::string title();
bool initiated();
int shutdownCount();
ChannelState channel(HChannel channel);
std::size_t liveTextures();
std::size_t liveEffects();
std::size_t liveStreams();
std::size_t liveChannels();  // channels played and not stopped
int fileReads();             // successful Resource_Load calls (each reads a file)
// Ends every effect channel that does not loop, as if each had played to its end.
void finishEffects();
// Forgets channels that have stopped, as the real engine reaps finished ones, so that a
// long run keeps the recording's own memory flat.
void forgetStoppedChannels();
int liveResourceBlocks();    // Resource_Load blocks not yet freed
std::vector<std::string> packs();

// Fixtures.
void addFile(const std::string& name, std::vector<std::uint8_t> bytes);  // '\' or '/' both fine
void addTexture(const std::string& name, int width, int height);        // a picture of that size
void addSound(const std::string& name);                                 // an effect or stream that loads
void setInitiateResult(bool ok);
// false: only fixtures load, the real file system is never read (fuzzers feed hostile names).
// reset() turns it back on.
void setRealFiles(bool enabled);

// Scripted input. Key states stay until changed; the wheel value is returned by every
// Input_GetMouseWheel until changed (setWheel(0) clears it).
void setKey(int key, bool down);
void setMouse(float x, float y);
void setWheel(int notches);

// Frame times returned by Timer_GetDelta, in order; when the queue is empty the last value
// given (initially 0.01) repeats.
void queueFrameTimes(const std::vector<float>& times);
void setFrameTime(float dt);
// Values returned by Random_Float, in order; when the queue is empty the engine's own
// seeded generator answers.
void queueRandomFloats(const std::vector<float>& values);
// System_Start runs at most this many frames (default 100000) and then returns.
void setMaxFrames(long frames);
long framesRun();
// Called at the start of every frame System_Start runs, before the frame callback, with
// the frame number from 0; lets a test script input over time.
void setFrameHook(void (*hook)(long frame, void* user), void* user);

}  // namespace rec
