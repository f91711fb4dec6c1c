// Helpers of the audio tests: tone synthesis, Ogg Vorbis and WAV writers, temporary files, and a
// reader and meters for the mix that the device writes to a wave file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace audiotest {

// Interleaved signed 16-bit frames of a sine of freq Hz whose amplitude (0..1 of full scale)
// goes linearly from start to end over the sound.
std::vector<int16_t> Tone(int32_t frames, int32_t channels, int32_t rate, double freq, double start, double end);

// Encodes interleaved 16-bit PCM as one Ogg Vorbis stream with libvorbisenc.
std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& pcm, int32_t channels, int32_t rate, int serial = 1);

// A RIFF WAVE file: format tag, channels, rate, bits, the raw data, and optional extra chunks
// written before "fmt ". extensible writes a 40-byte fmt chunk naming tag in its sub-format.
std::vector<uint8_t> MakeWav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                             const std::vector<uint8_t>& data, bool extensible = false,
                             const std::vector<uint8_t>& before = {});
std::vector<uint8_t> ToBytes(const std::vector<int16_t>& pcm);

// A fresh directory under the system's temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path Path(const std::string& name) const { return _path / name; }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::filesystem::path _path;
};

// The mix read back from a WAVE_FORMAT_EXTENSIBLE (or plain) file of float or 16-bit samples.
struct Mix {
    int32_t rate = 0;
    std::vector<float> left;
    std::vector<float> right;
    size_t Frames() const { return left.size(); }
};
// Throws std::runtime_error with a reason when the file is not such a wave file.
Mix ReadMix(const std::string& path);

// RMS of both channels together over frames [from, to).
double Rms(const Mix& mix, size_t from, size_t to);
double RmsOf(const std::vector<float>& channel, size_t from, size_t to);
// Amplitude of the component at freq Hz over [from, to) of one channel (Goertzel).
double ToneLevel(const std::vector<float>& channel, int32_t rate, double freq, size_t from, size_t to);

// Runs of 5 ms windows whose RMS exceeds threshold: [first frame, end frame).
struct Segment {
    size_t from;
    size_t to;
    size_t Length() const { return to - from; }
};
std::vector<Segment> AudibleSegments(const Mix& mix, double threshold = 0.01);

}  // namespace audiotest
