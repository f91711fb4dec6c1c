// A picture of an asset catalogue: decoded on a loading thread, handed to its variable when loaded.
#pragma once

#include "framework/graphics/Image.h"
#include "framework/system/AssetLoader.h"

#include <cstdint>
#include <memory>
#include <vector>

// The job that loads file into variable: a single picture when frames is 1, else a strip of
// frames cells of cellWidth x cellHeight; flags -1 takes the automatic image flags. Needed with its
// level, only the picture's size is read at first: a single picture decodes its pixels when
// prefetched or first drawn, a strip a row of cells ahead of the frame drawn, giving back those
// behind it. Needed later (BeforeMenu, BeforePlay, InBackground), the variable gets the picture at
// its size when published, and the pixels the loading thread decodes when first used, waiting for
// them then; one whose pixels could not be decoded is null once the catalogue is settled. Its
// textures are made on the drawing thread when first drawn.
std::unique_ptr<TAssetJob> ImageAsset(TImagePtr& variable, const char* file, int32_t cellWidth, int32_t cellHeight,
                                      int32_t frames, int32_t flags, TAssetNeed need);

// The pixels LoadAnimImage would give the image of cells first_cell .. first_cell + cell_count - 1,
// one pixmap per cell; a single picture is one cell of cell size 0 x 0. None when the file cannot
// be decoded or holds too few cells. For decoding on a loading thread, see LoadAnimImageFrom.
std::vector<TPixmapPtr> DecodeImageCells(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                         int32_t cell_count);
// As LoadAnimImageDeferred (a single picture with cell size 0 x 0), but the pixels are those
// pixels() hands over (see DecodeImageCells) when they are first used.
TImagePtr LoadAnimImageFrom(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                            int32_t cell_count, int32_t flags, TDeferredPixels::TDecode pixels);
