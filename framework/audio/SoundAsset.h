// A sound of an asset catalogue: decoded on a loading thread, playable as soon as it is handed out.
#pragma once

#include "framework/audio/Audio.h"
#include "framework/system/AssetLoader.h"

#include <cstdint>
#include <memory>

// The job that loads file with flags (SOUND_LOOP: music, held encoded) into variable. The variable is first given a
// sound that, played or cued, waits for its samples and plays nothing when they could not be
// decoded; once the catalogue is settled it holds the driver's own sound, or null.
std::unique_ptr<TAssetJob> SoundAsset(TSoundPtr& variable, const char* file, int32_t flags, TAssetNeed need);
