// The OpenAL back-end's own objects: the device context, buffers, sources, streams, sounds and channels.
#pragma once

#include "framework/audio/AudioStream.h"
#include "framework/audio/OpenALDriver.h"
#include "framework/audio/Sample.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
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
class TALStreamFeed;

// The thread that keeps every streamed copy's queue of pieces filled, looking at them every 20 ms.
class TALStreamFeeder {
public:
    TALStreamFeeder() = default;
    ~TALStreamFeeder();
    TALStreamFeeder(const TALStreamFeeder&) = delete;
    TALStreamFeeder& operator=(const TALStreamFeeder&) = delete;
    // Starts the thread with the first feed.
    void Add(std::weak_ptr<TALStreamFeed> feed);

private:
    void Run();

    std::mutex _lock;
    std::condition_variable _wake;
    bool _stop = false;
    std::vector<std::weak_ptr<TALStreamFeed>> _feeds;
    std::thread _thread;
};

}  // namespace openal_backend

// An open device and its context; closed when the last holder lets go.
struct TALDevice {
    std::unique_ptr<ALCdevice, openal_backend::DeviceCloser> device;
    // Destroyed before the device is closed.
    std::unique_ptr<ALCcontext, openal_backend::ContextDestroyer> context;
};

// One started device. The driver holds the only strong reference; everything else holds a weak
// one, so once the driver shuts down no object touches OpenAL again (the device frees the
// buffers and sources that are still named when it closes). Samples decoded into the device's
// buffers hold the device itself, which so stays open, unused, until the last of them is gone.
struct TALContext {
    std::shared_ptr<TALDevice> open;
    int32_t sourceLimit = 0;
    int32_t liveSources = 0;
    // Stopped before the device closes, after the copies below are gone.
    openal_backend::TALStreamFeeder feeder;
    // Copies of sounds that were destroyed while the copies still played.
    std::vector<std::shared_ptr<openal_backend::TBuf>> lonely;
    std::vector<std::weak_ptr<openal_backend::TOpenALSound>> sounds;

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
    bool Live() const { return !_context.expired(); }
    bool Of(const std::shared_ptr<TALContext>& context) const
    {
        return !_context.owner_before(context) && !context.owner_before(_context);
    }

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

// The entry points of the map_buffer extension, and its bits: those of its experimental version
// differ from the final one's.
struct TALMapping {
    using TStorage = void(AL_APIENTRY*)(ALuint, ALenum, const ALvoid*, ALsizei, ALsizei, ALuint);
    using TMap = void*(AL_APIENTRY*)(ALuint, ALsizei, ALsizei, ALuint);
    using TUnmap = void(AL_APIENTRY*)(ALuint);
    TStorage storage = nullptr;
    TMap map = nullptr;
    TUnmap unmap = nullptr;
    // Read, write and persistent mapping.
    ALuint access = 0;
};

// A buffer that a sample is decoded into: mapped, its memory the sample's frames, for as long as
// the sample lives; a sound made of the sample plays this very buffer.
class TALSampleMemory : public TSampleMemory {
public:
    TALSampleMemory(std::shared_ptr<TALDevice> device, std::shared_ptr<TALBuffer> buffer, const TALMapping& mapping,
                    const uint8_t* frames, int32_t length, int32_t hertz, int32_t format)
        : buffer(std::move(buffer)), _device(std::move(device)), _mapping(mapping), _frames(frames), _length(length),
          _hertz(hertz), _format(format)
    {
    }
    ~TALSampleMemory() override
    {
        // Once the driver has shut down, buffer names may mean another device's buffers.
        if (buffer->Live()) _mapping.unmap(buffer->Id());
    }
    TALSampleMemory(const TALSampleMemory&) = delete;
    TALSampleMemory& operator=(const TALSampleMemory&) = delete;

    // The sample still describes the frames as they were laid out in the buffer.
    bool Holds(const TAudioSample& sample) const
    {
        return sample.samples == _frames && sample.length == _length && sample.hertz == _hertz &&
               sample.format == _format;
    }

    const std::shared_ptr<TALBuffer> buffer;

private:
    std::shared_ptr<TALDevice> _device;
    TALMapping _mapping;
    const uint8_t* _frames;
    int32_t _length;
    int32_t _hertz;
    int32_t _format;
};

// The queue of a streamed copy's source: a few buffers of pieces of the sound, the first ones from
// its head decoded ahead, the next ones decoded by the feeder thread as the source plays them. A
// loop is read on from its start, so the seam sounds as a whole buffer looping would. lock keeps
// the feeder thread away while the main thread changes the source's state or queue.
class TALStreamFeed {
public:
    static constexpr int32_t kPieceFrames = 8192;
    static constexpr size_t kPieces = 4;

    // Null when the device gives no buffers.
    static std::shared_ptr<TALStreamFeed> Create(TALContextRef context, TAudioStreamPtr stream, bool loop,
                                                 ALuint source);
    ~TALStreamFeed();
    TALStreamFeed(const TALStreamFeed&) = delete;
    TALStreamFeed& operator=(const TALStreamFeed&) = delete;

    // On the main thread: back to the start with the head queued, stopped.
    void Restart();
    void Play();
    void Pause();
    void Stop();
    // The source is about to be deleted: the feeder leaves it alone from now on.
    void Detach();
    // Playing but run dry, with more to come: the feeder starts it again.
    bool Starved() const { return _wanted && !_ended; }

    // On the feeder thread: takes back the pieces played and queues the next ones.
    void Refill();

private:
    TALStreamFeed(TALContextRef context, TAudioStreamPtr stream, bool loop, ALuint source);
    // Fills a free buffer with frames of _piece and queues it; lock held.
    void Queue(int32_t frames);

    std::mutex _lock;
    TALContextRef _context;
    TAudioStreamPtr _stream;
    ALuint _source;
    ALenum _format;
    std::array<ALuint, kPieces> _buffers{};
    std::vector<ALuint> _free;
    // Grows with each restart; the frame that the pieces after the queued head start at.
    uint64_t _generation = 0;
    int64_t _next = 0;
    std::atomic<bool> _wanted = false;
    std::atomic<bool> _ended = false;
    // The feeder thread's own: it decodes without the lock.
    TAudioStreamReader _reader;
    uint64_t _readerGeneration = 0;
    std::vector<uint8_t> _piece;
};

// A playback copy of a sound: a source on the sound's buffer, or on a stream's queue. seq grows whenever the copy is
// taken away from a channel; paused is set while the copy is cued or paused.
class TBuf {
public:
    TBuf(std::shared_ptr<TALBuffer> buffer, TALContextRef context, ALuint source)
        : buffer(std::move(buffer)), source(std::move(context), source)
    {
    }
    ~TBuf()
    {
        if (feed) feed->Detach();
    }
    TBuf(const TBuf&) = delete;
    TBuf& operator=(const TBuf&) = delete;

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
    bool Active() const { return source.Live() && (paused || State() == AL_PLAYING || (feed && feed->Starved())); }

    // Declared before the source so that the source goes first: OpenAL refuses to delete a
    // buffer that a source still uses.
    std::shared_ptr<TALBuffer> buffer;
    std::shared_ptr<TALStreamFeed> feed;
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
    // A sound whose copies each decode the stream as they play.
    TOpenALSound(TALContextRef context, TAudioStreamPtr stream, bool loop)
        : _context(std::move(context)), _stream(std::move(stream)), _hertz(_stream->Hertz()), _loop(loop),
          _stereo(SampleChannels(_stream->Format()) == 2)
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
    TAudioStreamPtr _stream;
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

}  // namespace openal_backend
