// The native audio back-end on OpenAL, registered as "DirectSound".
#pragma once

#include "framework/audio/Sound.h"

#include <cstdint>
#include <memory>

struct TALContext;

// One OpenAL buffer per sound; each playing, cued or paused channel holds its own source (a copy)
// on that buffer. Copies that finished are reused, and a copy whose channel was released while it
// played stays with its sound (or, once the sound is gone, with the driver) until it stops.
//
// Volume v is stored as v^0.1 and applied as an attenuation of trunc((1 - stored) x -10000)
// hundredths of a decibel. Pan p is stored as sign(p) x (1 - (1 - |p|)^0.1) and asks for the far
// side to be trunc(stored x 10000) hundredths of a decibel below the near side: a mono sound is
// placed in front of the listener at the angle where OpenAL's stereo panning gives that
// difference; a stereo sound has both of its channel directions swung toward that side. Rate r
// plays at trunc(hertz x r) frames per second, kept within 100 to 200000. The player's volume of
// the sound's group (music for looping sounds, effects for the rest) scales the gain on top.
//
// Shutdown closes the device; sounds and channels of that run then fall silent and free nothing
// twice.
class TOpenALAudioDriver : public TAudioDriver {
public:
    TOpenALAudioDriver() = default;
    ~TOpenALAudioDriver() override;
    TOpenALAudioDriver(const TOpenALAudioDriver&) = delete;
    TOpenALAudioDriver& operator=(const TOpenALAudioDriver&) = delete;

    std::string Name() override { return "DirectSound"; }
    // False when there is no output device (no sound card) or no context can be made on it.
    bool Startup() override;
    void Shutdown() override;
    // Throws "CreateSoundBuffer failed (code)" when the device refuses the PCM data.
    TSoundPtr CreateSound(const TAudioSamplePtr& sample, int32_t flags) override;
    // Each copy of the sound decodes the stream as it plays, a few pieces ahead of the device.
    TSoundPtr CreateStream(const TAudioStreamPtr& stream, int32_t flags) override;
    TChannelPtr AllocChannel() override;
    void ApplyGroupVolumes() override;

    // Sources alive at once are capped at what the device offers; at the cap, idle copies are
    // released before a cue gives up. 0 when not started.
    int32_t SourceLimit() const;
    void SetSourceLimit(int32_t limit);
    int32_t LiveSources() const;

private:
    std::shared_ptr<TALContext> _context;
};
