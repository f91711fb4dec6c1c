// The sound file loaders: Ogg Vorbis and WAV decoding, rejection of bad data, the loader chain, and
// music read in pieces.
#include "AudioTestUtil.h"

#include "framework/audio/AudioStream.h"
#include "framework/audio/Sample.h"
#include "framework/audio/SampleLoaders.h"
#include "framework/system/Bank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace audiotest;

namespace {

// Signal-to-noise ratio in dB of decoded 16-bit little-endian data against the original.
double Snr(const TAudioSamplePtr& sample, const std::vector<int16_t>& original)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < original.size(); ++i) {
        const auto decoded = static_cast<int16_t>(sample->samples[2 * i] | sample->samples[2 * i + 1] << 8);
        signal += static_cast<double>(original[i]) * original[i];
        noise += static_cast<double>(decoded - original[i]) * (decoded - original[i]);
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

struct OggCase {
    const char* name;
    int32_t channels;
    int32_t rate;
    int32_t frames;
    int32_t format;
};

class AudioOggLoad : public testing::TestWithParam<OggCase> {};

TEST_P(AudioOggLoad, DecodesTheWholeFileToSixteenBits)
{
    const OggCase& c = GetParam();
    TempDir dir;
    const std::vector<int16_t> pcm = Tone(c.frames, c.channels, c.rate, 440.0, 0.5, 0.5);
    const std::string path = dir.Write("tone.ogg", EncodeOgg(pcm, c.channels, c.rate));
    TAudioSamplePtr sample = LoadAudioSample(path);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, c.format);
    EXPECT_EQ(sample->hertz, c.rate);
    EXPECT_EQ(sample->length, c.frames);
    EXPECT_GT(Snr(sample, pcm), 20.0);
}

INSTANTIATE_TEST_SUITE_P(Files, AudioOggLoad,
                         testing::Values(OggCase{"Mono44k", 1, 44100, 22050, SAMPLE_MONO16LE},
                                         OggCase{"Stereo22k", 2, 22050, 13001, SAMPLE_STEREO16LE},
                                         OggCase{"ShortMono", 1, 8000, 700, SAMPLE_MONO16LE}),
                         [](const testing::TestParamInfo<OggCase>& info) { return info.param.name; });

TEST(AudioOggLoad, ChainedFilesDecodeEveryPart)
{
    TempDir dir;
    std::vector<uint8_t> bytes = EncodeOgg(Tone(3000, 1, 22050, 300, 0.2, 0.2), 1, 22050, 1);
    const std::vector<uint8_t> second = EncodeOgg(Tone(5000, 1, 22050, 900, 0.6, 0.6), 1, 22050, 2);
    bytes.insert(bytes.end(), second.begin(), second.end());
    TAudioSamplePtr sample = LoadAudioSample(dir.Write("chain.ogg", bytes));
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->length, 8000);
    // The parts come in file order: the quiet one first.
    auto rms = [&](int32_t from, int32_t to) {
        double sum = 0;
        for (int32_t i = from; i < to; ++i) {
            const double v = static_cast<int16_t>(sample->samples[2 * i] | sample->samples[2 * i + 1] << 8);
            sum += v * v;
        }
        return std::sqrt(sum / (to - from)) / 32767.0;
    };
    EXPECT_NEAR(rms(500, 2500), 0.2 / std::sqrt(2.0), 0.02);
    EXPECT_NEAR(rms(4000, 7500), 0.6 / std::sqrt(2.0), 0.04);
}

TEST(AudioOggLoad, RejectsWhatItCannotHoldOrDecode)
{
    TempDir dir;
    const std::vector<uint8_t> good = EncodeOgg(Tone(44100, 1, 44100, 440, 0.5, 0.5), 1, 44100);

    // Parts with different channel counts would interleave wrongly.
    std::vector<uint8_t> mixed = good;
    const std::vector<uint8_t> stereo = EncodeOgg(Tone(4000, 2, 44100, 440, 0.5, 0.5), 2, 44100, 7);
    mixed.insert(mixed.end(), stereo.begin(), stereo.end());
    EXPECT_FALSE(LoadAudioSample(dir.Write("mixed.ogg", mixed)));

    // Three channels do not fit the stereo frame the sample holds.
    EXPECT_FALSE(LoadAudioSample(dir.Write("three.ogg", EncodeOgg(Tone(4000, 3, 44100, 440, 0.5, 0.5), 3, 44100))));

    // A damaged page in the middle is a hole in the data.
    std::vector<uint8_t> damaged = good;
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) damaged[i] ^= 0x5A;
    EXPECT_FALSE(LoadAudioSample(dir.Write("damaged.ogg", damaged)));

    std::vector<uint8_t> garbage(4096);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    EXPECT_FALSE(LoadAudioSample(dir.Write("garbage.ogg", garbage)));
    EXPECT_FALSE(LoadAudioSample(dir.Write("empty.ogg", {})));
    EXPECT_FALSE(LoadAudioSample(dir.Path("missing.ogg").string()));
    EXPECT_FALSE(LoadAudioSample(dir.Path("").string()));
}

