// The synthesizer's voices: drums made from noise and swept sines, and pitched timbres.
#include "Instruments.h"

#include <algorithm>
#include <array>

namespace snd {

namespace {

size_t FramesFor(int32_t rate, double seconds) { return static_cast<size_t>(std::max(0.0, seconds) * rate) + 1; }

// A phase accumulator in cycles.
struct Phase {
    double value = 0.0;
    double Advance(double hz, int32_t rate)
    {
        const double current = value;
        value += hz / rate;
        value -= std::floor(value);
        return current;
    }
};

// Half a millisecond of fade-in: noise drums start on a soft edge rather than a step.
double Onset(double t) { return std::min(1.0, t / 0.0005); }

// Metallic cluster of square waves at inharmonic ratios: the body of hats and cymbals.
double MetalCluster(std::array<Phase, 6>& phases, int32_t rate)
{
    static constexpr double kRatios[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double sum = 0.0;
    for (size_t i = 0; i < phases.size(); ++i) {
        sum += phases[i].Advance(kRatios[i] * 2.0, rate) < 0.5 ? 1.0 : -1.0;
    }
    return sum / 6.0;
}

// Karplus-Strong string: a burst of noise circulating through a delay line and an averaging
// filter. An allpass supplies the fraction of a sample the line cannot, so the string is in tune.
class PluckedString {
public:
    void Start(double hz, int32_t rate, double toneHz, Rng& rng)
    {
        // The averaging filter delays by half a sample; the allpass makes up the fraction.
        const double total = std::max(2.5, rate / hz - 0.5);
        size_t length = static_cast<size_t>(total);
        double fraction = total - static_cast<double>(length);
        if (fraction < 0.1 && length > 2) {
            --length;
            fraction += 1.0;
        }
        coefficient_ = (1.0 - fraction) / (1.0 + fraction);
        line_.resize(length);
        OnePole shape;
        shape.SetLowPass(toneHz, rate);
        for (double& s : line_) {
            s = shape.Low(rng.Bipolar());
        }
    }

    double Next(double decay)
    {
        const double value = line_[pos_];
        const double average = 0.5 * (value + last_);
        last_ = value;
        const double shifted = coefficient_ * average + allpassIn_ - coefficient_ * allpassOut_;
        allpassIn_ = average;
        allpassOut_ = shifted;
        line_[pos_] = decay * shifted;
        pos_ = (pos_ + 1) % line_.size();
        return value;
    }

private:
    std::vector<double> line_;
    size_t pos_ = 0;
    double last_ = 0.0;
    double coefficient_ = 0.0;
    double allpassIn_ = 0.0;
    double allpassOut_ = 0.0;
};

double Vibrato(double t, double depth)
{
    if (depth <= 0.0) {
        return 1.0;
    }
    // The vibrato sets in after a short straight start, like a player's.
    const double fade = std::clamp((t - 0.2) / 0.3, 0.0, 1.0);
    return std::pow(2.0, depth * fade * std::sin(kTwoPi * 5.3 * t) / 12.0);
}

}  // namespace

Voice Kick(int32_t rate, double velocity, double punchHz, double length)
{
    Voice out(FramesFor(rate, length));
    Phase phase;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double hz = punchHz * (1.0 + 3.0 * std::exp(-t / 0.035));
        const double body = std::sin(kTwoPi * phase.Advance(hz, rate)) * Decay(t, length / 3.0, length);
        const double click = std::sin(kTwoPi * 1700.0 * t) * std::exp(-t / 0.0025) * 0.35;
        out[i] = static_cast<float>(velocity * std::tanh(1.6 * (body + click)) / std::tanh(1.6));
    }
    return out;
}

Voice Snare(int32_t rate, double velocity, double toneHz, double snappy, uint64_t seed)
{
    const double length = 0.32;
    Voice out(FramesFor(rate, length));
    Rng rng(seed);
    Biquad high = Biquad::HighPass(1400.0, 0.7, rate);
    Biquad body = Biquad::Peak(5200.0, 1.0, 5.0, rate);
    Phase a;
    Phase b;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double drop = 1.0 + 0.4 * std::exp(-t / 0.01);
        const double tone = (std::sin(kTwoPi * a.Advance(toneHz * drop, rate)) +
                             0.6 * std::sin(kTwoPi * b.Advance(toneHz * 1.52 * drop, rate))) *
                            Decay(t, 0.045, length) * 0.55;
        const double noise = body.Process(high.Process(rng.Bipolar())) * Decay(t, 0.05 + 0.08 * snappy, length);
        out[i] = static_cast<float>(velocity * 0.8 * Onset(t) * (tone + noise * (0.6 + 0.5 * snappy)));
    }
    return out;
}

