// Building blocks for the game's sounds and music: oscillators, envelopes, filters and a
// reverb. Everything writes into plain float buffers at 44.1 kHz; looped material is mixed
// with wrap-around so that its end flows into its start.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "random.h"

namespace datagen {

constexpr int SampleRate = 44100;
constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2 * Pi;

using Samples = std::vector<float>;

struct Stereo {
    Samples left, right;
    explicit Stereo(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
};

inline double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }
inline size_t secondsToFrames(double s) { return static_cast<size_t>(std::lround(s * SampleRate)); }

// Band-limited sawtooth (polyBLEP) at `phase` in cycles with `increment` cycles per sample.
double sawWave(double phase, double increment);
// Band-limited square of duty 0.5.
double squareWave(double phase, double increment);
double triangleWave(double phase);

// Attack, decay to a sustain level, held until `length`, then a release; all in seconds.
struct Envelope {
    double attack = 0.01, decay = 0.1, sustain = 0.7, release = 0.2;
    double at(double t, double length) const;
};

// RBJ biquad filters.
class Biquad {
public:
    static Biquad lowPass(double hz, double q = 0.707);
    static Biquad highPass(double hz, double q = 0.707);
    static Biquad bandPass(double hz, double q);
    float process(float x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return static_cast<float>(y);
    }
    void retune(const Biquad& other) {
        b0_ = other.b0_, b1_ = other.b1_, b2_ = other.b2_, a1_ = other.a1_, a2_ = other.a2_;
    }

private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Runs `filter` over a looped buffer twice and keeps the second pass, so the filter's state
// at the start is the one the end leaves behind: the loop stays seamless.
template <typename Filter>
void filterLooped(Samples& buffer, Filter& filter) {
    for (float x : buffer) filter.process(x);
    for (float& x : buffer) x = filter.process(x);
}

// Mixes `note` into `target` from frame `start` with `gain` and pan -1 (left) .. 1 (right);
// with `wrap`, samples past the end continue at the start.
void mixInto(Stereo& target, const Samples& note, long start, float gain, float pan, bool wrap);
void mixInto(Samples& target, const Samples& note, long start, float gain, bool wrap);

// Stereo reverb (Schroeder/Moorer: parallel combs into all-passes); `looped` processes the
// buffer as a loop, otherwise the tail is cut at the buffer's end.
void addReverb(Stereo& buffer, float roomSize, float damping, float wet, bool looped);
// Stereo echo: `delaySeconds` between repeats, ping-ponging between the sides.
void addEcho(Stereo& buffer, double delaySeconds, float feedback, float wet, bool looped);

// Removes DC and rumble below ~20 Hz.
void removeDc(Samples& buffer, bool looped);
// Scales so the largest absolute sample is `peak`.
void normalize(Samples& buffer, float peak);
void normalize(Stereo& buffer, float peak);
// Short raised-cosine fades at both ends so a one-shot sound starts and ends in silence.
void fadeEdges(Samples& buffer, double fadeInSeconds, double fadeOutSeconds);

// --- Instruments: each returns a mono note of the given length plus its natural tail. ---

// Soft pad: detuned band-limited saws through a gentle low-pass.
Samples padNote(double hz, double length, double cutoffHz, const Envelope& env);
// Bell: two-operator FM with a decaying index.
Samples bellNote(double hz, double length, double ratio, double index, double decaySeconds);
// Plucked string (Karplus-Strong).
Samples pluckNote(double hz, double length, double damping, Random& random);
// Round bass: sine with a little second harmonic, low-passed.
Samples bassNote(double hz, double length, const Envelope& env, double drive);
// Lead: saw and square blend through a low-pass with a small vibrato.
Samples leadNote(double hz, double length, double cutoffHz, const Envelope& env);
Samples kick(double punch);
Samples snare(Random& random);
Samples hat(double length, Random& random);
// A soft shaker: band-passed noise swell.
Samples shaker(Random& random);

}  // namespace datagen
