// The WAV loader: RIFF WAVE files with 8 or 16-bit PCM in one or two channels.
#include "framework/audio/SampleLoaders.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct WavFormat {
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
};

// Reads up to count bytes, fewer when the stream ends first.
int32_t ReadAvailable(TStream& stream, uint8_t* buf, int32_t count)
{
    int32_t done = 0;
    while (done < count) {
        const int32_t got = stream.Read(buf + done, count - done);
        if (got <= 0) break;
        done += got;
    }
    return done;
}

// Reads the fmt chunk of size bytes; false when it is too short or the file ends inside it.
bool ReadFormat(TStream& stream, uint32_t size, WavFormat& fmt)
{
    if (size < 16) return false;
    std::array<uint8_t, 40> head{};
    const auto used = static_cast<int32_t>(std::min<uint32_t>(size, head.size()));
    if (ReadAvailable(stream, head.data(), used) != used) return false;
    fmt.tag = Le16(&head[0]);
    fmt.channels = Le16(&head[2]);
    fmt.rate = Le32(&head[4]);
    fmt.blockAlign = Le16(&head[12]);
    fmt.bits = Le16(&head[14]);
    // The extensible header names the real format in the first two bytes of its sub-format GUID.
    if (fmt.tag == WAVE_FORMAT_EXTENSIBLE && used >= 40) fmt.tag = Le16(&head[24]);
    return true;
}

bool Supported(const WavFormat& fmt)
{
    return fmt.tag == WAVE_FORMAT_PCM && (fmt.channels == 1 || fmt.channels == 2) &&
           (fmt.bits == 8 || fmt.bits == 16) && fmt.blockAlign == fmt.channels * fmt.bits / 8 && fmt.rate > 0 &&
           fmt.rate <= 0x7FFFFFFF;
}

int32_t SampleFormat(const WavFormat& fmt)
{
    if (fmt.bits == 8) return fmt.channels == 1 ? SAMPLE_MONO8 : SAMPLE_STEREO8;
    return fmt.channels == 1 ? SAMPLE_MONO16LE : SAMPLE_STEREO16LE;
}

// Skips count bytes forward; false when the stream cannot go there.
bool Skip(TStream& stream, int64_t count)
{
    const int64_t target = stream.Pos() + count;
    if (target > stream.Size()) return false;
    return stream.Seek(static_cast<int32_t>(target)) == target;
}

}  // namespace

TAudioSamplePtr TWavAudioSampleLoader::LoadAudioSample(TStream& stream)
{
    std::array<uint8_t, 12> riff{};
    if (ReadAvailable(stream, riff.data(), 12) != 12) return nullptr;
    if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) return nullptr;

    WavFormat fmt;
    bool haveFormat = false;
    for (;;) {
        std::array<uint8_t, 8> chunk{};
        if (ReadAvailable(stream, chunk.data(), 8) != 8) return nullptr;
        const uint32_t size = Le32(chunk.data() + 4);
        const int64_t padded = static_cast<int64_t>(size) + (size & 1);
        if (std::memcmp(chunk.data(), "fmt ", 4) == 0) {
            const int32_t start = stream.Pos();
            if (!ReadFormat(stream, size, fmt) || !Supported(fmt)) return nullptr;
            haveFormat = true;
            if (!Skip(stream, start + padded - stream.Pos())) return nullptr;
        } else if (std::memcmp(chunk.data(), "data", 4) == 0) {
            if (!haveFormat) return nullptr;
            const int64_t available = std::max<int64_t>(0, stream.Size() - stream.Pos());
            const int64_t frames = std::min<int64_t>(size, available) / fmt.blockAlign;
            TAudioSamplePtr sample =
                TAudioSample::Create(static_cast<int32_t>(frames), static_cast<int32_t>(fmt.rate), SampleFormat(fmt));
            const int32_t bytes = sample->ByteSize();
            const int32_t got = ReadAvailable(stream, sample->samples, bytes);
            if (got == bytes) return sample;
            // The stream's size promised more than it gave: keep the whole frames that came.
            TAudioSamplePtr shorter = TAudioSample::Create(got / fmt.blockAlign, sample->hertz, sample->format);
            std::copy_n(sample->samples, shorter->ByteSize(), shorter->samples);
            return shorter;
        } else if (!Skip(stream, padded)) {
            return nullptr;
        }
    }
}
