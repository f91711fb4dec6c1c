// The game's sound effects: ball hits, bricks, laser, aliens, explosions and the boss.
#include "Catalogue.h"
#include "Instruments.h"

#include <algorithm>
#include <string>

namespace snd {

namespace {

constexpr int32_t kRate = 22050;
constexpr float kEffectQuality = 0.4f;

Buffer Blank(double seconds)
{
    return Buffer::MakeMono(kRate, static_cast<size_t>(seconds * kRate));
}

double TimeOf(size_t i)
{
    return static_cast<double>(i) / kRate;
}

// Mixes a room into a mono effect, keeping it mono.
void AddRoom(Buffer& sound, double amount, double size)
{
    const Buffer wet = RenderReverb(sound, size, 0.5, 0.0, 0);
    for (size_t i = 0; i < sound.Frames(); ++i) {
        sound.left[i] += static_cast<float>(amount * 0.5 * (wet.left[i] + wet.right[i]));
    }
}

// Quiet ends: a few milliseconds of fade so no effect starts or stops on a step.
void Finish(Buffer& sound, float peak)
{
    const size_t fadeIn = std::min<size_t>(sound.Frames(), kRate / 1000);
    const size_t fadeOut = std::min<size_t>(sound.Frames(), kRate / 100);
    for (size_t i = 0; i < fadeIn; ++i) {
        sound.left[i] *= static_cast<float>(i) / static_cast<float>(fadeIn);
    }
    for (size_t i = 0; i < fadeOut; ++i) {
        sound.left[sound.Frames() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fadeOut);
    }
    sound.NormalizePeak(peak);
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
Buffer PaddleHit()
{
    Buffer b = Blank(0.2);
    Rng rng(11);
    OnePole click;
    click.SetLowPass(3000.0, kRate);
    double phase = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double f = 220.0 + 140.0 * std::exp(-t / 0.03);
        phase += f / kRate;
        const double body = (std::sin(kTwoPi * phase) + 0.3 * std::sin(2.0 * kTwoPi * phase)) * Decay(t, 0.05, 0.2);
        const double tap = click.Low(rng.Bipolar()) * std::exp(-t / 0.004) * 1.5;
        b.left[i] = static_cast<float>(body + tap);
    }
    Finish(b, 0.8f);
    return b;
}

// Bright tink of the ball on a wall, one of four pentatonic pitches.
Buffer WallHit(double hz, double modRatio)
{
    Buffer b = Blank(0.25);
    Rng rng(static_cast<uint64_t>(hz));
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double index = 2.0 * std::exp(-t / 0.02);
        const double tone = std::sin(kTwoPi * hz * t + index * std::sin(kTwoPi * hz * modRatio * t));
        const double tap = rng.Bipolar() * std::exp(-t / 0.002) * 0.4;
        b.left[i] = static_cast<float>(tone * Decay(t, 0.055, 0.25) + tap);
    }
    Finish(b, 0.55f);
    return b;
}

// A brick shattering: a glassy ping, a burst of grit and falling shards.
Buffer BrickBreak()
{
    Buffer b = Blank(0.45);
    Rng rng(23);
    Biquad grit = Biquad::BandPass(3200.0, 0.9, kRate);
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double ping = (std::sin(kTwoPi * 1760.0 * t) + 0.6 * std::sin(kTwoPi * 2637.0 * t)) * std::exp(-t / 0.04);
        const double burst = grit.Process(rng.Bipolar()) * Decay(t, 0.06, 0.45) * 2.0;
        b.left[i] = static_cast<float>(0.5 * ping + burst);
    }
    for (int32_t shard = 0; shard < 7; ++shard) {
        const size_t start = static_cast<size_t>((0.03 + rng.Uniform() * 0.3) * kRate);
        const double hz = 2800.0 + rng.Uniform() * 3500.0;
        const double level = 0.25 + 0.25 * rng.Uniform();
        for (size_t i = start; i < b.Frames(); ++i) {
            const double t = TimeOf(i - start);
            b.left[i] += static_cast<float>(level * std::sin(kTwoPi * hz * t) * Decay(t, 0.012, 0.06));
        }
    }
    Finish(b, 0.75f);
    return b;
}

// A clank on a hardened brick: struck metal with a dull knock.
Buffer MultiHit()
{
    Buffer b = Blank(0.5);
    Rng rng(29);
    Biquad knock = Biquad::BandPass(1800.0, 1.2, kRate);
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double metal = StruckBar(t, 430.0, 0.22) * Decay(t, 0.2, 0.5);
        const double hit = knock.Process(rng.Bipolar()) * std::exp(-t / 0.008) * 2.0;
        b.left[i] = static_cast<float>(metal + hit);
    }
    Finish(b, 0.75f);
    return b;
}

