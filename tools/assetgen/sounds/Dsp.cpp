// Building blocks of the sound generator: random numbers, buffers, oscillators, envelopes, filters.
#include "Dsp.h"

#include <algorithm>
#include <array>

namespace snd {

uint64_t Rng::Next()
{
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

double Rng::Bipolar() { return Uniform() * 2.0 - 1.0; }

int32_t Rng::Range(int32_t lo, int32_t hi)
{
    if (hi <= lo) {
        return lo;
    }
    const uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
    return lo + static_cast<int32_t>(Next() % span);
}

uint64_t HashText(const char* text)
{
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (const char* p = text; *p != '\0'; ++p) {
        h ^= static_cast<unsigned char>(*p);
        h *= 1099511628211ull;
    }
    return h;
}

double MidiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

Buffer Buffer::MakeMono(int32_t rate, size_t frames)
{
    Buffer b;
    b.rate = rate;
    b.left.assign(frames, 0.0f);
    return b;
}

Buffer Buffer::MakeStereo(int32_t rate, size_t frames)
{
    Buffer b = MakeMono(rate, frames);
    b.right.assign(frames, 0.0f);
    return b;
}

float Buffer::Peak() const
{
    float peak = 0.0f;
    for (float v : left) {
        peak = std::max(peak, std::fabs(v));
    }
    for (float v : right) {
        peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

void Buffer::Scale(float gain)
{
    for (float& v : left) {
        v *= gain;
    }
    for (float& v : right) {
        v *= gain;
    }
}

void Buffer::NormalizePeak(float peak)
{
    const float current = Peak();
    if (current > 0.0f) {
        Scale(peak / current);
    }
}

void AddInto(std::vector<float>& dst, const std::vector<float>& src, size_t at, float gain)
{
    if (dst.size() < at + src.size()) {
        dst.resize(at + src.size(), 0.0f);
    }
    for (size_t i = 0; i < src.size(); ++i) {
        dst[at + i] += src[i] * gain;
    }
}

double PolyBlep(double phase, double increment)
{
    if (increment <= 0.0) {
        return 0.0;
    }
    if (phase < increment) {
        const double t = phase / increment;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double SawWave(double phase, double increment) { return 2.0 * phase - 1.0 - PolyBlep(phase, increment); }

double PulseWave(double phase, double increment, double width)
{
    double shifted = phase + (1.0 - width);
    shifted -= std::floor(shifted);
    const double naive = phase < width ? 1.0 : -1.0;
    return naive + PolyBlep(phase, increment) - PolyBlep(shifted, increment);
}

double TriangleWave(double phase) { return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase; }

double Adsr::Level(double t, double gate) const
{
    const auto held = [this](double u) {
        if (u < attack) {
            return u / attack;
        }
        if (u < attack + decay) {
            const double x = 1.0 - (u - attack) / decay;
            return sustain + (1.0 - sustain) * x * x;
        }
        return sustain;
    };
    if (t < 0.0) {
        return 0.0;
    }
    if (t < gate) {
        return held(t);
    }
    if (t >= gate + release) {
        return 0.0;
    }
    const double x = 1.0 - (t - gate) / release;
    return held(gate) * x * x * x;
}

double Decay(double t, double tau, double length)
{
    if (t < 0.0 || t >= length) {
        return 0.0;
    }
    const double fadeStart = length * 0.95;
    const double level = std::exp(-t / tau);
    return t < fadeStart ? level : level * (length - t) / (length - fadeStart);
}

void Svf::Set(double cutoffHz, double q, double rate)
{
    const double limited = std::clamp(cutoffHz, 10.0, rate * 0.45);
    g_ = std::tan(kPi * limited / rate);
    k_ = 1.0 / std::max(q, 0.05);
    a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
    a2_ = g_ * a1_;
    a3_ = g_ * a2_;
}

Svf::Out Svf::Process(double x)
{
    const double v3 = x - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return {v2, v1, x - k_ * v1 - v2};
}

Biquad Biquad::Make(double b0, double b1, double b2, double a0, double a1, double a2)
{
    Biquad q;
    q.b0_ = b0 / a0;
    q.b1_ = b1 / a0;
    q.b2_ = b2 / a0;
    q.a1_ = a1 / a0;
    q.a2_ = a2 / a0;
    return q;
}

Biquad Biquad::HighPass(double hz, double q, double rate)
{
    const double w = kTwoPi * hz / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    return Make((1 + cw) / 2, -(1 + cw), (1 + cw) / 2, 1 + alpha, -2 * cw, 1 - alpha);
}

Biquad Biquad::BandPass(double hz, double q, double rate)
{
    const double w = kTwoPi * hz / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    return Make(alpha, 0, -alpha, 1 + alpha, -2 * cw, 1 - alpha);
}

Biquad Biquad::Peak(double hz, double q, double gainDb, double rate)
{
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = kTwoPi * hz / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    return Make(1 + alpha * a, -2 * cw, 1 - alpha * a, 1 + alpha / a, -2 * cw, 1 - alpha / a);
}

double Biquad::Process(double x)
{
    const double y = b0_ * x + z1_;
    z1_ = b1_ * x - a1_ * y + z2_;
    z2_ = b2_ * x - a2_ * y;
    return y;
}

void Biquad::ProcessAll(std::vector<float>& samples)
{
    for (float& v : samples) {
        v = static_cast<float>(Process(v));
    }
}

void HighPass4(std::vector<float>& samples, double hz, double rate)
{
    // The two Q values of a fourth-order Butterworth.
    Biquad first = Biquad::HighPass(hz, 0.54119610, rate);
    Biquad second = Biquad::HighPass(hz, 1.30656296, rate);
    for (float& v : samples) {
        v = static_cast<float>(second.Process(first.Process(v)));
    }
}

double MomentaryLoudness(const Buffer& sound)
{
    // The K curve: a high shelf for the head and the revised low-frequency B weighting, both
    // derived from their analogue prototypes so they hold at any rate.
    const double rate = sound.rate;
    const double sk = std::tan(kPi * 1681.974450955533 / rate);
    const double sq = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double sa = 1.0 + sk / sq + sk * sk;
    const double hk = std::tan(kPi * 38.13547087602444 / rate);
    const double hq = 0.5003270373238773;
    const double ha = 1.0 + hk / hq + hk * hk;
    std::vector<double> power(sound.Frames(), 0.0);
    for (const std::vector<float>* channel : {&sound.left, &sound.right}) {
        if (channel->empty()) {
            continue;
        }
        Biquad shelf = Biquad::Make(vh + vb * sk / sq + sk * sk, 2.0 * (sk * sk - vh), vh - vb * sk / sq + sk * sk, sa,
                                    2.0 * (sk * sk - 1.0), 1.0 - sk / sq + sk * sk);
        Biquad high = Biquad::Make(ha, -2.0 * ha, ha, ha, 2.0 * (hk * hk - 1.0), 1.0 - hk / hq + hk * hk);
        for (size_t i = 0; i < power.size(); ++i) {
            const double k = high.Process(shelf.Process((*channel)[i]));
            power[i] += k * k;
        }
    }
    const size_t window = static_cast<size_t>(0.4 * rate);
    const size_t hop = static_cast<size_t>(0.01 * rate);
    std::vector<double> sums(power.size() + 1, 0.0);
    for (size_t i = 0; i < power.size(); ++i) {
        sums[i + 1] = sums[i] + power[i];
    }
    double loudest = 1e-20;
    for (size_t start = 0; start == 0 || start < power.size(); start += hop) {
        const size_t end = std::min(power.size(), start + window);
        loudest = std::max(loudest, (sums[end] - sums[start]) / static_cast<double>(window));
    }
    return -0.691 + 10.0 * std::log10(loudest);
}

std::vector<float> LimitPeaks(const Buffer& sound, float ceiling, double lookahead, double release)
{
    const size_t n = sound.Frames();
    const size_t reach = std::max<size_t>(1, static_cast<size_t>(lookahead * sound.rate));
    // Peaks between the samples count too: each gap is looked into at three points, through a
    // short windowed-sinc interpolation.
    constexpr int32_t kHalf = 4;
    double taps[3][2 * kHalf];
    for (int32_t p = 0; p < 3; ++p) {
        for (int32_t j = -kHalf + 1; j <= kHalf; ++j) {
            const double t = static_cast<double>(j) - (p + 1) / 4.0;
            taps[p][j + kHalf - 1] = std::sin(kPi * t) / (kPi * t) * (0.5 + 0.5 * std::cos(kPi * t / kHalf));
        }
    }
    std::vector<double> needed(n, 1.0);
    for (const std::vector<float>* channel : {&sound.left, &sound.right}) {
        const std::vector<float>& x = *channel;
        for (size_t i = 0; i < x.size(); ++i) {
            double peak = std::fabs(x[i]);
            for (const double* tap : taps) {
                double y = 0.0;
                for (int32_t j = -kHalf + 1; j <= kHalf; ++j) {
                    const int64_t k = static_cast<int64_t>(i) + j;
                    y += k >= 0 && k < static_cast<int64_t>(n) ? x[static_cast<size_t>(k)] * tap[j + kHalf - 1] : 0.0;
                }
                peak = std::max(peak, std::fabs(y));
            }
            if (peak > ceiling) {
                needed[i] = std::min(needed[i], ceiling / peak);
            }
        }
    }
    // Every gain in the held window around a peak is at most the peak's own, and so is their mean
    // over a shorter window: the ramp down starts early and never lets the peak through.
    std::vector<double> held(n, 1.0);
    for (size_t i = 0; i < n; ++i) {
        if (needed[i] < 1.0) {
            for (size_t j = i >= reach ? i - reach : 0; j <= std::min(n - 1, i + reach); ++j) {
                held[j] = std::min(held[j], needed[i]);
            }
        }
    }
    std::vector<double> sums(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) {
        sums[i + 1] = sums[i] + held[i];
    }
    const double recover = 1.0 - std::exp(-1.0 / (release * sound.rate));
    std::vector<float> gain(n, 1.0f);
    double g = 1.0;
    for (size_t i = 0; i < n; ++i) {
        const size_t a = i >= reach / 2 ? i - reach / 2 : 0;
        const size_t b = std::min(n, i + reach / 2 + 1);
        const double smooth = (sums[b] - sums[a]) / static_cast<double>(b - a);
        g = std::min(smooth, g + (1.0 - g) * recover);
        gain[i] = static_cast<float>(g);
    }
    return gain;
}

std::vector<float> Master(Buffer& sound, double lufs, float ceiling)
{
    std::vector<float> total(sound.Frames(), 1.0f);
    // Limiting lowers the loudness a little, so the level is set again; three rounds settle it.
    for (int32_t round = 0; round < 3; ++round) {
        const float gain = static_cast<float>(DbToGain(lufs - MomentaryLoudness(sound)));
        const std::vector<float> limit = LimitPeaks(sound, ceiling / gain, 0.0015, 0.06);
        for (size_t i = 0; i < sound.Frames(); ++i) {
            const float g = gain * limit[i];
            sound.left[i] *= g;
            if (sound.IsStereo()) {
                sound.right[i] *= g;
            }
            total[i] *= g;
        }
    }
    return total;
}

void OnePole::SetLowPass(double hz, double rate) { a_ = 1.0 - std::exp(-kTwoPi * hz / rate); }

double OnePole::Low(double x)
{
    z_ += a_ * (x - z_);
    return z_;
}

Reverb::Reverb(int32_t rate, double roomSize, double damping, double width)
{
    static constexpr int32_t kCombs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static constexpr int32_t kAllpasses[] = {556, 441, 341, 225};
    static constexpr int32_t kSpread = 23;
    const double scale = rate / 44100.0;
    for (int32_t side = 0; side < 2; ++side) {
        for (int32_t length : kCombs) {
            Comb comb;
            comb.line.assign(static_cast<size_t>((length + side * kSpread) * scale), 0.0f);
            combs_[side].push_back(std::move(comb));
        }
        for (int32_t length : kAllpasses) {
            Allpass allpass;
            allpass.line.assign(static_cast<size_t>((length + side * kSpread) * scale), 0.0f);
            allpasses_[side].push_back(std::move(allpass));
        }
    }
    feedback_ = static_cast<float>(roomSize * 0.28 + 0.7);
    damp_ = static_cast<float>(damping * 0.4);
    wet1_ = static_cast<float>(3.0 * (width / 2.0 + 0.5));
    wet2_ = static_cast<float>(3.0 * ((1.0 - width) / 2.0));
}

void Reverb::Process(float inL, float inR, float& outL, float& outR)
{
    const float input = (inL + inR) * 0.015f;
    float out[2] = {0.0f, 0.0f};
    for (int32_t side = 0; side < 2; ++side) {
        for (Comb& c : combs_[side]) {
            const float y = c.line[c.pos];
            c.store = y * (1.0f - damp_) + c.store * damp_;
            c.line[c.pos] = input + c.store * feedback_;
            c.pos = (c.pos + 1) % c.line.size();
            out[side] += y;
        }
        for (Allpass& a : allpasses_[side]) {
            const float buffered = a.line[a.pos];
            const float y = buffered - out[side];
            a.line[a.pos] = out[side] + buffered * 0.5f;
            a.pos = (a.pos + 1) % a.line.size();
            out[side] = y;
        }
    }
    outL = out[0] * wet1_ + out[1] * wet2_;
    outR = out[1] * wet1_ + out[0] * wet2_;
}

Buffer RenderReverb(const Buffer& send, double roomSize, double damping, double width, size_t tail)
{
    Reverb reverb(send.rate, roomSize, damping, width);
    Buffer wet = Buffer::MakeStereo(send.rate, send.Frames() + tail);
    for (size_t i = 0; i < wet.Frames(); ++i) {
        const float l = i < send.Frames() ? send.left[i] : 0.0f;
        const float r = i < send.Frames() && send.IsStereo() ? send.right[i] : l;
        reverb.Process(l, r, wet.left[i], wet.right[i]);
    }
    return wet;
}

Buffer RenderEcho(const Buffer& send, size_t delayFrames, double feedback, double toneHz, size_t tail)
{
    Buffer wet = Buffer::MakeStereo(send.rate, send.Frames() + tail);
    std::vector<float> lineL(delayFrames, 0.0f);
    std::vector<float> lineR(delayFrames, 0.0f);
    OnePole toneL;
    OnePole toneR;
    toneL.SetLowPass(toneHz, send.rate);
    toneR.SetLowPass(toneHz, send.rate);
    size_t pos = 0;
    for (size_t i = 0; i < wet.Frames(); ++i) {
        const float inL = i < send.Frames() ? send.left[i] : 0.0f;
        const float inR = i < send.Frames() && send.IsStereo() ? send.right[i] : inL;
        const float outL = lineL[pos];
        const float outR = lineR[pos];
        // Input enters on the left; each repeat crosses to the other side.
        lineL[pos] = static_cast<float>((inL + inR) * 0.5f + toneR.Low(outR) * feedback);
        lineR[pos] = static_cast<float>(toneL.Low(outL) * feedback);
        pos = (pos + 1) % delayFrames;
        wet.left[i] = outL;
        wet.right[i] = outR;
    }
    return wet;
}

Buffer Downsample(const Buffer& sound, int32_t rate, bool looped)
{
    // 128 taps under a Kaiser window (beta 9, some 90 dB down in the stop band), its transition
    // two kHz wide at 44.1 kHz, centred on the new Nyquist frequency; tabulated at 512 phases
    // per frame and interpolated between them.
    constexpr int kHalf = 64;
    constexpr int kPhases = 512;
    constexpr double kBeta = 9.0;
    const auto besselI0 = [](double x) {
        double sum = 1.0, term = 1.0;
        for (int k = 1; k < 40; ++k) {
            term *= (x / (2.0 * k)) * (x / (2.0 * k));
            sum += term;
        }
        return sum;
    };
    const double cutoff = 0.5 * rate / sound.rate;
    std::vector<double> table(2 * kHalf * kPhases + 2, 0.0);
    for (size_t j = 0; j + 1 < table.size(); ++j) {
        const double d = static_cast<double>(j) / kPhases - kHalf;
        const double x = 2.0 * cutoff * d;
        const double sinc = x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
        const double w = d / kHalf;
        table[j] = 2.0 * cutoff * sinc * besselI0(kBeta * std::sqrt(std::max(0.0, 1.0 - w * w))) / besselI0(kBeta);
    }

    const size_t in = sound.Frames();
    const size_t frames = looped ? static_cast<size_t>(std::llround(static_cast<double>(in) * rate / sound.rate))
                                 : static_cast<size_t>(std::ceil(static_cast<double>(in) * rate / sound.rate));
    // A loop keeps its period exactly: the step is the ratio of the two whole lengths.
    const double step =
        looped && frames > 0 ? static_cast<double>(in) / frames : static_cast<double>(sound.rate) / rate;
    Buffer out = sound.IsStereo() ? Buffer::MakeStereo(rate, frames) : Buffer::MakeMono(rate, frames);
    const auto n = static_cast<int64_t>(in);
    const bool stereo = sound.IsStereo();
    // The taps of one output frame serve both sides, and each side sums them in the same order as
    // ever, so the samples come out the same to the bit.
    std::array<double, 2 * kHalf> taps{};
    const auto edgeSum = [&](const std::vector<float>& src, int64_t first) {
        double sum = 0.0;
        for (size_t k = 0; k < taps.size(); ++k) {
            int64_t at = first + static_cast<int64_t>(k);
            if (looped) {
                at = ((at % n) + n) % n;
            } else if (at < 0 || at >= n) {
                continue;
            }
            sum += taps[k] * src[static_cast<size_t>(at)];
        }
        return sum;
    };
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) * step;
        const auto base = static_cast<int64_t>(std::floor(t));
        const double frac = t - static_cast<double>(base);
        for (int k = -kHalf + 1; k <= kHalf; ++k) {
            // The tap's distance from the output instant, in table steps.
            const double pos = (static_cast<double>(k) - frac + kHalf) * kPhases;
            const auto j = static_cast<size_t>(pos);
            const double f = pos - static_cast<double>(j);
            taps[static_cast<size_t>(k + kHalf - 1)] = table[j] + (table[j + 1] - table[j]) * f;
        }
        const int64_t first = base - kHalf + 1;
        if (first < 0 || first + 2 * kHalf > n) {
            out.left[i] = static_cast<float>(edgeSum(sound.left, first));
            if (stereo) out.right[i] = static_cast<float>(edgeSum(sound.right, first));
            continue;
        }
        // Away from the ends no tap wraps or falls outside, which saves two divisions a tap; the
        // two sides' sums run side by side instead of each waiting on its own last addition.
        const float* left = sound.left.data() + first;
        const float* right = stereo ? sound.right.data() + first : left;
        double sumLeft = 0.0;
        double sumRight = 0.0;
        for (size_t k = 0; k < taps.size(); ++k) {
            sumLeft += taps[k] * left[k];
            sumRight += taps[k] * right[k];
        }
        out.left[i] = static_cast<float>(sumLeft);
        if (stereo) out.right[i] = static_cast<float>(sumRight);
    }
    return out;
}

}  // namespace snd
