#include "sounds.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <tuple>

namespace datagen {

namespace {

constexpr float EffectPeak = 0.84f;  // about -1.5 dBFS, headroom for the encoder

Samples silence(double seconds) { return Samples(secondsToFrames(seconds), 0.0f); }

// A sine sweep from `fromHz` to `toHz` (exponential) with an envelope, plus a softer fifth.
Samples sweep(double fromHz, double toHz, double seconds) {
    Samples out = silence(seconds);
    double phase = 0, phase2 = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SampleRate, u = t / seconds;
        const double hz = fromHz * std::pow(toHz / fromHz, u);
        phase += hz / SampleRate;
        phase2 += hz * 1.5 / SampleRate;
        const double env = std::sin(Pi * std::min(1.0, u * 4.0) / 2) * std::pow(1.0 - u, 1.5);
        out[i] = static_cast<float>(env * (0.8 * std::sin(TwoPi * phase) + 0.2 * triangleWave(phase2)));
    }
    return out;
}

Samples finishEffect(Samples s, double fadeOut, float peak) {
    removeDc(s, false);
    fadeEdges(s, 0.002, fadeOut);
    normalize(s, peak);
    return s;
}

}  // namespace

Samples navigateSound() {
    Samples out = silence(0.09);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double hz = 1245 + 250 * std::exp(-t / 0.01);
        const double env = std::exp(-t / 0.022);
        out[i] = static_cast<float>(env * (std::sin(TwoPi * hz * t) + 0.15 * std::sin(TwoPi * 2 * hz * t)));
    }
    return finishEffect(out, 0.015, EffectPeak * 0.6f);
}

Samples menuSelectSound() {
    Samples out = silence(0.6);
    mixInto(out, bellNote(midiToHz(81), 0.1, 2.0, 1.5, 0.12), 0, 0.8f, false);
    mixInto(out, bellNote(midiToHz(88), 0.2, 2.0, 1.8, 0.18), static_cast<long>(secondsToFrames(0.08)), 1.0f,
            false);
    mixInto(out, bellNote(midiToHz(93), 0.2, 3.0, 1.0, 0.2), static_cast<long>(secondsToFrames(0.16)), 0.6f,
            false);
    return finishEffect(out, 0.08, EffectPeak * 0.8f);
}

Samples selectSound() { return finishEffect(sweep(420, 1250, 0.22), 0.03, EffectPeak * 0.75f); }

Samples deselectSound() { return finishEffect(sweep(1000, 330, 0.22), 0.03, EffectPeak * 0.75f); }

Samples moveSound() {
    // Whole-hertz partials repeat exactly every second, so the loop has no seam.
    Samples out = silence(1.0);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double wobble = 0.75 + 0.25 * std::sin(TwoPi * 2 * t);
        const double v = std::sin(TwoPi * 110 * t) + 0.45 * std::sin(TwoPi * 220 * t + 0.3) +
                         0.25 * std::sin(TwoPi * 165 * t + 1.1) + 0.12 * std::sin(TwoPi * 331 * t) +
                         0.08 * std::sin(TwoPi * 442 * t + 2.0);
        out[i] = static_cast<float>(v * wobble);
    }
    // A breath of looped, band-passed noise on top.
    Random random(77);
    Samples noise = silence(1.0);
    for (float& x : noise) x = random.signedUnit();
    Biquad band = Biquad::bandPass(900, 1.5);
    filterLooped(noise, band);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        out[i] += noise[i] * static_cast<float>(0.5 + 0.3 * std::sin(TwoPi * 3 * t));
    }
    removeDc(out, true);
    normalize(out, EffectPeak * 0.7f);
    return out;
}

Samples explodeSound() {
    Random random(1234);
    Samples out = silence(1.8);
    Biquad rumble = Biquad::lowPass(4000, 0.8);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        // Boom: a falling sine.
        phase += (32 + 70 * std::exp(-t / 0.12)) / SampleRate;
        const double boom = std::sin(TwoPi * phase) * std::exp(-t / 0.45);
        // Noise whose brightness falls away.
        if (i % 64 == 0) rumble.retune(Biquad::lowPass(250 + 3800 * std::exp(-t / 0.18), 0.8));
        const double noise = rumble.process(random.signedUnit()) * std::exp(-t / 0.5);
        out[i] = static_cast<float>(boom * 0.9 + noise * 1.2);
    }
    // Crackle: sparse short clicks of filtered noise that thin out.
    for (int k = 0; k < 60; ++k) {
        const double at = 0.05 + 1.1 * std::pow(random.uniform(), 1.8);
        Samples grain = silence(0.012);
        Biquad band = Biquad::bandPass(random.range(1500, 5000), 2.0);
        for (size_t i = 0; i < grain.size(); ++i)
            grain[i] = band.process(random.signedUnit()) *
                       static_cast<float>(std::sin(Pi * static_cast<double>(i) / grain.size()));
        mixInto(out, grain, static_cast<long>(secondsToFrames(at)),
                static_cast<float>(0.9 * std::exp(-at / 0.6)), false);
    }
    return finishEffect(out, 0.3, EffectPeak);
}