// The paddle's laser: a falling "pew".
Buffer Laser()
{
    Buffer b = Blank(0.28);
    Svf filter;
    double pa = 0.0;
    double pb = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double f = 350.0 + 1900.0 * std::exp(-t / 0.06);
        pa += f / kRate;
        pb += f * 1.007 / kRate;
        pa -= std::floor(pa);
        pb -= std::floor(pb);
        const double source = PulseWave(pa, f / kRate, 0.3) + 0.5 * SawWave(pb, f * 1.007 / kRate);
        filter.Set(f * 3.0, 2.0, kRate);
        b.left[i] = static_cast<float>(filter.Process(source).low * Decay(t, 0.08, 0.28));
    }
    Finish(b, 0.55f);
    return b;
}

// A bolt striking: a rising zap over sizzling noise.
Buffer LaserHit()
{
    Buffer b = Blank(0.22);
    Rng rng(31);
    Biquad sizzle = Biquad::BandPass(4500.0, 1.0, kRate);
    double phase = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double f = 800.0 + 2200.0 * std::min(1.0, t / 0.06);
        phase += f / kRate;
        const double zap = std::sin(kTwoPi * phase) * std::sin(kTwoPi * 90.0 * t) * Decay(t, 0.05, 0.22);
        const double noise = sizzle.Process(rng.Bipolar()) * Decay(t, 0.03, 0.22) * 2.0;
        b.left[i] = static_cast<float>(0.7 * zap + noise);
    }
    Finish(b, 0.65f);
    return b;
}

// An alien warping in: a warbling glide upwards with a shimmer.
Buffer AlienRelease()
{
    Buffer b = Blank(0.85);
    double phase = 0.0;
    double shimmer = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double glide = 300.0 * std::pow(4.0, std::min(1.0, t / 0.6));
        const double f = glide * (1.0 + 0.06 * std::sin(kTwoPi * 18.0 * t));
        phase += f / kRate;
        shimmer += f * 2.01 / kRate;
        const double env = std::min(1.0, t / 0.12) * Decay(t, 0.35, 0.85);
        b.left[i] = static_cast<float>((std::sin(kTwoPi * phase) + 0.3 * std::sin(kTwoPi * shimmer)) * env);
    }
    AddRoom(b, 0.5, 0.6);
    Finish(b, 0.6f);
    return b;
}

// The boss launching a shot: a deep thump, a falling growl and a short whistle.
Buffer BossShotRelease()
{
    Buffer b = Blank(0.7);
    Rng rng(37);
    Svf filter;
    OnePole thumpFilter;
    thumpFilter.SetLowPass(400.0, kRate);
    double growl = 0.0;
    double whistle = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double f = 60.0 + 80.0 * std::exp(-t / 0.15);
        growl += f / kRate;
        growl -= std::floor(growl);
        filter.Set(300.0 + 1500.0 * std::exp(-t / 0.1), 3.0, kRate);
        const double body = filter.Process(PulseWave(growl, f / kRate, 0.5)).low * Decay(t, 0.2, 0.7);
        const double thump = thumpFilter.Low(rng.Bipolar()) * std::exp(-t / 0.03) * 3.0;
        const double wf = 900.0 + 1800.0 * std::min(1.0, t / 0.4);
        whistle += wf / kRate;
        const double whistleEnv = std::max(0.0, std::sin(kPi * std::min(1.0, t / 0.5))) * 0.25;
        b.left[i] = static_cast<float>(body + thump + std::sin(kTwoPi * whistle) * whistleEnv);
    }
    AddRoom(b, 0.4, 0.6);
    Finish(b, 0.7f);
    return b;
}

// Renders one explosion into b from `start` seconds: a thump and a noise burst whose colour
// darkens as it dies.
void Blast(Buffer& b, double start, double size, double level, uint64_t seed)
{
    Rng rng(seed);
    Svf filter;
    double phase = 0.0;
    const size_t first = static_cast<size_t>(start * kRate);
    const double length = 0.6 + 0.8 * size;
    for (size_t i = first; i < b.Frames(); ++i) {
        const double t = TimeOf(i - first);
        if (t >= length) {
            break;
        }
        if ((i - first) % 8 == 0) {
            filter.Set(180.0 + 5000.0 * std::exp(-t / (0.08 + 0.1 * size)), 0.8, kRate);
        }
        const double noise = filter.Process(rng.Bipolar()).low * Decay(t, 0.15 + 0.25 * size, length);
        const double f = 40.0 + 60.0 * std::exp(-t / 0.05);
        phase += f / kRate;
        const double thump = std::sin(kTwoPi * phase) * Decay(t, 0.12 + 0.1 * size, length);
        const double crackle = rng.Chance(0.002) ? rng.Bipolar() * 2.0 * std::exp(-t / 0.3) : 0.0;
        b.left[i] += static_cast<float>(level * (1.6 * noise + thump + crackle));
    }
}

// An alien bursting.
Buffer Explosion()
{
    Buffer b = Blank(1.3);
    Blast(b, 0.0, 0.4, 1.0, 41);
    AddRoom(b, 0.3, 0.5);
    Finish(b, 0.85f);
    return b;
}

