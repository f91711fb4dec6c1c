// The game's sound effects: ball hits, bricks, laser, aliens, explosions and the boss.
#include "Catalogue.h"
#include "Instruments.h"

#include <algorithm>
#include <functional>
#include <string>

namespace snd {

namespace {

// Soft, low sounds are rendered at 22.05 kHz; those whose grit and sparkle reach past 10 kHz
// (bricks, the laser, explosions) at 44.1 kHz.
constexpr int32_t kLowRate = 22050;
constexpr int32_t kFullRate = 44100;
constexpr float kEffectQuality = 0.4f;
// Every effect's loudest 400 ms sits here; the spoken cues are set a little above.
constexpr double kEffectLoudness = -18.0;
// Peaks, between the samples too, stay below -2.5 dBFS: the encoder's own overshoot then keeps
// the file below -1 dBTP.
constexpr float kCeiling = 0.75f;

Buffer Blank(int32_t rate, double seconds) { return Buffer::MakeMono(rate, static_cast<size_t>(seconds * rate)); }

double TimeOf(size_t i, int32_t rate) { return static_cast<double>(i) / rate; }

// Mixes a room into a mono effect, keeping it mono.
void AddRoom(Buffer& sound, double amount, double size)
{
    const Buffer wet = RenderReverb(sound, size, 0.5, 0.0, 0);
    for (size_t i = 0; i < sound.Frames(); ++i) {
        sound.left[i] += static_cast<float>(amount * 0.5 * (wet.left[i] + wet.right[i]));
    }
}

// Rumble below hearing and any offset out, a few milliseconds of fade so no effect starts or
// stops on a step, and the common loudness.
void Finish(Buffer& sound, double lowCut = 40.0)
{
    HighPass4(sound.left, lowCut, sound.rate);
    const size_t fadeIn = std::min<size_t>(sound.Frames(), static_cast<size_t>(sound.rate / 1000));
    const size_t fadeOut = std::min<size_t>(sound.Frames(), static_cast<size_t>(sound.rate / 100));
    for (size_t i = 0; i < fadeIn; ++i) {
        sound.left[i] *= static_cast<float>(i) / static_cast<float>(fadeIn);
    }
    for (size_t i = 0; i < fadeOut; ++i) {
        sound.left[sound.Frames() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fadeOut);
    }
    Master(sound, kEffectLoudness, kCeiling);
}

// A struck metal bar: inharmonic partials, the higher ones dying first.
double StruckBar(double t, double f0, double decay)
{
    static constexpr double kRatios[] = {1.0, 2.76, 5.40, 8.93};
    static constexpr double kLevels[] = {1.0, 0.6, 0.35, 0.2};
    double y = 0.0;
    for (size_t k = 0; k < 4; ++k) {
        y += std::sin(kTwoPi * f0 * kRatios[k] * t) * kLevels[k] * std::exp(-t * (k + 1) / decay);
    }
    return y;
}

// Rubbery bonk of the ball on the paddle.
Buffer PaddleHit(int32_t rate)
{
    Buffer b = Blank(rate, 0.2);
    Rng rng(11);
    OnePole click;
    click.SetLowPass(3000.0, rate);
    double phase = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double f = 220.0 + 140.0 * std::exp(-t / 0.03);
        phase += f / rate;
        const double body = (std::sin(kTwoPi * phase) + 0.3 * std::sin(2.0 * kTwoPi * phase)) * Decay(t, 0.05, 0.2);
        const double tap = click.Low(rng.Bipolar()) * std::exp(-t / 0.004) * 1.5;
        b.left[i] = static_cast<float>(body + tap);
    }
    Finish(b);
    return b;
}

// Bright tink of the ball on a wall, one of four pentatonic pitches.
Buffer WallHit(int32_t rate, double hz, double modRatio)
{
    Buffer b = Blank(rate, 0.25);
    Rng rng(static_cast<uint64_t>(hz));
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double index = 2.0 * std::exp(-t / 0.02);
        const double tone = std::sin(kTwoPi * hz * t + index * std::sin(kTwoPi * hz * modRatio * t));
        const double tap = rng.Bipolar() * std::exp(-t / 0.002) * 0.4;
        b.left[i] = static_cast<float>(tone * Decay(t, 0.055, 0.25) + tap);
    }
    Finish(b);
    return b;
}

