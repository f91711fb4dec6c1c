// The 33 level layouts and each level's background, alien image, music and boss flag.
#pragma once

#include "framework/graphics/Image.h"

#include <array>
#include <cstdint>

constexpr int32_t LevelCount = 33;
constexpr int32_t LevelColumns = 11;
constexpr int32_t LevelRows = 21;
constexpr int32_t LevelCells = LevelColumns * LevelRows;

// Level n's block starts at cell (n - 1) * LevelCells; each block runs row by row from the top.
extern const std::array<int32_t, LevelCount * LevelCells> LevelData;

struct TLevelSettings {
    // The program-wide image variables, read when the level is built (images load after start-up).
    const TImagePtr* background;
    const TImagePtr* alienImage;
    int32_t musicId;
    int32_t isZog;
};

// Index n - 1 for level n.
extern const std::array<TLevelSettings, LevelCount> LevelSettings;
