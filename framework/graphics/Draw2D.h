// The 2D drawing state (colour, alpha, blend, transform, viewport, origin, handle) and primitives.
#pragma once

#include "framework/graphics/Pixmap.h"

#include <cstdint>
#include <vector>

constexpr int32_t BLEND_MASK = 1;
constexpr int32_t BLEND_SOLID = 2;
constexpr int32_t BLEND_ALPHA = 3;
constexpr int32_t BLEND_LIGHT = 4;
constexpr int32_t BLEND_SHADE = 5;

void SetColor(int32_t red, int32_t green, int32_t blue);
void GetColor(int32_t& red, int32_t& green, int32_t& blue);
void SetAlpha(float alpha);
float GetAlpha();
void SetClsColor(int32_t red, int32_t green, int32_t blue);
void GetClsColor(int32_t& red, int32_t& green, int32_t& blue);
void SetBlend(int32_t mode);
int32_t GetBlend();
void SetLineWidth(float width);
float GetLineWidth();
void SetRotation(float degrees);
float GetRotation();
void SetScale(float scale_x, float scale_y);
void GetScale(float& scale_x, float& scale_y);
void SetRotationAndScale(float degrees, float scale_x, float scale_y);
void SetOrigin(float x, float y);
void GetOrigin(float& x, float& y);
void SetHandle(float x, float y);
void GetHandle(float& x, float& y);
void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height);
void GetViewport(int32_t& x, int32_t& y, int32_t& width, int32_t& height);
void SetVirtualResolution(float width, float height);

void Cls();
void Plot(float x, float y);
void DrawRect(float x, float y, float width, float height);
void DrawOval(float x, float y, float width, float height);
void DrawLine(float x, float y, float x2, float y2, bool draw_last_pixel = true);
void DrawPoly(const std::vector<float>& xy);
void DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y);
TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height);

// The current matrix (ix, iy, jx, jy), as drawing and collisions use it.
void GetTransform(float& ix, float& iy, float& jx, float& jy);
