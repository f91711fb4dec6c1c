// The OpenAL back-end's sounds and channels: each playing channel a source on its sound's buffer.
#include "framework/audio/OpenALObjects.h"

#include <AL/alext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace openal_backend {

// Hundredths of a decibel to a linear gain.
float GainOf(int32_t millibels) { return static_cast<float>(std::pow(10.0, millibels / 2000.0)); }

// Left-right separation in dB that the device's stereo panning gives a mono source placed 0, 5, 10,
// ... 60 degrees off centre (measured on OpenAL Soft's stereo output; beyond 60 the far side is mute).
constexpr std::array<double, 13> kSeparationAt5Degrees{0.0,   1.91,  3.86,  5.86,  7.97,  10.22, 12.68,
                                                       15.43, 18.63, 22.52, 27.58, 35.51, 100.0};

// The direction in degrees (positive to the right) at which the far side of a panned sound is as
// many decibels down as the stored pan asks: trunc(|stored| x 10000) hundredths of a decibel.
double PanAzimuth(float stored)
{
    const double separation = std::abs(static_cast<int32_t>(stored * 10000.0f)) / 100.0;
    double degrees = 60.0;
    for (size_t i = 0; i + 1 < kSeparationAt5Degrees.size(); ++i) {
        const double low = kSeparationAt5Degrees[i], high = kSeparationAt5Degrees[i + 1];
        if (separation <= high) {
            degrees = 5.0 * (static_cast<double>(i) + (separation - low) / (high - low));
            break;
        }
    }
    return std::copysign(degrees, static_cast<double>(stored));
}

TOpenALSound::~TOpenALSound()
{
    // Copies that still play are handed to the driver, so effects sound to their end.
    auto ctx = _context.lock();
    if (!ctx) return;
    for (auto& buf : _bufs)
        if (buf->Active()) ctx->lonely.push_back(buf);
}

TChannelPtr TOpenALSound::Cue(const TChannelPtr& channel)
{
    auto own = std::dynamic_pointer_cast<TOpenALChannel>(channel);
    if (!own) own = std::make_shared<TOpenALChannel>();
    own->Cue(*this);
    return own;
}

TChannelPtr TOpenALSound::Play(const TChannelPtr& channel)
{
    TChannelPtr cued = Cue(channel);
    cued->SetPaused(false);
    return cued;
}

// Stops the copy's source; a streamed one is no longer started again by its feeder.
void StopCopy(TBuf& buf)
{
    if (!buf.source.Live()) return;
    if (buf.feed)
        buf.feed->Stop();
    else
        alSourceStop(buf.source.Id());
}