Voice HiHat(int32_t rate, double velocity, double length, uint64_t seed)
{
    Voice out(FramesFor(rate, length));
    Rng rng(seed);
    std::array<Phase, 6> phases{};
    Biquad band = Biquad::BandPass(10000.0, 1.0, rate);
    Biquad high = Biquad::HighPass(7000.0, 0.7, rate);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double source = MetalCluster(phases, rate) * 0.6 + rng.Bipolar() * 0.5;
        const double y = high.Process(band.Process(source));
        out[i] = static_cast<float>(velocity * 1.6 * y * Onset(t) * Decay(t, length / 4.0, length));
    }
    return out;
}

Voice Clap(int32_t rate, double velocity, uint64_t seed)
{
    const double length = 0.35;
    Voice out(FramesFor(rate, length));
    Rng rng(seed);
    Biquad band = Biquad::BandPass(1200.0, 1.2, rate);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        // Several hands a few milliseconds apart, then the room.
        double env = 0.0;
        for (int32_t k = 0; k < 3; ++k) {
            const double start = k * 0.011;
            if (t >= start && t < start + 0.011) {
                env = std::max(env, std::exp(-(t - start) / 0.003));
            }
        }
        if (t >= 0.033) {
            env = std::max(env, 0.8 * Decay(t - 0.033, 0.07, length - 0.033));
        }
        out[i] = static_cast<float>(velocity * 2.2 * band.Process(rng.Bipolar()) * env * Onset(t));
    }
    return out;
}

Voice Tom(int32_t rate, double velocity, double hz)
{
    const double length = 0.45;
    Voice out(FramesFor(rate, length));
    Phase phase;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double f = hz * (1.0 + 0.6 * std::exp(-t / 0.05));
        out[i] =
            static_cast<float>(velocity * 0.9 * std::sin(kTwoPi * phase.Advance(f, rate)) * Decay(t, 0.14, length));
    }
    return out;
}

Voice Cymbal(int32_t rate, double velocity, double length, uint64_t seed)
{
    Voice out(FramesFor(rate, length));
    Rng rng(seed);
    std::array<Phase, 6> phases{};
    Biquad high = Biquad::HighPass(4500.0, 0.6, rate);
    Biquad shimmer = Biquad::Peak(8000.0, 0.8, 4.0, rate);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double source = MetalCluster(phases, rate) * 0.5 + rng.Bipolar() * 0.7;
        const double attack = std::min(1.0, t / 0.002);
        out[i] = static_cast<float>(velocity * 0.9 * shimmer.Process(high.Process(source)) * attack *
                                    Decay(t, length / 3.5, length));
    }
    return out;
}

Voice Shaker(int32_t rate, double velocity, uint64_t seed)
{
    const double length = 0.12;
    Voice out(FramesFor(rate, length));
    Rng rng(seed);
    Biquad band = Biquad::BandPass(6500.0, 1.5, rate);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double env = std::min(1.0, t / 0.012) * Decay(t, 0.03, length);
        out[i] = static_cast<float>(velocity * 1.5 * band.Process(rng.Bipolar()) * env);
    }
    return out;
}

Voice Wind(int32_t rate, double velocity, double length, double centerHz, uint64_t seed)
{
    Voice out(FramesFor(rate, length));
    Rng rng(seed);
    const double sweepPhase = rng.Uniform() * kTwoPi;
    Svf filter;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        if (i % 16 == 0) {
            const double sweep = std::sin(kTwoPi * 1.5 * t / length + sweepPhase);
            filter.Set(centerHz * std::pow(2.0, sweep), 2.5, rate);
        }
        const double swell = std::sin(kPi * t / length);
        out[i] = static_cast<float>(velocity * filter.Process(rng.Bipolar()).band * swell * swell * 1.5);
    }
    return out;
}

