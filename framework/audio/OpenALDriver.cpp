// The native audio back-end on OpenAL: sounds as buffers, channels as sources taken from them.
#include "framework/audio/OpenALDriver.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

// Internal types have a named namespace: the driver's context refers to them.
namespace openal_backend {

struct DeviceCloser {
    void operator()(ALCdevice* device) const { alcCloseDevice(device); }
};

struct ContextDestroyer {
    void operator()(ALCcontext* context) const
    {
        if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
};

class TBuf;
class TOpenALSound;

}  // namespace openal_backend

using namespace openal_backend;

// One started device. The driver holds the only strong reference; everything else holds a weak
// one, so once the driver shuts down no object touches OpenAL again (the device frees the
// buffers and sources that are still named when it closes).
struct TALContext {
    std::unique_ptr<ALCdevice, DeviceCloser> device;
    std::unique_ptr<ALCcontext, ContextDestroyer> context;
    int32_t sourceLimit = 0;
    int32_t liveSources = 0;
    // Copies of sounds that were destroyed while the copies still played.
    std::vector<std::shared_ptr<TBuf>> lonely;
    std::vector<std::weak_ptr<TOpenALSound>> sounds;

    void FlushLonely();
    // Releases every copy that nothing plays or holds, of all sounds.
    void ReclaimIdle();
};

namespace openal_backend {

using TALContextRef = std::weak_ptr<TALContext>;

class TALBuffer {
public:
    TALBuffer(TALContextRef context, ALuint id) : _context(std::move(context)), _id(id) {}
    ~TALBuffer()
    {
        if (!_context.expired()) alDeleteBuffers(1, &_id);
    }
    TALBuffer(const TALBuffer&) = delete;
    TALBuffer& operator=(const TALBuffer&) = delete;
    ALuint Id() const { return _id; }

private:
    TALContextRef _context;
    ALuint _id;
};

class TALSource {
public:
    TALSource(TALContextRef context, ALuint id) : _context(std::move(context)), _id(id)
    {
        if (auto ctx = _context.lock()) ++ctx->liveSources;
    }
    ~TALSource()
    {
        if (auto ctx = _context.lock()) {
            alDeleteSources(1, &_id);
            --ctx->liveSources;
        }
    }
    TALSource(const TALSource&) = delete;
    TALSource& operator=(const TALSource&) = delete;
    ALuint Id() const { return _id; }
    bool Live() const { return !_context.expired(); }

private:
    TALContextRef _context;
    ALuint _id;
};

// A playback copy of a sound: a source on the sound's buffer. seq grows whenever the copy is
// taken away from a channel; paused is set while the copy is cued or paused.
class TBuf {
public:
    TBuf(std::shared_ptr<TALBuffer> buffer, TALContextRef context, ALuint source)
        : buffer(std::move(buffer)), source(std::move(context), source)
    {
    }

    ALint State() const
    {
        ALint state = AL_STOPPED;
        if (source.Live()) alGetSourcei(source.Id(), AL_SOURCE_STATE, &state);
        return state;
    }
    bool Playing() const { return source.Live() && !paused && State() == AL_PLAYING; }
    // The gain its channel asks for, scaled by the player's volume of the sound's group.
    void ApplyGain() const
    {
        if (source.Live())
            alSourcef(source.Id(), AL_GAIN, gain * GroupGain(music ? TSoundGroup::Music : TSoundGroup::Effects));
    }
    bool Active() const { return source.Live() && (paused || State() == AL_PLAYING); }

    // Declared before the source so that the source goes first: OpenAL refuses to delete a
    // buffer that a source still uses.
    std::shared_ptr<TALBuffer> buffer;
    TALSource source;
    uint32_t seq = 0;
    bool paused = false;
    float gain = 1.0f;
    // A copy of a looping sound: music.
    bool music = false;
};

using TBufPtr = std::shared_ptr<TBuf>;

class TOpenALSound : public TSound {
public:
    TOpenALSound(TALContextRef context, std::shared_ptr<TALBuffer> buffer, int32_t hertz, bool loop, bool stereo)
        : _context(std::move(context)), _buffer(std::move(buffer)), _hertz(hertz), _loop(loop), _stereo(stereo)
    {
    }
    ~TOpenALSound() override;
    TOpenALSound(const TOpenALSound&) = delete;
    TOpenALSound& operator=(const TOpenALSound&) = delete;

