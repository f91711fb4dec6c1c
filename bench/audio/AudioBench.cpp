// Decoding cost of the Ogg Vorbis loader (through our streams and the loader chain) against bare
// libvorbisfile on the same file, and the cost of sample conversion.
#include "AudioTestUtil.h"

#include "framework/audio/Sample.h"
#include "framework/system/Bank.h"

#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>
#include <numbers>

using namespace audiotest;

namespace {

// A stereo piece of seconds at 44.1 kHz: a changing three-note chord, like the game's music.
std::vector<int16_t> Music(int seconds)
{
    const int32_t rate = 44100, frames = seconds * rate;
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    const double roots[] = {220.0, 246.9, 196.0, 261.6};
    for (int32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double root = roots[static_cast<int>(t / 2) % 4];
        double v = 0;
        for (double ratio : {1.0, 1.26, 1.5}) v += std::sin(2 * std::numbers::pi * root * ratio * t);
        const double beat = 0.6 + 0.4 * std::exp(-8 * std::fmod(t, 0.5));
        pcm[2 * i] = static_cast<int16_t>(7000 * v * beat);
        pcm[2 * i + 1] = static_cast<int16_t>(7000 * v * (1.6 - beat));
    }
    return pcm;
}

struct Fixture {
    TempDir dir;
    std::vector<uint8_t> ogg;
    std::string path;
    explicit Fixture(int seconds) : ogg(EncodeOgg(Music(seconds), 2, 44100)), path(dir.Write("music.ogg", ogg)) {}
};

Fixture& Piece(int seconds)
{
    static Fixture effect(1);
    static Fixture music(30);
    return seconds == 1 ? effect : music;
}

struct Memory {
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

size_t MemRead(void* ptr, size_t size, size_t nmemb, void* source)
{
    auto* m = static_cast<Memory*>(source);
    const size_t n = std::min(size * nmemb, m->bytes->size() - m->pos);
    std::memcpy(ptr, m->bytes->data() + m->pos, n);
    m->pos += n;
    return n / size;
}

int MemSeek(void* source, ogg_int64_t offset, int whence)
{
    auto* m = static_cast<Memory*>(source);
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? static_cast<int64_t>(m->pos)
                                              : static_cast<int64_t>(m->bytes->size());
    const int64_t to = base + offset;
    if (to < 0 || to > static_cast<int64_t>(m->bytes->size())) return -1;
    m->pos = static_cast<size_t>(to);
    return 0;
}

long MemTell(void* source) { return static_cast<long>(static_cast<Memory*>(source)->pos); }

// Whole-file decode with libvorbisfile alone, into one buffer of the file's length.
int64_t BareDecode(OggVorbis_File& vf)
{
    const int64_t bytes = ov_pcm_total(&vf, -1) * ov_info(&vf, -1)->channels * 2;
    std::vector<char> out(static_cast<size_t>(bytes));
    int64_t done = 0;
    int bitstream = 0;
    while (done < bytes) {
        const long got = ov_read(&vf, out.data() + done, static_cast<int>(std::min<int64_t>(bytes - done, 65536)), 0, 2,
                                 1, &bitstream);
        if (got <= 0) break;
        done += got;
    }
    benchmark::DoNotOptimize(out.data());
    return done;
}

void BM_LoadAudioSample_File(benchmark::State& state)
{
    Fixture& f = Piece(static_cast<int>(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        TAudioSamplePtr sample = LoadAudioSample(f.path);
        bytes += sample->ByteSize();
        benchmark::DoNotOptimize(sample->samples);
    }
    state.SetBytesProcessed(bytes);
}

void BM_LoadAudioSample_Bank(benchmark::State& state)
{
    Fixture& f = Piece(static_cast<int>(state.range(0)));
    TBankPtr bank = TBank::Create(static_cast<int32_t>(f.ogg.size()));
    std::memcpy(bank->Buf(), f.ogg.data(), f.ogg.size());
    int64_t bytes = 0;
    for (auto _ : state) {
        TAudioSamplePtr sample = LoadAudioSample(bank);
        bytes += sample->ByteSize();
        benchmark::DoNotOptimize(sample->samples);
    }
    state.SetBytesProcessed(bytes);
}

void BM_BareVorbisfile_File(benchmark::State& state)
{
    Fixture& f = Piece(static_cast<int>(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        OggVorbis_File vf;
        if (ov_fopen(f.path.c_str(), &vf) != 0) state.SkipWithError("ov_fopen");
        bytes += BareDecode(vf);
        ov_clear(&vf);
    }
    state.SetBytesProcessed(bytes);
}

void BM_BareVorbisfile_Memory(benchmark::State& state)
{
    Fixture& f = Piece(static_cast<int>(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        Memory m{&f.ogg, 0};
        OggVorbis_File vf;
        if (ov_open_callbacks(&m, &vf, nullptr, 0, ov_callbacks{MemRead, MemSeek, nullptr, MemTell}) != 0)
            state.SkipWithError("ov_open_callbacks");
        bytes += BareDecode(vf);
        ov_clear(&vf);
    }
    state.SetBytesProcessed(bytes);
}

void BM_ConvertMono8ToStereo16(benchmark::State& state)
{
    TAudioSamplePtr sample = TAudioSample::Create(44100 * 10, 44100, SAMPLE_MONO8);
    for (int32_t i = 0; i < sample->length; ++i) sample->samples[i] = static_cast<uint8_t>(i * 7);
    for (auto _ : state) {
        TAudioSamplePtr out = sample->Convert(SAMPLE_STEREO16LE);
        benchmark::DoNotOptimize(out->samples);
    }
    state.SetItemsProcessed(state.iterations() * sample->length);
}

BENCHMARK(BM_LoadAudioSample_File)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareVorbisfile_File)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAudioSample_Bank)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareVorbisfile_Memory)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertMono8ToStereo16)->Unit(benchmark::kMillisecond);

}  // namespace
