// Deterministic random numbers and tiling noise for the generated data: the same seed gives
// the same bytes on every run.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace datagen {

// SplitMix64: small, fast, and good enough for placing stars and shaping noise.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Uniform in [-1, 1).
    float signedUnit() { return static_cast<float>(uniform() * 2.0 - 1.0); }

private:
    std::uint64_t state_;
};

// Value noise on an integer lattice that repeats every `period` cells in both directions,
// so anything built from it tiles seamlessly.
class TilingNoise {
public:
    TilingNoise(int period, std::uint64_t seed) : period_(period), values_(period * period) {
        Random random(seed);
        for (float& v : values_) v = static_cast<float>(random.uniform());
    }
    // x, y in lattice cells; smooth (quintic) interpolation.
    float at(double x, double y) const {
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
        const double tx = smooth(x - fx), ty = smooth(y - fy);
        const double a = lerp(cell(ix, iy), cell(ix + 1, iy), tx);
        const double b = lerp(cell(ix, iy + 1), cell(ix + 1, iy + 1), tx);
        return static_cast<float>(lerp(a, b, ty));
    }
    int period() const { return period_; }

private:
    static double smooth(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
    static double lerp(double a, double b, double t) { return a + (b - a) * t; }
    double cell(int x, int y) const {
        const int px = ((x % period_) + period_) % period_;
        const int py = ((y % period_) + period_) % period_;
        return values_[py * period_ + px];
    }
    int period_;
    std::vector<float> values_;
};

// Fractal sum of tiling noise: u, v in 0..1 across one tile; octave k uses period base << k.
inline float fbm(const std::vector<TilingNoise>& octaves, double u, double v, double gain = 0.5) {
    double sum = 0, amplitude = 1, norm = 0;
    for (const TilingNoise& n : octaves) {
        sum += amplitude * n.at(u * n.period(), v * n.period());
        norm += amplitude;
        amplitude *= gain;
    }
    return static_cast<float>(sum / norm);
}

inline std::vector<TilingNoise> makeOctaves(int basePeriod, int count, std::uint64_t seed) {
    std::vector<TilingNoise> octaves;
    for (int k = 0; k < count; ++k) octaves.emplace_back(basePeriod << k, seed * 131 + k);
    return octaves;
}

}  // namespace datagen
