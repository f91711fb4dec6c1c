// The native audio back-end on OpenAL: the device, its context and the sounds' buffers.
#include "framework/audio/OpenALObjects.h"

#include <AL/alext.h>

#include <algorithm>
#include <bit>
#include <limits>
#include <stdexcept>
#include <string>

using namespace openal_backend;

namespace {

// The OpenAL format that takes frames of format as they are; 0 when they need converting.
ALenum NativeFormat(int32_t format)
{
    constexpr bool little = std::endian::native == std::endian::little;
    switch (format) {
    case SAMPLE_MONO8:
        return AL_FORMAT_MONO8;
    case SAMPLE_STEREO8:
        return AL_FORMAT_STEREO8;
    case SAMPLE_MONO16LE:
        return little ? AL_FORMAT_MONO16 : 0;
    case SAMPLE_MONO16BE:
        return little ? 0 : AL_FORMAT_MONO16;
    case SAMPLE_STEREO16LE:
        return little ? AL_FORMAT_STEREO16 : 0;
    case SAMPLE_STEREO16BE:
        return little ? 0 : AL_FORMAT_STEREO16;
    default:
        return 0;
    }
}

// The map_buffer extension of the current context, if it has one (entry points null if not).
TALMapping FindMapping()
{
    TALMapping mapping;
    const bool final = alIsExtensionPresent("AL_SOFT_map_buffer") == AL_TRUE;
    if (!final && alIsExtensionPresent("AL_SOFTX_map_buffer") != AL_TRUE) return mapping;
    mapping.storage = reinterpret_cast<TALMapping::TStorage>(alGetProcAddress("alBufferStorageSOFT"));
    mapping.map = reinterpret_cast<TALMapping::TMap>(alGetProcAddress("alMapBufferSOFT"));
    mapping.unmap = reinterpret_cast<TALMapping::TUnmap>(alGetProcAddress("alUnmapBufferSOFT"));
    // Read, write, persistent.
    mapping.access = final ? 0x01000000u | 0x02000000u | 0x04000000u : 0x1u | 0x2u | 0x4u;
    return mapping;
}

// Memory for a sample in a new buffer of the device, mapped; null (the heap then) when the frames
// need converting or the device gives none. Runs on decoding threads: OpenAL locks its own
// state, and nothing asks for its error here, which belongs to the main thread's calls.
std::shared_ptr<TSampleMemory> BufferMemory(const std::weak_ptr<TALContext>& context,
                                            const std::weak_ptr<TALDevice>& open, const TALMapping& mapping,
                                            int32_t length, int32_t hertz, int32_t format, uint8_t*& frames)
{
    const ALenum alFormat = NativeFormat(format);
    const int64_t bytes = static_cast<int64_t>(length) * SampleBytesPerFrame(format);
    if (alFormat == 0 || hertz < 1 || bytes < 1 || bytes > std::numeric_limits<ALsizei>::max()) return nullptr;
    std::shared_ptr<TALDevice> device = open.lock();
    if (!device || context.expired()) return nullptr;
    ALuint id = 0;
    alGenBuffers(1, &id);
    if (id == 0) return nullptr;
    auto buffer = std::make_shared<TALBuffer>(context, id);
    const auto size = static_cast<ALsizei>(bytes);
    mapping.storage(id, alFormat, nullptr, size, hertz, mapping.access);
    void* mapped = mapping.map(id, 0, size, mapping.access);
    if (!mapped) return nullptr;
    frames = static_cast<uint8_t*>(mapped);
    return std::make_shared<TALSampleMemory>(std::move(device), std::move(buffer), mapping, frames, length, hertz,
                                             format);
}

}  // namespace

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
    // No output limiter: a mix beyond full scale is clipped, as a sound card's own mixer does,
    // rather than compressed at a logarithm and an exponential per sample on the mixer's thread.
    const ALCint attributes[] = {
        ALC_MAX_AUXILIARY_SENDS, 0, ALC_HRTF_SOFT, ALC_FALSE, ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE, 0};
    std::unique_ptr<ALCcontext, ContextDestroyer> context(alcCreateContext(device.get(), attributes));
    if (!context || !alcMakeContextCurrent(context.get())) return false;

    auto ctx = std::make_shared<TALContext>();
    ctx->open = std::make_shared<TALDevice>();
    ALCint mono = 0, stereo = 0;
    alcGetIntegerv(device.get(), ALC_MONO_SOURCES, 1, &mono);
    alcGetIntegerv(device.get(), ALC_STEREO_SOURCES, 1, &stereo);
    ctx->open->device = std::move(device);
    ctx->open->context = std::move(context);
    ctx->sourceLimit = mono + stereo > 0 ? mono + stereo : 256;
    alDistanceModel(AL_NONE);
    if (const TALMapping mapping = FindMapping(); mapping.storage && mapping.map && mapping.unmap) {
        SetSampleMemorySource([weak = std::weak_ptr<TALContext>(ctx), open = std::weak_ptr<TALDevice>(ctx->open),
                               mapping](int32_t length, int32_t hertz, int32_t format, uint8_t*& frames) {
            return BufferMemory(weak, open, mapping, length, hertz, format, frames);
        });
    }
    _context = std::move(ctx);
    return true;
}

void TOpenALAudioDriver::Shutdown()
{
    if (!_context) return;
    SetSampleMemorySource(nullptr);
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

    // Decoded straight into a buffer of this device: the sound plays that buffer, no copy is made.
    std::shared_ptr<TALBuffer> buffer;
    if (auto kept = std::dynamic_pointer_cast<TALSampleMemory>(pcm->memory);
        kept && kept->Holds(*pcm) && kept->buffer->Of(_context))
        buffer = kept->buffer;
    if (!buffer) {
        alGetError();
        ALuint id = 0;
        alGenBuffers(1, &id);
        if (ALenum error = alGetError(); error != AL_NO_ERROR)
            throw std::runtime_error("CreateSoundBuffer failed (" + std::to_string(error & 0xFFFF) + ")");
        buffer = std::make_shared<TALBuffer>(_context, id);
        alBufferData(id, format, pcm->samples, pcm->ByteSize(), pcm->hertz);
        if (ALenum error = alGetError(); error != AL_NO_ERROR)
            throw std::runtime_error("CreateSoundBuffer failed (" + std::to_string(error & 0xFFFF) + ")");
    }

    auto sound = std::make_shared<TOpenALSound>(_context, std::move(buffer), pcm->hertz, (flags & SOUND_LOOP) != 0,
                                                SampleChannels(pcm->format) == 2);
    std::erase_if(_context->sounds, [](const std::weak_ptr<TOpenALSound>& s) { return s.expired(); });
    _context->sounds.push_back(sound);
    return sound;
}

TSoundPtr TOpenALAudioDriver::CreateStream(const TAudioStreamPtr& stream, int32_t flags)
{
    if (!stream) return nullptr;
    // Pieces are decoded as 16-bit frames in the machine's order on a little-endian machine alone.
    constexpr bool little = std::endian::native == std::endian::little;
    if (!_context || stream->Whole() || !little) return CreateSound(stream->Decode(), flags);
    auto sound = std::make_shared<TOpenALSound>(_context, stream, (flags & SOUND_LOOP) != 0);
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
