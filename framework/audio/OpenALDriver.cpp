// The native audio back-end on OpenAL: the device, its context and the sounds' buffers.
#include "framework/audio/OpenALObjects.h"

#include <AL/alext.h>

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>

using namespace openal_backend;

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
    // No effect sends: nothing here uses them, and each of the mixer's voices keeps room for every
    // send it may have (three quarters of a megabyte for the default two). No HRTF either: the
    // sounds are placed by stereo panning, which HRTF would change, and its tables take memory.
    const ALCint attributes[] = {ALC_MAX_AUXILIARY_SENDS, 0, ALC_HRTF_SOFT, ALC_FALSE, 0};
    std::unique_ptr<ALCcontext, ContextDestroyer> context(alcCreateContext(device.get(), attributes));
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