Samples increaseSound() {
    Samples out = silence(1.0);
    for (int beep = 0; beep < 6; ++beep) {
        const double hz = beep % 2 == 0 ? 988 : 740;
        Samples tone = silence(0.13);
        Biquad soften = Biquad::lowPass(3500, 0.7);
        for (size_t i = 0; i < tone.size(); ++i) {
            const double t = static_cast<double>(i) / SampleRate;
            const double inc = hz / SampleRate;
            tone[i] = soften.process(
                static_cast<float>(0.5 * squareWave(hz * t, inc) + 0.5 * std::sin(TwoPi * hz * t)));
        }
        fadeEdges(tone, 0.006, 0.02);
        mixInto(out, tone, static_cast<long>(secondsToFrames(beep * 0.15)), 1.0f, false);
    }
    return finishEffect(out, 0.05, EffectPeak * 0.6f);
}

namespace {

constexpr float MusicPeak = 0.84f;

// A looped piece: bars of four beats at a fixed tempo, mixed with wrap-around.
struct Song {
    double beatSeconds;
    Stereo mix;
    Song(double bpm, int bars) : beatSeconds(60.0 / bpm), mix(secondsToFrames(bars * 4 * 60.0 / bpm)) {}
    long frameAt(double beat) const {
        return static_cast<long>(std::lround(beat * beatSeconds * SampleRate));
    }
    void add(const Samples& note, double beat, float gain, float pan) {
        mixInto(mix, note, frameAt(beat), gain, pan, true);
    }
    // A note made once per distinct `key` and reused: pieces repeat their chords.
    const Samples& note(const std::string& key, const std::function<Samples()>& make) {
        auto it = notes.find(key);
        if (it == notes.end()) it = notes.emplace(key, make()).first;
        return it->second;
    }
    std::map<std::string, Samples> notes;
    Stereo finish(float reverbRoom, float reverbWet) {
        addReverb(mix, reverbRoom, 0.35f, reverbWet, true);
        removeDc(mix.left, true);
        removeDc(mix.right, true);
        normalize(mix, MusicPeak);
        return std::move(mix);
    }
};

// A cache key from an instrument's name and its parameters.
template <typename... Values>
std::string noteKey(const char* instrument, Values... values) {
    std::string key = instrument;
    ((key += "," + std::to_string(values)), ...);
    return key;
}

struct Chord {
    int bass;
    std::vector<int> tones;
};

}  // namespace

Stereo menuMusic() {
    // 64 beats a minute, sixteen bars: exactly 60 seconds.
    Song song(64, 16);
    const std::vector<Chord> chords{
        {45, {57, 60, 64, 71}}, {41, {53, 57, 60, 64}}, {48, {55, 59, 60, 64}}, {43, {55, 59, 62, 64}},
        {45, {57, 60, 64, 67}}, {50, {57, 60, 62, 65}}, {41, {53, 57, 60, 64}}, {40, {56, 59, 62, 64}},
    };
    const Envelope padEnv{1.8, 1.0, 0.8, 3.0};
    const Envelope bassEnv{0.3, 0.5, 0.7, 1.2};
    // Bell figure per bar: (beat, chord tone, octave up).
    const std::vector<std::pair<double, int>> figure{{0.0, 3}, {1.5, 1}, {2.0, 2}, {3.0, 0}};
    const std::vector<std::pair<double, int>> answer{{0.5, 2}, {1.0, 3}, {2.5, 1}};
    for (size_t c = 0; c < chords.size(); ++c) {
        const Chord& chord = chords[c];
        const double start = static_cast<double>(c) * 8;
        const double length = 8 * song.beatSeconds;
        for (size_t k = 0; k < chord.tones.size(); ++k)
            song.add(song.note(noteKey("pad", chord.tones[k], length, 1400),
                               [&] { return padNote(midiToHz(chord.tones[k]), length, 1400, padEnv); }),
                     start, 0.11f, static_cast<float>(k) / 1.5f - 1.0f);
        for (int bar = 0; bar < 2; ++bar) {
            song.add(song.note(noteKey("bass", chord.bass),
                               [&] {
                                   return bassNote(midiToHz(chord.bass - 12), 3.6 * song.beatSeconds, bassEnv,
                                                   1.2);
                               }),
                     start + bar * 4, 0.45f, 0.0f);
            const auto& notes = bar == 0 ? figure : answer;
            for (const auto& [beat, tone] : notes)
                song.add(
                    song.note(noteKey("bell", chord.tones[tone]),
                              [&] { return bellNote(midiToHz(chord.tones[tone] + 12), 0.1, 3.5, 1.2, 0.9); }),
                    start + bar * 4 + beat, 0.16f, tone % 2 == 0 ? -0.35f : 0.35f);
        }
    }
    addEcho(song.mix, song.beatSeconds * 0.75, 0.45f, 0.35f, true);
    return song.finish(0.86f, 0.5f);
}

