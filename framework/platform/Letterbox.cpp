// Fitting the 1024 x 768 picture into a larger screen with black bars, and mapping points both ways.
#include "framework/platform/Platform.h"

#include <algorithm>

TLetterbox FitLetterbox(int32_t outerWidth, int32_t outerHeight, int32_t innerWidth, int32_t innerHeight)
{
    TLetterbox box;
    if (outerWidth <= 0 || outerHeight <= 0 || innerWidth <= 0 || innerHeight <= 0) return box;
    // 64-bit products: a 16k display times 1024 still fits, and the comparison is exact.
    if (int64_t{outerWidth} * innerHeight <= int64_t{outerHeight} * innerWidth) {
        box.width = outerWidth;
        box.height = static_cast<int32_t>(int64_t{outerWidth} * innerHeight / innerWidth);
    } else {
        box.height = outerHeight;
        box.width = static_cast<int32_t>(int64_t{outerHeight} * innerWidth / innerHeight);
    }
    box.x = (outerWidth - box.width) / 2;
    box.y = (outerHeight - box.height) / 2;
    return box;
}

void OuterToInner(const TLetterbox& box, int32_t innerWidth, int32_t innerHeight, int32_t outerX, int32_t outerY,
                  int32_t& innerX, int32_t& innerY)
{
    if (box.width <= 0 || box.height <= 0) {
        innerX = outerX;
        innerY = outerY;
        return;
    }
    // An outer pixel belongs to the inner pixel under its centre, so that the last row and column
    // of a shrunken picture are reached too. Floor division, so that points in the left or top bar
    // clamp to 0 rather than round up to it.
    const auto floorDiv = [](int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    const int64_t x = floorDiv((2 * int64_t{outerX - box.x} + 1) * innerWidth, 2 * int64_t{box.width});
    const int64_t y = floorDiv((2 * int64_t{outerY - box.y} + 1) * innerHeight, 2 * int64_t{box.height});
    innerX = static_cast<int32_t>(std::clamp<int64_t>(x, 0, innerWidth - 1));
    innerY = static_cast<int32_t>(std::clamp<int64_t>(y, 0, innerHeight - 1));
}

void InnerToOuter(const TLetterbox& box, int32_t innerWidth, int32_t innerHeight, int32_t innerX, int32_t innerY,
                  int32_t& outerX, int32_t& outerY)
{
    if (innerWidth <= 0 || innerHeight <= 0) {
        outerX = innerX;
        outerY = innerY;
        return;
    }
    // The first outer pixel whose centre lies inside the inner pixel, so OuterToInner gives it back.
    const auto ceilDiv = [](int64_t a, int64_t b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); };
    outerX =
        box.x + static_cast<int32_t>(ceilDiv(2 * int64_t{innerX} * box.width - innerWidth, 2 * int64_t{innerWidth}));
    outerY =
        box.y + static_cast<int32_t>(ceilDiv(2 * int64_t{innerY} * box.height - innerHeight, 2 * int64_t{innerHeight}));
}
