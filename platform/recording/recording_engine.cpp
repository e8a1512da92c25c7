// The recording engine: records calls, answers from scripted state, never opens a window
// or a sound device.
#include "recording.h"

#include "common/engine_random.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace {

struct TextureEntry {
    std::string name;
    int width = 0;
    int height = 0;
    int refs = 0;
};

struct SoundEntry {
    std::string name;
    bool isStream = false;
    int refs = 0;
};

struct State {
    int references = 0;
    bool initiated = false;
    bool initiateResult = true;
    int shutdowns = 0;
    std::map<int, bool> bools;
    std::map<int, int> ints;
    std::string title;
    EngineCallback frameFunc = nullptr;
    EngineCallback renderFunc = nullptr;

    std::vector<rec::Draw> draws;
    std::vector<rec::SoundCall> sounds;
    std::vector<std::string> calls;
    std::vector<std::string> logs;

    std::map<std::string, std::vector<std::uint8_t>> files;
    std::map<std::string, std::pair<int, int>> fakeTextures;
    std::map<std::string, bool> fakeSounds;
    std::vector<std::string> packs;
    int fileReads = 0;
    int liveBlocks = 0;
    bool realFiles = true;

    std::uint32_t nextHandle = 1;
    std::map<HTexture, TextureEntry> textures;
    std::map<std::uint32_t, SoundEntry> soundObjects;  // effects and streams
    std::map<HChannel, rec::ChannelState> channels;

    std::map<int, bool> keys;
    float mouseX = 0.0f, mouseY = 0.0f;
    int wheel = 0;
    std::deque<float> frameTimes;
    float frameTime = 0.01f;
    float time = 0.0f;
    std::deque<float> randomFloats;
    platform::EngineRandom random;
    long maxFrames = 100000;
    long framesRun = 0;
    void (*frameHook)(long, void*) = nullptr;
    void* frameHookUser = nullptr;
};

State& state() {
    static State s;
    return s;
}

