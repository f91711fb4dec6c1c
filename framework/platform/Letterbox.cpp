// Fitting the 1024 x 768 picture into a larger screen with black bars, and mapping points both ways.
#include "framework/platform/Platform.h"

#include <algorithm>

TLetterbox FitLetterbox(int32_t outerWidth, int32_t outerHeight, int32_t innerWidth, int32_t innerHeight) {
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

void OuterToInner(const TLetterbox& box, int32_t innerWidth, int32_t innerHeight, int32_t outerX,
                  int32_t outerY, int32_t& innerX, int32_t& innerY) {
    if (box.width <= 0 || box.height <= 0) {
        innerX = outerX;
        innerY = outerY;
        return;
    }
    // Floor division so that points in the left or top bar clamp to 0 rather than round up to it.
    const int64_t dx = int64_t{outerX - box.x} * innerWidth;
    const int64_t dy = int64_t{outerY - box.y} * innerHeight;
    const int64_t x = dx >= 0 ? dx / box.width : -((-dx + box.width - 1) / box.width);
    const int64_t y = dy >= 0 ? dy / box.height : -((-dy + box.height - 1) / box.height);
    innerX = static_cast<int32_t>(std::clamp<int64_t>(x, 0, innerWidth - 1));
    innerY = static_cast<int32_t>(std::clamp<int64_t>(y, 0, innerHeight - 1));
}

void InnerToOuter(const TLetterbox& box, int32_t innerWidth, int32_t innerHeight, int32_t innerX,
                  int32_t innerY, int32_t& outerX, int32_t& outerY) {
    if (innerWidth <= 0 || innerHeight <= 0) {
        outerX = innerX;
        outerY = innerY;
        return;
    }
    // The first outer pixel that starts inside the inner pixel, so OuterToInner gives it back.
    const auto ceilDiv = [](int64_t a, int64_t b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); };
    outerX = box.x + static_cast<int32_t>(ceilDiv(int64_t{innerX} * box.width, innerWidth));
    outerY = box.y + static_cast<int32_t>(ceilDiv(int64_t{innerY} * box.height, innerHeight));
}