    TChannelPtr Play(const TChannelPtr& channel) override;
    TChannelPtr Cue(const TChannelPtr& channel) override;

    // A copy that is neither playing nor held cued or paused, made when there is none; null
    // when the device gives no more sources.
    TBufPtr TakeIdleCopy();
    void ReleaseIdleCopies();
    void ApplyGains() const
    {
        for (const TBufPtr& buf : _bufs) buf->ApplyGain();
    }

    int32_t Hertz() const { return _hertz; }
    bool Loops() const { return _loop; }
    bool Stereo() const { return _stereo; }

private:
    TALContextRef _context;
    std::shared_ptr<TALBuffer> _buffer;
    int32_t _hertz;
    bool _loop;
    bool _stereo;
    // Newest copy first.
    std::vector<TBufPtr> _bufs;
};

class TOpenALChannel : public TChannel {
public:
    TOpenALChannel() = default;
    ~TOpenALChannel() override;
    TOpenALChannel(const TOpenALChannel&) = delete;
    TOpenALChannel& operator=(const TOpenALChannel&) = delete;

    void Cue(TOpenALSound& sound);
    void Stop() override;
    void SetPaused(bool paused) override;
    void SetVolume(float volume) override;
    void SetPan(float pan) override;
    void SetDepth(float) override {}
    void SetRate(float rate) override;
    bool Playing() override
    {
        TBufPtr buf = Owned();
        return buf && buf->Playing();
    }

private:
    // The copy while this channel still owns it, else null.
    TBufPtr Owned() const
    {
        TBufPtr buf = _buf.lock();
        return buf && buf->seq == _seq ? buf : nullptr;
    }
    void Release(TBuf& buf);
    void Apply();