std::string normalise(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

template <typename... Args>
void record(const char* format, Args... args) {
    char line[512];
    std::snprintf(line, sizeof line, format, args...);
    state().calls.emplace_back(line);
}

void recordPlain(const char* text) { state().calls.emplace_back(text); }

bool readFile(const std::string& name, std::vector<std::uint8_t>& out) {
    State& s = state();
    const std::string key = normalise(name);
    if (auto it = s.files.find(key); it != s.files.end()) {
        out = it->second;
        return true;
    }
    if (!s.realFiles) return false;
    std::ifstream in(key, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::uint32_t newHandle() { return state().nextHandle++; }

// Sounds are "loaded" when a fixture names them or the file exists; the recording engine
// never decodes audio.
std::uint32_t loadSound(const char* filename, std::uint32_t size, bool isStream) {
    State& s = state();
    if (!filename) return 0;
    if (size != 0) {
        const std::uint32_t h = newHandle();
        s.soundObjects[h] = SoundEntry{"<memory>", isStream, 1};
        return h;
    }
    const std::string key = normalise(filename);
    if (!isStream) {
        for (auto& [h, e] : s.soundObjects) {
            if (!e.isStream && e.name == key) {
                ++e.refs;
                return h;
            }
        }
    }
    if (!s.fakeSounds.count(key)) {
        std::vector<std::uint8_t> bytes;
        if (!readFile(key, bytes)) return 0;
        ++s.fileReads;
    }
    const std::uint32_t h = newHandle();
    s.soundObjects[h] = SoundEntry{key, isStream, 1};
    return h;
}

void freeSound(std::uint32_t handle) {
    State& s = state();
    auto it = s.soundObjects.find(handle);
    if (it == s.soundObjects.end()) return;
    if (--it->second.refs > 0) return;
    for (auto& [ch, c] : s.channels)
        if (c.source == handle) c.stopped = true;
    s.soundObjects.erase(it);
}

HChannel play(std::uint32_t source, bool isStream, int volume, int pan, float pitch, bool loop) {
    State& s = state();
    auto it = s.soundObjects.find(source);
    if (it == s.soundObjects.end() || it->second.isStream != isStream) return 0;
    const HChannel ch = newHandle();
    rec::ChannelState c;
    c.source = source;
    c.isStream = isStream;
    c.volume = volume;
    c.pan = pan;
    c.pitch = pitch;
    c.loop = loop;
    s.channels[ch] = c;
    return ch;
}

rec::ChannelState* findChannel(HChannel ch) {
    auto it = state().channels.find(ch);
    return it == state().channels.end() ? nullptr : &it->second;
}

void soundCall(const char* op, std::uint32_t handle) {
    rec::SoundCall call;
    call.op = op;
    call.handle = handle;
    state().sounds.push_back(call);
}

}  // namespace

Engine* hgeCreate(int version) {
    if (version != ENGINE_VERSION) return nullptr;
    static Engine engine;
    ++state().references;
    return &engine;
}

void Engine::Release() {
    State& s = state();
    if (s.references <= 0) return;
    if (--s.references == 0) {
        System_Shutdown();
        s.textures.clear();
        s.soundObjects.clear();
        s.channels.clear();
        s.packs.clear();
    }
}

bool Engine::System_Initiate() {
    recordPlain("System_Initiate");
    state().initiated = state().initiateResult;
    return state().initiated;
}

void Engine::System_Shutdown() {
    State& s = state();
    recordPlain("System_Shutdown");
    ++s.shutdowns;
    s.initiated = false;
    for (auto& [ch, c] : s.channels) c.stopped = true;
}

bool Engine::System_Start() {
    State& s = state();
    recordPlain("System_Start");
    if (!s.initiated || !s.frameFunc) return false;
    for (s.framesRun = 0; s.framesRun < s.maxFrames;) {
        if (s.frameHook) s.frameHook(s.framesRun, s.frameHookUser);
        const bool quit = s.frameFunc();
        if (s.renderFunc && !quit) s.renderFunc();
        ++s.framesRun;
        if (quit) break;
    }
    return true;
}

void Engine::System_SetState(EngineBoolState st, bool value) {
    record("System_SetState(%d, %d)", static_cast<int>(st), value ? 1 : 0);
    state().bools[st] = value;
}

void Engine::System_SetState(EngineIntState st, int value) {
    record("System_SetState(%d, %d)", static_cast<int>(st), value);
    state().ints[st] = value;
}

void Engine::System_SetState(EngineFuncState st, EngineCallback value) {
    record("System_SetState(%d, func)", static_cast<int>(st));
    if (st == STATE_FRAMEFUNC) state().frameFunc = value;
    if (st == STATE_RENDERFUNC) state().renderFunc = value;
}

void Engine::System_SetState(EngineStringState st, const char* value) {
    record("System_SetState(%d, %s)", static_cast<int>(st), value ? value : "");
    if (st == STATE_TITLE) state().title = value ? value : "";
}

bool Engine::System_GetState(EngineBoolState st) { return state().bools[st]; }
int Engine::System_GetState(EngineIntState st) { return state().ints[st]; }

void Engine::System_Log(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    state().logs.emplace_back(line);
}

bool Engine::System_Snapshot(const char*) { return false; }

bool Engine::Resource_AttachPack(const char* filename, const char* password) {
    record("Resource_AttachPack(%s)", filename ? filename : "");
    if (!filename || password) return false;
    std::vector<std::uint8_t> bytes;
    if (!readFile(filename, bytes)) return false;
    state().packs.emplace_back(filename);
    return true;
}

void* Engine::Resource_Load(const char* filename, std::uint32_t* size) {
    State& s = state();
    if (size) *size = 0;
    if (!filename) return nullptr;
    std::vector<std::uint8_t> bytes;
    if (!readFile(filename, bytes)) return nullptr;
    ++s.fileReads;
    ++s.liveBlocks;
    auto* block = static_cast<std::uint8_t*>(std::malloc(bytes.size() + 1));
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    block[bytes.size()] = 0;
    if (size) *size = static_cast<std::uint32_t>(bytes.size());
    return block;
}

void Engine::Resource_Free(void* resource) {
    if (!resource) return;
    --state().liveBlocks;
    std::free(resource);
}

HTexture Engine::Texture_Load(const char* filename, std::uint32_t size, bool mipmap) {
    State& s = state();
    HTexture result = 0;
    if (filename && size != 0) {
        int w = 0, h = 0, n = 0;
        if (stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(filename), static_cast<int>(size), &w, &h,
                                  &n)) {
            result = newHandle();
            s.textures[result] = TextureEntry{"<memory>", w, h, 1};
        }
        record("Texture_Load(<memory>, %u, %d) = %u", size, mipmap ? 1 : 0, result);
        return result;
    }
    if (!filename) return 0;
    const std::string key = normalise(filename);
    for (auto& [h, e] : s.textures) {
        if (e.name == key) {
            ++e.refs;
            result = h;
        }
    }
    if (!result) {
        int w = 0, h = 0;
        bool ok = false;
        if (auto it = s.fakeTextures.find(key); it != s.fakeTextures.end()) {
            w = it->second.first;
            h = it->second.second;
            ok = true;
        } else {
            std::vector<std::uint8_t> bytes;
            int n = 0;
            if (readFile(key, bytes)) {
                ++s.fileReads;
                ok = stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n) != 0;
            }
        }
        if (ok) {
            result = newHandle();
            s.textures[result] = TextureEntry{key, w, h, 1};
        }
    }
    record("Texture_Load(%s, %u, %d) = %u", filename, size, mipmap ? 1 : 0, result);
    return result;
}

