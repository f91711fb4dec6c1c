// Costs of the CPU side of pictures: conversion, resizing, masking, decoding, and collision tests.
#include "framework/graphics/Collision.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Pixmap.h"
#include "framework/system/Bank.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A busy picture, so that compression and masking do real work.
TPixmapPtr Picture(int32_t width, int32_t height, int32_t format)
{
    TPixmapPtr pixmap = TPixmap::Create(width, height, format);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + (x * y) % 31);
            pixmap->WritePixel(x, y,
                               (x + y) % 9 == 0 ? 0xFF000000
                                                : 0xFF000000 | (v & 0xFF) << 16 | (v * 3 & 0xFF) << 8 | (v * 5 & 0xFF));
        }
    return pixmap;
}

void PngWrite(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

TBankPtr BankOf(const std::vector<uint8_t>& bytes)
{
    TBankPtr bank = TBank::Create(static_cast<int32_t>(bytes.size()));
    std::memcpy(bank->Buf(), bytes.data(), bytes.size());
    return bank;
}

TBankPtr PngOf(const TPixmap& rgb)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, rgb.width, rgb.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < rgb.height; ++y) png_write_row(png, rgb.PixelPtr(0, y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return BankOf(out);
}

TBankPtr JpegOf(const TPixmap& rgb)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = rgb.width;
    cinfo.image_height = rgb.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = rgb.PixelPtr(0, static_cast<int32_t>(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    TBankPtr bank = BankOf(std::vector<uint8_t>(buffer, buffer + size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bank;
}

void BM_ConvertRgbToRgba1024x768(benchmark::State& state)
{
    TPixmapPtr rgb = Picture(1024, 768, PIXFMT_RGB888);
    for (auto _ : state) benchmark::DoNotOptimize(rgb->Convert(PIXFMT_RGBA8888));
}
BENCHMARK(BM_ConvertRgbToRgba1024x768)->Unit(benchmark::kMillisecond);

// One mipmap step of the background texture.
void BM_ResizeHalf1024x1024(benchmark::State& state)
{
    TPixmapPtr rgba = Picture(1024, 1024, PIXFMT_RGBA8888);
    for (auto _ : state) benchmark::DoNotOptimize(ResizePixmap(*rgba, 512, 512));
}
BENCHMARK(BM_ResizeHalf1024x1024)->Unit(benchmark::kMillisecond);

void BM_MaskPixmap512x512(benchmark::State& state)
{
    TPixmapPtr rgb = Picture(512, 512, PIXFMT_RGB888);
    for (auto _ : state) benchmark::DoNotOptimize(MaskPixmap(*rgb, 0, 0, 0));
}
BENCHMARK(BM_MaskPixmap512x512)->Unit(benchmark::kMillisecond);

void BM_LoadPng1024x768(benchmark::State& state)
{
    TBankPtr png = PngOf(*Picture(1024, 768, PIXFMT_RGB888));
    for (auto _ : state) benchmark::DoNotOptimize(LoadPixmap(TUrl(png)));
}
BENCHMARK(BM_LoadPng1024x768)->Unit(benchmark::kMillisecond);

void BM_LoadJpeg1024x768(benchmark::State& state)
{
    TBankPtr jpeg = JpegOf(*Picture(1024, 768, PIXFMT_RGB888));
    for (auto _ : state) benchmark::DoNotOptimize(LoadPixmap(TUrl(jpeg)));
}
BENCHMARK(BM_LoadJpeg1024x768)->Unit(benchmark::kMillisecond);

// A 16 x 16 round ball with a transparent surround.
TImagePtr Ball()
{
    TPixmapPtr pixmap = TPixmap::Create(16, 16, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const float dx = static_cast<float>(x) - 7.5f, dy = static_cast<float>(y) - 7.5f;
            pixmap->WritePixel(x, y, dx * dx + dy * dy <= 64 ? 0xFFFFFFFF : 0x00000000);
        }
    TImagePtr image = TImage::Load(pixmap, 0, 0, 0, 0);
    MidHandleImage(image);
    return image;
}

TImagePtr Brick()
{
    TPixmapPtr pixmap = TPixmap::Create(32, 16, PIXFMT_RGBA8888);
    pixmap->ClearPixels(0xFFFFFFFF);
    TImagePtr image = TImage::Load(pixmap, 0, 0, 0, 0);
    MidHandleImage(image);
    return image;
}

// A ball tested against a full 21 x 11 wall of bricks, as a frame of play does: nearly every
// pair is rejected by its bounding box, a few are rasterised.
void BM_BallAgainstWall(benchmark::State& state)
{
    const TImagePtr ball = Ball();
    const TImagePtr brick = Brick();
    int32_t hits = 0;
    for (auto _ : state) {
        for (int32_t row = 0; row < 11; ++row)
            for (int32_t col = 0; col < 21; ++col)
                hits += ImagesCollide(ball, 200, 120, 0, brick, 52 + col * 36, 44 + row * 20, 0);
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations() * 231);
}
BENCHMARK(BM_BallAgainstWall)->Unit(benchmark::kMicrosecond);

// The costly case: two overlapping masked shapes with no common opaque pixel.
void BM_NearMissMaskedPair(benchmark::State& state)
{
    const TImagePtr ball = Ball();
    for (auto _ : state) benchmark::DoNotOptimize(ImagesCollide(ball, 100, 100, 0, ball, 113, 113, 0));
}
BENCHMARK(BM_NearMissMaskedPair)->Unit(benchmark::kMicrosecond);

void BM_TurnedNearMissMaskedPair(benchmark::State& state)
{
    const TImagePtr ball = Ball();
    const float c = std::cos(0.5f), s = std::sin(0.5f);
    SetCollisionTransform(c, -s, s, c);
    for (auto _ : state) benchmark::DoNotOptimize(ImagesCollide(ball, 100, 100, 0, ball, 113, 113, 0));
    SetCollisionTransform(1, 0, 0, 1);
}
BENCHMARK(BM_TurnedNearMissMaskedPair)->Unit(benchmark::kMicrosecond);

}  // namespace
