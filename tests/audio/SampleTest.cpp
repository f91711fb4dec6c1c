// Sample creation and format conversion: 8 and 16 bits, mono and stereo, both byte orders.
#include "framework/audio/Sample.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

TAudioSamplePtr Make(int32_t format, const std::vector<uint8_t>& bytes)
{
    const int32_t frames = static_cast<int32_t>(bytes.size()) / SampleBytesPerFrame(format);
    TAudioSamplePtr sample = TAudioSample::Create(frames, 22050, format);
    std::memcpy(sample->samples, bytes.data(), bytes.size());
    return sample;
}

std::vector<uint8_t> Bytes(const TAudioSamplePtr& sample)
{
    return {sample->samples, sample->samples + sample->ByteSize()};
}

struct ConvertCase {
    const char* name;
    int32_t from;
    std::vector<uint8_t> in;
    int32_t to;
    std::vector<uint8_t> out;
};

class AudioSampleConvert : public testing::TestWithParam<ConvertCase> {};

TEST_P(AudioSampleConvert, GivesTheExpectedBytes)
{
    const ConvertCase& c = GetParam();
    TAudioSamplePtr in = Make(c.from, c.in);
    TAudioSamplePtr out = in->Convert(c.to);
    EXPECT_EQ(out->format, c.to);
    EXPECT_EQ(out->length, in->length);
    EXPECT_EQ(out->hertz, 22050);
    EXPECT_EQ(out->capacity, out->ByteSize());
    EXPECT_NE(out->samples, in->samples);
    EXPECT_EQ(Bytes(out), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AudioSampleConvert,
    testing::Values(
        // 0 -> -32768, 128 -> 128, 255 -> 32767: (v - 128) * 256 + v.
        ConvertCase{
            "Mono8ToMono16LE", SAMPLE_MONO8, {0, 128, 255}, SAMPLE_MONO16LE, {0x00, 0x80, 0x80, 0x00, 0xFF, 0x7F}},
        ConvertCase{"Mono8ToStereo16BE", SAMPLE_MONO8, {1}, SAMPLE_STEREO16BE, {0x81, 0x01, 0x81, 0x01}},
        // Back by (s + 32768) / 257 with integer division.
        ConvertCase{"Mono16LEToMono8",
                    SAMPLE_MONO16LE,
                    {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x00, 0xFF, 0xFF},
                    SAMPLE_MONO8,
                    {0, 255, 127, 127}},
        ConvertCase{"Mono16LEToMono16BE", SAMPLE_MONO16LE, {0x34, 0x12}, SAMPLE_MONO16BE, {0x12, 0x34}},
        ConvertCase{"Mono16BEToStereo16LE", SAMPLE_MONO16BE, {0x12, 0x34}, SAMPLE_STEREO16LE, {0x34, 0x12, 0x34, 0x12}},
        // Stereo to mono keeps the left channel.
        ConvertCase{"Stereo16LEToMono16LE", SAMPLE_STEREO16LE, {0x01, 0x02, 0x03, 0x04}, SAMPLE_MONO16LE, {0x01, 0x02}},
        ConvertCase{"Stereo8ToMono8", SAMPLE_STEREO8, {10, 200, 30, 40}, SAMPLE_MONO8, {10, 30}},
        ConvertCase{"Stereo8ToStereo16LE", SAMPLE_STEREO8, {0, 255}, SAMPLE_STEREO16LE, {0x00, 0x80, 0xFF, 0x7F}},
        ConvertCase{"Stereo16BEToStereo8", SAMPLE_STEREO16BE, {0x80, 0x00, 0x7F, 0xFF}, SAMPLE_STEREO8, {0, 255}},
        ConvertCase{"Stereo16BEToStereo16LE",
                    SAMPLE_STEREO16BE,
                    {0x12, 0x34, 0x56, 0x78},
                    SAMPLE_STEREO16LE,
                    {0x34, 0x12, 0x78, 0x56}},
        ConvertCase{"SameFormatCopies", SAMPLE_STEREO8, {5, 6}, SAMPLE_STEREO8, {5, 6}}),
    [](const testing::TestParamInfo<ConvertCase>& info) { return info.param.name; });

TEST(AudioSample, EightBitValuesSurviveTheRoundTripThroughSixteenBits)
{
    std::vector<uint8_t> all(256);
    for (int v = 0; v < 256; ++v) all[v] = static_cast<uint8_t>(v);
    for (int32_t wide : {SAMPLE_MONO16LE, SAMPLE_MONO16BE, SAMPLE_STEREO16LE, SAMPLE_STEREO16BE}) {
        TAudioSamplePtr back = Make(SAMPLE_MONO8, all)->Convert(wide)->Convert(SAMPLE_MONO8);
        EXPECT_EQ(Bytes(back), all) << "through format " << wide;
    }
}

TEST(AudioSample, UnknownFormatsAreRefusedWithTheirMessage)
{
    TAudioSamplePtr sample = Make(SAMPLE_MONO8, {1, 2});
    for (int32_t bad : {0, 7, -1}) {
        try {
            sample->Convert(bad);
            ADD_FAILURE() << "format " << bad << " converted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Unimplemented sample format conversion");
        }
    }
    uint8_t raw[4] = {};
    TAudioSamplePtr odd = TAudioSample::CreateStatic(raw, 1, 8000, SAMPLE_MONO8);
    odd->format = 9;
    EXPECT_THROW(odd->Convert(SAMPLE_MONO8), std::runtime_error);
    EXPECT_THROW(TAudioSample::Create(4, 8000, 0), std::invalid_argument);
    EXPECT_THROW(TAudioSample::Create(-1, 8000, SAMPLE_MONO8), std::invalid_argument);
    EXPECT_THROW(TAudioSample::Create(0x40000000, 8000, SAMPLE_STEREO16LE), std::invalid_argument);
}

TEST(AudioSample, StaticSamplesBorrowAndCopiesOwn)
{
    uint8_t raw[4] = {1, 2, 3, 4};
    TAudioSamplePtr borrowed = TAudioSample::CreateStatic(raw, 2, 11025, SAMPLE_MONO16LE);
    EXPECT_EQ(borrowed->samples, raw);
    EXPECT_EQ(borrowed->capacity, -1);
    TAudioSamplePtr copy = borrowed->Copy();
    raw[0] = 99;
    EXPECT_EQ(copy->capacity, 4);
    EXPECT_EQ(copy->hertz, 11025);
    EXPECT_EQ(Bytes(copy), (std::vector<uint8_t>{1, 2, 3, 4}));
}

}  // namespace
