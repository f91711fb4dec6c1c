// Sounds and channels: the module functions the game plays its music and effects with.
#pragma once

#include "framework/system/Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int32_t SOUND_LOOP = 1;
constexpr int32_t SOUND_HARDWARE = 2;

class TSound;
class TChannel;
class TAudioSample;
class TAudioStream;
using TSoundPtr = std::shared_ptr<TSound>;
using TChannelPtr = std::shared_ptr<TChannel>;

// Null when the file is missing or does not decode.
TSoundPtr LoadSound(const TUrl& url, int32_t flags = 0);
// A sound of samples already in memory; null for a null sample.
TSoundPtr LoadSound(const std::shared_ptr<TAudioSample>& sample, int32_t flags = 0);
// A sound that decodes the stream as it plays (the driver may decode it whole); null for null.
TSoundPtr LoadSound(const std::shared_ptr<const TAudioStream>& stream, int32_t flags = 0);
TChannelPtr AllocChannel();
// Returns the channel that plays (a new one when channel is null); null sound plays nothing
// and returns channel unchanged.
TChannelPtr PlaySound(const TSoundPtr& sound, const TChannelPtr& channel = nullptr);
TChannelPtr CueSound(const TSoundPtr& sound, const TChannelPtr& channel = nullptr);
// All of these ignore a null channel; ChannelPlaying of null is false.
void StopChannel(const TChannelPtr& channel);
void PauseChannel(const TChannelPtr& channel);
void ResumeChannel(const TChannelPtr& channel);
bool ChannelPlaying(const TChannelPtr& channel);
void SetChannelVolume(const TChannelPtr& channel, float volume);
void SetChannelPan(const TChannelPtr& channel, float pan);
void SetChannelDepth(const TChannelPtr& channel, float depth);
void SetChannelRate(const TChannelPtr& channel, float rate);

// The player's two volumes in percent, 0 (silent) to 100 (the default, each channel's own volume):
// the music, which is every looping sound, and the effects and spoken cues, every other sound.
// They scale every channel of their group, at once also the ones playing. A percentage p is the
// amplitude (p / 100)^3, the curve of the desktop's volume sliders, so 50 % sounds half as loud.
enum class TSoundGroup { Music, Effects };
// Clamped to 0..100.
void SetGroupVolume(TSoundGroup group, int32_t percent);
int32_t GroupVolume(TSoundGroup group);
// The amplitude factor of the group's volume.
float GroupGain(TSoundGroup group);

// How the desktop's mixer names the program's sound: its name, the icon name of its desktop entry
// and the role of a game. Takes effect when the output device next opens.
void SetAudioIdentity(const std::string& name, const std::string& iconName);

// Shuts the current driver down and starts the named one ("DirectSound" or "Null").
bool SetAudioDriver(const std::string& name);
std::string CurrentAudioDriverName();
// Names of the registered drivers, newest first, and whether one is named name (ignoring case).
std::vector<std::string> AudioDrivers();
bool AudioDriverExists(const std::string& name);
// Shuts the current driver down at exit.
void ShutdownAudio();
