#include "synth.h"

#include <algorithm>
#include <array>

namespace datagen {

namespace {

double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double fraction(double x) { return x - std::floor(x); }

// A comb filter with a damped feedback path, for the reverb.
class Comb {
public:
    explicit Comb(size_t length) : buffer_(length, 0.0f) {}
    float process(float x, float feedback, float damping) {
        const float out = buffer_[index_];
        store_ = out * (1 - damping) + store_ * damping;
        buffer_[index_] = x + store_ * feedback;
        if (++index_ == buffer_.size()) index_ = 0;
        return out;
    }

private:
    Samples buffer_;
    size_t index_ = 0;
    float store_ = 0;
};

class AllPass {
public:
    explicit AllPass(size_t length) : buffer_(length, 0.0f) {}
    float process(float x) {
        const float delayed = buffer_[index_];
        const float out = delayed - x;
        buffer_[index_] = x + delayed * 0.5f;
        if (++index_ == buffer_.size()) index_ = 0;
        return out;
    }

private:
    Samples buffer_;
    size_t index_ = 0;
};

// One channel of the reverb; the stereo spread offsets the delay lengths.
class ReverbChannel {
public:
    ReverbChannel(int spread, float roomSize, float damping) : feedback_(roomSize), damping_(damping) {
        static constexpr std::array<int, 8> combLengths{1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static constexpr std::array<int, 4> allPassLengths{556, 441, 341, 225};
        for (int n : combLengths) combs_.emplace_back(static_cast<size_t>(n + spread));
        for (int n : allPassLengths) allPasses_.emplace_back(static_cast<size_t>(n + spread));
    }
    float process(float x) {
        float sum = 0;
        for (Comb& c : combs_) sum += c.process(x * 0.015f, feedback_, damping_);
        for (AllPass& a : allPasses_) sum = a.process(sum);
        return sum;
    }

private:
    std::vector<Comb> combs_;
    std::vector<AllPass> allPasses_;
    float feedback_, damping_;
};

// A looped effect's state at the start is what the loop's end leaves in it; its tails
// have died away (below -100 dB) after this long, so the end alone warms it up.
constexpr double WarmUpSeconds = 12.0;

size_t warmUpStart(size_t frames) {
    const size_t warmUp = secondsToFrames(WarmUpSeconds);
    return frames > warmUp ? frames - warmUp : 0;
}

}  // namespace

double sawWave(double phase, double increment) {
    const double t = fraction(phase);
    return 2.0 * t - 1.0 - polyBlep(t, increment);
}

double squareWave(double phase, double increment) {
    const double t = fraction(phase);
    double v = t < 0.5 ? 1.0 : -1.0;
    v += polyBlep(t, increment);
    v -= polyBlep(fraction(t + 0.5), increment);
    return v;
}

double triangleWave(double phase) {
    const double t = fraction(phase);
    return t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t;
}

double Envelope::at(double t, double length) const {
    auto held = [&](double s) {
        if (s < attack) return s / attack;
        if (s < attack + decay) return 1.0 - (1.0 - sustain) * (s - attack) / decay;
        return sustain;
    };
    if (t < 0) return 0;
    if (t < length) return held(t);
    const double r = t - length;
    if (r >= release) return 0;
    return held(length) * (1.0 - r / release);
}

Biquad Biquad::lowPass(double hz, double q) {
    const double w = TwoPi * std::min(hz, SampleRate * 0.45) / SampleRate;
    const double alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    Biquad f;
    f.b0_ = (1 - c) / 2 / a0;
    f.b1_ = (1 - c) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2 * c / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::highPass(double hz, double q) {
    const double w = TwoPi * hz / SampleRate;
    const double alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    Biquad f;
    f.b0_ = (1 + c) / 2 / a0;
    f.b1_ = -(1 + c) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2 * c / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::bandPass(double hz, double q) {
    const double w = TwoPi * std::min(hz, SampleRate * 0.45) / SampleRate;
    const double alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    Biquad f;
    f.b0_ = alpha / a0;
    f.b1_ = 0;
    f.b2_ = -alpha / a0;
    f.a1_ = -2 * c / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

void mixInto(Stereo& target, const Samples& note, long start, float gain, float pan, bool wrap) {
    const long n = static_cast<long>(target.frames());
    // Equal-power pan.
    const double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * Pi / 4;
    const float gl = gain * static_cast<float>(std::cos(angle)),
                gr = gain * static_cast<float>(std::sin(angle));
    long at = wrap ? ((start % n) + n) % n : start;
    for (size_t i = 0; i < note.size(); ++i, ++at) {
        if (wrap && at == n) at = 0;
        if (at < 0 || at >= n) continue;
        target.left[at] += note[i] * gl;
        target.right[at] += note[i] * gr;
    }
}

void mixInto(Samples& target, const Samples& note, long start, float gain, bool wrap) {
    const long n = static_cast<long>(target.size());
    long at = wrap ? ((start % n) + n) % n : start;
    for (size_t i = 0; i < note.size(); ++i, ++at) {
        if (wrap && at == n) at = 0;
        if (at < 0 || at >= n) continue;
        target[at] += note[i] * gain;
    }
}

void addReverb(Stereo& buffer, float roomSize, float damping, float wet, bool looped) {
    ReverbChannel left(0, roomSize, damping), right(23, roomSize, damping);
    const size_t n = buffer.frames();
    if (looped)
        for (size_t i = warmUpStart(n); i < n; ++i) {
            const float mono = buffer.left[i] + buffer.right[i];
            left.process(mono);
            right.process(mono);
        }
    Stereo out(n);
    for (size_t i = 0; i < n; ++i) {
        const float mono = buffer.left[i] + buffer.right[i];
        out.left[i] = left.process(mono);
        out.right[i] = right.process(mono);
    }
    for (size_t i = 0; i < n; ++i) {
        buffer.left[i] += wet * out.left[i];
        buffer.right[i] += wet * out.right[i];
    }
}

void addEcho(Stereo& buffer, double delaySeconds, float feedback, float wet, bool looped) {
    const size_t n = buffer.frames(), delay = secondsToFrames(delaySeconds);
    Samples lineL(delay, 0.0f), lineR(delay, 0.0f);
    size_t index = 0;
    Biquad toneL = Biquad::lowPass(3500), toneR = Biquad::lowPass(3500);
    Stereo out(n);
    // The first pass over a loop's end only fills the delay lines.
    for (int pass = looped ? 0 : 1; pass < 2; ++pass)
        for (size_t i = pass == 0 ? warmUpStart(n) : 0; i < n; ++i) {
            const float dl = lineL[index], dr = lineR[index];
            // Ping-pong: what leaves the left line feeds the right one.
            lineL[index] = toneL.process(buffer.left[i] * 0.5f + dr * feedback);
            lineR[index] = toneR.process(buffer.right[i] * 0.5f + dl * feedback);
            if (++index == delay) index = 0;
            if (pass == 1) {
                out.left[i] = dl;
                out.right[i] = dr;
            }
        }
    for (size_t i = 0; i < n; ++i) {
        buffer.left[i] += wet * out.left[i];
        buffer.right[i] += wet * out.right[i];
    }
}

void removeDc(Samples& buffer, bool looped) {
    Biquad highPass = Biquad::highPass(20.0);
    if (looped) {
        filterLooped(buffer, highPass);
    } else {
        for (float& x : buffer) x = highPass.process(x);
    }
}

void normalize(Samples& buffer, float peak) {
    float largest = 0;
    for (float x : buffer) largest = std::max(largest, std::fabs(x));
    if (largest <= 0) return;
    for (float& x : buffer) x *= peak / largest;
}

void normalize(Stereo& buffer, float peak) {
    float largest = 0;
    for (size_t i = 0; i < buffer.frames(); ++i)
        largest = std::max({largest, std::fabs(buffer.left[i]), std::fabs(buffer.right[i])});
    if (largest <= 0) return;
    for (size_t i = 0; i < buffer.frames(); ++i) {
        buffer.left[i] *= peak / largest;
        buffer.right[i] *= peak / largest;
    }
}

void fadeEdges(Samples& buffer, double fadeInSeconds, double fadeOutSeconds) {
    const size_t in = std::min(buffer.size(), secondsToFrames(fadeInSeconds));
    const size_t out = std::min(buffer.size(), secondsToFrames(fadeOutSeconds));
    for (size_t i = 0; i < in; ++i) buffer[i] *= static_cast<float>(0.5 - 0.5 * std::cos(Pi * i / in));
    for (size_t i = 0; i < out; ++i)
        buffer[buffer.size() - 1 - i] *= static_cast<float>(0.5 - 0.5 * std::cos(Pi * i / out));
}

Samples padNote(double hz, double length, double cutoffHz, const Envelope& env) {
    const size_t n = secondsToFrames(length + env.release);
    Samples out(n);
    static constexpr std::array<double, 3> detune{-0.0045, 0.0, 0.0052};
    std::array<double, 3> phases{0.13, 0.57, 0.81};
    Biquad filter = Biquad::lowPass(cutoffHz, 0.6), filter2 = Biquad::lowPass(cutoffHz, 0.6);
    for (size_t i = 0; i < n; ++i) {
        double v = 0;
        for (size_t k = 0; k < detune.size(); ++k) {
            const double inc = hz * (1 + detune[k]) / SampleRate;
            v += sawWave(phases[k], inc);
            phases[k] += inc;
            if (phases[k] >= 1) phases[k] -= 1;
        }
        const double t = static_cast<double>(i) / SampleRate;
        out[i] = filter2.process(filter.process(static_cast<float>(v / 3.0))) *
                 static_cast<float>(env.at(t, length));
    }
    return out;
}

Samples bellNote(double hz, double length, double ratio, double index, double decaySeconds) {
    const size_t n = secondsToFrames(length + decaySeconds * 4);
    Samples out(n);
    // Exponential decays as per-sample factors; phases kept within one turn.
    const double ampFactor = std::exp(-1.0 / (decaySeconds * SampleRate));
    const double indexFactor = std::exp(-1.0 / (decaySeconds * 0.4 * SampleRate));
    const double carrierInc = hz / SampleRate, modInc = hz * ratio / SampleRate;
    double amp = 1, modIndex = index, carrier = 0, mod = 0;
    for (size_t i = 0; i < n; ++i) {
        const double attack = std::min(1.0, static_cast<double>(i) / (0.002 * SampleRate));
        out[i] =
            static_cast<float>(attack * amp * std::sin(TwoPi * carrier + modIndex * std::sin(TwoPi * mod)));
        amp *= ampFactor;
        modIndex *= indexFactor;
        carrier += carrierInc;
        if (carrier >= 1) carrier -= 1;
        mod += modInc;
        if (mod >= 1) mod -= 1;
    }
    fadeEdges(out, 0, std::min(0.05, length + decaySeconds * 4));
    return out;
}

Samples pluckNote(double hz, double length, double damping, Random& random) {
    const size_t n = secondsToFrames(length);
    const double period = SampleRate / hz;
    const size_t delay = std::max<size_t>(2, static_cast<size_t>(period));
    const double frac = period - static_cast<double>(delay);
    Samples line(delay + 1);
    // A soft, low-passed burst excites the string.
    float previous = 0;
    for (float& v : line) {
        previous = previous * 0.6f + random.signedUnit() * 0.4f;
        v = previous;
    }
    Samples out(n);
    size_t index = 0;
    float last = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t next = (index + 1) % line.size();
        const float a = line[index], b = line[next];
        const float y = static_cast<float>(a + (b - a) * frac);
        const float averaged = static_cast<float>(damping) * 0.5f * (y + last);
        last = y;
        out[i] = a;
        line[index] = averaged;
        index = next;
    }
    fadeEdges(out, 0.002, std::min(0.08, length));
    return out;
}

Samples bassNote(double hz, double length, const Envelope& env, double drive) {
    const size_t n = secondsToFrames(length + env.release);
    Samples out(n);
    Biquad filter = Biquad::lowPass(900, 0.7);
    const double norm = 1.0 / std::tanh(drive), inc = hz / SampleRate;
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        double v = std::sin(TwoPi * phase) + 0.3 * std::sin(2 * TwoPi * phase) + 0.15 * triangleWave(phase);
        v = std::tanh(v * drive) * norm;
        phase += inc;
        if (phase >= 1) phase -= 1;
        out[i] = filter.process(static_cast<float>(v * env.at(t, length)));
    }
    return out;
}

Samples leadNote(double hz, double length, double cutoffHz, const Envelope& env) {
    const size_t n = secondsToFrames(length + env.release);
    Samples out(n);
    Biquad filter = Biquad::lowPass(cutoffHz, 1.2);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double vibrato = 1.0 + 0.004 * std::sin(TwoPi * 5.5 * t) * std::min(1.0, t / 0.3);
        const double inc = hz * vibrato / SampleRate;
        const double v = 0.6 * sawWave(phase, inc) + 0.4 * squareWave(phase, inc);
        phase += inc;
        out[i] = filter.process(static_cast<float>(v * env.at(t, length)));
    }
    return out;
}

Samples kick(double punch) {
    const size_t n = secondsToFrames(0.45);
    Samples out(n);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double hz = 45 + 110 * std::exp(-t / 0.035);
        phase += hz / SampleRate;
        const double amp = std::exp(-t / 0.16) * std::min(1.0, t / 0.001);
        const double click = punch * std::exp(-t / 0.004);
        out[i] = static_cast<float>(amp * std::sin(TwoPi * phase) + click * std::sin(TwoPi * 1800 * t) * 0.3);
    }
    fadeEdges(out, 0, 0.03);
    return out;
}

Samples snare(Random& random) {
    const size_t n = secondsToFrames(0.3);
    Samples out(n);
    Biquad band = Biquad::bandPass(2400, 0.8);
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double noise = band.process(random.signedUnit()) * std::exp(-t / 0.07);
        const double tone = std::sin(TwoPi * 185 * t) * std::exp(-t / 0.05) * 0.5;
        out[i] = static_cast<float>((noise * 1.6 + tone) * std::min(1.0, t / 0.0015));
    }
    fadeEdges(out, 0, 0.03);
    return out;
}

Samples hat(double length, Random& random) {
    const size_t n = secondsToFrames(length * 4);
    Samples out(n);
    Biquad high = Biquad::highPass(7000, 0.7);
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        out[i] = static_cast<float>(high.process(random.signedUnit()) * std::exp(-t / length) *
                                    std::min(1.0, t / 0.001));
    }
    fadeEdges(out, 0, 0.01);
    return out;
}

Samples shaker(Random& random) {
    const size_t n = secondsToFrames(0.18);
    Samples out(n);
    Biquad band = Biquad::bandPass(6000, 1.2);
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double env = std::sin(Pi * t / 0.18);
        out[i] = static_cast<float>(band.process(random.signedUnit()) * env * env);
    }
    return out;
}

}  // namespace datagen
