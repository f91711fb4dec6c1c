// The OpenAL back-end's streamed copies: a source's queue of pieces and the thread that refills it.
#include "framework/audio/OpenALObjects.h"

#include <chrono>

namespace openal_backend {

TALStreamFeeder::~TALStreamFeeder()
{
    {
        std::lock_guard guard(_lock);
        _stop = true;
    }
    _wake.notify_all();
    if (_thread.joinable()) _thread.join();
}

void TALStreamFeeder::Add(std::weak_ptr<TALStreamFeed> feed)
{
    std::lock_guard guard(_lock);
    std::erase_if(_feeds, [](const std::weak_ptr<TALStreamFeed>& f) { return f.expired(); });
    _feeds.push_back(std::move(feed));
    if (!_thread.joinable()) _thread = std::thread([this] { Run(); });
}

void TALStreamFeeder::Run()
{
    std::unique_lock guard(_lock);
    while (!_stop) {
        // A piece lasts 186 ms at 44.1 kHz: the queue of four never runs dry between two looks.
        _wake.wait_for(guard, std::chrono::milliseconds(20), [this] { return _stop; });
        if (_stop) break;
        const std::vector<std::weak_ptr<TALStreamFeed>> feeds = _feeds;
        guard.unlock();
        for (const auto& weak : feeds)
            if (auto feed = weak.lock()) feed->Refill();
        guard.lock();
    }
}

std::shared_ptr<TALStreamFeed> TALStreamFeed::Create(TALContextRef context, TAudioStreamPtr stream, bool loop,
                                                     ALuint source)
{
    std::shared_ptr<TALStreamFeed> feed(new TALStreamFeed(std::move(context), std::move(stream), loop, source));
    alGenBuffers(static_cast<ALsizei>(kPieces), feed->_buffers.data());
    if (alGetError() != AL_NO_ERROR) {
        feed->_buffers.fill(0);
        return nullptr;
    }
    return feed;
}

TALStreamFeed::TALStreamFeed(TALContextRef context, TAudioStreamPtr stream, bool loop, ALuint source)
    : _context(std::move(context)), _stream(std::move(stream)), _source(source),
      _format(SampleChannels(_stream->Format()) == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16), _reader(_stream, loop),
      _piece(static_cast<size_t>(kPieceFrames) * SampleBytesPerFrame(_stream->Format()))
{
}

TALStreamFeed::~TALStreamFeed()
{
    // The source went first (its copy declares it after the feed), so no buffer is queued now.
    if (!_context.expired() && _buffers[0] != 0) alDeleteBuffers(static_cast<ALsizei>(kPieces), _buffers.data());
}

void TALStreamFeed::Queue(int32_t frames)
{
    const ALuint id = _free.back();
    _free.pop_back();
    alBufferData(id, _format, _piece.data(), frames * SampleBytesPerFrame(_stream->Format()), _stream->Hertz());
    alSourceQueueBuffers(_source, 1, &id);
}

void TALStreamFeed::Restart()
{
    std::lock_guard guard(_lock);
    if (_source == 0) return;
    alSourceStop(_source);
    alSourceRewind(_source);
    alSourcei(_source, AL_LOOPING, AL_FALSE);
    alSourcei(_source, AL_BUFFER, 0);
    _free.assign(_buffers.begin(), _buffers.end());
    const std::vector<uint8_t>& head = _stream->Head();
    const int32_t frameBytes = SampleBytesPerFrame(_stream->Format());
    const int32_t headFrames = _stream->HeadFrames();
    int32_t queued = 0;
    while (queued < headFrames && !_free.empty()) {
        const int32_t frames = std::min(kPieceFrames, headFrames - queued);
        std::copy_n(head.begin() + static_cast<std::ptrdiff_t>(queued) * frameBytes,
                    static_cast<size_t>(frames) * frameBytes, _piece.begin());
        Queue(frames);
        queued += frames;
    }
    _next = queued;
    ++_generation;
    _wanted = false;
    _ended = false;
}

void TALStreamFeed::Play()
{
    std::lock_guard guard(_lock);
    if (_source == 0) return;
    alSourcePlay(_source);
    _wanted = true;
}

void TALStreamFeed::Pause()
{
    std::lock_guard guard(_lock);
    if (_source == 0) return;
    alSourcePause(_source);
    _wanted = false;
}

void TALStreamFeed::Stop()
{
    std::lock_guard guard(_lock);
    if (_source == 0) return;
    alSourceStop(_source);
    _wanted = false;
}

void TALStreamFeed::Detach()
{
    std::lock_guard guard(_lock);
    _source = 0;
    _wanted = false;
}

void TALStreamFeed::Refill()
{
    for (;;) {
        uint64_t generation = 0;
        int64_t next = 0;
        {
            std::lock_guard guard(_lock);
            if (_source == 0 || _ended) return;
            ALint state = AL_STOPPED;
            alGetSourcei(_source, AL_SOURCE_STATE, &state);
            // A stopped source counts every buffer as played: only one that ran dry is refilled.
            if (state == AL_STOPPED && !_wanted) return;
            ALint processed = 0;
            alGetSourcei(_source, AL_BUFFERS_PROCESSED, &processed);
            for (; processed > 0; --processed) {
                ALuint id = 0;
                alSourceUnqueueBuffers(_source, 1, &id);
                _free.push_back(id);
            }
            if (_free.empty()) return;
            generation = _generation;
            next = _next;
        }
        if (_readerGeneration != generation) {
            _reader.Seek(next);
            _readerGeneration = generation;
        }
        const int32_t frames = _reader.Read(_piece.data(), kPieceFrames);
        std::lock_guard guard(_lock);
        // Restarted meanwhile: the reader starts over at the next look.
        if (_source == 0 || _generation != generation) continue;
        if (frames > 0) Queue(frames);
        if (frames < kPieceFrames) _ended = true;
        ALint state = AL_STOPPED;
        alGetSourcei(_source, AL_SOURCE_STATE, &state);
        if (state != AL_STOPPED || !_wanted || frames <= 0) continue;
        alSourcePlay(_source);
        // A source that stops again at once has lost its device (its sound server went away): it
        // is fed no more, or it would take every piece as played the moment it is queued.
        alGetSourcei(_source, AL_SOURCE_STATE, &state);
        if (state == AL_STOPPED) _ended = true;
    }
}

}  // namespace openal_backend
