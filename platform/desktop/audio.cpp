// Sound: OpenAL Soft sources are the channels. Effects are decoded whole (MP3 through
// mpg123, WAV through SDL) into one OpenAL buffer; music keeps its compressed bytes and is
// decoded into a small ring of buffers refilled once per frame. Without a sound device
// every call still hands out handles and channels keep time on the clock, silently.
#include <AL/al.h>
#include <AL/alc.h>
#include <SDL2/SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/handle_pool.h"
#include "core.h"
#include "engine.h"
#include "subsystems.h"

namespace desktop {
namespace {

// Volume 100 is the sound's own level (gain 1). Above 100 the gain rises with the volume
// (130 plays 1.3 times as loud) up to this cap; the mixer keeps peaks within full scale.
constexpr int kMaxVolume = 200;
constexpr float kMaxGain = kMaxVolume / 100.0f;
constexpr float kMinPitch = 0.1f;
constexpr float kMaxPitch = 10.0f;
// Sources are a limited resource of the device; finished channels give theirs back.
constexpr int kMaxSources = 64;
// A decoded effect larger than this is refused (about three minutes of stereo at 44.1 kHz).
constexpr std::size_t kMaxEffectPcmBytes = 32u << 20;
// Music ring: four buffers of 8192 frames hold about 0.75 s at 44.1 kHz, enough to ride
// out a slow frame while being refilled once per frame.
constexpr int kRingBuffers = 4;
constexpr std::size_t kRingFrames = 8192;
constexpr std::size_t kFeedChunk = 16u << 10;

double clockSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

float gainOf(int volume) { return static_cast<float>(std::clamp(volume, 0, kMaxVolume)) / 100.0f; }

float clampPitch(float pitch) {
    if (!std::isfinite(pitch)) return 1.0f;
    return std::clamp(pitch, kMinPitch, kMaxPitch);
}

ALenum alFormat(int channels) { return channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16; }

struct Pcm {
    std::vector<std::int16_t> samples;  // interleaved
    long rate = 0;
    int channels = 0;
};

struct Effect {
    std::string name;  // empty for effects loaded from memory
    int references = 0;
    Pcm pcm;
    ALuint buffer = 0;  // made when a device is open
    double seconds = 0;
};

struct Stream {
    std::string name;
    int references = 0;
    std::string bytes;  // the compressed file
    long rate = 0;
    int channels = 0;
};

// One queued music buffer: where in the track it starts and, when the track looped inside
// it, the frame at which the track started again.
struct QueuedBuffer {
    ALuint buffer = 0;
    std::uint64_t startFrame = 0;
    std::size_t frames = 0;
    std::size_t restartAt = kRingFrames;
};

// The decoder of one playing stream channel.
struct StreamPlayer {
    mpg123_handle* decoder = nullptr;
    std::size_t feedPos = 0;
    std::uint64_t trackFrame = 0;  // frame of the track the decoder produces next
    std::uint64_t passFrames = 0;  // frames produced since the track last started
    bool ended = false;            // no more data will come
    std::array<ALuint, kRingBuffers> buffers{};
    std::vector<ALuint> spare;
    std::vector<QueuedBuffer> queued;  // in queue order
    std::vector<std::int16_t> scratch;
};

struct Channel {
    ALuint source = 0;  // 0 without a device
    HEffect effect = 0;
    HStream stream = 0;
    bool loop = false;
    bool paused = false;
    std::uint64_t serial = 0;  // play order; the oldest finished channel is stolen first
    StreamPlayer* player = nullptr;
    // Time kept without a device: position at the last pause/resume/seek, and when.
    float pitch = 1.0f;
    double clockPos = 0;
    double clockSince = 0;
};

struct Audio {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool mpg123Ready = false;
    int sourcesMade = 0;
    std::vector<ALuint> freeSources;
    std::uint64_t nextSerial = 1;
    platform::HandlePool<Effect> effects;
    platform::HandlePool<Stream> streams;
    platform::HandlePool<Channel> channels;
    std::unordered_map<std::string, HEffect> effectNames;
    std::unordered_map<std::string, HStream> streamNames;
    std::vector<HChannel> finished;  // reused by audioFrame
};

// Never destroyed: the game frees its sounds from static destructors at exit, which may
// run after this one would.
Audio& audio() {
    static Audio* a = new Audio;
    return *a;
}

bool deviceOpen() { return audio().context != nullptr; }

std::string cacheKey(const char* name) {
    std::string key = name;
    std::replace(key.begin(), key.end(), '\\', '/');
    return key;
}

// A sound already loaded under this name: one more reference to it, or 0.
template <typename Pool>
std::uint32_t takeCached(const std::unordered_map<std::string, std::uint32_t>& names, Pool& pool,
                         const std::string& key) {
    const auto cached = names.find(key);
    if (cached == names.end()) return 0;
    ++pool.get(cached->second)->references;
    return cached->second;
}

// --- decoding ------------------------------------------------------------------------

mpg123_handle* newDecoder() {
    Audio& a = audio();
    if (!a.mpg123Ready) {
        mpg123_init();
        a.mpg123Ready = true;
    }
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (!decoder) return nullptr;
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Signed 16-bit at whatever rate and channel count the file has.
    mpg123_format_none(decoder);
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i)
        mpg123_format(decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(decoder) != MPG123_OK) {
        mpg123_delete(decoder);
        return nullptr;
    }
    return decoder;
}

bool readFormat(mpg123_handle* decoder, long& rate, int& channels) {
    int encoding = 0;
    if (mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK) return false;
    return encoding == MPG123_ENC_SIGNED_16 && (channels == 1 || channels == 2) && rate > 0;
}

void feed(mpg123_handle* decoder, const std::string& bytes, std::size_t& pos) {
    const std::size_t n = std::min(kFeedChunk, bytes.size() - pos);
    mpg123_feed(decoder, reinterpret_cast<const unsigned char*>(bytes.data() + pos), n);
    pos += n;
}

bool decodeMp3(const std::string& bytes, Pcm& pcm, const char* name) {
    mpg123_handle* decoder = newDecoder();
    if (!decoder) return false;
    std::size_t pos = 0;
    bool ok = true;
    std::array<std::int16_t, 4096> chunk;
    for (;;) {
        std::size_t done = 0;
        const int result = mpg123_read(decoder, chunk.data(), sizeof chunk, &done);
        if (done > 0 && pcm.channels > 0) {
            if ((pcm.samples.size() * 2 + done) > kMaxEffectPcmBytes) {
                logf("Sound %s is too long for an effect", name);
                ok = false;
                break;
            }
            pcm.samples.insert(pcm.samples.end(), chunk.begin(), chunk.begin() + done / 2);
        }
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            if (!readFormat(decoder, rate, channels)) break;
            // A change of format inside one file ends the sound there.
            if (pcm.channels != 0 && (rate != pcm.rate || channels != pcm.channels)) break;
            pcm.rate = rate;
            pcm.channels = channels;
        } else if (result == MPG123_NEED_MORE) {
            if (pos >= bytes.size()) break;
            feed(decoder, bytes, pos);
        } else if (result != MPG123_OK) {
            break;
        }
    }
    mpg123_delete(decoder);
    const std::size_t frameSamples = pcm.channels > 0 ? static_cast<std::size_t>(pcm.channels) : 1;
    pcm.samples.resize(pcm.samples.size() / frameSamples * frameSamples);
    return ok && !pcm.samples.empty();
}

