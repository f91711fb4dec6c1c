// Music held encoded: loading it with its head decoded, and reading it on in pieces.
#include "framework/audio/AudioStream.h"

#include "framework/audio/SampleLoaders.h"
#include "framework/system/Report.h"

#include <algorithm>
#include <cstring>
#include <limits>

TAudioStreamPtr TAudioStream::Load(const TUrl& url)
{
    TStreamPtr file = OpenStreamUrl(url, true, false);
    if (!file) return nullptr;
    auto encoded = std::make_shared<std::vector<uint8_t>>();
    try {
        const int32_t size = file->Size() - file->Pos();
        if (size > 0) {
            encoded->resize(static_cast<size_t>(size));
            encoded->resize(static_cast<size_t>(std::max(file->Read(encoded->data(), size), 0)));
        }
    } catch (const TStreamException&) {
        encoded->clear();
    }
    file->Close();
    std::unique_ptr<TOggPieceDecoder> decoder = TOggPieceDecoder::Open(encoded);
    if (!decoder) return OfSample(LoadAudioSample(url));

    std::shared_ptr<TAudioStream> stream(new TAudioStream());
    stream->_hertz = decoder->Hertz();
    stream->_format = decoder->Format();
    stream->_length = decoder->Frames();
    const int32_t frameBytes = SampleBytesPerFrame(stream->_format);
    const auto head = static_cast<int32_t>(std::min<int64_t>(kHeadFrames, stream->_length));
    stream->_head.resize(static_cast<size_t>(head) * frameBytes);
    // A file damaged within its head is refused, as decoding it whole would be.
    if (decoder->Read(stream->_head.data(), head) != head) return nullptr;
    stream->_encoded = std::move(encoded);
    stream->_name = url.text;
    return stream;
}

TAudioStreamPtr TAudioStream::OfSample(TAudioSamplePtr sample)
{
    if (!sample) return nullptr;
    std::shared_ptr<TAudioStream> stream(new TAudioStream());
    stream->_hertz = sample->hertz;
    stream->_format = sample->format;
    stream->_length = sample->length;
    stream->_whole = std::move(sample);
    return stream;
}

TAudioSamplePtr TAudioStream::Decode() const
{
    if (_whole) return _whole;
    std::unique_ptr<TOggPieceDecoder> decoder = OpenDecoder();
    if (!decoder) return nullptr;
    TAudioSamplePtr sample = TAudioSample::Create(static_cast<int32_t>(_length), _hertz, _format);
    return decoder->Read(sample->samples, sample->length) == sample->length ? sample : nullptr;
}

int32_t TAudioStream::HeadFrames() const
{
    const int32_t frameBytes = SampleBytesPerFrame(_format);
    return frameBytes > 0 ? static_cast<int32_t>(_head.size() / static_cast<size_t>(frameBytes)) : 0;
}

std::unique_ptr<TOggPieceDecoder> TAudioStream::OpenDecoder() const
{
    return _encoded ? TOggPieceDecoder::Open(_encoded) : nullptr;
}

TAudioStreamReader::TAudioStreamReader(TAudioStreamPtr stream, bool loop) : _stream(std::move(stream)), _loop(loop) {}

TAudioStreamReader::~TAudioStreamReader() = default;

void TAudioStreamReader::Seek(int64_t frame)
{
    const int64_t length = _stream->Length();
    _position = std::clamp<int64_t>(frame, 0, length);
    if (_loop && length > 0) _position = std::max<int64_t>(frame, 0) % length;
}

int32_t TAudioStreamReader::Read(uint8_t* out, int32_t frames)
{
    const int64_t length = _stream->Length();
    const int32_t frameBytes = SampleBytesPerFrame(_stream->Format());
    const uint8_t* whole = _stream->Whole() ? _stream->Whole()->samples : nullptr;
    const int32_t head = whole ? static_cast<int32_t>(length) : _stream->HeadFrames();
    const uint8_t* early = whole ? whole : _stream->Head().data();
    int32_t done = 0;
    while (done < frames && length > 0) {
        if (_position >= length) {
            if (!_loop) break;
            _position = 0;
        }
        const auto want = static_cast<int32_t>(std::min<int64_t>(frames - done, length - _position));
        uint8_t* to = out + static_cast<size_t>(done) * frameBytes;
        int32_t got = 0;
        if (_position < head) {
            got = std::min(want, static_cast<int32_t>(head - _position));
            std::memcpy(to, early + static_cast<size_t>(_position) * frameBytes, static_cast<size_t>(got) * frameBytes);
        } else {
            if (!_decoder || _decoded != _position) {
                // A decoder starts at the first frame: the frames before the one wanted are decoded and
                // dropped, so that every frame comes out as decoding straight through gives it.
                _decoder = _stream->OpenDecoder();
                _decoded = 0;
                while (_decoder && _decoded < _position) {
                    const auto skip = static_cast<int32_t>(std::min<int64_t>(want, _position - _decoded));
                    const int32_t skipped = _decoder->Read(to, skip);
                    if (skipped <= 0) _decoder.reset();
                    _decoded += skipped;
                }
            }
            got = _decoder ? _decoder->Read(to, want) : 0;
            _decoded += got;
            // Damaged data ends the sound where it breaks off, said once.
            if (got <= 0) {
                if (!_reported) ReportProblem(_stream->Name() + ": damaged data; the music stops there");
                _reported = true;
                _decoder.reset();
                _position = length;
                continue;
            }
        }
        done += got;
        _position += got;
    }
    return done;
}
