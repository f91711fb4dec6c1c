// PCM samples in memory, their format conversion, and the chain of sample loaders.
#include "framework/audio/Sample.h"

#include "framework/audio/SampleLoaders.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

int32_t SampleBytesPerFrame(int32_t format)
{
    switch (format) {
    case SAMPLE_MONO8:
        return 1;
    case SAMPLE_MONO16LE:
    case SAMPLE_MONO16BE:
    case SAMPLE_STEREO8:
        return 2;
    case SAMPLE_STEREO16LE:
    case SAMPLE_STEREO16BE:
        return 4;
    default:
        return 0;
    }
}

int32_t SampleChannels(int32_t format)
{
    switch (format) {
    case SAMPLE_MONO8:
    case SAMPLE_MONO16LE:
    case SAMPLE_MONO16BE:
        return 1;
    case SAMPLE_STEREO8:
    case SAMPLE_STEREO16LE:
    case SAMPLE_STEREO16BE:
        return 2;
    default:
        return 0;
    }
}

namespace {

std::mutex SourceMutex;
TSampleMemorySource MemorySource;

}  // namespace

void SetSampleMemorySource(TSampleMemorySource source)
{
    const std::lock_guard<std::mutex> lock(SourceMutex);
    MemorySource = std::move(source);
}

TAudioSamplePtr TAudioSample::Create(int32_t length, int32_t hertz, int32_t format)
{
    if (SampleBytesPerFrame(format) == 0) throw std::invalid_argument("Unknown sample format");
    const int64_t bytes = static_cast<int64_t>(length) * SampleBytesPerFrame(format);
    if (length < 0 || bytes > std::numeric_limits<int32_t>::max())
        throw std::invalid_argument("Sample length out of range");
    TAudioSamplePtr sample(new TAudioSample);
    TSampleMemorySource source;
    {
        const std::lock_guard<std::mutex> lock(SourceMutex);
        source = MemorySource;
    }
    if (source && bytes > 0) sample->memory = source(length, hertz, format, sample->samples);
    if (!sample->memory) {
        // Loaders overwrite every byte, so the memory is left uninitialised.
        sample->_owned = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(bytes));
        sample->samples = sample->_owned.get();
    }
    sample->length = length;
    sample->hertz = hertz;
    sample->format = format;
    sample->capacity = static_cast<int32_t>(bytes);
    return sample;
}

TAudioSamplePtr TAudioSample::CreateStatic(uint8_t* samples, int32_t length, int32_t hertz, int32_t format)
{
    if (SampleBytesPerFrame(format) == 0) throw std::invalid_argument("Unknown sample format");
    if (length < 0) throw std::invalid_argument("Sample length out of range");
    TAudioSamplePtr sample(new TAudioSample);
    sample->samples = samples;
    sample->length = length;
    sample->hertz = hertz;
    sample->format = format;
    sample->capacity = -1;
    return sample;
}

TAudioSamplePtr TAudioSample::Copy() const
{
    TAudioSamplePtr copy = Create(length, hertz, format);
    std::copy_n(samples, ByteSize(), copy->samples);
    return copy;
}

namespace {

struct Frame {
    int32_t left;
    int32_t right;
};

int32_t Widen8(uint8_t v) { return (v - 128) * 256 + v; }
uint8_t Narrow8(int32_t v) { return static_cast<uint8_t>((v + 32768) / 257); }
int32_t Read16LE(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
int32_t Read16BE(const uint8_t* p) { return static_cast<int16_t>(p[1] | p[0] << 8); }

void Write16LE(uint8_t* p, int32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Write16BE(uint8_t* p, int32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

// One frame as signed 16-bit left and right: the common form every conversion goes through.
Frame ReadFrame(const uint8_t* p, int32_t format)
{
    switch (format) {
    case SAMPLE_MONO8:
        return {Widen8(p[0]), Widen8(p[0])};
    case SAMPLE_MONO16LE:
        return {Read16LE(p), Read16LE(p)};
    case SAMPLE_MONO16BE:
        return {Read16BE(p), Read16BE(p)};
    case SAMPLE_STEREO8:
        return {Widen8(p[0]), Widen8(p[1])};
    case SAMPLE_STEREO16LE:
        return {Read16LE(p), Read16LE(p + 2)};
    default:
        return {Read16BE(p), Read16BE(p + 2)};
    }
}

void WriteFrame(uint8_t* p, int32_t format, Frame f)
{
    switch (format) {
    case SAMPLE_MONO8:
        p[0] = Narrow8(f.left);
        break;
    case SAMPLE_MONO16LE:
        Write16LE(p, f.left);
        break;
    case SAMPLE_MONO16BE:
        Write16BE(p, f.left);
        break;
    case SAMPLE_STEREO8:
        p[0] = Narrow8(f.left);
        p[1] = Narrow8(f.right);
        break;
    case SAMPLE_STEREO16LE:
        Write16LE(p, f.left);
        Write16LE(p + 2, f.right);
        break;
    default:
        Write16BE(p, f.left);
        Write16BE(p + 2, f.right);
        break;
    }
}

}  // namespace

TAudioSamplePtr TAudioSample::Convert(int32_t to) const
{
    if (SampleBytesPerFrame(format) == 0 || SampleBytesPerFrame(to) == 0)
        throw std::runtime_error("Unimplemented sample format conversion");
    if (to == format) return Copy();
    TAudioSamplePtr out = Create(length, hertz, to);
    const int32_t inStep = SampleBytesPerFrame(format);
    const int32_t outStep = SampleBytesPerFrame(to);
    for (int32_t i = 0; i < length; ++i)
        WriteFrame(out->samples + static_cast<size_t>(i) * outStep, to,
                   ReadFrame(samples + static_cast<size_t>(i) * inStep, format));
    return out;
}

namespace {

std::vector<std::shared_ptr<TAudioSampleLoader>>& Loaders()
{
    // Newest first: WAV was registered after Ogg Vorbis, so it is asked first.
    static std::vector<std::shared_ptr<TAudioSampleLoader>> loaders{std::make_shared<TWavAudioSampleLoader>(),
                                                                    std::make_shared<TOggAudioSampleLoader>()};
    return loaders;
}

}  // namespace

void RegisterAudioSampleLoader(std::shared_ptr<TAudioSampleLoader> loader)
{
    if (loader) Loaders().insert(Loaders().begin(), std::move(loader));
}

TAudioSamplePtr LoadAudioSample(const TUrl& url)
{
    TStreamPtr stream = OpenStreamUrl(url, true, false);
    if (!stream) return nullptr;
    const int32_t start = stream->Pos();
    if (start == -1) {
        stream->Close();
        throw std::runtime_error("Stream is not seekable");
    }
    TAudioSamplePtr sample;
    for (const auto& loader : Loaders()) {
        try {
            if (stream->Seek(start) != start) break;
            sample = loader->LoadAudioSample(*stream);
        } catch (const TStreamException&) {
            sample = nullptr;
        } catch (const std::bad_alloc&) {
            // A damaged header can promise more sound than memory holds.
            sample = nullptr;
        }
        if (sample) break;
    }
    stream->Close();
    return sample;
}
