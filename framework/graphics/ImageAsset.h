// A picture of an asset catalogue: decoded on a loading thread, handed to its variable when loaded.
#pragma once

#include "framework/graphics/Image.h"
#include "framework/system/AssetLoader.h"

#include <cstdint>
#include <memory>

// The job that loads file into variable: a single picture when frames is 1, else a strip of
// frames cells of cellWidth x cellHeight; flags -1 takes the automatic image flags. Needed with its
// level, only the picture's size is read at first: a single picture decodes its pixels when
// prefetched or first drawn, a strip a row of cells ahead of the frame drawn, giving back those
// behind it. Its textures are made on the drawing thread when first drawn.
std::unique_ptr<TAssetJob> ImageAsset(TImagePtr& variable, const char* file, int32_t cellWidth, int32_t cellHeight,
                                      int32_t frames, int32_t flags, TAssetNeed need);