Voice RenderTone(int32_t rate, const Tone& tone, double hz, double gate, double velocity, uint64_t seed)
{
    const double length = tone.env.Length(gate);
    Voice out(FramesFor(rate, length));
    Rng rng(seed);
    std::array<Phase, 8> osc{};
    for (Phase& p : osc) {
        p.value = rng.Uniform();
    }
    Svf filter;
    Svf filter2;
    OnePole smooth;
    smooth.SetLowPass(hz * 6.0, rate);
    Biquad breath = Biquad::BandPass(std::min(hz * 3.0, rate * 0.4), 3.0, rate);
    const double b = tone.brightness;

    // Frequency ratios of the ensemble's detuned voices, spread evenly over +-detune semitones.
    const auto spread = [&](size_t k, size_t voices, double width) {
        const double position = voices > 1 ? 2.0 * static_cast<double>(k) / static_cast<double>(voices - 1) - 1.0 : 0.0;
        return std::pow(2.0, position * width / 12.0);
    };
    std::array<double, 7> ratio{};
    const size_t voices = tone.timbre == Timbre::SuperSaw ? 7 : tone.timbre == Timbre::Strings ? 5 : 2;
    const double width = tone.timbre == Timbre::SawLead ? tone.detune * 0.5 : tone.detune;
    for (size_t k = 0; k < voices; ++k) {
        ratio[k] = spread(k, voices, width);
    }

    PluckedString string;
    if (tone.timbre == Timbre::Pluck) {
        string.Start(hz, rate, 500.0 + 9000.0 * b, rng);
    }

    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double env = tone.env.Level(t, gate);
        const double f = hz * Vibrato(t, tone.vibrato);
        double y = 0.0;
        switch (tone.timbre) {
        case Timbre::SuperSaw: {
            for (size_t k = 0; k < 7; ++k) {
                const double fk = f * ratio[k];
                const double inc = fk / rate;
                y += SawWave(osc[k].Advance(fk, rate), inc) * (k == 3 ? 0.5 : 0.35);
            }
            if (i % 4 == 0) {
                filter.Set(f * (2.0 + 14.0 * b) * (0.6 + 0.4 * env), 0.8, rate);
            }
            y = filter.Process(y).low * 0.55;
            break;
        }
        case Timbre::WarmPad: {
            const double fa = f * ratio[1];
            const double fb = f * ratio[0];
            y = SawWave(osc[0].Advance(fa, rate), fa / rate) + SawWave(osc[1].Advance(fb, rate), fb / rate) +
                PulseWave(osc[2].Advance(f * 0.5, rate), f * 0.5 / rate, 0.5 + 0.2 * std::sin(kTwoPi * 0.4 * t));
            if (i % 8 == 0) {
                filter.Set(300.0 + f * (1.0 + 5.0 * b), 0.7, rate);
            }
            y = filter.Process(y).low * 0.5;
            break;
        }
        case Timbre::Strings: {
            for (size_t k = 0; k < 5; ++k) {
                const double wobble = 1.0 + 0.002 * std::sin(kTwoPi * (4.6 + 0.37 * k) * t + k);
                const double fk = f * ratio[k] * wobble;
                y += SawWave(osc[k].Advance(fk, rate), fk / rate);
            }
            if (i % 8 == 0) {
                filter.Set(f * (2.0 + 6.0 * b) + 600.0, 0.6, rate);
                filter2.Set(f * 0.7, 0.7, rate);
            }
            y = filter.Process(y).low;
            y -= filter2.Process(y).low * 0.8;  // thins the low end like a string section
            y *= 0.4;
            break;
        }
        case Timbre::Pluck: {
            y = string.Next(t < gate ? 0.996 - 0.004 * (1.0 - b) : 0.95) * 1.2;
            break;
        }
        case Timbre::Bell: {
            const double index = (0.6 + 3.0 * b) * std::exp(-t / 0.5);
            const double mod = std::sin(kTwoPi * osc[1].Advance(f * 3.5, rate)) * index;
            y = std::sin(kTwoPi * osc[0].Advance(f, rate) + mod) +
                0.25 * std::sin(kTwoPi * osc[2].Advance(f * 2.76, rate)) * std::exp(-t / 0.4);
            y *= 0.7;
            break;
        }
        case Timbre::EPiano: {
            const double index = 0.3 + 1.8 * b * std::exp(-t / 0.35);
            const double mod = std::sin(kTwoPi * osc[1].Advance(f, rate)) * index;
            const double tine = std::sin(kTwoPi * osc[2].Advance(f * 14.0, rate)) * std::exp(-t / 0.03) * 0.2 * b;
            y = (std::sin(kTwoPi * osc[0].Advance(f, rate) + mod) + tine) * 0.8;
            break;
        }
        case Timbre::Organ: {
            static constexpr double kRatios[] = {0.5, 1.0, 2.0, 3.0, 4.0, 6.0};
            static constexpr double kWeights[] = {0.5, 1.0, 0.6, 0.35, 0.25, 0.12};
            for (size_t k = 0; k < 6; ++k) {
                y += std::sin(kTwoPi * osc[k].Advance(f * kRatios[k], rate)) * kWeights[k] * (k >= 3 ? b + 0.3 : 1.0);
            }
            y *= 0.3;
            break;
        }
        case Timbre::SquareLead: {
            const double width = 0.5 + 0.18 * std::sin(kTwoPi * 0.8 * t);
            y = PulseWave(osc[0].Advance(f, rate), f / rate, width);
            if (i % 4 == 0) {
                filter.Set(f * (1.5 + 8.0 * b) * (0.7 + 0.3 * env), 1.0, rate);
            }
            y = filter.Process(y).low * 0.55;
            break;
        }
        case Timbre::SawLead: {
            const double fa = f * ratio[1];
            const double fb = f * ratio[0];
            y = SawWave(osc[0].Advance(fa, rate), fa / rate) + SawWave(osc[1].Advance(fb, rate), fb / rate);
            if (i % 4 == 0) {
                filter.Set(f * (2.0 + 10.0 * b) * (0.6 + 0.4 * env), 1.2, rate);
            }
            y = filter.Process(y).low * 0.4;
            break;
        }
        case Timbre::SoftLead: {
            y = TriangleWave(osc[0].Advance(f, rate)) * 0.8 + std::sin(kTwoPi * osc[1].Advance(f * 2.0, rate)) * 0.2 +
                breath.Process(rng.Bipolar()) * 0.25 * b;
            y = smooth.Low(y);
            break;
        }
        case Timbre::Glass: {
            const double index = 0.4 + 1.2 * b * (0.5 + 0.5 * std::sin(kTwoPi * 0.15 * t));
            const double mod = std::sin(kTwoPi * osc[1].Advance(f * 2.0, rate)) * index;
            y = std::sin(kTwoPi * osc[0].Advance(f, rate) + mod) * 0.6 +
                std::sin(kTwoPi * osc[2].Advance(f * 4.01, rate)) * 0.08;
            break;
        }
        case Timbre::SubBass: {
            y = std::sin(kTwoPi * osc[0].Advance(f, rate)) + 0.2 * std::sin(kTwoPi * osc[1].Advance(f * 2.0, rate));
            y = std::tanh(1.3 * y) * 0.85;
            break;
        }
        case Timbre::SawBass: {
            y = SawWave(osc[0].Advance(f, rate), f / rate) * 0.7 +
                std::sin(kTwoPi * osc[1].Advance(f * 0.5, rate)) * 0.5;
            if (i % 4 == 0) {
                filter.Set(f * 1.5 + 2400.0 * b * std::exp(-t / 0.12) + 120.0, 1.0, rate);
            }
            y = filter.Process(y).low * 0.9;
            break;
        }
        case Timbre::AcidBass: {
            y = SawWave(osc[0].Advance(f, rate), f / rate);
            if (i % 2 == 0) {
                filter.Set(180.0 + 3200.0 * b * std::exp(-t / 0.14), 5.0, rate);
            }
            y = std::tanh(filter.Process(y).low * 1.6) * 0.6;
            break;
        }
        case Timbre::FmBass: {
            const double index = 0.4 + 3.0 * b * std::exp(-t / 0.07);
            const double mod = std::sin(kTwoPi * osc[1].Advance(f, rate)) * index;
            y = std::sin(kTwoPi * osc[0].Advance(f, rate) + mod) * 0.7 +
                std::sin(kTwoPi * osc[2].Advance(f * 0.5, rate)) * 0.35;
            break;
        }
        case Timbre::Drone: {
            static constexpr double kRatios[] = {1.0, 1.0, 1.5, 2.0, 2.0, 3.0};
            static constexpr double kBeats[] = {0.0, 0.21, 0.13, 0.0, 0.33, 0.17};
            static constexpr double kWeights[] = {0.5, 0.4, 0.3, 0.25, 0.2, 0.12};
            for (size_t k = 0; k < 6; ++k) {
                const double swell = 0.6 + 0.4 * std::sin(kTwoPi * (0.05 + 0.031 * k) * t + k);
                y += std::sin(kTwoPi * osc[k].Advance(f * kRatios[k] + kBeats[k], rate)) * kWeights[k] * swell;
            }
            y += breath.Process(rng.Bipolar()) * 0.3 * b;
            y *= 0.6;
            break;
        }
        }
        out[i] = static_cast<float>(y * env * velocity);
    }
    return out;
}

}  // namespace snd