void Engine::Texture_Free(HTexture texture) {
    State& s = state();
    auto it = s.textures.find(texture);
    if (it == s.textures.end()) return;
    if (--it->second.refs <= 0) s.textures.erase(it);
}

int Engine::Texture_GetWidth(HTexture texture, bool) {
    auto it = state().textures.find(texture);
    return it == state().textures.end() ? 0 : it->second.width;
}

int Engine::Texture_GetHeight(HTexture texture, bool) {
    auto it = state().textures.find(texture);
    return it == state().textures.end() ? 0 : it->second.height;
}

HEffect Engine::Effect_Load(const char* filename, std::uint32_t size) {
    const HEffect h = loadSound(filename, size, false);
    record("Effect_Load(%s) = %u", size ? "<memory>" : (filename ? filename : ""), h);
    return h;
}

void Engine::Effect_Free(HEffect effect) {
    soundCall("Effect_Free", effect);
    freeSound(effect);
}

HChannel Engine::Effect_Play(HEffect effect) {
    const HChannel ch = play(effect, false, 100, 0, 1.0f, false);
    rec::SoundCall call{"Effect_Play", effect, 100, 0, 1.0f, false, 0.0f, ch};
    state().sounds.push_back(call);
    return ch;
}

HChannel Engine::Effect_PlayEx(HEffect effect, int volume, int pan, float pitch, bool loop) {
    const HChannel ch = play(effect, false, volume, pan, pitch, loop);
    rec::SoundCall call{"Effect_PlayEx", effect, volume, pan, pitch, loop, 0.0f, ch};
    state().sounds.push_back(call);
    return ch;
}

HStream Engine::Stream_Load(const char* filename, std::uint32_t size) {
    const HStream h = loadSound(filename, size, true);
    record("Stream_Load(%s) = %u", size ? "<memory>" : (filename ? filename : ""), h);
    return h;
}

void Engine::Stream_Free(HStream stream) {
    soundCall("Stream_Free", stream);
    freeSound(stream);
}

HChannel Engine::Stream_Play(HStream stream, bool loop, int volume) {
    const HChannel ch = play(stream, true, volume, 0, 1.0f, loop);
    rec::SoundCall call{"Stream_Play", stream, volume, 0, 1.0f, loop, 0.0f, ch};
    state().sounds.push_back(call);
    return ch;
}

void Engine::Channel_SetPanning(HChannel channel, int pan) {
    rec::SoundCall call{"Channel_SetPanning", channel};
    call.pan = pan;
    state().sounds.push_back(call);
    if (auto* c = findChannel(channel)) c->pan = pan;
}