// A brick shattering: a glassy ping, a burst of grit and falling shards.
Buffer BrickBreak(int32_t rate)
{
    Buffer b = Blank(rate, 0.45);
    Rng rng(23);
    Biquad grit = Biquad::BandPass(3200.0, 0.9, rate);
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double ping = (std::sin(kTwoPi * 1760.0 * t) + 0.6 * std::sin(kTwoPi * 2637.0 * t)) * std::exp(-t / 0.04);
        const double burst = grit.Process(rng.Bipolar()) * Decay(t, 0.06, 0.45) * 2.0;
        b.left[i] = static_cast<float>(0.5 * ping + burst);
    }
    for (int32_t shard = 0; shard < 7; ++shard) {
        const size_t start = static_cast<size_t>((0.03 + rng.Uniform() * 0.3) * rate);
        const double hz = 2800.0 + rng.Uniform() * 3500.0;
        const double level = 0.25 + 0.25 * rng.Uniform();
        for (size_t i = start; i < b.Frames(); ++i) {
            const double t = TimeOf(i - start, rate);
            b.left[i] += static_cast<float>(level * std::sin(kTwoPi * hz * t) * Decay(t, 0.012, 0.06));
        }
    }
    Finish(b);
    return b;
}

// A clank on a hardened brick: struck metal with a dull knock.
Buffer MultiHit(int32_t rate)
{
    Buffer b = Blank(rate, 0.5);
    Rng rng(29);
    Biquad knock = Biquad::BandPass(1800.0, 1.2, rate);
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double metal = StruckBar(t, 430.0, 0.22) * Decay(t, 0.2, 0.5);
        const double hit = knock.Process(rng.Bipolar()) * std::exp(-t / 0.008) * 2.0;
        b.left[i] = static_cast<float>(metal + hit);
    }
    Finish(b);
    return b;
}

// The paddle's laser: a falling "pew".
Buffer Laser(int32_t rate)
{
    Buffer b = Blank(rate, 0.28);
    Svf filter;
    double pa = 0.0;
    double pb = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double f = 350.0 + 1900.0 * std::exp(-t / 0.06);
        pa += f / rate;
        pb += f * 1.007 / rate;
        pa -= std::floor(pa);
        pb -= std::floor(pb);
        const double source = PulseWave(pa, f / rate, 0.3) + 0.5 * SawWave(pb, f * 1.007 / rate);
        filter.Set(f * 3.0, 2.0, rate);
        b.left[i] = static_cast<float>(filter.Process(source).low * Decay(t, 0.08, 0.28));
    }
    Finish(b);
    return b;
}

// A bolt striking: a rising zap over sizzling noise.
Buffer LaserHit(int32_t rate)
{
    Buffer b = Blank(rate, 0.22);
    Rng rng(31);
    Biquad sizzle = Biquad::BandPass(4500.0, 1.0, rate);
    double phase = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double f = 800.0 + 2200.0 * std::min(1.0, t / 0.06);
        phase += f / rate;
        const double zap = std::sin(kTwoPi * phase) * std::sin(kTwoPi * 90.0 * t) * Decay(t, 0.05, 0.22);
        const double noise = sizzle.Process(rng.Bipolar()) * Decay(t, 0.03, 0.22) * 2.0;
        b.left[i] = static_cast<float>(0.7 * zap + noise);
    }
    Finish(b);
    return b;
}

// An alien warping in: a warbling glide upwards with a shimmer.
Buffer AlienRelease(int32_t rate)
{
    Buffer b = Blank(rate, 0.85);
    double phase = 0.0;
    double shimmer = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double glide = 300.0 * std::pow(4.0, std::min(1.0, t / 0.6));
        const double f = glide * (1.0 + 0.06 * std::sin(kTwoPi * 18.0 * t));
        phase += f / rate;
        shimmer += f * 2.01 / rate;
        const double env = std::min(1.0, t / 0.12) * Decay(t, 0.35, 0.85);
        b.left[i] = static_cast<float>((std::sin(kTwoPi * phase) + 0.3 * std::sin(kTwoPi * shimmer)) * env);
    }
    AddRoom(b, 0.5, 0.6);
    Finish(b);
    return b;
}

