// The Ogg Vorbis loader and piece decoder: libvorbisfile reads the file through callbacks over our stream.
#include "framework/audio/SampleLoaders.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>

namespace {

// The Ogg data starts at base; libvorbisfile sees positions relative to it. No exception may
// cross the C library, so stream errors become read or seek failures.
struct OggSource {
    TStream* stream;
    int64_t base;
};

size_t OggRead(void* ptr, size_t size, size_t nmemb, void* source)
{
    auto* src = static_cast<OggSource*>(source);
    if (size == 0) return 0;
    const size_t want = std::min<size_t>(size * nmemb, std::numeric_limits<int32_t>::max());
    try {
        const int32_t got = src->stream->Read(ptr, static_cast<int32_t>(want));
        return got > 0 ? static_cast<size_t>(got) / size : 0;
    } catch (...) {
        errno = EIO;
        return 0;
    }
}

int OggSeek(void* source, ogg_int64_t offset, int whence)
{
    auto* src = static_cast<OggSource*>(source);
    try {
        int64_t target = offset;
        if (whence == SEEK_CUR)
            target += src->stream->Pos() - src->base;
        else if (whence == SEEK_END)
            target += src->stream->Size() - src->base;
        else if (whence != SEEK_SET)
            return -1;
        const int64_t absolute = src->base + target;
        if (target < 0 || absolute > std::numeric_limits<int32_t>::max()) return -1;
        return src->stream->Seek(static_cast<int32_t>(absolute)) == absolute ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

long OggTell(void* source)
{
    auto* src = static_cast<OggSource*>(source);
    try {
        return static_cast<long>(src->stream->Pos() - src->base);
    } catch (...) {
        return -1;
    }
}

// The stream belongs to the caller, which closes it.
int OggClose(void*) { return 0; }

class VorbisFile {
public:
    explicit VorbisFile(OggSource& source)
    {
        const ov_callbacks callbacks{OggRead, OggSeek, OggClose, OggTell};
        _open = ov_open_callbacks(&source, &_file, nullptr, 0, callbacks) == 0;
    }
    ~VorbisFile()
    {
        if (_open) ov_clear(&_file);
    }
    VorbisFile(const VorbisFile&) = delete;
    VorbisFile& operator=(const VorbisFile&) = delete;

    bool Open() const { return _open; }
    OggVorbis_File* Get() { return &_file; }

private:
    OggVorbis_File _file{};
    bool _open = false;
};

// What the file holds, with the decoder at its first frame; false for what the loader refuses.
struct OggLayout {
    int32_t hertz = 0;
    int32_t format = 0;
    int64_t frames = 0;
};
bool Prepare(OggVorbis_File* vf, OggLayout& layout)
{
    const vorbis_info* info = ov_info(vf, -1);
    if (!info || info->channels < 1 || info->channels > 2) return false;
    if (info->rate < 1 || info->rate > std::numeric_limits<int32_t>::max()) return false;
    const int channels = info->channels;
    for (long link = 0; link < ov_streams(vf); ++link) {
        const vorbis_info* part = ov_info(vf, static_cast<int>(link));
        if (!part || part->channels != channels) return false;
    }

    // Opening a chained file leaves the decoder in its last part; decoding starts at the first.
    if (ov_streams(vf) > 1 && ov_pcm_seek(vf, 0) != 0) return false;

    layout.hertz = static_cast<int32_t>(info->rate);
    layout.format = channels == 1 ? SAMPLE_MONO16LE : SAMPLE_STEREO16LE;
    layout.frames = ov_pcm_total(vf, -1);
    const int64_t bytes = layout.frames * SampleBytesPerFrame(layout.format);
    return layout.frames >= 0 && bytes <= std::numeric_limits<int32_t>::max();
}

class OggPieceDecoder final : public TOggPieceDecoder {
public:
    explicit OggPieceDecoder(std::shared_ptr<const std::vector<uint8_t>> data)
        : _data(std::move(data)),
          _stream(TRamStream::Create(_data->data(), static_cast<int32_t>(_data->size()), true, false)),
          _source{_stream.get(), 0}, _vorbis(_source)
    {
    }
    bool Open()
    {
        OggLayout layout;
        if (!_vorbis.Open() || !Prepare(_vorbis.Get(), layout)) return false;
        _hertz = layout.hertz;
        _format = layout.format;
        _frames = layout.frames;
        return true;
    }
    int32_t Read(uint8_t* out, int32_t frames) override
    {
        const int32_t frameBytes = SampleBytesPerFrame(_format);
        const int64_t bytes = std::min<int64_t>(frames, _frames - _done) * frameBytes;
        int64_t got = 0;
        while (got < bytes) {
            int bitstream = 0;
            const int chunk = static_cast<int>(std::min<int64_t>(bytes - got, 1 << 16));
            const long read = ov_read(_vorbis.Get(), reinterpret_cast<char*>(out) + got, chunk, 0, 2, 1, &bitstream);
            if (read <= 0) break;
            got += read;
        }
        const auto whole = static_cast<int32_t>(got / frameBytes);
        _done += whole;
        return whole;
    }

private:
    std::shared_ptr<const std::vector<uint8_t>> _data;
    std::shared_ptr<TRamStream> _stream;
    OggSource _source;
    VorbisFile _vorbis;
    int64_t _done = 0;
};

}  // namespace

std::unique_ptr<TOggPieceDecoder> TOggPieceDecoder::Open(std::shared_ptr<const std::vector<uint8_t>> data)
{
    if (!data || data->empty() || data->size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return nullptr;
    auto decoder = std::make_unique<OggPieceDecoder>(std::move(data));
    if (!decoder->Open()) return nullptr;
    return decoder;
}

TAudioSamplePtr TOggAudioSampleLoader::LoadAudioSample(TStream& stream)
{
    OggSource source{&stream, stream.Pos()};
    VorbisFile vorbis(source);
    if (!vorbis.Open()) return nullptr;
    OggVorbis_File* vf = vorbis.Get();
    OggLayout layout;
    if (!Prepare(vf, layout)) return nullptr;
    const int32_t format = layout.format;
    const int64_t frames = layout.frames;
    const int64_t bytes = frames * SampleBytesPerFrame(format);

    TAudioSamplePtr sample = TAudioSample::Create(static_cast<int32_t>(frames), layout.hertz, format);
    auto* out = reinterpret_cast<char*>(sample->samples);
    int64_t done = 0;
    while (done < bytes) {
        int bitstream = 0;
        const int chunk = static_cast<int>(std::min<int64_t>(bytes - done, 1 << 16));
        const long got = ov_read(vf, out + done, chunk, 0, 2, 1, &bitstream);
        if (got <= 0) return nullptr;
        done += got;
    }
    return sample;
}