void Engine::Channel_SetVolume(HChannel channel, int volume) {
    rec::SoundCall call{"Channel_SetVolume", channel};
    call.volume = volume;
    state().sounds.push_back(call);
    if (auto* c = findChannel(channel)) c->volume = volume;
}

void Engine::Channel_SetPitch(HChannel channel, float pitch) {
    rec::SoundCall call{"Channel_SetPitch", channel};
    call.pitch = pitch;
    state().sounds.push_back(call);
    if (auto* c = findChannel(channel)) c->pitch = pitch;
}

void Engine::Channel_Pause(HChannel channel) {
    soundCall("Channel_Pause", channel);
    if (auto* c = findChannel(channel)) c->paused = true;
}

void Engine::Channel_Resume(HChannel channel) {
    soundCall("Channel_Resume", channel);
    if (auto* c = findChannel(channel)) c->paused = false;
}

void Engine::Channel_Stop(HChannel channel) {
    soundCall("Channel_Stop", channel);
    if (auto* c = findChannel(channel)) c->stopped = true;
}

bool Engine::Channel_IsPlaying(HChannel channel) {
    const auto* c = findChannel(channel);
    return c && !c->paused && !c->stopped;
}

float Engine::Channel_GetPos(HChannel channel) {
    const auto* c = findChannel(channel);
    return c ? c->pos : 0.0f;
}

void Engine::Channel_SetPos(HChannel channel, float seconds) {
    rec::SoundCall call{"Channel_SetPos", channel};
    call.pos = seconds;
    state().sounds.push_back(call);
    if (auto* c = findChannel(channel)) c->pos = seconds;
}

float Engine::Timer_GetTime() { return state().time; }

float Engine::Timer_GetDelta() {
    State& s = state();
    if (!s.frameTimes.empty()) {
        s.frameTime = s.frameTimes.front();
        s.frameTimes.pop_front();
    }
    s.time += s.frameTime;
    return s.frameTime;
}

int Engine::Timer_GetFPS() { return state().frameTime > 0 ? static_cast<int>(1.0f / state().frameTime) : 0; }

void Engine::Random_Seed(int seed) { state().random.seed(static_cast<std::uint32_t>(seed)); }

int Engine::Random_Int(int min, int max) { return state().random.nextInt(min, max); }

float Engine::Random_Float(float min, float max) {
    State& s = state();
    if (!s.randomFloats.empty()) {
        const float v = s.randomFloats.front();
        s.randomFloats.pop_front();
        return v;
    }
    return s.random.nextFloat(min, max);
}

bool Engine::Input_GetKeyState(int key) {
    auto it = state().keys.find(key);
    return it != state().keys.end() && it->second;
}

void Engine::Input_GetMousePos(float* x, float* y) {
    if (x) *x = state().mouseX;
    if (y) *y = state().mouseY;
}

void Engine::Input_SetMousePos(float x, float y) {
    record("Input_SetMousePos(%g, %g)", static_cast<double>(x), static_cast<double>(y));
    state().mouseX = x;
    state().mouseY = y;
}

int Engine::Input_GetMouseWheel() { return state().wheel; }

bool Engine::Gfx_BeginScene(std::uint32_t) {
    rec::Draw d{};
    d.kind = rec::Draw::BeginScene;
    state().draws.push_back(d);
    return true;
}

void Engine::Gfx_EndScene() {
    rec::Draw d{};
    d.kind = rec::Draw::EndScene;
    state().draws.push_back(d);
}

void Engine::Gfx_Clear(std::uint32_t color) {
    rec::Draw d{};
    d.kind = rec::Draw::Clear;
    d.color = color;
    state().draws.push_back(d);
}

void Engine::Gfx_RenderLine(float x1, float y1, float x2, float y2, std::uint32_t color, float z) {
    rec::Draw d{};
    d.kind = rec::Draw::LineDraw;
    d.line = rec::Line{x1, y1, x2, y2, color, z};
    state().draws.push_back(d);
}

