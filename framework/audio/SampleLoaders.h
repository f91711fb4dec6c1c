// The sound file decoders: Ogg Vorbis through libvorbisfile, and uncompressed WAV.
#pragma once

#include "framework/audio/Sample.h"

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
