// The game's random generator: a 31-bit multiplicative congruential sequence (multiplier 48271),
// stepped with Schrage's method so every result is reproduced bit for bit.
#include "framework/system/Random.h"

namespace {

constexpr int32_t kModulus = 2147483647;  // 2^31 - 1
constexpr int32_t kMultiplier = 48271;
constexpr int32_t kQuotient = 44488;  // kModulus / kMultiplier
constexpr int32_t kRemainder = 3399;  // kModulus % kMultiplier
constexpr int32_t kStartState = 4660;

int32_t& GeneratorState()
{
    static int32_t state = kStartState;
    return state;
}

int32_t Step()
{
    int32_t& s = GeneratorState();
    s = (s % kQuotient) * kMultiplier - (s / kQuotient) * kRemainder;
    if (s < 0) s += kModulus;
    return s;
}

}  // namespace

void SeedRandom(int32_t seed)
{
    int32_t s = seed & 0x7FFFFFFF;
    if (s == 0 || s == 0x7FFFFFFF) s = kStartState;
    GeneratorState() = s;
}

double RandomUnit()
{
    const int32_t s1 = Step();
    const int32_t s2 = Step();
    return ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
}

int32_t RandomInt(int32_t low, int32_t high)
{
    const double u = RandomUnit();
    // The difference in 64 bits: bounds far apart must not overflow.
    const int64_t d = static_cast<int64_t>(high) - low;
    if (d > 0) return static_cast<int32_t>(low + static_cast<int64_t>(u * static_cast<double>(d + 1)));
    return static_cast<int32_t>(high + static_cast<int64_t>(u * static_cast<double>(1 - d)));
}

int32_t RandomState() { return GeneratorState(); }
