// What the sound tests measure: BS.1770 loudness and true peak, spectra and band limits, DC.
#include "Measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace measure {

namespace {

constexpr double kPi = std::numbers::pi;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;

    double Process(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages (a head-effect shelf and the revised low-frequency B curve),
// derived from their analogue prototypes so they hold at any sample rate.
Signal KWeighted(const Signal& x, int32_t rate)
{
    const double shelfK = std::tan(kPi * 1681.974450955533 / rate);
    const double shelfQ = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double shelfA0 = 1.0 + shelfK / shelfQ + shelfK * shelfK;
    Biquad shelf{(vh + vb * shelfK / shelfQ + shelfK * shelfK) / shelfA0, 2.0 * (shelfK * shelfK - vh) / shelfA0,
                 (vh - vb * shelfK / shelfQ + shelfK * shelfK) / shelfA0, 2.0 * (shelfK * shelfK - 1.0) / shelfA0,
                 (1.0 - shelfK / shelfQ + shelfK * shelfK) / shelfA0};
    const double highK = std::tan(kPi * 38.13547087602444 / rate);
    const double highQ = 0.5003270373238773;
    const double highA0 = 1.0 + highK / highQ + highK * highK;
    Biquad high{1.0, -2.0, 1.0, 2.0 * (highK * highK - 1.0) / highA0, (1.0 - highK / highQ + highK * highK) / highA0};
    Signal y(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        y[i] = high.Process(shelf.Process(x[i]));
    }
    return y;
}

// Running sum of the K-weighted power of all channels: power over [a, b) is sum[b] - sum[a].
std::vector<double> PowerSums(const std::vector<Signal>& channels, int32_t rate)
{
    const size_t frames = channels.empty() ? 0 : channels[0].size();
    std::vector<double> sums(frames + 1, 0.0);
    std::vector<double> power(frames, 0.0);
    for (const Signal& c : channels) {
        const Signal k = KWeighted(c, rate);
        for (size_t i = 0; i < frames; ++i) {
            power[i] += k[i] * k[i];
        }
    }
    for (size_t i = 0; i < frames; ++i) {
        sums[i + 1] = sums[i] + power[i];
    }
    return sums;
}

double Lufs(double meanPower) { return -0.691 + 10.0 * std::log10(std::max(meanPower, 1e-20)); }

size_t PowerOfTwoAtLeast(size_t n)
{
    size_t size = 1;
    while (size < n) {
        size *= 2;
    }
    return size;
}

std::vector<std::complex<double>> Spectrum(const Signal& signal, size_t size)
{
    std::vector<std::complex<double>> data(size);
    std::copy(signal.begin(), signal.end(), data.begin());
    Fft(data, false);
    return data;
}

}  // namespace

double MaxMomentaryLoudness(const std::vector<Signal>& channels, int32_t rate)
{
    const std::vector<double> sums = PowerSums(channels, rate);
    const size_t frames = sums.size() - 1;
    const size_t window = static_cast<size_t>(0.4 * rate);
    const size_t hop = static_cast<size_t>(0.01 * rate);
    double loudest = 0.0;
    for (size_t start = 0; start == 0 || start < frames; start += hop) {
        const size_t end = std::min(frames, start + window);
        loudest = std::max(loudest, (sums[end] - sums[start]) / static_cast<double>(window));
    }
    return Lufs(loudest);
}

double IntegratedLoudness(const std::vector<Signal>& channels, int32_t rate)
{
    const std::vector<double> sums = PowerSums(channels, rate);
    const size_t frames = sums.size() - 1;
    const size_t window = static_cast<size_t>(0.4 * rate);
    const size_t hop = window / 4;
    std::vector<double> blocks;
    for (size_t start = 0; start + window <= frames; start += hop) {
        const double power = (sums[start + window] - sums[start]) / static_cast<double>(window);
        if (Lufs(power) > -70.0) {
            blocks.push_back(power);
        }
    }
    if (blocks.empty()) {
        return -70.0;
    }
    double mean = 0.0;
    for (double p : blocks) {
        mean += p / static_cast<double>(blocks.size());
    }
    const double gate = Lufs(mean) - 10.0;
    double kept = 0.0;
    size_t count = 0;
    for (double p : blocks) {
        if (Lufs(p) > gate) {
            kept += p;
            ++count;
        }
    }
    return Lufs(kept / static_cast<double>(std::max<size_t>(count, 1)));
}

double TruePeakDb(const std::vector<Signal>& channels)
{
    // Twelve taps per phase, as the standard's reference interpolator.
    constexpr int32_t kHalf = 6;
    constexpr int32_t kFactor = 4;
    double taps[kFactor][2 * kHalf];
    for (int32_t p = 0; p < kFactor; ++p) {
        double sum = 0.0;
        for (int32_t j = -kHalf + 1; j <= kHalf; ++j) {
            const double t = static_cast<double>(j) - static_cast<double>(p) / kFactor;
            const double sinc = t == 0.0 ? 1.0 : std::sin(kPi * t) / (kPi * t);
            const double window = 0.5 * (1.0 + std::cos(kPi * t / kHalf));
            taps[p][j + kHalf - 1] = sinc * window;
            sum += sinc * window;
        }
        for (double& tap : taps[p]) {
            tap /= sum;
        }
    }
    double peak = 0.0;
    for (const Signal& c : channels) {
        const auto at = [&](int64_t i) {
            return i < 0 || i >= static_cast<int64_t>(c.size()) ? 0.0 : c[static_cast<size_t>(i)];
        };
        for (int64_t n = 0; n < static_cast<int64_t>(c.size()); ++n) {
            peak = std::max(peak, std::fabs(c[static_cast<size_t>(n)]));
            for (int32_t p = 1; p < kFactor; ++p) {
                double y = 0.0;
                for (int32_t j = -kHalf + 1; j <= kHalf; ++j) {
                    y += at(n + j) * taps[p][j + kHalf - 1];
                }
                peak = std::max(peak, std::fabs(y));
            }
        }
    }
    return 20.0 * std::log10(std::max(peak, 1e-10));
}

void Fft(std::vector<std::complex<double>>& data, bool inverse)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(data[i], data[j]);
        }
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = 2.0 * kPi / static_cast<double>(length) * (inverse ? 1.0 : -1.0);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0, 0.0);
            for (size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = data[i + k];
                const std::complex<double> v = data[i + k + length / 2] * w;
                data[i + k] = u + v;
                data[i + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
    if (inverse) {
        for (std::complex<double>& v : data) {
            v /= static_cast<double>(n);
        }
    }
}

double ShareBelow(const Signal& signal, int32_t rate, double hz)
{
    const size_t size = PowerOfTwoAtLeast(signal.size());
    const std::vector<std::complex<double>> spectrum = Spectrum(signal, size);
    double below = 0.0;
    double total = 0.0;
    for (size_t k = 1; k <= size / 2; ++k) {
        const double energy = std::norm(spectrum[k]);
        total += energy;
        if (static_cast<double>(k) * rate / static_cast<double>(size) < hz) {
            below += energy;
        }
    }
    return total > 0.0 ? below / total : 0.0;
}

Signal BandLimit(const Signal& signal, int32_t rate, double lo, double hi)
{
    const size_t size = PowerOfTwoAtLeast(signal.size());
    std::vector<std::complex<double>> spectrum = Spectrum(signal, size);
    for (size_t k = 0; k < size; ++k) {
        const double hz = static_cast<double>(std::min(k, size - k)) * rate / static_cast<double>(size);
        if (hz < lo || hz > hi) {
            spectrum[k] = 0.0;
        }
    }
    Fft(spectrum, true);
    Signal out(signal.size());
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = spectrum[i].real();
    }
    return out;
}