bool isWav(const std::string& bytes) {
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
}

std::uint32_t read32(const std::string& bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
    };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

void write32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// SDL allocates what a chunk header claims before it reads the chunk, so a damaged or
// hostile file could make it ask for gigabytes. The copy it gets claims no more than it
// holds: a truncated file plays what is there.
std::string boundedRiff(const std::string& bytes) {
    std::string out = bytes;
    write32(out, 4, std::min<std::uint32_t>(read32(out, 4), static_cast<std::uint32_t>(out.size() - 8)));
    std::size_t pos = 12;
    while (pos + 8 <= out.size()) {
        const std::size_t room = out.size() - pos - 8;
        std::size_t length = read32(out, pos + 4);
        if (length > room) {
            length = room;
            write32(out, pos + 4, static_cast<std::uint32_t>(room));
        }
        pos += 8 + length + (length & 1);
    }
    return out;
}

// SDL parses the RIFF file (PCM, float, ADPCM, law encodings) and converts it to signed
// 16-bit mono or stereo.
bool decodeWav(const std::string& original, Pcm& pcm, const char* name) {
    if (original.size() > static_cast<std::size_t>(INT_MAX)) return false;
    const std::string bytes = boundedRiff(original);
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!rw) return false;
    SDL_AudioSpec wav;
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &wav, &data, &length)) {
        logf("Sound %s is not a readable WAV file: %s", name, SDL_GetError());
        return false;
    }
    if (!data || length == 0) {
        logf("Sound %s holds no samples", name);
        SDL_FreeWAV(data);
        return false;
    }
    const int channels = wav.channels == 1 ? 1 : 2;
    SDL_AudioCVT cvt;
    bool ok = SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, AUDIO_S16SYS,
                                static_cast<Uint8>(channels), wav.freq) >= 0;
    if (ok) {
        const std::size_t outBytes = static_cast<std::size_t>(length) * cvt.len_mult;
        if (outBytes > kMaxEffectPcmBytes) {
            logf("Sound %s is too long for an effect", name);
            ok = false;
        } else {
            std::vector<Uint8> work(std::max<std::size_t>(outBytes, length));
            std::memcpy(work.data(), data, length);
            cvt.buf = work.data();
            cvt.len = static_cast<int>(length);
            if (cvt.needed) ok = SDL_ConvertAudio(&cvt) == 0;
            const std::size_t got = cvt.needed ? static_cast<std::size_t>(cvt.len_cvt) : length;
            const std::size_t frameBytes = 2 * static_cast<std::size_t>(channels);
            pcm.samples.resize(got / frameBytes * channels);
            if (!pcm.samples.empty()) std::memcpy(pcm.samples.data(), work.data(), pcm.samples.size() * 2);
            pcm.rate = wav.freq;
            pcm.channels = channels;
        }
    } else {
        logf("Sound %s has a WAV format that can't be converted: %s", name, SDL_GetError());
    }
    SDL_FreeWAV(data);
    return ok && !pcm.samples.empty() && pcm.rate > 0;
}