TEST(AudioOggLoad, ReadsFromAStreamPositionAndFromABank)
{
    TempDir dir;
    const std::vector<uint8_t> ogg = EncodeOgg(Tone(5000, 2, 32000, 440, 0.5, 0.5), 2, 32000);
    std::vector<uint8_t> prefixed = ogg;
    prefixed.insert(prefixed.begin(), 37, 0xEE);
    TStreamPtr stream = ReadFileStream(dir.Write("prefixed.bin", prefixed));
    ASSERT_TRUE(stream);
    ASSERT_EQ(stream->Seek(37), 37);
    TAudioSamplePtr fromStream = LoadAudioSample(stream);
    ASSERT_TRUE(fromStream);
    EXPECT_EQ(fromStream->length, 5000);
    // The caller's stream stays open.
    EXPECT_EQ(stream->Seek(0), 0);
    EXPECT_EQ(stream->ReadByte(), 0xEE);

    TBankPtr bank = TBank::Create(static_cast<int32_t>(ogg.size()));
    std::memcpy(bank->Buf(), ogg.data(), ogg.size());
    TAudioSamplePtr fromBank = LoadAudioSample(bank);
    ASSERT_TRUE(fromBank);
    EXPECT_EQ(fromBank->length, 5000);
    EXPECT_EQ(0, std::memcmp(fromBank->samples, fromStream->samples, fromBank->ByteSize()));
}

struct WavCase {
    const char* name;
    std::vector<uint8_t> file;
    int32_t format;
    int32_t length;
    std::vector<uint8_t> data;
};

class AudioWavLoad : public testing::TestWithParam<WavCase> {};

TEST_P(AudioWavLoad, ReadsPcm)
{
    const WavCase& c = GetParam();
    TempDir dir;
    TAudioSamplePtr sample = LoadAudioSample(dir.Write("sound.wav", c.file));
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, c.format);
    EXPECT_EQ(sample->hertz, 11025);
    EXPECT_EQ(sample->length, c.length);
    EXPECT_EQ(std::vector<uint8_t>(sample->samples, sample->samples + sample->ByteSize()), c.data);
}

std::vector<uint8_t> Cut(std::vector<uint8_t> file, size_t drop)
{
    file.resize(file.size() - drop);
    return file;
}

