// The play-field's geometry on the 1024 x 768 screen: its borders, the paddle's line and its
// centre, shared by everything that moves on it.
#pragma once

#include <cstdint>

// Inner edges of the left and right borders, and the lower edge of the top border.
constexpr int32_t FieldLeft = 32;
constexpr int32_t FieldRight = 736;
constexpr int32_t FieldTop = 32;
// The bottom of the screen: the field has no border there.
constexpr int32_t FieldBottom = 768;
constexpr int32_t FieldWidth = FieldRight - FieldLeft;
constexpr int32_t FieldHeight = FieldBottom - FieldTop;
constexpr int32_t FieldCentreX = (FieldLeft + FieldRight) / 2;
// The paddle's centre line.
constexpr int32_t PaddleLineY = 704;
