// The Ogg Vorbis loader: libvorbisfile reads the file through callbacks over our stream.
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

}  // namespace

TAudioSamplePtr TOggAudioSampleLoader::LoadAudioSample(TStream& stream)
{
    OggSource source{&stream, stream.Pos()};
    VorbisFile vorbis(source);
    if (!vorbis.Open()) return nullptr;
    OggVorbis_File* vf = vorbis.Get();

    const vorbis_info* info = ov_info(vf, -1);
    if (!info || info->channels < 1 || info->channels > 2) return nullptr;
    if (info->rate < 1 || info->rate > std::numeric_limits<int32_t>::max()) return nullptr;
    const int channels = info->channels;
    for (long link = 0; link < ov_streams(vf); ++link) {
        const vorbis_info* part = ov_info(vf, static_cast<int>(link));
        if (!part || part->channels != channels) return nullptr;
    }

    // Opening a chained file leaves the decoder in its last part; decoding starts at the first.
    if (ov_streams(vf) > 1 && ov_pcm_seek(vf, 0) != 0) return nullptr;

    const int32_t format = channels == 1 ? SAMPLE_MONO16LE : SAMPLE_STEREO16LE;
    const ogg_int64_t frames = ov_pcm_total(vf, -1);
    const int64_t bytes = frames * SampleBytesPerFrame(format);
    if (frames < 0 || bytes > std::numeric_limits<int32_t>::max()) return nullptr;

    TAudioSamplePtr sample =
        TAudioSample::Create(static_cast<int32_t>(frames), static_cast<int32_t>(info->rate), format);
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
