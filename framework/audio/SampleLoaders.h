// The sound file decoders: Ogg Vorbis through libvorbisfile, and uncompressed WAV.
#pragma once

#include "framework/audio/Sample.h"

#include <cstdint>
#include <memory>
#include <vector>

// Decodes the whole file (every chained part) to signed 16-bit little-endian PCM, mono or stereo.
// Rejects data it cannot open, more than two channels, parts that change the channel count,
// a decoding error and data that ends before the length its headers promise.
class TOggAudioSampleLoader : public TAudioSampleLoader {
public:
    TAudioSamplePtr LoadAudioSample(TStream& stream) override;
};

// RIFF WAVE files holding PCM (plain or extensible) with 8 or 16 bits and one or two channels.
// A data chunk cut short by the end of the file gives the whole frames that are there.
class TWavAudioSampleLoader : public TAudioSampleLoader {
public:
    TAudioSamplePtr LoadAudioSample(TStream& stream) override;
};

// An Ogg Vorbis file in memory decoded a piece at a time from its start, frame for frame as the
// loader decodes it whole.
class TOggPieceDecoder {
public:
    // Null for data the loader would refuse.
    static std::unique_ptr<TOggPieceDecoder> Open(std::shared_ptr<const std::vector<uint8_t>> data);
    virtual ~TOggPieceDecoder() = default;
    TOggPieceDecoder(const TOggPieceDecoder&) = delete;
    TOggPieceDecoder& operator=(const TOggPieceDecoder&) = delete;

    int32_t Hertz() const { return _hertz; }
    int32_t Format() const { return _format; }
    int64_t Frames() const { return _frames; }
    // Decodes the next frames (at most frames) into out; fewer only at the end or on damaged data.
    virtual int32_t Read(uint8_t* out, int32_t frames) = 0;

protected:
    TOggPieceDecoder() = default;
    int32_t _hertz = 0;
    int32_t _format = 0;
    int64_t _frames = 0;
};
