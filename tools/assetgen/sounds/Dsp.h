// Building blocks of the sound generator: random numbers, buffers, oscillators, envelopes, filters.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace snd {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// SplitMix64: small, fast and the same on every machine, so every run writes the same bytes.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    double Uniform();                       // [0, 1)
    double Bipolar();                       // [-1, 1)
    int32_t Range(int32_t lo, int32_t hi);  // lo..hi inclusive
    bool Chance(double p) { return Uniform() < p; }

private:
    uint64_t state_;
};

// Stable 64-bit hash of a text, used to derive seeds and Ogg serial numbers from file names.
uint64_t HashText(const char* text);

double MidiToHz(double note);
double DbToGain(double db);

// Float samples at a rate; mono while right is empty.
struct Buffer {
    int32_t rate = 44100;
    std::vector<float> left;
    std::vector<float> right;

    static Buffer MakeMono(int32_t rate, size_t frames);
    static Buffer MakeStereo(int32_t rate, size_t frames);
    size_t Frames() const { return left.size(); }
    bool IsStereo() const { return !right.empty(); }
    float Peak() const;
    void Scale(float gain);
    // Scales so the loudest sample is at peak.
    void NormalizePeak(float peak);
};

// Adds src into dst starting at frame `at`, growing dst as needed.
void AddInto(std::vector<float>& dst, const std::vector<float>& src, size_t at, float gain);

// Band-limited step correction for saw and pulse oscillators (phase and increment in cycles).
double PolyBlep(double phase, double increment);
double SawWave(double phase, double increment);
double PulseWave(double phase, double increment, double width);
double TriangleWave(double phase);

// Attack-decay-sustain-release level at time t (seconds) of a note held for `gate` seconds.
// Attack is linear, decay and release are curved and reach their targets exactly, so a note
// rendered to gate + release ends on zero.
struct Adsr {
    double attack = 0.005;
    double decay = 0.1;
    double sustain = 1.0;
    double release = 0.05;

    double Level(double t, double gate) const;
    double Length(double gate) const { return gate + release; }
};

// Exponential decay from 1 that is forced to 0 over the final 5 % of `length`.
double Decay(double t, double tau, double length);

// Topology-preserving state-variable filter: low, band and high outputs from one input.
class Svf {
public:
    struct Out {
        double low;
        double band;
        double high;
    };
    void Set(double cutoffHz, double q, double rate);
    Out Process(double x);

private:
    double g_ = 0.0, k_ = 1.0, a1_ = 0.0, a2_ = 0.0, a3_ = 0.0;
    double ic1_ = 0.0, ic2_ = 0.0;
};

// Direct-form biquad with the usual cookbook designs.
class Biquad {
public:
    static Biquad HighPass(double hz, double q, double rate);
    static Biquad BandPass(double hz, double q, double rate);
    static Biquad Peak(double hz, double q, double gainDb, double rate);
    // From the raw coefficients; a0 scales the others.
    static Biquad Make(double b0, double b1, double b2, double a0, double a1, double a2);
    double Process(double x);
    void ProcessAll(std::vector<float>& samples);

private:
    double b0_ = 1.0, b1_ = 0.0, b2_ = 0.0, a1_ = 0.0, a2_ = 0.0;
    double z1_ = 0.0, z2_ = 0.0;
};

// Fourth-order Butterworth high-pass (two biquads): takes out rumble below `hz` and any offset.
void HighPass4(std::vector<float>& samples, double hz, double rate);

// BS.1770 K-weighted loudness of the loudest 400 ms (in LUFS); a sound shorter than that counts
// as followed by silence.
double MomentaryLoudness(const Buffer& sound);

// Look-ahead peak limiter: no sample, nor the wave between two samples, above `ceiling`; the gain dips smoothly over
// `lookahead` seconds before a peak and recovers over about `release` seconds. Returns the gain per frame.
std::vector<float> LimitPeaks(const Buffer& sound, float ceiling, double lookahead, double release);

// Brings a finished sound to `lufs` loudness with no sample above `ceiling`, limiting the few
// peaks that would pass it. Returns the gain per frame it applied (the same for every channel).
std::vector<float> Master(Buffer& sound, double lufs, float ceiling);

class OnePole {
public:
    void SetLowPass(double hz, double rate);
    double Low(double x);

private:
    double a_ = 0.0, z_ = 0.0;
};

// Stereo room reverb: parallel damped combs into series allpasses, left and right spread.
// Linear and time-invariant, so a looped piece can fold its tail back into its start.
class Reverb {
public:
    Reverb(int32_t rate, double roomSize, double damping, double width);
    void Process(float inL, float inR, float& outL, float& outR);

private:
    struct Comb {
        std::vector<float> line;
        size_t pos = 0;
        float store = 0.0f;
    };
    struct Allpass {
        std::vector<float> line;
        size_t pos = 0;
    };
    std::vector<Comb> combs_[2];
    std::vector<Allpass> allpasses_[2];
    float feedback_;
    float damp_;
    float wet1_;
    float wet2_;
};

// Applies a reverb to a stereo send and returns only the wet signal, `tail` frames longer.
Buffer RenderReverb(const Buffer& send, double roomSize, double damping, double width, size_t tail);

// Feedback echo with a low-passed loop; the left and right taps alternate (ping-pong).
Buffer RenderEcho(const Buffer& send, size_t delayFrames, double feedback, double toneHz, size_t tail);

// The sound at a lower rate, band-limited to that rate's Nyquist frequency by a windowed sinc whose
// pass band is flat to 1 kHz below it. A looped sound is taken as one period of its loop: its
// length is rounded to whole frames and the filter wraps around, so the loop keeps no seam.
Buffer Downsample(const Buffer& sound, int32_t rate, bool looped);

}  // namespace snd
