// Sounds, channels and audio drivers. The base classes are the silent "Null" driver.
#pragma once

#include "framework/audio/Audio.h"
#include "framework/audio/AudioStream.h"
#include "framework/audio/Sample.h"

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

// A base sound plays nothing: Play and Cue hand back the given channel, or a new silent one.
class TSound {
public:
    virtual ~TSound() = default;
    virtual TChannelPtr Play(const TChannelPtr& channel);
    virtual TChannelPtr Cue(const TChannelPtr& channel);
    // The current driver's LoadSound.
    static TSoundPtr Load(const TUrl& url, int32_t flags);
};

// A sound whose samples are still being decoded on another thread. It becomes the driver's sound
// when Resolve is called, or when it is first played or cued, waiting for the samples then; when
// they could not be decoded it plays nothing, as no sound at all would. Before waiting it calls
// hurry, should its samples be held back behind other work.
class TPendingSound : public TSound {
public:
    TPendingSound(std::shared_future<TAudioSamplePtr> samples, int32_t flags, std::function<void()> hurry = {});
    // The same for music held encoded: its stream with the head decoded.
    TPendingSound(std::shared_future<TAudioStreamPtr> stream, int32_t flags, std::function<void()> hurry = {});
    TChannelPtr Play(const TChannelPtr& channel) override;
    TChannelPtr Cue(const TChannelPtr& channel) override;
    // The samples are there, or their decoding failed.
    bool Decoded() const;
    // The driver's sound, made once; null when the samples could not be decoded.
    const TSoundPtr& Resolve();

private:
    std::shared_future<TAudioSamplePtr> _samples;
    std::shared_future<TAudioStreamPtr> _stream;
    int32_t _flags;
    std::function<void()> _hurry;
    bool _resolved = false;
    TSoundPtr _sound;
};

// A base channel ignores every call and never plays.
class TChannel {
public:
    virtual ~TChannel() = default;
    virtual void Stop() {}
    virtual void SetPaused(bool) {}
    virtual void SetVolume(float) {}
    virtual void SetPan(float) {}
    virtual void SetDepth(float) {}
    virtual void SetRate(float) {}
    virtual bool Playing() { return false; }
};

// The base driver is "Null": it always starts, and its sounds and channels are silent.
class TAudioDriver {
public:
    virtual ~TAudioDriver() = default;
    virtual std::string Name() { return "Null"; }
    virtual bool Startup() { return true; }
    virtual void Shutdown() {}
    virtual TSoundPtr CreateSound(const TAudioSamplePtr& sample, int32_t flags);
    // A sound of a stream; the base driver makes it of the stream decoded whole, the "Null" driver
    // a silent one at once.
    virtual TSoundPtr CreateStream(const TAudioStreamPtr& stream, int32_t flags);
    virtual TChannelPtr AllocChannel();
    // Decodes url and makes a sound of it; null when it cannot be opened or decoded.
    virtual TSoundPtr LoadSound(const TUrl& url, int32_t flags);
    // A group's volume changed: what plays takes it at once.
    virtual void ApplyGroupVolumes() {}
};

using TAudioDriverPtr = std::shared_ptr<TAudioDriver>;

// Adds a driver that SetAudioDriver can find; newer registrations are found first.
void RegisterAudioDriver(TAudioDriverPtr driver);
// The current driver, chosen on first use: "DirectSound" when it starts, else "Null".
TAudioDriverPtr CurrentAudioDriver();