// A hit on the boss: a heavy metal strike over a short angry growl; four tunings.
Buffer BossHit(double f0, double growlHz, double bend, uint64_t seed)
{
    Buffer b = Blank(0.75);
    Rng rng(seed);
    Svf filter;
    Biquad crunch = Biquad::BandPass(1200.0, 0.8, kRate);
    double phase = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        const double metal = StruckBar(t, f0, 0.35) * Decay(t, 0.25, 0.75);
        const double f = growlHz * std::pow(2.0, bend * std::min(1.0, t / 0.4)) * (1.0 + 0.08 * std::sin(kTwoPi * 23.0 * t));
        phase += f / kRate;
        phase -= std::floor(phase);
        filter.Set(1400.0, 1.5, kRate);
        const double growl = std::tanh(2.5 * filter.Process(SawWave(phase, f / kRate)).low) * Decay(t, 0.18, 0.75);
        const double hit = crunch.Process(rng.Bipolar()) * std::exp(-t / 0.02) * 2.5;
        b.left[i] = static_cast<float>(0.8 * metal + 0.6 * growl + hit);
    }
    AddRoom(b, 0.35, 0.7);
    Finish(b, 0.85f);
    return b;
}

// The boss's end: a chain of blasts, a power-down whine and a long rumble.
Buffer BossExplosion()
{
    constexpr double kLength = 6.5;
    Buffer b = Blank(kLength);
    static constexpr double kStarts[] = {0.0, 0.35, 0.8, 1.3, 1.9, 2.7};
    static constexpr double kSizes[] = {1.0, 0.6, 0.8, 0.5, 1.0, 0.7};
    for (size_t k = 0; k < std::size(kStarts); ++k) {
        Blast(b, kStarts[k], kSizes[k], 1.0 - 0.08 * static_cast<double>(k), 100 + k);
    }
    Rng rng(53);
    OnePole rumbleFilter;
    rumbleFilter.SetLowPass(120.0, kRate);
    double brown = 0.0;
    double whine = 0.0;
    for (size_t i = 0; i < b.Frames(); ++i) {
        const double t = TimeOf(i);
        brown = 0.995 * brown + 0.05 * rng.Bipolar();
        const double rumble = rumbleFilter.Low(brown) * 6.0 * std::min(1.0, t / 0.2) * Decay(t, 1.8, kLength);
        const double f = 30.0 + 500.0 * std::exp(-t / 0.9);
        whine += f / kRate;
        whine -= std::floor(whine);
        const double power = SawWave(whine, f / kRate) * 0.25 * std::min(1.0, t / 0.3) * Decay(t, 1.0, 3.5);
        b.left[i] += static_cast<float>(rumble + power);
    }
    AddRoom(b, 0.6, 0.9);
    Finish(b, 0.9f);
    return b;
}

}  // namespace

std::vector<Piece> EffectPieces()
{
    std::vector<Piece> pieces;
    pieces.push_back({"SFX_NormalBlock.ogg", BrickBreak, kEffectQuality});
    pieces.push_back({"SFX_MultiHitBlock.ogg", MultiHit, kEffectQuality});
    pieces.push_back({"SFX_Padhit_01.ogg", PaddleHit, kEffectQuality});
    pieces.push_back({"SFX_Spillkanthit.ogg", [] { return WallHit(1046.5, 1.41); }, kEffectQuality});
    pieces.push_back({"SFX_Spillkanthit2.ogg", [] { return WallHit(1174.7, 1.73); }, kEffectQuality});
    pieces.push_back({"SFX_Spillkanthit3.ogg", [] { return WallHit(1318.5, 1.41); }, kEffectQuality});
    pieces.push_back({"SFX_Spillkanthit4.ogg", [] { return WallHit(1568.0, 2.13); }, kEffectQuality});
    pieces.push_back({"SFX_Explosion.ogg", Explosion, kEffectQuality});
    pieces.push_back({"SFX_AlienReleasePER.ogg", BossShotRelease, kEffectQuality});
    pieces.push_back({"SFX_AlienRelease.ogg", AlienRelease, kEffectQuality});
    pieces.push_back({"FX_zogexplode.ogg", BossExplosion, kEffectQuality});
    pieces.push_back({"zog_hit1.ogg", [] { return BossHit(150.0, 55.0, -0.5, 61); }, kEffectQuality});
    pieces.push_back({"zog_hit2.ogg", [] { return BossHit(175.0, 62.0, 0.4, 62); }, kEffectQuality});
    pieces.push_back({"zog_hit3.ogg", [] { return BossHit(131.0, 49.0, -0.8, 63); }, kEffectQuality});
    pieces.push_back({"zog_hit4.ogg", [] { return BossHit(196.0, 70.0, 0.25, 64); }, kEffectQuality});
    pieces.push_back({"SFX_Lazer.ogg", Laser, kEffectQuality});
    pieces.push_back({"SFX_Lazerhit.ogg", LaserHit, kEffectQuality});
    return pieces;
}

}  // namespace snd