// --- sources and channels --------------------------------------------------------------

bool makeEffectBuffer(Effect& e) {
    if (e.buffer || !deviceOpen()) return e.buffer != 0;
    alGetError();
    alGenBuffers(1, &e.buffer);
    if (alGetError() != AL_NO_ERROR) {
        e.buffer = 0;
        return false;
    }
    alBufferData(e.buffer, alFormat(e.pcm.channels), e.pcm.samples.data(),
                 static_cast<ALsizei>(e.pcm.samples.size() * 2), static_cast<ALsizei>(e.pcm.rate));
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &e.buffer);
        e.buffer = 0;
        return false;
    }
    return true;
}

void deleteEffectBuffer(Effect& e) {
    if (e.buffer && deviceOpen()) alDeleteBuffers(1, &e.buffer);
    e.buffer = 0;
}

void releaseChannel(HChannel handle) {
    Audio& a = audio();
    Channel* c = a.channels.get(handle);
    if (!c) return;
    if (c->source && deviceOpen()) {
        alSourceStop(c->source);
        alSourcei(c->source, AL_BUFFER, 0);
        a.freeSources.push_back(c->source);
    }
    if (StreamPlayer* p = c->player) {
        if (deviceOpen()) alDeleteBuffers(kRingBuffers, p->buffers.data());
        if (p->decoder) mpg123_delete(p->decoder);
        delete p;
    }
    a.channels.remove(handle);
}