void Engine::Gfx_RenderQuad(const Quad* quad) {
    if (!quad) return;
    rec::Draw d{};
    d.kind = rec::Draw::QuadDraw;
    d.quad = *quad;
    state().draws.push_back(d);
}

namespace rec {

void reset() {
    State& s = state();
    const int refs = s.references;
    s = State{};
    s.references = refs;
}

const std::vector<Draw>& draws() { return state().draws; }

std::vector<Quad> quads() {
    std::vector<Quad> out;
    for (const Draw& d : state().draws)
        if (d.kind == Draw::QuadDraw) out.push_back(d.quad);
    return out;
}

std::vector<Line> lines() {
    std::vector<Line> out;
    for (const Draw& d : state().draws)
        if (d.kind == Draw::LineDraw) out.push_back(d.line);
    return out;
}

const std::vector<SoundCall>& sounds() { return state().sounds; }

std::vector<SoundCall> sounds(const std::string& op) {
    std::vector<SoundCall> out;
    for (const SoundCall& c : state().sounds)
        if (c.op == op) out.push_back(c);
    return out;
}

const std::vector<std::string>& calls() { return state().calls; }
const std::vector<std::string>& logLines() { return state().logs; }

void clearRecords() {
    state().draws.clear();
    state().sounds.clear();
    state().calls.clear();
    state().logs.clear();
}

int references() { return state().references; }
bool boolState(EngineBoolState st) { return state().bools[st]; }
int intState(EngineIntState st) { return state().ints[st]; }
std::string title() { return state().title; }
bool initiated() { return state().initiated; }
int shutdownCount() { return state().shutdowns; }

ChannelState channel(HChannel ch) {
    const auto* c = findChannel(ch);
    return c ? *c : ChannelState{};
}

std::size_t liveTextures() { return state().textures.size(); }
std::size_t liveEffects() {
    return static_cast<std::size_t>(std::count_if(state().soundObjects.begin(), state().soundObjects.end(),
                                                  [](const auto& e) { return !e.second.isStream; }));
}
std::size_t liveStreams() { return state().soundObjects.size() - liveEffects(); }
std::size_t liveChannels() {
    return static_cast<std::size_t>(std::count_if(state().channels.begin(), state().channels.end(),
                                                  [](const auto& e) { return !e.second.stopped; }));
}
int fileReads() { return state().fileReads; }
void finishEffects() {
    for (auto& [ch, c] : state().channels)
        if (!c.isStream && !c.loop) c.stopped = true;
}
void forgetStoppedChannels() {
    std::erase_if(state().channels, [](const auto& entry) { return entry.second.stopped; });
}
int liveResourceBlocks() { return state().liveBlocks; }
std::vector<std::string> packs() { return state().packs; }

void addFile(const std::string& name, std::vector<std::uint8_t> bytes) {
    state().files[normalise(name)] = std::move(bytes);
}
void addTexture(const std::string& name, int width, int height) {
    state().fakeTextures[normalise(name)] = {width, height};
}
void addSound(const std::string& name) { state().fakeSounds[normalise(name)] = true; }
void setInitiateResult(bool ok) { state().initiateResult = ok; }
void setRealFiles(bool enabled) { state().realFiles = enabled; }

void setKey(int key, bool down) { state().keys[key] = down; }
void setMouse(float x, float y) {
    state().mouseX = x;
    state().mouseY = y;
}
void setWheel(int notches) { state().wheel = notches; }

void queueFrameTimes(const std::vector<float>& times) {
    state().frameTimes.insert(state().frameTimes.end(), times.begin(), times.end());
}
void setFrameTime(float dt) {
    state().frameTimes.clear();
    state().frameTime = dt;
}
void queueRandomFloats(const std::vector<float>& values) {
    state().randomFloats.insert(state().randomFloats.end(), values.begin(), values.end());
}
void setMaxFrames(long frames) { state().maxFrames = frames; }
long framesRun() { return state().framesRun; }
void setFrameHook(void (*hook)(long, void*), void* user) {
    state().frameHook = hook;
    state().frameHookUser = user;
}

}  // namespace rec
