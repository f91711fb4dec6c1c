// Writes a float buffer as an Ogg Vorbis file with a fixed stream serial, so the bytes never vary.
#include "OggWriter.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>

namespace snd {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// libvorbis keeps its encoder state in plain structs; this holds them and clears them in order.
class Encoder {
public:
    Encoder() { vorbis_info_init(&info_); }
    ~Encoder()
    {
        if (streamReady_) {
            ogg_stream_clear(&stream_);
        }
        if (blockReady_) {
            vorbis_block_clear(&block_);
        }
        if (dspReady_) {
            vorbis_dsp_clear(&dsp_);
        }
        if (commentReady_) {
            vorbis_comment_clear(&comment_);
        }
        vorbis_info_clear(&info_);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    bool Start(int32_t channels, int32_t rate, float quality, float lowpassKhz, int serial)
    {
        if (vorbis_encode_setup_vbr(&info_, channels, rate, quality) != 0) {
            return false;
        }
        double lowpass = lowpassKhz;
        if (lowpassKhz > 0.0f && vorbis_encode_ctl(&info_, OV_ECTL_LOWPASS_SET, &lowpass) != 0) {
            return false;
        }
        if (vorbis_encode_setup_init(&info_) != 0) {
            return false;
        }
        vorbis_comment_init(&comment_);
        commentReady_ = true;
        if (vorbis_analysis_init(&dsp_, &info_) != 0) {
            return false;
        }
        dspReady_ = true;
        if (vorbis_block_init(&dsp_, &block_) != 0) {
            return false;
        }
        blockReady_ = true;
        if (ogg_stream_init(&stream_, serial) != 0) {
            return false;
        }
        streamReady_ = true;
        return true;
    }

    bool WriteHeaders(std::FILE* out)
    {
        ogg_packet id;
        ogg_packet comments;
        ogg_packet codebooks;
        if (vorbis_analysis_headerout(&dsp_, &comment_, &id, &comments, &codebooks) != 0) {
            return false;
        }
        ogg_stream_packetin(&stream_, &id);
        ogg_stream_packetin(&stream_, &comments);
        ogg_stream_packetin(&stream_, &codebooks);
        ogg_page page;
        // The audio starts on a fresh page, as players expect.
        while (ogg_stream_flush(&stream_, &page) != 0) {
            if (!WritePage(out, page)) {
                return false;
            }
        }
        return true;
    }

    bool Feed(std::FILE* out, const Buffer& sound)
    {
        constexpr size_t kChunk = 4096;
        const size_t frames = sound.Frames();
        for (size_t start = 0; start < frames; start += kChunk) {
            const size_t count = std::min(kChunk, frames - start);
            float** channels = vorbis_analysis_buffer(&dsp_, static_cast<int>(count));
            std::copy_n(sound.left.begin() + static_cast<std::ptrdiff_t>(start), count, channels[0]);
            if (sound.IsStereo()) {
                std::copy_n(sound.right.begin() + static_cast<std::ptrdiff_t>(start), count, channels[1]);
            }
            vorbis_analysis_wrote(&dsp_, static_cast<int>(count));
            if (!Drain(out)) {
                return false;
            }
        }
        vorbis_analysis_wrote(&dsp_, 0);
        return Drain(out);
    }

private:
    static bool WritePage(std::FILE* out, const ogg_page& page)
    {
        return std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), out) ==
                   static_cast<size_t>(page.header_len) &&
               std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), out) == static_cast<size_t>(page.body_len);
    }

    bool Drain(std::FILE* out)
    {
        while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
            vorbis_analysis(&block_, nullptr);
            vorbis_bitrate_addblock(&block_);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
                ogg_stream_packetin(&stream_, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&stream_, &page) != 0) {
                    if (!WritePage(out, page)) {
                        return false;
                    }
                }
            }
        }
        ogg_page page;
        if (ogg_stream_eos(&stream_) != 0) {
            while (ogg_stream_flush(&stream_, &page) != 0) {
                if (!WritePage(out, page)) {
                    return false;
                }
            }
        }
        return true;
    }

    vorbis_info info_;
    vorbis_comment comment_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    ogg_stream_state stream_{};
    bool commentReady_ = false;
    bool dspReady_ = false;
    bool blockReady_ = false;
    bool streamReady_ = false;
};

}  // namespace

bool WriteOgg(const std::filesystem::path& path, const Buffer& sound, float quality, std::string& error)
{
    return WriteOgg(path, sound, quality, 0.0f, error);
}

bool WriteOgg(const std::filesystem::path& path, const Buffer& sound, float quality, float lowpassKhz,
              std::string& error)
{
    if (sound.Frames() == 0) {
        error = path.string() + ": nothing to encode";
        return false;
    }
    std::filesystem::path temporary = path;
    temporary += ".part";
    {
        FilePtr out(std::fopen(temporary.c_str(), "wb"));
        if (!out) {
            error = "cannot create " + temporary.string();
            return false;
        }
        Encoder encoder;
        // The serial comes from the file name: fixed bytes, yet different streams per file.
        const int serial = static_cast<int>(HashText(path.filename().c_str()) & 0x7FFFFFFF);
        if (!encoder.Start(sound.IsStereo() ? 2 : 1, sound.rate, quality, lowpassKhz, serial)) {
            error = path.string() + ": the Vorbis encoder refused the format";
            return false;
        }
        const bool written = encoder.WriteHeaders(out.get()) && encoder.Feed(out.get(), sound);
        if (std::fclose(out.release()) != 0 || !written) {
            error = "cannot write " + temporary.string();
            std::filesystem::remove(temporary);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = "cannot rename " + temporary.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace snd