// The boss launching a shot: a deep thump, a falling growl and a short whistle.
Buffer BossShotRelease(int32_t rate)
{
    Buffer b = Blank(rate, 0.7);
    Rng rng(37);
    Svf filter;
    OnePole thumpFilter;
    thumpFilter.SetLowPass(400.0, rate);
    double growl = 0.0;
    double whistle = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double f = 60.0 + 80.0 * std::exp(-t / 0.15);
        growl += f / rate;
        growl -= std::floor(growl);
        filter.Set(300.0 + 1500.0 * std::exp(-t / 0.1), 3.0, rate);
        const double body = filter.Process(PulseWave(growl, f / rate, 0.5)).low * Decay(t, 0.2, 0.7);
        const double thump = thumpFilter.Low(rng.Bipolar()) * std::exp(-t / 0.03) * 3.0;
        const double wf = 900.0 + 1800.0 * std::min(1.0, t / 0.4);
        whistle += wf / rate;
        const double whistleEnv = std::max(0.0, std::sin(kPi * std::min(1.0, t / 0.5))) * 0.25;
        b.left[i] = static_cast<float>(body + thump + std::sin(kTwoPi * whistle) * whistleEnv);
    }
    AddRoom(b, 0.4, 0.6);
    Finish(b);
    return b;
}

// Renders one explosion into b from `start` seconds: a thump and a noise burst whose colour
// darkens as it dies.
void Blast(Buffer& b, double start, double size, double level, uint64_t seed)
{
    const int32_t rate = b.rate;
    Rng rng(seed);
    Svf filter;
    double phase = 0.0;
    const size_t first = static_cast<size_t>(start * rate);
    const double length = 0.6 + 0.8 * size;
    for (size_t i = first; i < b.Frames(); ++i) {
        const double t = TimeOf(i - first, rate);
        if (t >= length) {
            break;
        }
        if ((i - first) % 8 == 0) {
            filter.Set(180.0 + 5000.0 * std::exp(-t / (0.08 + 0.1 * size)), 0.8, rate);
        }
        const double noise = filter.Process(rng.Bipolar()).low * Decay(t, 0.15 + 0.25 * size, length);
        const double f = 40.0 + 60.0 * std::exp(-t / 0.05);
        phase += f / rate;
        const double thump = std::sin(kTwoPi * phase) * Decay(t, 0.12 + 0.1 * size, length);
        const double crackle = rng.Chance(44.0 / rate) ? rng.Bipolar() * 2.0 * std::exp(-t / 0.3) : 0.0;
        b.left[i] += static_cast<float>(level * (1.6 * noise + thump + crackle));
    }
}

// An alien bursting.
Buffer Explosion(int32_t rate)
{
    Buffer b = Blank(rate, 1.3);
    Blast(b, 0.0, 0.4, 1.0, 41);
    AddRoom(b, 0.3, 0.5);
    Finish(b);
    return b;
}

// A hit on the boss: a heavy metal strike over a short angry growl; four tunings.
Buffer BossHit(int32_t rate, double f0, double growlHz, double bend, uint64_t seed)
{
    Buffer b = Blank(rate, 0.75);
    Rng rng(seed);
    Svf filter;
    Biquad crunch = Biquad::BandPass(1200.0, 0.8, rate);
    double phase = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        const double metal = StruckBar(t, f0, 0.35) * Decay(t, 0.25, 0.75);
        const double f =
            growlHz * std::pow(2.0, bend * std::min(1.0, t / 0.4)) * (1.0 + 0.08 * std::sin(kTwoPi * 23.0 * t));
        phase += f / rate;
        phase -= std::floor(phase);
        filter.Set(1400.0, 1.5, rate);
        const double growl = std::tanh(2.5 * filter.Process(SawWave(phase, f / rate)).low) * Decay(t, 0.18, 0.75);
        const double hit = crunch.Process(rng.Bipolar()) * std::exp(-t / 0.02) * 2.5;
        b.left[i] = static_cast<float>(0.8 * metal + 0.6 * growl + hit);
    }
    AddRoom(b, 0.35, 0.7);
    Finish(b);
    return b;
}

