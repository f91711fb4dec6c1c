// The 2D back-end interface every drawing call ends in: OpenGL, or the recording driver of tests.
#pragma once

#include "framework/graphics/Pixmap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TImage;

// A frame of an image as the back-end holds it (a texture for OpenGL).
class TImageFrame {
public:
    virtual ~TImageFrame() = default;
    // Draws the source rectangle (sx, sy, sw, sh) onto the local quad (x0, y0)-(x1, y1),
    // transformed by the current matrix and translated by (tx, ty).
    virtual void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
                      float sh) = 0;
    // Memory the back-end holds for the frame, which dropping the frame gives back.
    virtual int64_t Bytes() const { return 0; }
};

// Small pictures (the glyphs of one font) kept together in the back-end's shared textures, so that
// a text is drawn from one texture instead of one per glyph.
class TImageAtlas {
public:
    virtual ~TImageAtlas() = default;
    // Draws pixmap texel for pixel with its top-left corner at (x, y), from the copy kept under
    // key (made on the first call with that key; a key always names the same pixels). False,
    // drawing nothing, when the picture would not land texel for pixel (scaled, turned or between
    // pixels) or finds no room: the caller then draws its own frame.
    virtual bool Draw(int32_t key, const TPixmap& pixmap, float x, float y) = 0;
};

class TDraw2DDriver {
public:
    virtual ~TDraw2DDriver() = default;
    virtual std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags) = 0;
    // An empty atlas for pictures about cell pixels tall; null where the back-end keeps none.
    // Valid while GraphicsSeq() stays as it was.
    virtual std::shared_ptr<TImageAtlas> CreateAtlas(int32_t /*cell*/) { return nullptr; }
    virtual void SetBlend(int32_t blend) = 0;
    virtual void SetAlpha(float alpha) = 0;
    virtual void SetColor(int32_t red, int32_t green, int32_t blue) = 0;
    virtual void SetClsColor(int32_t red, int32_t green, int32_t blue) = 0;
    virtual void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void SetTransform(float ix, float iy, float jx, float jy) = 0;
    virtual void SetLineWidth(float width) = 0;
    virtual void Cls() = 0;
    virtual void Plot(float x, float y) = 0;
    virtual void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    virtual void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    virtual void DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty) = 0;
    virtual void DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y) = 0;
    virtual TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void SetResolution(float width, float height) = 0;
    // Draws what the frame has gathered, so that it can be read before it is presented.
    virtual void FinishFrame() {}
    // Presents the frame; sync true waits for the vertical blank.
    virtual void Flip(bool sync) = 0;
    // Sets memory aside, over the frames that follow, for drawing busy screens; see
    // ReserveDrawingMemory.
    virtual void ReserveMemory() {}
    // While held, the memory set aside stays taken, out of reach of what hands freed memory back
    // to the system; see ReturnFreedMemoryButDrawingReserve.
    virtual void HoldReserve(bool /*hold*/) {}
    // Told which image and frame the next frame draw belongs to, and which text the next glyph
    // draws spell (drawn from x, y); only the recording driver keeps them.
    virtual void NoteImage(const TImage* /*image*/, int32_t /*frame*/) {}
    virtual void NoteText(const std::string& /*text*/, float /*x*/, float /*y*/) {}
};

// The current back-end; null while no graphics are open.
TDraw2DDriver* CurrentDraw2DDriver();
// Changes whenever existing back-end frames may have become invalid; never 0.
int32_t GraphicsSeq();
