// What the sound tests measure: BS.1770 loudness and true peak, spectra and band limits, DC.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace measure {

using Signal = std::vector<double>;  // samples in -1..1

// BS.1770 K-weighted loudness of the loudest 400 ms window (momentary loudness, in LUFS), slid in
// 10 ms steps. A sound shorter than the window counts as followed by silence, as a listener hears
// a short effect. Channels are summed with weight 1, as left and right are.
double MaxMomentaryLoudness(const std::vector<Signal>& channels, int32_t rate);

// BS.1770 gated integrated loudness (absolute gate -70 LUFS, relative gate -10 LU) in LUFS.
double IntegratedLoudness(const std::vector<Signal>& channels, int32_t rate);

// BS.1770 true peak in dBTP: the largest sample after 4x oversampling with a windowed-sinc
// interpolator.
double TruePeakDb(const std::vector<Signal>& channels);

// In-place radix-2 FFT; the size must be a power of two.
void Fft(std::vector<std::complex<double>>& data, bool inverse);

// Share of the energy (DC left out) in the frequencies below `hz`.
double ShareBelow(const Signal& signal, int32_t rate, double hz);

// The signal with everything outside lo..hi Hz removed (an ideal filter, done on the spectrum).
Signal BandLimit(const Signal& signal, int32_t rate, double lo, double hi);

// Mean sample value.
double DcOffset(const Signal& signal);

// Largest normalised cross-correlation of `pattern` with the stretches of `signal` it fits in:
// 1 for an exact (scaled) copy, near 0 for something unrelated. `pattern` must not be longer.
double BestCorrelation(const Signal& signal, const Signal& pattern);

}  // namespace measure