Stereo instructionsMusic() {
    // 90 beats a minute, twenty-four bars: 64 seconds.
    Song song(90, 24);
    const std::vector<Chord> chords{
        {50, {62, 66, 69, 73}}, {47, {59, 62, 66, 69}}, {43, {59, 62, 66, 67}}, {45, {57, 61, 64, 69}},
        {50, {62, 66, 69, 73}}, {47, {59, 62, 66, 69}}, {43, {59, 62, 66, 67}}, {45, {57, 61, 64, 67}},
        {52, {59, 62, 64, 67}}, {54, {61, 64, 66, 69}}, {43, {59, 62, 66, 67}}, {45, {57, 61, 64, 69}},
    };
    Random random(2024);
    const Envelope padEnv{1.2, 0.8, 0.7, 2.0};
    const Envelope bassEnv{0.05, 0.4, 0.6, 0.5};
    // Up-and-down arpeggio in eighths over two octaves of the chord.
    const std::vector<int> pattern{0, 1, 2, 3, 4, 3, 2, 1};
    for (size_t c = 0; c < chords.size(); ++c) {
        const Chord& chord = chords[c];
        const double start = static_cast<double>(c) * 8;
        for (size_t k = 0; k < chord.tones.size(); ++k)
            song.add(song.note(noteKey("pad", chord.tones[k]),
                               [&] {
                                   return padNote(midiToHz(chord.tones[k] - 12), 8 * song.beatSeconds, 900,
                                                  padEnv);
                               }),
                     start, 0.07f, static_cast<float>(k) / 1.5f - 1.0f);
        for (int bar = 0; bar < 2; ++bar) {
            song.add(song.note(noteKey("bass", chord.bass, 1.8),
                               [&] {
                                   return bassNote(midiToHz(chord.bass - 12), 1.8 * song.beatSeconds, bassEnv,
                                                   1.0);
                               }),
                     start + bar * 4, 0.4f, 0.0f);
            song.add(song.note(noteKey("bass", chord.bass, 1.6),
                               [&] {
                                   return bassNote(midiToHz(chord.bass - 12), 1.6 * song.beatSeconds, bassEnv,
                                                   1.0);
                               }),
                     start + bar * 4 + 2.5, 0.3f, 0.0f);
            for (size_t step = 0; step < pattern.size(); ++step) {
                const int index = pattern[step];
                const int note =
                    index < 4 ? chord.tones[static_cast<size_t>(index)] + 12 : chord.tones[0] + 24;
                const double beat = start + bar * 4 + static_cast<double>(step) * 0.5;
                song.add(pluckNote(midiToHz(note), 1.6, 0.996, random), beat, step == 0 ? 0.34f : 0.26f,
                         step % 2 == 0 ? -0.3f : 0.3f);
            }
            for (int off = 0; off < 4; ++off)
                song.add(shaker(random), start + bar * 4 + off + 0.5, 0.05f, 0.5f);
        }
    }
    addEcho(song.mix, song.beatSeconds * 1.5, 0.35f, 0.25f, true);
    return song.finish(0.8f, 0.4f);
}