ALint sourceState(ALuint source) {
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

double effectSeconds(HEffect handle) {
    const Effect* e = audio().effects.get(handle);
    return e ? e->seconds : 0.0;
}

float clockPosition(const Channel& c) {
    double pos = c.clockPos;
    if (!c.paused) pos += (clockSeconds() - c.clockSince) * c.pitch;
    const double length = effectSeconds(c.effect);
    if (c.loop && length > 0) pos = std::fmod(pos, length);
    return static_cast<float>(pos);
}

// A channel that has played to its end and will not sound again by itself.
bool isFinished(const Channel& c) {
    if (c.paused) return false;
    if (!c.source) {
        if (c.loop || !c.effect) return false;
        return c.clockPos + (clockSeconds() - c.clockSince) * c.pitch >= effectSeconds(c.effect);
    }
    if (c.player && !c.player->ended) return false;
    return sourceState(c.source) == AL_STOPPED;
}

// A source for a new channel: a free one, a new one, or the one of the oldest finished
// channel. 0 when every source is busy.
ALuint acquireSource() {
    Audio& a = audio();
    if (!a.freeSources.empty()) {
        const ALuint s = a.freeSources.back();
        a.freeSources.pop_back();
        return s;
    }
    if (a.sourcesMade < kMaxSources) {
        ALuint s = 0;
        alGetError();
        alGenSources(1, &s);
        if (alGetError() == AL_NO_ERROR) {
            ++a.sourcesMade;
            return s;
        }
    }
    HChannel oldest = 0;
    std::uint64_t oldestSerial = 0;
    a.channels.forEach([&](HChannel h, Channel& c) {
        if (c.source && isFinished(c) && (!oldest || c.serial < oldestSerial)) {
            oldest = h;
            oldestSerial = c.serial;
        }
    });
    if (!oldest) return 0;
    releaseChannel(oldest);
    const ALuint s = a.freeSources.back();
    a.freeSources.pop_back();
    return s;
}

void applyPan(ALuint source, int pan) {
    // Mono sounds are placed on a half circle in front of the listener; stereo sounds keep
    // their own channels.
    const float x = static_cast<float>(std::clamp(pan, -100, 100)) / 100.0f;
    alSource3f(source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
}

void setUpSource(ALuint source, int volume, int pan, float pitch, bool loop) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcef(source, AL_MAX_GAIN, kMaxGain);
    alSourcef(source, AL_GAIN, gainOf(volume));
    alSourcef(source, AL_PITCH, pitch);
    alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcef(source, AL_SEC_OFFSET, 0.0f);
    applyPan(source, pan);
}

// --- music ---------------------------------------------------------------------------

void restartDecoder(StreamPlayer& p) {
    mpg123_close(p.decoder);
    mpg123_open_feed(p.decoder);
    p.feedPos = 0;
    p.trackFrame = 0;
    p.passFrames = 0;
    p.ended = false;
}

// Decodes up to kRingFrames frames into the scratch buffer; loops the track when asked.
std::size_t decodeStream(StreamPlayer& p, const Stream& s, bool loop, std::size_t& restartAt) {
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(s.channels);
    std::size_t produced = 0;
    restartAt = kRingFrames;
    while (produced < kRingFrames && !p.ended) {
        std::size_t done = 0;
        const int result = mpg123_read(p.decoder, p.scratch.data() + produced * s.channels,
                                       (kRingFrames - produced) * frameBytes, &done);
        const std::size_t frames = done / frameBytes;
        produced += frames;
        p.trackFrame += frames;
        p.passFrames += frames;
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            if (!readFormat(p.decoder, rate, channels) || rate != s.rate || channels != s.channels)
                p.ended = true;
        } else if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
            if (p.feedPos < s.bytes.size()) {
                feed(p.decoder, s.bytes, p.feedPos);
            } else if (!loop || p.passFrames == 0) {
                p.ended = true;
            } else {
                restartDecoder(p);
                restartAt = produced;
            }
        } else if (result != MPG123_OK) {
            p.ended = true;
        }
    }
    return produced;
}

// Takes back the buffers the source has played, refills and queues them, and restarts a
// source that ran dry while it should be playing.
void refillStream(Channel& c) {
    StreamPlayer& p = *c.player;
    const Stream* s = audio().streams.get(c.stream);
    if (!s) return;
    ALint processed = 0;
    alGetSourcei(c.source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0 && !p.queued.empty(); --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(c.source, 1, &buffer);
        p.queued.erase(p.queued.begin());
        p.spare.push_back(buffer);
    }
    while (!p.spare.empty() && !p.ended) {
        QueuedBuffer q;
        q.startFrame = p.trackFrame;
        q.frames = decodeStream(p, *s, c.loop, q.restartAt);
        if (q.frames == 0) break;
        q.buffer = p.spare.back();
        p.spare.pop_back();
        alBufferData(q.buffer, alFormat(s->channels), p.scratch.data(),
                     static_cast<ALsizei>(q.frames * 2 * s->channels), static_cast<ALsizei>(s->rate));
        alSourceQueueBuffers(c.source, 1, &q.buffer);
        p.queued.push_back(q);
    }
    if (!c.paused && !p.queued.empty() && sourceState(c.source) != AL_PLAYING) alSourcePlay(c.source);
}

