// A 2D back-end without OpenGL that records every draw call, so drawing can be checked in tests.
#pragma once

#include "framework/graphics/Driver.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TDrawKind { Cls, Image, Text, TextGlyph, Rect, Line, Oval, Poly, Plot, Pixmap };

// One draw call as it reached the back-end.
struct TDrawRecord {
    TDrawKind kind = TDrawKind::Cls;
    // Image: the image and frame drawn (null for a glyph).
    const TImage* image = nullptr;
    int32_t frame = 0;
    // Text and TextGlyph: the whole string being drawn.
    std::string text;
    // Screen positions after the transform: the four quad corners of images, glyphs and
    // rectangles (top-left, top-right, bottom-right, bottom-left in local terms); both ends of a
    // line; the point of a plot; the top-left corner of a pixmap; the pen start of a text. Ovals
    // and polygons keep their outline in points.
    float x[4] = {0, 0, 0, 0};
    float y[4] = {0, 0, 0, 0};
    std::vector<float> points;
    // Colour and alpha bytes as drawn (clamped; alpha truncated), and the blend mode.
    uint8_t red = 255, green = 255, blue = 255, alpha = 255;
    int32_t blend = 1;
    // The scissor rectangle in pixels, or none when drawing covers the whole screen.
    bool scissor = false;
    int32_t scissor_x = 0, scissor_y = 0, scissor_w = 0, scissor_h = 0;
    // Cls: the clear colour.
    uint8_t cls_red = 0, cls_green = 0, cls_blue = 0;

    // Centre of the quad (average of the four corners).
    float CentreX() const { return (x[0] + x[1] + x[2] + x[3]) * 0.25f; }
    float CentreY() const { return (y[0] + y[1] + y[2] + y[3]) * 0.25f; }
};

// Make it with std::make_shared: its image frames refer back to it weakly.
class TRecordingDriver : public TDraw2DDriver, public std::enable_shared_from_this<TRecordingDriver> {
public:
    // Calls since the last Flip.
    std::vector<TDrawRecord> records;
    // The calls of the frame the last Flip presented.
    std::vector<TDrawRecord> presented;
    int32_t flips = 0;

    // The records of one kind among those since the last Flip.
    std::vector<TDrawRecord> OfKind(TDrawKind kind) const;

    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags) override;
    void SetBlend(int32_t blend) override;
    void SetAlpha(float alpha) override;
    void SetColor(int32_t red, int32_t green, int32_t blue) override;
    void SetClsColor(int32_t red, int32_t green, int32_t blue) override;
    void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void SetTransform(float ix, float iy, float jx, float jy) override;
    void SetLineWidth(float width) override;
    void Cls() override;
    void Plot(float x, float y) override;
    void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty) override;
    void DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y) override;
    // Nothing is rendered: a transparent black pixmap of the size asked for.
    TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void SetResolution(float width, float height) override;
    void Flip(bool sync) override;
    void NoteImage(const TImage* image, int32_t frame) override;
    void NoteText(const std::string& text, float x, float y) override;

    // Records a frame drawn by an image frame of this driver.
    void RecordFrameDraw(float x0, float y0, float x1, float y1, float tx, float ty);

    float line_width = 1.0f;
    float resolution_width = 0.0f, resolution_height = 0.0f;

private:
    TDrawRecord Start(TDrawKind kind) const;
    void Corners(TDrawRecord& record, float x0, float y0, float x1, float y1, float tx, float ty) const;

    uint8_t _red = 255, _green = 255, _blue = 255, _alpha = 255;
    uint8_t _cls_red = 0, _cls_green = 0, _cls_blue = 0;
    int32_t _blend = 1;
    bool _scissor = false;
    int32_t _sx = 0, _sy = 0, _sw = 0, _sh = 0;
    float _ix = 1, _iy = 0, _jx = 0, _jy = 1;
    const TImage* _pending_image = nullptr;
    int32_t _pending_frame = 0;
    bool _image_pending = false;
    std::string _text;
};