Stereo playMusic() {
    // 120 beats a minute, thirty-two bars: 64 seconds. Intro (drums, bass, pad), main part
    // with snare and arpeggio, a lead line, and a lighter break that leads back to the top.
    Song song(120, 32);
    const std::vector<Chord> chords{
        {40, {64, 67, 71, 74}}, {36, {60, 64, 67, 71}}, {43, {62, 67, 71, 74}}, {38, {62, 66, 69, 72}}};
    Random random(99);
    const Envelope padEnv{0.6, 0.5, 0.7, 1.0};
    const Envelope bassEnv{0.005, 0.12, 0.6, 0.05};
    const Envelope arpEnv{0.004, 0.08, 0.3, 0.06};
    const Envelope leadEnv{0.03, 0.2, 0.75, 0.25};
    const Samples kickNote = kick(1.0);
    const std::vector<int> arpPattern{0, 1, 2, 3, 2, 1, 2, 3, 0, 2, 1, 3, 2, 0, 3, 1};
    // Lead line over bars 16..23: (bar within the 8, beat, note, beats).
    const std::vector<std::tuple<int, double, int, double>> lead{
        {0, 0, 76, 1.5}, {0, 1.5, 79, 1.0}, {0, 2.5, 83, 1.5}, {1, 0, 79, 2.0}, {1, 2, 76, 2.0},
        {2, 0, 74, 1.5}, {2, 1.5, 79, 1.0}, {2, 2.5, 83, 1.5}, {3, 0, 81, 3.0}, {3, 3, 78, 1.0},
        {4, 0, 76, 1.5}, {4, 1.5, 79, 1.0}, {4, 2.5, 83, 1.5}, {5, 0, 84, 2.0}, {5, 2, 83, 2.0},
        {6, 0, 79, 1.5}, {6, 1.5, 81, 1.0}, {6, 2.5, 83, 1.5}, {7, 0, 78, 2.0}, {7, 2, 81, 2.0}};
    for (int bar = 0; bar < 32; ++bar) {
        const Chord& chord = chords[static_cast<size_t>(bar % 4)];
        const double start = bar * 4.0;
        const bool intro = bar < 8, breakdown = bar >= 24;
        for (size_t k = 0; k < chord.tones.size(); ++k)
            song.add(song.note(noteKey("pad", chord.tones[k], breakdown),
                               [&] {
                                   return padNote(midiToHz(chord.tones[k] - 12), 4 * song.beatSeconds,
                                                  breakdown ? 1600 : 1100, padEnv);
                               }),
                     start, breakdown ? 0.09f : 0.06f, static_cast<float>(k) / 1.5f - 1.0f);
        // Bass in eighths, octave jumps on the off-beats.
        if (!breakdown || bar >= 28)
            for (int step = 0; step < 8; ++step) {
                const int note = chord.bass - 12 + (step % 2 == 1 ? 12 : 0);
                song.add(
                    song.note(noteKey("bass", note),
                              [&] { return bassNote(midiToHz(note), 0.4 * song.beatSeconds, bassEnv, 2.0); }),
                    start + step * 0.5, 0.32f, 0.0f);
            }
        // Drums.
        for (int beat = 0; beat < 4; ++beat) {
            if (!breakdown || beat % 2 == 0 || bar >= 30) song.add(kickNote, start + beat, 0.62f, 0.0f);
            if (!intro && !breakdown && beat % 2 == 1) song.add(snare(random), start + beat, 0.32f, 0.1f);
        }
        const int hatSteps = intro ? 8 : 16;
        for (int step = 0; step < hatSteps; ++step) {
            const bool accent = step % (hatSteps / 4) == hatSteps / 8;
            song.add(hat(accent ? 0.05 : 0.025, random), start + step * 4.0 / hatSteps,
                     accent ? 0.14f : 0.08f, 0.35f);
        }
        // Arpeggio in sixteenths, its filter opening and closing over eight bars.
        if (!intro) {
            const double cutoff = 1400 + 1200 * std::sin(TwoPi * (bar % 8) / 8.0);
            for (int step = 0; step < 16; ++step) {
                const int note = chord.tones[static_cast<size_t>(arpPattern[static_cast<size_t>(step)])] +
                                 (step >= 8 ? 12 : 0);
                song.add(
                    song.note(
                        noteKey("arp", note, cutoff),
                        [&] { return leadNote(midiToHz(note), 0.18 * song.beatSeconds, cutoff, arpEnv); }),
                    start + step * 0.25, breakdown ? 0.07f : 0.1f, step % 2 == 0 ? -0.45f : 0.45f);
            }
        }
    }
    for (const auto& [bar, beat, note, beats] : lead)
        song.add(leadNote(midiToHz(note), beats * song.beatSeconds * 0.95, 2600, leadEnv),
                 (16 + bar) * 4.0 + beat, 0.13f, 0.0f);
    addEcho(song.mix, song.beatSeconds * 0.75, 0.3f, 0.2f, true);
    return song.finish(0.7f, 0.25f);
}

}  // namespace datagen
