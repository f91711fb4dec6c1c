// Fuzzes the picture loaders with arbitrary file contents, through the same opener the game uses:
// no crash, hang, leak or sanitizer report, and a picture that loads is whole and consistent.
#include "framework/graphics/Pixmap.h"
#include "framework/system/Bank.h"

#include <cstring>

namespace {

// Where the pixels read end up, so reading them is not optimised away.
volatile uint32_t Checksum = 0;

}  // namespace

// Pictures past 2048 pixels a side are refused: their decoding under the sanitizers outlasts the
// time limit without finding more than smaller ones do.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetLargestPictureSide(2048);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto bank = TBank::Create(static_cast<int32_t>(size));
    if (size > 0) std::memcpy(bank->Buf(), data, size);
    const TPixmapPtr pixmap = LoadPixmap(bank);
    if (!pixmap) return 0;
    if (pixmap->width < 1 || pixmap->height < 1) __builtin_trap();
    const int32_t bpp = BytesPerPixel(pixmap->format);
    if (bpp < 1 || pixmap->pitch < pixmap->width * bpp) __builtin_trap();
    // Every pixel must be readable: the sanitizer sees a row that was never allocated.
    uint32_t sum = 0;
    for (int32_t y = 0; y < pixmap->height; ++y)
        for (int32_t x = 0; x < pixmap->width; ++x) sum += pixmap->ReadPixel(x, y);
    Checksum = sum;
    return 0;
}
