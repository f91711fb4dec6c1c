// Helpers of the audio tests: tone synthesis, Ogg Vorbis and WAV writers, temporary files, and a
// reader and meters for the mix that the device writes to a wave file.
#include "AudioTestUtil.h"

#include <vorbis/vorbisenc.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>

namespace audiotest {

std::vector<int16_t> Tone(int32_t frames, int32_t channels, int32_t rate, double freq, double start, double end)
{
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * channels);
    for (int32_t i = 0; i < frames; ++i) {
        const double amplitude = start + (end - start) * i / std::max(frames - 1, 1);
        const double v = amplitude * 32767.0 * std::sin(2 * std::numbers::pi * freq * i / rate);
        for (int32_t c = 0; c < channels; ++c) pcm[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(v);
    }
    return pcm;
}

namespace {

void Append(std::vector<uint8_t>& out, const unsigned char* p, long n) { out.insert(out.end(), p, p + n); }

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& pcm, int32_t channels, int32_t rate, int serial)
{
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.5f) != 0) throw std::runtime_error("vorbis_encode_init_vbr");
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);

    std::vector<uint8_t> out;
    ogg_page og;
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    while (ogg_stream_flush(&os, &og) != 0) {
        Append(out, og.header, og.header_len);
        Append(out, og.body, og.body_len);
    }

    const size_t frames = pcm.size() / channels;
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        const size_t chunk = std::min<size_t>(1024, frames - done);
        if (chunk == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
            for (size_t i = 0; i < chunk; ++i)
                for (int c = 0; c < channels; ++c) buffer[c][i] = pcm[(done + i) * channels + c] / 32768.0f;
            vorbis_analysis_wrote(&vd, static_cast<int>(chunk));
            done += chunk;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    Append(out, og.header, og.header_len);
                    Append(out, og.body, og.body_len);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

std::vector<uint8_t> MakeWav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                             const std::vector<uint8_t>& data, bool extensible, const std::vector<uint8_t>& before)
{
    std::vector<uint8_t> fmt;
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Put16(fmt, extensible ? 0xFFFE : tag);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * align);
    Put16(fmt, align);
    Put16(fmt, bits);
    if (extensible) {
        Put16(fmt, 22);
        Put16(fmt, bits);
        Put32(fmt, channels == 1 ? 4 : 3);
        // Sub-format GUID: the tag, then the fixed tail 0000-0010-8000-00AA00389B71.
        const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        Put16(fmt, tag);
        fmt.insert(fmt.end(), std::begin(tail), std::end(tail));
    }
    std::vector<uint8_t> out;
    PutTag(out, "RIFF");
    Put32(out, 0);
    PutTag(out, "WAVE");
    out.insert(out.end(), before.begin(), before.end());
    PutTag(out, "fmt ");
    Put32(out, static_cast<uint32_t>(fmt.size()));
    out.insert(out.end(), fmt.begin(), fmt.end());
    PutTag(out, "data");
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
    const uint32_t riff = static_cast<uint32_t>(out.size() - 8);
    std::memcpy(out.data() + 4, &riff, 4);
    return out;
}

std::vector<uint8_t> ToBytes(const std::vector<int16_t>& pcm)
{
    std::vector<uint8_t> out;
    for (int16_t v : pcm) Put16(out, static_cast<uint16_t>(v));
    return out;
}

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    _path = std::filesystem::temp_directory_path() /
            ("krellix-audio-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(_path);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(_path, ignored);
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    const std::string path = Path(name).string();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

Mix ReadMix(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        throw std::runtime_error(path + " is not a RIFF WAVE file");
    uint16_t tag = 0, channels = 0, bits = 0;
    Mix mix;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint8_t* chunk = bytes.data() + at;
        size_t size = Get32(chunk + 4);
        at += 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || at + size > bytes.size()) throw std::runtime_error("short fmt chunk");
            tag = Get16(chunk + 8);
            channels = Get16(chunk + 10);
            mix.rate = static_cast<int32_t>(Get32(chunk + 12));
            bits = Get16(chunk + 22);
            if (tag == 0xFFFE && size >= 40) tag = Get16(chunk + 32);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            // A file still being written has no final size yet.
            if (size == 0 || at + size > bytes.size()) size = bytes.size() - at;
            if (channels == 0 || !((tag == 3 && bits == 32) || (tag == 1 && bits == 16)))
                throw std::runtime_error("unexpected sample format " + std::to_string(tag) + "/" +
                                         std::to_string(bits));
            const size_t step = channels * bits / 8;
            for (size_t f = 0; f + step <= size; f += step) {
                float v[2] = {0, 0};
                for (int c = 0; c < std::min<int>(channels, 2); ++c) {
                    const uint8_t* p = bytes.data() + at + f + c * bits / 8;
                    if (bits == 32)
                        std::memcpy(&v[c], p, 4);
                    else
                        v[c] = static_cast<int16_t>(Get16(p)) / 32768.0f;
                }
                mix.left.push_back(v[0]);
                mix.right.push_back(channels > 1 ? v[1] : v[0]);
            }
            return mix;
        }
        at += size + (size & 1);
    }
    throw std::runtime_error(path + " has no data chunk");
}

double RmsOf(const std::vector<float>& channel, size_t from, size_t to)
{
    to = std::min(to, channel.size());
    if (from >= to) return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(channel[i]) * channel[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

double Rms(const Mix& mix, size_t from, size_t to)
{
    const double l = RmsOf(mix.left, from, to), r = RmsOf(mix.right, from, to);
    return std::sqrt((l * l + r * r) / 2);
}

double ToneLevel(const std::vector<float>& channel, int32_t rate, double freq, size_t from, size_t to)
{
    to = std::min(to, channel.size());
    if (from >= to) return 0.0;
    const double w = 2 * std::numbers::pi * freq / rate;
    const double coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (size_t i = from; i < to; ++i) {
        const double s0 = channel[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(to - from);
}

std::vector<Segment> AudibleSegments(const Mix& mix, double threshold)
{
    const size_t window = static_cast<size_t>(mix.rate / 200);
    std::vector<Segment> segments;
    bool open = false;
    for (size_t at = 0; at + window <= mix.Frames(); at += window) {
        const bool audible = Rms(mix, at, at + window) > threshold;
        if (audible && !open) segments.push_back({at, at + window});
        if (audible) segments.back().to = at + window;
        open = audible;
    }
    return segments;
}

}  // namespace audiotest
