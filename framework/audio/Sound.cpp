// The silent base sound, channel and driver: what the "Null" driver plays.
#include "framework/audio/Sound.h"

TChannelPtr TSound::Play(const TChannelPtr& channel) { return channel ? channel : std::make_shared<TChannel>(); }

TChannelPtr TSound::Cue(const TChannelPtr& channel) { return channel ? channel : std::make_shared<TChannel>(); }

TSoundPtr TSound::Load(const TUrl& url, int32_t flags) { return CurrentAudioDriver()->LoadSound(url, flags); }

TSoundPtr TAudioDriver::CreateSound(const TAudioSamplePtr& sample, int32_t)
{
    return sample ? std::make_shared<TSound>() : nullptr;
}

TChannelPtr TAudioDriver::AllocChannel() { return std::make_shared<TChannel>(); }

TSoundPtr TAudioDriver::LoadSound(const TUrl& url, int32_t flags)
{
    TAudioSamplePtr sample = LoadAudioSample(url);
    return sample ? CreateSound(sample, flags) : nullptr;
}
