// Music held encoded and decoded a piece at a time as it plays, and the reader that decodes it.
#pragma once

#include "framework/audio/Sample.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TOggPieceDecoder;
class TAudioStream;
using TAudioStreamPtr = std::shared_ptr<const TAudioStream>;

// A sound file kept as it is in the file, a tenth of its decoded size, with its first frames
// decoded ahead so that it starts at once; the rest is decoded while it plays. A file that
// cannot be decoded in pieces (not Ogg Vorbis) is held decoded whole instead.
class TAudioStream {
public:
    // Frames decoded ahead: what plays while the rest of the first piece is decoded.
    static constexpr int32_t kHeadFrames = 32768;

    // Null when url cannot be opened or decoded.
    static TAudioStreamPtr Load(const TUrl& url);
    // A stream of samples already decoded whole; null for a null sample.
    static TAudioStreamPtr OfSample(TAudioSamplePtr sample);

    // The samples decoded whole, when the file is held so.
    const TAudioSamplePtr& Whole() const { return _whole; }
    // Every frame decoded at once, for a driver that plays only whole samples.
    TAudioSamplePtr Decode() const;

    int32_t Hertz() const { return _hertz; }
    int32_t Format() const { return _format; }
    int64_t Length() const { return _length; }
    const std::vector<uint8_t>& Head() const { return _head; }
    int32_t HeadFrames() const;
    // A new decoder at the first frame.
    std::unique_ptr<TOggPieceDecoder> OpenDecoder() const;
    const std::string& Name() const { return _name; }

private:
    TAudioStream() = default;
    std::shared_ptr<const std::vector<uint8_t>> _encoded;
    // The file's name, for the report of damage found while it plays.
    std::string _name;
    std::vector<uint8_t> _head;
    TAudioSamplePtr _whole;
    int32_t _hertz = 0;
    int32_t _format = 0;
    int64_t _length = 0;
};

// Reads a stream's frames in order, from the head decoded ahead and then from a decoder of its
// own; a loop goes on at the first frame after the last, an end that the frames read show as the
// seam of the whole sound played looping.
class TAudioStreamReader {
public:
    TAudioStreamReader(TAudioStreamPtr stream, bool loop);
    ~TAudioStreamReader();
    TAudioStreamReader(const TAudioStreamReader&) = delete;
    TAudioStreamReader& operator=(const TAudioStreamReader&) = delete;

    // Reads on from frame (wrapped into the sound for a loop).
    void Seek(int64_t frame);
    int64_t Position() const { return _position; }
    // Fills out with up to frames frames; fewer only at the end of a sound that does not loop.
    int32_t Read(uint8_t* out, int32_t frames);

private:
    TAudioStreamPtr _stream;
    bool _loop;
    int64_t _position = 0;
    std::unique_ptr<TOggPieceDecoder> _decoder;
    // The next frame the decoder gives.
    int64_t _decoded = 0;
    bool _reported = false;
};