// Empties the ring and starts the track again at `frame` (skipping decoded frames up to
// it), keeping the channel playing or paused as it was.
void seekStream(Channel& c, std::uint64_t frame) {
    StreamPlayer& p = *c.player;
    const Stream* s = audio().streams.get(c.stream);
    if (!s) return;
    alSourceStop(c.source);
    alSourcei(c.source, AL_BUFFER, 0);
    p.queued.clear();
    p.spare.assign(p.buffers.begin(), p.buffers.end());
    restartDecoder(p);
    // A position past the end of a looping track lands on its start.
    std::size_t restartAt = kRingFrames;
    while (p.trackFrame + kRingFrames <= frame && !p.ended && restartAt == kRingFrames)
        decodeStream(p, *s, c.loop, restartAt);
    // The remainder inside the next block is skipped by offsetting the first buffer.
    const std::uint64_t skip = frame > p.trackFrame ? frame - p.trackFrame : 0;
    refillStream(c);
    if (skip > 0 && !p.queued.empty() && skip < p.queued.front().frames)
        alSourcei(c.source, AL_SAMPLE_OFFSET, static_cast<ALint>(skip));
    if (c.paused && !p.queued.empty()) {
        // Leaves the source paused at its new start rather than in its initial state.
        alSourcePlay(c.source);
        alSourcePause(c.source);
    }
}

float streamPosition(const Channel& c) {
    const StreamPlayer& p = *c.player;
    const Stream* s = audio().streams.get(c.stream);
    if (!s || p.queued.empty()) return 0.0f;
    ALint offset = 0;
    alGetSourcei(c.source, AL_SAMPLE_OFFSET, &offset);
    std::size_t remaining = offset > 0 ? static_cast<std::size_t>(offset) : 0;
    std::uint64_t frame = 0;
    for (const QueuedBuffer& q : p.queued) {
        if (remaining < q.frames) {
            frame = remaining >= q.restartAt ? remaining - q.restartAt : q.startFrame + remaining;
            break;
        }
        remaining -= q.frames;
        frame = q.startFrame + q.frames;
    }
    return static_cast<float>(static_cast<double>(frame) / static_cast<double>(s->rate));
}

HChannel addChannel(Channel c) {
    Audio& a = audio();
    c.serial = a.nextSerial++;
    c.clockSince = clockSeconds();
    const HChannel handle = a.channels.add(c);
    if (!handle) {
        logf("Too many sound channels");
        if (c.source) a.freeSources.push_back(c.source);
        if (c.player) {
            alDeleteBuffers(kRingBuffers, c.player->buffers.data());
            mpg123_delete(c.player->decoder);
            delete c.player;
        }
    }
    return handle;
}

void releaseChannelsOf(HEffect effect, HStream stream) {
    std::vector<HChannel> doomed;
    audio().channels.forEach([&](HChannel h, Channel& c) {
        if ((effect && c.effect == effect) || (stream && c.stream == stream)) doomed.push_back(h);
    });
    for (HChannel h : doomed) releaseChannel(h);
}

void releaseAllChannels() {
    std::vector<HChannel> all;
    audio().channels.forEach([&](HChannel h, Channel&) { all.push_back(h); });
    for (HChannel h : all) releaseChannel(h);
}

// Loads `filename` (a name, or `size` bytes at that address) into `bytes`.
bool loadBytes(const char* filename, std::uint32_t size, std::string& bytes, const char* what) {
    if (size) {
        bytes.assign(filename, size);
        return true;
    }
    if (readResource(filename, bytes)) return true;
    logf("Can't find %s %s", what, filename);
    return false;
}

}  // namespace

void audioStartup() {
    Audio& a = audio();
    if (a.device) return;
    a.device = alcOpenDevice(nullptr);
    if (!a.device) {
        logf("No sound device; playing silently");
        return;
    }
    a.context = alcCreateContext(a.device, nullptr);
    if (!a.context || !alcMakeContextCurrent(a.context)) {
        logf("Can't start sound on %s; playing silently", alcGetString(a.device, ALC_DEVICE_SPECIFIER));
        if (a.context) alcDestroyContext(a.context);
        alcCloseDevice(a.device);
        a.context = nullptr;
        a.device = nullptr;
        return;
    }
    // Channels are not placed in space: no attenuation with distance.
    alDistanceModel(AL_NONE);
}

void audioShutdown() {
    Audio& a = audio();
    releaseAllChannels();
    if (!a.device) return;
    if (!a.freeSources.empty())
        alDeleteSources(static_cast<ALsizei>(a.freeSources.size()), a.freeSources.data());
    a.freeSources.clear();
    a.sourcesMade = 0;
    a.effects.forEach([](HEffect, Effect& e) { deleteEffectBuffer(e); });
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(a.context);
    alcCloseDevice(a.device);
    a.context = nullptr;
    a.device = nullptr;
}

