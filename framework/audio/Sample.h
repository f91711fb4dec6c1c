// PCM samples in memory, their format conversion, and the chain of sample loaders.
#pragma once

#include "framework/system/Stream.h"

#include <cstdint>
#include <functional>
#include <memory>

constexpr int32_t SAMPLE_MONO8 = 1;
constexpr int32_t SAMPLE_MONO16LE = 2;
constexpr int32_t SAMPLE_MONO16BE = 3;
constexpr int32_t SAMPLE_STEREO8 = 4;
constexpr int32_t SAMPLE_STEREO16LE = 5;
constexpr int32_t SAMPLE_STEREO16BE = 6;

// Bytes of one frame of format, 0 for an unknown format.
int32_t SampleBytesPerFrame(int32_t format);
int32_t SampleChannels(int32_t format);

class TAudioSample;
using TAudioSamplePtr = std::shared_ptr<TAudioSample>;

// Memory outside the heap that a sample's frames live in; the sample keeps it while it lives.
class TSampleMemory {
public:
    virtual ~TSampleMemory() = default;
};

// Where new samples keep their frames: memory for length frames of format at hertz with its
// keeper, or a null keeper for the heap. Called from any thread.
using TSampleMemorySource =
    std::function<std::shared_ptr<TSampleMemory>(int32_t length, int32_t hertz, int32_t format, uint8_t*& frames)>;
// The audio back-end sets one while it runs, so that sounds decode straight into the device's
// own buffers: otherwise each decoded sound is held twice while the device copies it. Null (the
// default) keeps every sample on the heap.
void SetSampleMemorySource(TSampleMemorySource source);

// length frames of PCM at hertz frames per second. A static sample only borrows its memory
// (capacity -1); the others own capacity bytes, on the heap or in their memory's keeper.
class TAudioSample {
public:
    // Throws std::invalid_argument for an unknown format, a negative length or more than 2 GiB.
    static TAudioSamplePtr Create(int32_t length, int32_t hertz, int32_t format);
    static TAudioSamplePtr CreateStatic(uint8_t* samples, int32_t length, int32_t hertz, int32_t format);
    virtual ~TAudioSample() = default;
    TAudioSample(const TAudioSample&) = delete;
    TAudioSample& operator=(const TAudioSample&) = delete;

    // An owned copy of the frames.
    virtual TAudioSamplePtr Copy() const;
    // A new owned sample in format; 8-bit values v map to (v - 128) * 256 + v, back by / 257; mono to
    // stereo duplicates, stereo to mono keeps the left channel. Throws for an unknown format.
    virtual TAudioSamplePtr Convert(int32_t format) const;

    uint8_t* samples = nullptr;
    int32_t length = 0;
    int32_t hertz = 0;
    int32_t format = 0;
    int32_t capacity = 0;
    // Set when the frames live outside the heap, in what the memory source gave.
    std::shared_ptr<TSampleMemory> memory;

    int32_t ByteSize() const { return length * SampleBytesPerFrame(format); }

private:
    TAudioSample() = default;
    std::unique_ptr<uint8_t[]> _owned;
};

// One decoder of sound files. A loader that does not recognise or cannot decode the data
// returns null; the stream is positioned at the data's start when it is called.
class TAudioSampleLoader {
public:
    virtual ~TAudioSampleLoader() = default;
    virtual TAudioSamplePtr LoadAudioSample(TStream& stream) = 0;
};

// The newest loader is tried first. The WAV loader is registered after the Ogg Vorbis loader.
void RegisterAudioSampleLoader(std::shared_ptr<TAudioSampleLoader> loader);

// Opens url for reading and asks each loader in turn; null when it cannot be opened or no loader
// accepts it. Throws "Stream is not seekable" for a stream without a position.
TAudioSamplePtr LoadAudioSample(const TUrl& url);