TBufPtr TOpenALSound::TakeIdleCopy()
{
    for (auto& buf : _bufs)
        if (!buf->Active()) return buf;
    auto ctx = _context.lock();
    if (!ctx) return nullptr;
    ctx->FlushLonely();
    if (ctx->liveSources >= ctx->sourceLimit) ctx->ReclaimIdle();
    if (ctx->liveSources >= ctx->sourceLimit) return nullptr;

    alGetError();
    ALuint id = 0;
    alGenSources(1, &id);
    if (alGetError() != AL_NO_ERROR) return nullptr;
    auto buf = std::make_shared<TBuf>(_buffer, _context, id);
    buf->music = _loop;
    if (_stream) {
        buf->feed = TALStreamFeed::Create(_context, _stream, _loop, id);
        if (!buf->feed) return nullptr;
        ctx->feeder.Add(buf->feed);
    } else {
        alSourcei(id, AL_BUFFER, static_cast<ALint>(_buffer->Id()));
    }
    // Placed around the listener by pan alone, never by distance.
    alSourcei(id, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(id, AL_ROLLOFF_FACTOR, 0.0f);
    if (alGetError() != AL_NO_ERROR) return nullptr;
    _bufs.insert(_bufs.begin(), buf);
    return buf;
}

void TOpenALSound::ReleaseIdleCopies()
{
    std::erase_if(_bufs, [](const TBufPtr& buf) { return !buf->Active(); });
}

TOpenALChannel::~TOpenALChannel()
{
    // A cued or paused copy stops with its channel; a playing one plays on to its end.
    TBufPtr buf = Owned();
    if (buf && buf->paused) {
        StopCopy(*buf);
        Release(*buf);
    }
}

void TOpenALChannel::Release(TBuf& buf)
{
    buf.paused = false;
    ++buf.seq;
    _buf.reset();
}

void TOpenALChannel::Cue(TOpenALSound& sound)
{
    Stop();
    TBufPtr buf = sound.TakeIdleCopy();
    if (!buf) return;
    // Taking the copy takes it away from any channel that still remembers it.
    ++buf->seq;
    _buf = buf;
    _seq = buf->seq;
    _hertz = sound.Hertz();
    _loop = sound.Loops();
    _stereo = sound.Stereo();
    buf->paused = true;
    if (buf->feed) {
        buf->feed->Restart();
    } else {
        const ALuint id = buf->source.Id();
        alSourceRewind(id);
        alSourcei(id, AL_LOOPING, _loop ? AL_TRUE : AL_FALSE);
    }
    Apply();
}

void TOpenALChannel::Stop()
{
    TBufPtr buf = Owned();
    if (!buf) return;
    StopCopy(*buf);
    Release(*buf);
}

void TOpenALChannel::SetPaused(bool paused)
{
    TBufPtr buf = Owned();
    if (!buf) return;
    if (!buf->Active()) {
        // It finished: the copy is free for others now.
        ++buf->seq;
        _buf.reset();
        return;
    }
    const ALuint id = buf->source.Id();
    const bool running = buf->State() == AL_PLAYING;
    if (buf->feed) {
        if (paused && running) buf->feed->Pause();
        if (!paused && !running) buf->feed->Play();
    } else {
        if (paused && running) alSourcePause(id);
        if (!paused && !running) {
            alSourcei(id, AL_LOOPING, _loop ? AL_TRUE : AL_FALSE);
            alSourcePlay(id);
        }
    }
    buf->paused = paused;
}

void TOpenALChannel::SetVolume(float volume)
{
    const float v = volume >= 0.0f ? std::min(volume, 1.0f) : 0.0f;
    _volume = std::pow(v, 0.1f);
    Apply();
}

void TOpenALChannel::SetPan(float pan)
{
    const float p = pan >= -1.0f ? std::min(pan, 1.0f) : -1.0f;
    _pan = std::copysign(1.0f - std::pow(1.0f - std::abs(p), 0.1f), p);
    Apply();
}

void TOpenALChannel::SetRate(float rate)
{
    _rate = rate;
    Apply();
}

void TOpenALChannel::Apply()
{
    TBufPtr buf = Owned();
    if (!buf || !buf->source.Live()) return;
    const ALuint id = buf->source.Id();

    buf->gain = GainOf(static_cast<int32_t>((1.0f - _volume) * -10000.0f));
    buf->ApplyGain();

    const double azimuth = PanAzimuth(_pan);
    const double radian = std::numbers::pi / 180.0;
    if (_stereo) {
        // The channels sit 30 degrees either side (angles count positive to the left); both swing
        // toward the panned side and meet at 60 degrees, where the far side is mute.
        const double t = std::abs(azimuth) / 60.0;
        const double left = azimuth >= 0 ? 30.0 - 90.0 * t : 30.0 + 30.0 * t;
        const double right = azimuth >= 0 ? -30.0 - 30.0 * t : -30.0 + 90.0 * t;
        const ALfloat angles[2] = {static_cast<ALfloat>(left * radian), static_cast<ALfloat>(right * radian)};
        alSourcefv(id, AL_STEREO_ANGLES, angles);
    } else {
        alSource3f(id, AL_POSITION, static_cast<ALfloat>(std::sin(azimuth * radian)), 0.0f,
                   static_cast<ALfloat>(-std::cos(azimuth * radian)));
    }

    double frequency = _rate > 0.0f ? std::trunc(_hertz * static_cast<double>(_rate)) : 100.0;
    frequency = std::clamp(frequency, 100.0, 200000.0);
    alSourcef(id, AL_PITCH, static_cast<ALfloat>(frequency / std::max(_hertz, 1)));
}

}  // namespace openal_backend