const std::vector<uint8_t> kList{'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};

INSTANTIATE_TEST_SUITE_P(
    Files, AudioWavLoad,
    testing::Values(
        WavCase{"Mono8", MakeWav(1, 1, 11025, 8, {0, 128, 255}), SAMPLE_MONO8, 3, {0, 128, 255}},
        WavCase{"Stereo16",
                MakeWav(1, 2, 11025, 16, {1, 2, 3, 4, 5, 6, 7, 8}),
                SAMPLE_STEREO16LE,
                2,
                {1, 2, 3, 4, 5, 6, 7, 8}},
        WavCase{"Extensible", MakeWav(1, 1, 11025, 16, {9, 8, 7, 6}, true), SAMPLE_MONO16LE, 2, {9, 8, 7, 6}},
        WavCase{"OddChunkFirst", MakeWav(1, 2, 11025, 8, {1, 2, 3, 4}, false, kList), SAMPLE_STEREO8, 2, {1, 2, 3, 4}},
        // Cut inside the third frame: the two whole frames remain.
        WavCase{"Truncated", Cut(MakeWav(1, 1, 11025, 16, {1, 2, 3, 4, 5, 6}), 1), SAMPLE_MONO16LE, 2, {1, 2, 3, 4}}),
    [](const testing::TestParamInfo<WavCase>& info) { return info.param.name; });

TEST(AudioWavLoad, RejectsWhatItDoesNotPlay)
{
    TempDir dir;
    std::vector<uint8_t> notWave = MakeWav(1, 1, 11025, 8, {1, 2});
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    std::vector<uint8_t> badAlign = MakeWav(1, 2, 11025, 16, {1, 2, 3, 4});
    badAlign[32] = 2;
    std::vector<uint8_t> noRate = MakeWav(1, 1, 11025, 8, {1, 2});
    std::memset(noRate.data() + 24, 0, 4);
    // A data chunk before any fmt chunk.
    std::vector<uint8_t> dataFirst{'R', 'I', 'F', 'F', 0,   0, 0, 0, 'W', 'A', 'V',
                                   'E', 'd', 'a', 't', 'a', 2, 0, 0, 0,   1,   2};
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> bad{
        {"24-bit", MakeWav(1, 1, 11025, 24, {1, 2, 3})},
        {"float", MakeWav(3, 1, 11025, 32, {0, 0, 0, 0})},
        {"float extensible", MakeWav(3, 2, 11025, 32, std::vector<uint8_t>(8), true)},
        {"three channels", MakeWav(1, 3, 11025, 16, std::vector<uint8_t>(6))},
        {"not WAVE", notWave},
        {"bad block align", badAlign},
        {"rate 0", noRate},
        {"data first", dataFirst},
        {"no data chunk", Cut(MakeWav(1, 1, 11025, 8, {}), 8)},
    };
    for (const auto& [name, bytes] : bad) EXPECT_FALSE(LoadAudioSample(dir.Write("bad.wav", bytes))) << name;
}

TEST(AudioWavLoad, CutOffHeadersAreRejectedWithoutAStreamError)
{
    // Found by fuzzing: an extensible fmt chunk of 40 bytes of which the file holds 18.
    const std::vector<uint8_t> full = MakeWav(1, 1, 44100, 16, {1, 2, 3, 4}, true);
    for (const size_t length : {size_t{38}, size_t{24}, size_t{21}, size_t{14}}) {
        auto bank = TBank::Create(static_cast<int32_t>(length));
        std::memcpy(bank->Buf(), full.data(), length);
        auto stream = OpenBankStream(bank);
        TWavAudioSampleLoader loader;
        TAudioSamplePtr sample;
        EXPECT_NO_THROW(sample = loader.LoadAudioSample(*stream)) << length;
        EXPECT_FALSE(sample) << length;
    }
}

// A stream without a position, like a pipe.
class UnseekableStream : public TStream {};

TEST(AudioLoaderChain, AStreamWithoutAPositionIsAnError)
{
    try {
        LoadAudioSample(TStreamPtr(std::make_shared<UnseekableStream>()));
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Stream is not seekable");
    }
}

// Recognises files that start with "KRLX" and reads the byte after it as the one frame.
class MagicLoader : public TAudioSampleLoader {
public:
    TAudioSamplePtr LoadAudioSample(TStream& stream) override
    {
        char magic[4];
        if (stream.Read(magic, 4) != 4 || std::memcmp(magic, "KRLX", 4) != 0) return nullptr;
        TAudioSamplePtr sample = TAudioSample::Create(1, 1234, SAMPLE_MONO8);
        sample->samples[0] = static_cast<uint8_t>(stream.ReadByte());
        return sample;
    }
};

// Reads a little, then fails as a short read does.
class FailingLoader : public TAudioSampleLoader {
public:
    int calls = 0;
    TAudioSamplePtr LoadAudioSample(TStream& stream) override
    {
        ++calls;
        char head[3];
        stream.ReadBytes(head, 3);
        throw TStreamReadException();
    }
};

TEST(AudioLoaderChain, NewestLoaderFirstAndStreamErrorsAreRejections)
{
    TempDir dir;
    RegisterAudioSampleLoader(std::make_shared<MagicLoader>());
    auto failing = std::make_shared<FailingLoader>();
    RegisterAudioSampleLoader(failing);

    TAudioSamplePtr magic = LoadAudioSample(dir.Write("m.bin", {'K', 'R', 'L', 'X', 42}));
    ASSERT_TRUE(magic);
    EXPECT_EQ(magic->hertz, 1234);
    EXPECT_EQ(magic->samples[0], 42);
    // The failing loader moved the stream; each later loader still starts at the beginning.
    TAudioSamplePtr ogg = LoadAudioSample(dir.Write("t.ogg", EncodeOgg(Tone(900, 1, 8000, 200, 0.3, 0.3), 1, 8000)));
    ASSERT_TRUE(ogg);
    EXPECT_EQ(ogg->length, 900);
    TAudioSamplePtr wav = LoadAudioSample(dir.Write("t.wav", MakeWav(1, 1, 8000, 8, {7, 8, 9})));
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->length, 3);
    EXPECT_EQ(failing->calls, 3);
}

}  // namespace

