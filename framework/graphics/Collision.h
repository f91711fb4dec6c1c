// Pixel-exact collisions: 32 layers of transformed image quads tested scanline by scanline.
#pragma once

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>
#include <vector>

// What a quad carries into a layer and is reported on a hit: any shared object, compared by identity.
using TCollisionId = std::shared_ptr<void>;

// The drawing matrix and origin, handed over whenever the drawing state changes them, so that
// collisions place frames exactly as drawing does.
void SetCollisionTransform(float ix, float iy, float jx, float jy);
void SetCollisionOrigin(float x, float y);

// Empties the layers whose bits are set in layer_mask; 0 empties all 32.
void ResetCollisions(uint32_t layer_mask = 0);

// Builds the quad of the frame placed as DrawImage would place it at (x, y), returns the ids of
// every quad it hits in the layers of collide_mask, then stores a copy carrying id in each layer
// of write_mask. A null image, a missing frame or a frame without pixels hits nothing and is
// stored nowhere.
std::vector<TCollisionId> CollideImage(const TImagePtr& image, float x, float y, int32_t frame, uint32_t collide_mask,
                                       uint32_t write_mask, TCollisionId id);
// As CollideImage for a solid w x h rectangle placed like DrawRect places it: its top-left
// corner at (x, y), turned and scaled by the current matrix about that corner.
std::vector<TCollisionId> CollideRect(float x, float y, float w, float h, uint32_t collide_mask, uint32_t write_mask,
                                      TCollisionId id);