void audioFrame() {
    Audio& a = audio();
    a.finished.clear();
    a.channels.forEach([&](HChannel h, Channel& c) {
        if (c.player && deviceOpen()) refillStream(c);
        if (!c.loop || c.player) {
            if (isFinished(c)) a.finished.push_back(h);
        }
    });
    for (HChannel h : a.finished) releaseChannel(h);
}

std::uint32_t channelSource(std::uint32_t channel) {
    const Channel* c = audio().channels.get(channel);
    return c ? c->source : 0;
}

}  // namespace desktop

using desktop::audio;

HEffect Engine::Effect_Load(const char* filename, std::uint32_t size) {
    using namespace desktop;
    if (!filename) return 0;
    Audio& a = audio();
    std::string key;
    if (!size) {
        key = cacheKey(filename);
        if (const std::uint32_t cached = takeCached(a.effectNames, a.effects, key)) return cached;
    }
    std::string bytes;
    if (!loadBytes(filename, size, bytes, "sound")) return 0;
    const char* name = size ? "in memory" : filename;
    Effect e;
    const bool decoded = isWav(bytes) ? decodeWav(bytes, e.pcm, name) : decodeMp3(bytes, e.pcm, name);
    if (!decoded) {
        logf("Sound %s could not be decoded", name);
        return 0;
    }
    e.name = key;
    e.references = 1;
    e.seconds = static_cast<double>(e.pcm.samples.size() / e.pcm.channels) / e.pcm.rate;
    const HEffect handle = a.effects.add(std::move(e));
    if (!handle) return 0;
    makeEffectBuffer(*a.effects.get(handle));
    if (!key.empty()) a.effectNames[key] = handle;
    return handle;
}

void Engine::Effect_Free(HEffect effect) {
    using namespace desktop;
    Audio& a = audio();
    Effect* e = a.effects.get(effect);
    if (!e || --e->references > 0) return;
    releaseChannelsOf(effect, 0);
    deleteEffectBuffer(*e);
    if (!e->name.empty()) a.effectNames.erase(e->name);
    a.effects.remove(effect);
}

HChannel Engine::Effect_Play(HEffect effect) { return Effect_PlayEx(effect); }

HChannel Engine::Effect_PlayEx(HEffect effect, int volume, int pan, float pitch, bool loop) {
    using namespace desktop;
    Audio& a = audio();
    Effect* e = a.effects.get(effect);
    if (!e) return 0;
    Channel c;
    c.effect = effect;
    c.loop = loop;
    c.pitch = clampPitch(pitch);
    if (deviceOpen() && makeEffectBuffer(*e)) {
        c.source = acquireSource();
        if (!c.source) {
            logf("All %d sound channels are busy; a sound is dropped", kMaxSources);
            return 0;
        }
        setUpSource(c.source, volume, pan, c.pitch, loop);
        alSourcei(c.source, AL_BUFFER, static_cast<ALint>(e->buffer));
        alSourcePlay(c.source);
    }
    return addChannel(c);
}

HStream Engine::Stream_Load(const char* filename, std::uint32_t size) {
    using namespace desktop;
    if (!filename) return 0;
    Audio& a = audio();
    std::string key;
    if (!size) {
        key = cacheKey(filename);
        if (const std::uint32_t cached = takeCached(a.streamNames, a.streams, key)) return cached;
    }
    Stream s;
    if (!loadBytes(filename, size, s.bytes, "music")) return 0;
    const char* name = size ? "in memory" : filename;
    // Decodes only as far as the first frame: the file must be MP3 with a usable format.
    mpg123_handle* decoder = newDecoder();
    bool ok = false;
    if (decoder) {
        std::size_t pos = 0;
        unsigned char probe[4608];
        for (;;) {
            std::size_t done = 0;
            const int result = mpg123_read(decoder, probe, sizeof probe, &done);
            if (result == MPG123_NEW_FORMAT) {
                ok = readFormat(decoder, s.rate, s.channels);
                break;
            }
            if (result != MPG123_NEED_MORE || pos >= s.bytes.size()) break;
            feed(decoder, s.bytes, pos);
        }
        mpg123_delete(decoder);
    }
    if (!ok) {
        logf("Music %s is not a playable MP3 file", name);
        return 0;
    }
    s.name = key;
    s.references = 1;
    const HStream handle = a.streams.add(std::move(s));
    if (handle && !key.empty()) a.streamNames[key] = handle;
    return handle;
}