// The boss's end: a chain of blasts, a power-down whine and a long rumble.
Buffer BossExplosion(int32_t rate)
{
    constexpr double kLength = 6.5;
    Buffer b = Blank(rate, kLength);
    static constexpr double kStarts[] = {0.0, 0.35, 0.8, 1.3, 1.9, 2.7};
    static constexpr double kSizes[] = {1.0, 0.6, 0.8, 0.5, 1.0, 0.7};
    for (size_t k = 0; k < std::size(kStarts); ++k) {
        Blast(b, kStarts[k], kSizes[k], 1.0 - 0.08 * static_cast<double>(k), 100 + k);
    }
    Rng rng(53);
    OnePole rumbleFilter;
    rumbleFilter.SetLowPass(120.0, rate);
    double brown = 0.0;
    double whine = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i, rate);
        brown = 0.995 * brown + 0.05 * rng.Bipolar();
        const double rumble = rumbleFilter.Low(brown) * 6.0 * std::min(1.0, t / 0.2) * Decay(t, 1.8, kLength);
        const double f = 30.0 + 500.0 * std::exp(-t / 0.9);
        whine += f / rate;
        whine -= std::floor(whine);
        const double power = SawWave(whine, f / rate) * 0.25 * std::min(1.0, t / 0.3) * Decay(t, 1.0, 3.5);
        b.left[i] += static_cast<float>(rumble + power);
    }
    AddRoom(b, 0.6, 0.9);
    // Its rumble reaches lowest of all: a steeper cut keeps it above 30 Hz.
    HighPass4(b.left, 45.0, rate);
    Finish(b, 45.0);
    return b;
}

}  // namespace

std::vector<Piece> EffectPieces()
{
    std::vector<Piece> pieces;
    const auto add = [&pieces](const char* file, int32_t rate, std::function<Buffer(int32_t)> render) {
        pieces.push_back({file, [rate, render] { return render(rate); }, kEffectQuality});
    };
    add("SFX_NormalBlock.ogg", kFullRate, BrickBreak);
    add("SFX_MultiHitBlock.ogg", kFullRate, MultiHit);
    add("SFX_Padhit_01.ogg", kLowRate, PaddleHit);
    add("SFX_Spillkanthit.ogg", kLowRate, [](int32_t rate) { return WallHit(rate, 1046.5, 1.41); });
    add("SFX_Spillkanthit2.ogg", kLowRate, [](int32_t rate) { return WallHit(rate, 1174.7, 1.73); });
    add("SFX_Spillkanthit3.ogg", kLowRate, [](int32_t rate) { return WallHit(rate, 1318.5, 1.41); });
    add("SFX_Spillkanthit4.ogg", kLowRate, [](int32_t rate) { return WallHit(rate, 1568.0, 2.13); });
    add("SFX_Explosion.ogg", kFullRate, Explosion);
    add("SFX_AlienReleasePER.ogg", kLowRate, BossShotRelease);
    add("SFX_AlienRelease.ogg", kLowRate, AlienRelease);
    add("FX_zogexplode.ogg", kFullRate, BossExplosion);
    add("zog_hit1.ogg", kLowRate, [](int32_t rate) { return BossHit(rate, 150.0, 55.0, -0.5, 61); });
    add("zog_hit2.ogg", kLowRate, [](int32_t rate) { return BossHit(rate, 175.0, 62.0, 0.4, 62); });
    add("zog_hit3.ogg", kLowRate, [](int32_t rate) { return BossHit(rate, 131.0, 49.0, -0.8, 63); });
    add("zog_hit4.ogg", kLowRate, [](int32_t rate) { return BossHit(rate, 196.0, 70.0, 0.25, 64); });
    add("SFX_Lazer.ogg", kFullRate, Laser);
    add("SFX_Lazerhit.ogg", kFullRate, LaserHit);
    return pieces;
}

}  // namespace snd