TEST(AudioStreamRead, PiecesAreTheWholeDecodeAndALoopGoesOnAtItsFirstFrame)
{
    // Longer than the head, so that the decoder of its own is read too, and rising, so that the
    // seam is a jump that a frame out of place would show.
    TempDir dir;
    const std::string path = dir.Write("music.ogg", EncodeOgg(Tone(50001, 2, 44100, 440, 0.1, 0.9), 2, 44100));
    const TAudioSamplePtr whole = LoadAudioSample(path);
    const TAudioStreamPtr stream = TAudioStream::Load(path);
    ASSERT_TRUE(whole && stream);
    ASSERT_EQ(stream->Length(), whole->length);
    ASSERT_EQ(stream->HeadFrames(), TAudioStream::kHeadFrames);
    const size_t frameBytes = 4;
    // The frames a reader gives from frame from on, compared with the whole decode played on as it plays.
    const auto matches = [&](TAudioStreamReader& reader, int64_t from, int32_t piece, int64_t count, bool loop) {
        std::vector<uint8_t> got(static_cast<size_t>(piece) * frameBytes);
        for (int64_t at = from; at < from + count;) {
            const int32_t n = reader.Read(got.data(), piece);
            const int64_t expected = loop ? piece : std::min<int64_t>(piece, std::max<int64_t>(whole->length - at, 0));
            if (n != expected) return testing::AssertionFailure() << n << " frames at " << at;
            for (int32_t i = 0; i < n; ++i, ++at)
                if (std::memcmp(got.data() + i * frameBytes, whole->samples + (at % whole->length) * frameBytes,
                                frameBytes) != 0)
                    return testing::AssertionFailure() << "frame " << at << " differs";
            if (n == 0) break;
        }
        return testing::AssertionSuccess();
    };
    TAudioStreamReader loop(stream, true);
    EXPECT_TRUE(matches(loop, 0, 7001, 5 * whole->length / 2, true));
    // Back into the head, and on from a frame within the decoded part.
    loop.Seek(100);
    EXPECT_TRUE(matches(loop, 100, 8192, whole->length + 10000, true));
    loop.Seek(whole->length + 40000);
    EXPECT_TRUE(matches(loop, 40000, 4096, 20000, true));

    TAudioStreamReader once(stream, false);
    once.Seek(40000);
    EXPECT_TRUE(matches(once, 40000, 8192, 20000, false)) << "ends with the sound";
    EXPECT_EQ(once.Read(std::vector<uint8_t>(64).data(), 16), 0);
    EXPECT_EQ(stream->Decode()->ByteSize(), whole->ByteSize());
    EXPECT_EQ(std::memcmp(stream->Decode()->samples, whole->samples, static_cast<size_t>(whole->ByteSize())), 0);
}

TEST(AudioStreamRead, DamageBeyondTheHeadEndsTheMusicThereWithOneReport)
{
    TempDir dir;
    std::vector<uint8_t> data = EncodeOgg(Tone(200000, 2, 44100, 440, 0.1, 0.9), 2, 44100);
    for (size_t i = data.size() * 3 / 4; i < data.size() * 3 / 4 + 64; ++i) data[i] ^= 0x5A;
    const std::string path = dir.Write("damaged.ogg", data);
    const TAudioStreamPtr stream = TAudioStream::Load(path);
    ASSERT_TRUE(stream);
    TAudioStreamReader once(stream, false);
    std::vector<uint8_t> out(static_cast<size_t>(stream->Length()) * 4);
    testing::internal::CaptureStderr();
    const int32_t got = once.Read(out.data(), static_cast<int32_t>(stream->Length()));
    EXPECT_EQ(once.Read(out.data(), 16), 0);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_GT(got, TAudioStream::kHeadFrames);
    EXPECT_LT(got, stream->Length());
    EXPECT_NE(report.find("damaged.ogg: damaged data"), std::string::npos) << report;
    EXPECT_EQ(report.find("damaged data"), report.rfind("damaged data")) << "said once";
}
