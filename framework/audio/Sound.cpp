// The silent base sound, channel and driver: what the "Null" driver plays.
#include "framework/audio/Sound.h"

#include <chrono>
#include <utility>

TChannelPtr TSound::Play(const TChannelPtr& channel) { return channel ? channel : std::make_shared<TChannel>(); }

TChannelPtr TSound::Cue(const TChannelPtr& channel) { return channel ? channel : std::make_shared<TChannel>(); }

TPendingSound::TPendingSound(std::shared_future<TAudioSamplePtr> samples, int32_t flags, std::function<void()> hurry)
    : _samples(std::move(samples)), _flags(flags), _hurry(std::move(hurry))
{
}

TPendingSound::TPendingSound(std::shared_future<TAudioStreamPtr> stream, int32_t flags, std::function<void()> hurry)
    : _stream(std::move(stream)), _flags(flags), _hurry(std::move(hurry))
{
}

bool TPendingSound::Decoded() const
{
    const auto ready = [](const auto& future) {
        return !future.valid() || future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    };
    return ready(_samples) && ready(_stream);
}

const TSoundPtr& TPendingSound::Resolve()
{
    if (!_resolved) {
        _resolved = true;
        if (_hurry && !Decoded()) _hurry();
        TAudioSamplePtr samples = _samples.valid() ? _samples.get() : nullptr;
        TAudioStreamPtr stream = _stream.valid() ? _stream.get() : nullptr;
        if (samples) _sound = CurrentAudioDriver()->CreateSound(samples, _flags);
        if (stream) _sound = CurrentAudioDriver()->CreateStream(stream, _flags);
        // The samples live on in the driver's sound, if at all.
        _samples = {};
        _stream = {};
    }
    return _sound;
}

TChannelPtr TPendingSound::Play(const TChannelPtr& channel)
{
    const TSoundPtr& sound = Resolve();
    return sound ? sound->Play(channel) : channel;
}

TChannelPtr TPendingSound::Cue(const TChannelPtr& channel)
{
    const TSoundPtr& sound = Resolve();
    return sound ? sound->Cue(channel) : channel;
}

TSoundPtr TSound::Load(const TUrl& url, int32_t flags) { return CurrentAudioDriver()->LoadSound(url, flags); }

TSoundPtr TAudioDriver::CreateSound(const TAudioSamplePtr& sample, int32_t)
{
    return sample ? std::make_shared<TSound>() : nullptr;
}

TSoundPtr TAudioDriver::CreateStream(const TAudioStreamPtr& stream, int32_t flags)
{
    return stream ? CreateSound(stream->Decode(), flags) : nullptr;
}

TChannelPtr TAudioDriver::AllocChannel() { return std::make_shared<TChannel>(); }

TSoundPtr TAudioDriver::LoadSound(const TUrl& url, int32_t flags)
{
    TAudioSamplePtr sample = LoadAudioSample(url);
    return sample ? CreateSound(sample, flags) : nullptr;
}
