// Deterministic random numbers and coherent noise (gradient noise, fractal sums, cellular noise).
#pragma once

#include <array>
#include <cstdint>

namespace art {

// A small seeded generator (SplitMix64): the same seed gives the same numbers on every run.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed) {}
    uint64_t Next();
    // Uniform in [0, 1).
    float Uniform();
    float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }
    // Uniform integer in [lo, hi].
    int Int(int lo, int hi);

private:
    uint64_t state;
};

// Gradient noise in two and three dimensions with values roughly in -1..1.
class Noise {
public:
    explicit Noise(uint64_t seed);
    float At(float x, float y) const;
    float At(float x, float y, float z) const;
    // Fractal sum of octaves, each twice the frequency and `gain` times the amplitude of the last;
    // normalised to roughly -1..1.
    float Fbm(float x, float y, int octaves, float gain = 0.5f) const;
    float Fbm(float x, float y, float z, int octaves, float gain = 0.5f) const;
    // Sum of absolute octaves folded into ridges, 0..1.
    float Ridged(float x, float y, int octaves) const;

private:
    std::array<uint8_t, 512> perm{};
};

// Cellular noise: distances to the nearest and second-nearest feature point of a jittered grid, in cell
// units, and an id of the nearest cell.
struct Cell {
    float f1 = 0, f2 = 0;
    uint32_t id = 0;
    float cx = 0, cy = 0;  // nearest feature point
};
Cell Cellular(float x, float y, uint64_t seed, float jitter = 1.0f);

// A hash of integers to 0..1, stable across runs.
float Hash01(int x, int y, uint64_t seed);

}  // namespace art