    float _volume = 1.0f;
    float _pan = 0.0f;
    float _rate = 1.0f;
    // The sound (or, once the sound is gone, the driver) holds the copy; a copy nobody needs
    // any more can so be freed even while a channel still remembers it.
    std::weak_ptr<TBuf> _buf;
    uint32_t _seq = 0;
    int32_t _hertz = 0;
    bool _loop = false;
    bool _stereo = false;
};

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
    alSourcei(id, AL_BUFFER, static_cast<ALint>(_buffer->Id()));
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
        if (buf->source.Live()) alSourceStop(buf->source.Id());
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
    const ALuint id = buf->source.Id();
    alSourceRewind(id);
    alSourcei(id, AL_LOOPING, _loop ? AL_TRUE : AL_FALSE);
    Apply();
}

void TOpenALChannel::Stop()
{
    TBufPtr buf = Owned();
    if (!buf) return;
    if (buf->source.Live()) alSourceStop(buf->source.Id());
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
    if (paused && running) alSourcePause(id);
    if (!paused && !running) {
        alSourcei(id, AL_LOOPING, _loop ? AL_TRUE : AL_FALSE);
        alSourcePlay(id);
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

void TALContext::FlushLonely()
{
    std::erase_if(lonely, [](const TBufPtr& buf) { return !buf->Active(); });
}

void TALContext::ReclaimIdle()
{
    FlushLonely();
    std::erase_if(sounds, [](const std::weak_ptr<TOpenALSound>& sound) { return sound.expired(); });
    for (auto& weak : sounds)
        if (auto sound = weak.lock()) sound->ReleaseIdleCopies();
}

TOpenALAudioDriver::~TOpenALAudioDriver() { Shutdown(); }

bool TOpenALAudioDriver::Startup()
{
    Shutdown();
    std::unique_ptr<ALCdevice, DeviceCloser> device(alcOpenDevice(nullptr));
    if (!device) return false;
    std::unique_ptr<ALCcontext, ContextDestroyer> context(alcCreateContext(device.get(), nullptr));
    if (!context || !alcMakeContextCurrent(context.get())) return false;

    auto ctx = std::make_shared<TALContext>();
    ctx->device = std::move(device);
    ctx->context = std::move(context);
    ALCint mono = 0, stereo = 0;
    alcGetIntegerv(ctx->device.get(), ALC_MONO_SOURCES, 1, &mono);
    alcGetIntegerv(ctx->device.get(), ALC_STEREO_SOURCES, 1, &stereo);
    ctx->sourceLimit = mono + stereo > 0 ? mono + stereo : 256;
    alDistanceModel(AL_NONE);
    _context = std::move(ctx);
    return true;
}

void TOpenALAudioDriver::Shutdown()
{
    if (!_context) return;
    // Copies of dead sounds are freed while OpenAL is still up; everything else falls silent.
    _context->lonely.clear();
    _context.reset();
}

TSoundPtr TOpenALAudioDriver::CreateSound(const TAudioSamplePtr& sample, int32_t flags)
{
    if (!sample) return nullptr;
    if (!_context) return TAudioDriver::CreateSound(sample, flags);

    // OpenAL takes 16-bit data in the machine's byte order.
    constexpr bool little = std::endian::native == std::endian::little;
    TAudioSamplePtr pcm = sample;
    switch (sample->format) {
    case SAMPLE_MONO16BE:
        if (little) pcm = sample->Convert(SAMPLE_MONO16LE);
        break;
    case SAMPLE_STEREO16BE:
        if (little) pcm = sample->Convert(SAMPLE_STEREO16LE);
        break;
    case SAMPLE_MONO16LE:
        if (!little) pcm = sample->Convert(SAMPLE_MONO16BE);
        break;
    case SAMPLE_STEREO16LE:
        if (!little) pcm = sample->Convert(SAMPLE_STEREO16BE);
        break;
    default:
        if (SampleBytesPerFrame(sample->format) == 0)
            throw std::runtime_error("Unimplemented sample format conversion");
        break;
    }
    ALenum format = AL_FORMAT_MONO16;
    switch (pcm->format) {
    case SAMPLE_MONO8:
        format = AL_FORMAT_MONO8;
        break;
    case SAMPLE_STEREO8:
        format = AL_FORMAT_STEREO8;
        break;
    case SAMPLE_STEREO16LE:
    case SAMPLE_STEREO16BE:
        format = AL_FORMAT_STEREO16;
        break;
    default:
        break;
    }

    alGetError();
    ALuint id = 0;
    alGenBuffers(1, &id);
    if (ALenum error = alGetError(); error != AL_NO_ERROR)
        throw std::runtime_error("CreateSoundBuffer failed (" + std::to_string(error & 0xFFFF) + ")");
    auto buffer = std::make_shared<TALBuffer>(_context, id);
    alBufferData(id, format, pcm->samples, pcm->ByteSize(), pcm->hertz);
    if (ALenum error = alGetError(); error != AL_NO_ERROR)
        throw std::runtime_error("CreateSoundBuffer failed (" + std::to_string(error & 0xFFFF) + ")");

    auto sound = std::make_shared<TOpenALSound>(_context, std::move(buffer), pcm->hertz, (flags & SOUND_LOOP) != 0,
                                                SampleChannels(pcm->format) == 2);
    std::erase_if(_context->sounds, [](const std::weak_ptr<TOpenALSound>& s) { return s.expired(); });
    _context->sounds.push_back(sound);
    return sound;
}

TChannelPtr TOpenALAudioDriver::AllocChannel() { return std::make_shared<TOpenALChannel>(); }

void TOpenALAudioDriver::ApplyGroupVolumes()
{
    if (!_context) return;
    for (const TBufPtr& buf : _context->lonely) buf->ApplyGain();
    for (const auto& weak : _context->sounds)
        if (auto sound = weak.lock()) sound->ApplyGains();
}

int32_t TOpenALAudioDriver::SourceLimit() const { return _context ? _context->sourceLimit : 0; }

void TOpenALAudioDriver::SetSourceLimit(int32_t limit)
{
    if (_context) _context->sourceLimit = std::max(limit, 0);
}

int32_t TOpenALAudioDriver::LiveSources() const { return _context ? _context->liveSources : 0; }
