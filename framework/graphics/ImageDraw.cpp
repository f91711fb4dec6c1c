// Drawing image frames with the current colour, blend, matrix and origin.
#include "framework/graphics/Draw2DGraphics.h"
#include "framework/graphics/Image.h"

namespace {

// The frame's quad from the image handle to handle + (w, h), placed at (x, y) plus the origin.
void DrawFrameQuad(const TImagePtr& image, float x, float y, float w, float h, int32_t frame)
{
    auto* g = TDraw2DGraphics::Current();
    if (!g || !image || frame < 0 || frame >= image->FrameCount()) return;
    auto backend = image->Frame(frame);
    if (!backend) return;
    const float x0 = -image->handle_x;
    const float y0 = -image->handle_y;
    g->Driver()->NoteImage(image.get(), frame);
    backend->Draw(x0, y0, x0 + w, y0 + h, x + g->origin_x, y + g->origin_y, 0, 0, static_cast<float>(image->width),
                  static_cast<float>(image->height));
}

}  // namespace

void DrawImage(const TImagePtr& image, float x, float y, int32_t frame)
{
    if (!image) return;
    DrawFrameQuad(image, x, y, static_cast<float>(image->width), static_cast<float>(image->height), frame);
}

void DrawImageRect(const TImagePtr& image, float x, float y, float w, float h, int32_t frame)
{
    DrawFrameQuad(image, x, y, w, h, frame);
}
