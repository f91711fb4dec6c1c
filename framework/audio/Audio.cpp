// The module functions over the current driver, the driver registry and the choice on first use.
#include "framework/audio/Audio.h"

#include "framework/audio/OpenALDriver.h"
#include "framework/audio/Sound.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace {

// The "Null" driver: its sounds are silent, so a stream's is made without decoding the stream.
class TNullAudioDriver final : public TAudioDriver {
public:
    TSoundPtr CreateStream(const TAudioStreamPtr& stream, int32_t) override
    {
        return stream ? std::make_shared<TSound>() : nullptr;
    }
};

struct AudioState {
    // Registration order: the null driver first, then the native back-end.
    std::vector<TAudioDriverPtr> drivers{std::make_shared<TNullAudioDriver>(), std::make_shared<TOpenALAudioDriver>()};
    TAudioDriverPtr current;
    // Percent, by TSoundGroup; they outlive driver changes.
    std::array<int32_t, 2> volumes{100, 100};

    AudioState() = default;
    AudioState(const AudioState&) = delete;
    AudioState& operator=(const AudioState&) = delete;
    ~AudioState()
    {
        if (current) current->Shutdown();
    }
};

AudioState& State()
{
    static AudioState state;
    return state;
}

bool SameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

void RegisterAudioDriver(TAudioDriverPtr driver)
{
    if (driver) State().drivers.push_back(std::move(driver));
}

bool SetAudioDriver(const std::string& name)
{
    AudioState& state = State();
    if (state.current) state.current->Shutdown();
    state.current = state.drivers.front();
    for (auto it = state.drivers.rbegin(); it != state.drivers.rend(); ++it) {
        if (!SameName((*it)->Name(), name)) continue;
        if (!(*it)->Startup()) return false;
        state.current = *it;
        return true;
    }
    return false;
}

TAudioDriverPtr CurrentAudioDriver()
{
    AudioState& state = State();
    if (!state.current && !SetAudioDriver("DirectSound")) SetAudioDriver("Null");
    return state.current;
}

std::string CurrentAudioDriverName() { return CurrentAudioDriver()->Name(); }

std::vector<std::string> AudioDrivers()
{
    std::vector<std::string> names;
    const auto& drivers = State().drivers;
    for (auto it = drivers.rbegin(); it != drivers.rend() && names.size() < 100; ++it) names.push_back((*it)->Name());
    return names;
}

bool AudioDriverExists(const std::string& name)
{
    const auto& drivers = State().drivers;
    return std::any_of(drivers.begin(), drivers.end(),
                       [&](const TAudioDriverPtr& d) { return SameName(d->Name(), name); });
}

void ShutdownAudio()
{
    AudioState& state = State();
    if (state.current) state.current->Shutdown();
    state.current = nullptr;
}

void SetAudioIdentity(const std::string& name, const std::string& iconName)
{
    // The sound servers' client library reads these properties when OpenAL connects to it; a
    // player's own override is kept.
    if (std::getenv("PULSE_PROP_OVERRIDE")) return;
    const std::string properties =
        "application.name='" + name + "' application.icon_name='" + iconName + "' media.role='game'";
    setenv("PULSE_PROP_OVERRIDE", properties.c_str(), 1);
}

void SetGroupVolume(TSoundGroup group, int32_t percent)
{
    AudioState& state = State();
    int32_t& volume = state.volumes[static_cast<size_t>(group)];
    const int32_t clamped = std::clamp(percent, 0, 100);
    if (volume == clamped) return;
    volume = clamped;
    if (state.current) state.current->ApplyGroupVolumes();
}

int32_t GroupVolume(TSoundGroup group) { return State().volumes[static_cast<size_t>(group)]; }

float GroupGain(TSoundGroup group)
{
    const float fraction = static_cast<float>(GroupVolume(group)) / 100.0f;
    return fraction * fraction * fraction;
}

TSoundPtr LoadSound(const TUrl& url, int32_t flags) { return CurrentAudioDriver()->LoadSound(url, flags); }

TSoundPtr LoadSound(const TAudioSamplePtr& sample, int32_t flags)
{
    return sample ? CurrentAudioDriver()->CreateSound(sample, flags) : nullptr;
}

TSoundPtr LoadSound(const TAudioStreamPtr& stream, int32_t flags)
{
    return stream ? CurrentAudioDriver()->CreateStream(stream, flags) : nullptr;
}

TChannelPtr AllocChannel() { return CurrentAudioDriver()->AllocChannel(); }

TChannelPtr PlaySound(const TSoundPtr& sound, const TChannelPtr& channel)
{
    return sound ? sound->Play(channel) : channel;
}

TChannelPtr CueSound(const TSoundPtr& sound, const TChannelPtr& channel)
{
    return sound ? sound->Cue(channel) : channel;
}

void StopChannel(const TChannelPtr& channel)
{
    if (channel) channel->Stop();
}

void PauseChannel(const TChannelPtr& channel)
{
    if (channel) channel->SetPaused(true);
}

void ResumeChannel(const TChannelPtr& channel)
{
    if (channel) channel->SetPaused(false);
}

bool ChannelPlaying(const TChannelPtr& channel) { return channel && channel->Playing(); }

void SetChannelVolume(const TChannelPtr& channel, float volume)
{
    if (channel) channel->SetVolume(volume);
}

void SetChannelPan(const TChannelPtr& channel, float pan)
{
    if (channel) channel->SetPan(pan);
}

void SetChannelDepth(const TChannelPtr& channel, float depth)
{
    if (channel) channel->SetDepth(depth);
}

void SetChannelRate(const TChannelPtr& channel, float rate)
{
    if (channel) channel->SetRate(rate);
}
