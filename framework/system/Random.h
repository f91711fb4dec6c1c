// The game's random generator: a 31-bit Park-Miller sequence, reproduced exactly.
#pragma once

#include <cstdint>

void SeedRandom(int32_t seed);
// Uniform in [0, 1), two generator steps.
double RandomUnit();
// Uniform between low and high inclusive, bounds in either order, always two steps.
int32_t RandomInt(int32_t low, int32_t high);
// The generator's state, for tests and traces.
int32_t RandomState();
