// The sound tests' own yardsticks against known answers: BS.1770 loudness and true peak of pure
// tones, the share of a spectrum below a frequency, band limits and the correlation search.
#include "Measures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace measure;

namespace {

Signal Sine(double hz, double amplitude, double phase, double seconds, int32_t rate)
{
    Signal s(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate + phase);
    }
    return s;
}

double Energy(const Signal& s)
{
    double e = 0.0;
    for (double v : s) {
        e += v * v;
    }
    return e;
}

// BS.1770's own check: a full-scale 997 Hz sine in one channel reads -3.01 LUFS, at any rate.
TEST(Measures, LoudnessOfAFullScaleSineIsMinusThreeLufs)
{
    for (int32_t rate : {22050, 44100, 48000}) {
        const Signal tone = Sine(997.0, 1.0, 0.0, 3.0, rate);
        EXPECT_NEAR(IntegratedLoudness({tone}, rate), -3.01, 0.05) << rate;
        EXPECT_NEAR(MaxMomentaryLoudness({tone}, rate), -3.01, 0.05) << rate;
        // Two channels carry twice the power; 20 dB down is 20 LU down.
        EXPECT_NEAR(IntegratedLoudness({tone, tone}, rate), -0.0, 0.05) << rate;
        const Signal soft = Sine(997.0, 0.1, 0.0, 3.0, rate);
        EXPECT_NEAR(IntegratedLoudness({soft}, rate), -23.01, 0.05) << rate;
    }
    // The K curve: 20 Hz counts far less than 1 kHz, 4 kHz a little more.
    EXPECT_LT(MaxMomentaryLoudness({Sine(20.0, 1.0, 0.0, 3.0, 44100)}, 44100), -15.0);
    EXPECT_NEAR(MaxMomentaryLoudness({Sine(4000.0, 1.0, 0.0, 3.0, 44100)}, 44100), -3.01 + 3.5, 0.6);
}

TEST(Measures, MomentaryLoudnessFindsTheLoudestWindowAndHearsShortSoundsAsShort)
{
    const int32_t rate = 22050;
    Signal burst = Sine(997.0, 0.1, 0.0, 2.0, rate);
    const Signal loud = Sine(997.0, 1.0, 0.0, 0.5, rate);
    std::copy(loud.begin(), loud.end(), burst.begin() + rate);
    EXPECT_NEAR(MaxMomentaryLoudness({burst}, rate), -3.01, 0.1);
    // 100 ms of tone heard in a 400 ms window: a quarter of the power, 6 dB down.
    EXPECT_NEAR(MaxMomentaryLoudness({Sine(997.0, 1.0, 0.0, 0.1, rate)}, rate), -3.01 - 6.02, 0.2);
    EXPECT_LT(IntegratedLoudness({Signal(static_cast<size_t>(rate), 0.0)}, rate), -69.0);
}

// A quarter-rate sine sampled 45 degrees off its crests peaks at -3 dBFS in the samples but at
// 0 dBTP between them.
TEST(Measures, TruePeakSeesBetweenTheSamples)
{
    const Signal between = Sine(11025.0, 1.0, std::numbers::pi / 4.0, 0.2, 44100);
    EXPECT_NEAR(TruePeakDb({between}), 0.0, 0.3);
    const Signal onCrests = Sine(100.0, 0.5, 0.0, 0.2, 44100);
    EXPECT_NEAR(TruePeakDb({onCrests}), -6.02, 0.05);
    EXPECT_NEAR(TruePeakDb({onCrests, between}), 0.0, 0.3);
}

TEST(Measures, SpectrumSharesBandsAndDc)
{
    const int32_t rate = 22050;
    const Signal low = Sine(20.0, 1.0, 0.0, 2.0, rate);
    const Signal high = Sine(1000.0, 1.0, 0.0, 2.0, rate);
    Signal both(low.size());
    for (size_t i = 0; i < both.size(); ++i) {
        both[i] = low[i] + high[i] + 0.25;
    }
    EXPECT_NEAR(ShareBelow(both, rate, 30.0), 0.5, 0.02);
    EXPECT_NEAR(ShareBelow(high, rate, 30.0), 0.0, 0.01);
    EXPECT_NEAR(DcOffset(both), 0.25, 1e-3);
    const Signal kept = BandLimit(both, rate, 300.0, 3500.0);
    EXPECT_NEAR(Energy(kept) / Energy(high), 1.0, 0.03);
    EXPECT_NEAR(DcOffset(kept), 0.0, 1e-3);
}

TEST(Measures, CorrelationFindsAPatternInNoiseAndNotElsewhere)
{
    uint64_t state = 1;
    const auto noise = [&state](size_t n) {
        Signal s(n);
        for (double& v : s) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            v = static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
        }
        return s;
    };
    const Signal pattern = noise(2000);
    Signal signal = noise(20000);
    for (double& v : signal) {
        v *= 0.1;
    }
    for (size_t i = 0; i < pattern.size(); ++i) {
        signal[7000 + i] += 3.0 * pattern[i];
    }
    EXPECT_GT(BestCorrelation(signal, pattern), 0.99);
    EXPECT_LT(BestCorrelation(noise(20000), pattern), 0.15);
    EXPECT_EQ(BestCorrelation(pattern, signal), 0.0);
}

}  // namespace