void Engine::Stream_Free(HStream stream) {
    using namespace desktop;
    Audio& a = audio();
    Stream* s = a.streams.get(stream);
    if (!s || --s->references > 0) return;
    releaseChannelsOf(0, stream);
    if (!s->name.empty()) a.streamNames.erase(s->name);
    a.streams.remove(stream);
}

HChannel Engine::Stream_Play(HStream stream, bool loop, int volume) {
    using namespace desktop;
    Audio& a = audio();
    if (!a.streams.get(stream)) return 0;
    Channel c;
    c.stream = stream;
    c.loop = loop;
    if (!deviceOpen()) return addChannel(c);
    c.source = acquireSource();
    if (!c.source) {
        logf("All %d sound channels are busy; music is dropped", kMaxSources);
        return 0;
    }
    auto* p = new StreamPlayer;
    p->decoder = newDecoder();
    alGetError();
    alGenBuffers(kRingBuffers, p->buffers.data());
    if (!p->decoder || alGetError() != AL_NO_ERROR) {
        logf("Can't start music");
        if (p->decoder) mpg123_delete(p->decoder);
        delete p;
        a.freeSources.push_back(c.source);
        return 0;
    }
    p->spare.assign(p->buffers.begin(), p->buffers.end());
    p->queued.reserve(kRingBuffers);
    p->scratch.resize(kRingFrames * 2);
    c.player = p;
    // Music ignores the source's own looping: the decoder loops the track.
    setUpSource(c.source, volume, 0, 1.0f, false);
    refillStream(c);
    return addChannel(c);
}

void Engine::Channel_SetPanning(HChannel channel, int pan) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (c && c->source) applyPan(c->source, pan);
}

void Engine::Channel_SetVolume(HChannel channel, int volume) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (c && c->source) alSourcef(c->source, AL_GAIN, gainOf(volume));
}

void Engine::Channel_SetPitch(HChannel channel, float pitch) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (!c) return;
    c->clockPos = clockPosition(*c);
    c->clockSince = clockSeconds();
    c->pitch = clampPitch(pitch);
    if (c->source) alSourcef(c->source, AL_PITCH, c->pitch);
}

void Engine::Channel_Pause(HChannel channel) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (!c || c->paused) return;
    c->clockPos = clockPosition(*c);
    c->paused = true;
    if (c->source && sourceState(c->source) == AL_PLAYING) alSourcePause(c->source);
}

void Engine::Channel_Resume(HChannel channel) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (!c || !c->paused) return;
    c->paused = false;
    c->clockSince = clockSeconds();
    if (c->source && sourceState(c->source) == AL_PAUSED) alSourcePlay(c->source);
}

void Engine::Channel_Stop(HChannel channel) { desktop::releaseChannel(channel); }

bool Engine::Channel_IsPlaying(HChannel channel) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (!c || c->paused) return false;
    if (!c->source) return !isFinished(*c);
    // A stream that ran dry for a moment is still playing: the next frame refills it.
    return sourceState(c->source) == AL_PLAYING || (c->player && !c->player->ended);
}

float Engine::Channel_GetPos(HChannel channel) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (!c) return 0.0f;
    if (!c->source) return clockPosition(*c);
    if (c->player) return streamPosition(*c);
    ALfloat seconds = 0.0f;
    alGetSourcef(c->source, AL_SEC_OFFSET, &seconds);
    return seconds;
}

void Engine::Channel_SetPos(HChannel channel, float seconds) {
    using namespace desktop;
    Channel* c = audio().channels.get(channel);
    if (!c) return;
    double target = std::isfinite(seconds) && seconds > 0.0f ? seconds : 0.0;
    const double length = effectSeconds(c->effect);
    if (c->effect && target >= length) target = c->loop && length > 0 ? std::fmod(target, length) : length;
    c->clockPos = target;
    c->clockSince = clockSeconds();
    if (!c->source) return;
    if (c->player) {
        const Stream* s = audio().streams.get(c->stream);
        if (s) seekStream(*c, static_cast<std::uint64_t>(target * static_cast<double>(s->rate)));
        return;
    }
    if (target >= length) {
        alSourceStop(c->source);
        return;
    }
    alSourcef(c->source, AL_SEC_OFFSET, static_cast<float>(target));
}