double DcOffset(const Signal& signal)
{
    double sum = 0.0;
    for (double v : signal) {
        sum += v;
    }
    return signal.empty() ? 0.0 : sum / static_cast<double>(signal.size());
}

double BestCorrelation(const Signal& signal, const Signal& pattern)
{
    if (pattern.empty() || pattern.size() > signal.size()) {
        return 0.0;
    }
    const size_t size = PowerOfTwoAtLeast(signal.size() + pattern.size());
    std::vector<std::complex<double>> product = Spectrum(signal, size);
    const std::vector<std::complex<double>> p = Spectrum(pattern, size);
    for (size_t k = 0; k < size; ++k) {
        product[k] *= std::conj(p[k]);
    }
    Fft(product, true);
    double patternEnergy = 0.0;
    for (double v : pattern) {
        patternEnergy += v * v;
    }
    std::vector<double> sums(signal.size() + 1, 0.0);
    for (size_t i = 0; i < signal.size(); ++i) {
        sums[i + 1] = sums[i] + signal[i] * signal[i];
    }
    double best = 0.0;
    for (size_t lag = 0; lag + pattern.size() <= signal.size(); ++lag) {
        const double energy = sums[lag + pattern.size()] - sums[lag];
        if (energy > 1e-12) {
            best = std::max(best, product[lag].real() / std::sqrt(energy * patternEnergy));
        }
    }
    return best;
}

}  // namespace measure
