// The recording 2D back-end: every draw call kept as a record with its transformed geometry.
#include "framework/graphics/Recording.h"

#include "framework/graphics/Graphics.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

uint8_t ClampByte(int32_t value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

class TRecordingFrame : public TImageFrame {
public:
    explicit TRecordingFrame(std::weak_ptr<TRecordingDriver> driver) : _driver(std::move(driver)) {}
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float, float, float, float) override
    {
        if (auto driver = _driver.lock()) driver->RecordFrameDraw(x0, y0, x1, y1, tx, ty);
    }

private:
    std::weak_ptr<TRecordingDriver> _driver;
};

}  // namespace

std::vector<TDrawRecord> TRecordingDriver::OfKind(TDrawKind kind) const
{
    std::vector<TDrawRecord> found;
    std::copy_if(records.begin(), records.end(), std::back_inserter(found),
                 [kind](const TDrawRecord& r) { return r.kind == kind; });
    return found;
}

TDrawRecord TRecordingDriver::Start(TDrawKind kind) const
{
    TDrawRecord record;
    record.kind = kind;
    record.red = _red;
    record.green = _green;
    record.blue = _blue;
    record.alpha = _alpha;
    record.blend = _blend;
    record.scissor = _scissor;
    record.scissor_x = _sx;
    record.scissor_y = _sy;
    record.scissor_w = _sw;
    record.scissor_h = _sh;
    return record;
}

void TRecordingDriver::Corners(TDrawRecord& record, float x0, float y0, float x1, float y1, float tx, float ty) const
{
    const float xs[4] = {x0, x1, x1, x0};
    const float ys[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i) {
        record.x[i] = xs[i] * _ix + ys[i] * _iy + tx;
        record.y[i] = xs[i] * _jx + ys[i] * _jy + ty;
    }
}

std::shared_ptr<TImageFrame> TRecordingDriver::CreateFrameFromPixmap(const TPixmap&, int32_t)
{
    return std::make_shared<TRecordingFrame>(weak_from_this());
}

void TRecordingDriver::SetBlend(int32_t blend) { _blend = blend; }

void TRecordingDriver::SetAlpha(float alpha)
{
    _alpha = static_cast<uint8_t>(static_cast<int32_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f));
}

void TRecordingDriver::SetColor(int32_t red, int32_t green, int32_t blue)
{
    _red = ClampByte(red);
    _green = ClampByte(green);
    _blue = ClampByte(blue);
}

void TRecordingDriver::SetClsColor(int32_t red, int32_t green, int32_t blue)
{
    _cls_red = ClampByte(red);
    _cls_green = ClampByte(green);
    _cls_blue = ClampByte(blue);
}

void TRecordingDriver::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height)
{
    _scissor = !(x == 0 && y == 0 && width == GraphicsWidth() && height == GraphicsHeight());
    _sx = x;
    _sy = y;
    _sw = width;
    _sh = height;
}

void TRecordingDriver::SetTransform(float ix, float iy, float jx, float jy)
{
    _ix = ix;
    _iy = iy;
    _jx = jx;
    _jy = jy;
}

void TRecordingDriver::SetLineWidth(float width) { line_width = width; }

void TRecordingDriver::Cls()
{
    TDrawRecord record = Start(TDrawKind::Cls);
    record.cls_red = _cls_red;
    record.cls_green = _cls_green;
    record.cls_blue = _cls_blue;
    records.push_back(std::move(record));
}

void TRecordingDriver::Plot(float x, float y)
{
    TDrawRecord record = Start(TDrawKind::Plot);
    std::fill(std::begin(record.x), std::end(record.x), x + 0.5f);
    std::fill(std::begin(record.y), std::end(record.y), y + 0.5f);
    records.push_back(std::move(record));
}

void TRecordingDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty)
{
    TDrawRecord record = Start(TDrawKind::Line);
    record.x[0] = x0 * _ix + y0 * _iy + tx + 0.5f;
    record.y[0] = x0 * _jx + y0 * _jy + ty + 0.5f;
    record.x[1] = x1 * _ix + y1 * _iy + tx + 0.5f;
    record.y[1] = x1 * _jx + y1 * _jy + ty + 0.5f;
    records.push_back(std::move(record));
}

void TRecordingDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty)
{
    TDrawRecord record = Start(TDrawKind::Rect);
    Corners(record, x0, y0, x1, y1, tx, ty);
    records.push_back(std::move(record));
}

void TRecordingDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty)
{
    TDrawRecord record = Start(TDrawKind::Oval);
    Corners(record, x0, y0, x1, y1, tx, ty);
    const float rx = (x1 - x0) * 0.5f;
    const float ry = (y1 - y0) * 0.5f;
    const int32_t segments = std::max(static_cast<int32_t>(std::fabs(rx) + std::fabs(ry)), 12) & ~3;
    for (int32_t i = 0; i < segments; ++i) {
        const double radians = i * 360.0 / segments * std::numbers::pi / 180.0;
        const float px = x0 + rx + rx * static_cast<float>(std::cos(radians));
        const float py = y0 + ry - ry * static_cast<float>(std::sin(radians));
        record.points.push_back(px * _ix + py * _iy + tx);
        record.points.push_back(px * _jx + py * _jy + ty);
    }
    records.push_back(std::move(record));
}

void TRecordingDriver::DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty)
{
    if (xy.size() < 6 || xy.size() % 2 != 0) return;
    TDrawRecord record = Start(TDrawKind::Poly);
    for (size_t i = 0; i < xy.size(); i += 2) {
        const float px = xy[i] + hx;
        const float py = xy[i + 1] + hy;
        record.points.push_back(px * _ix + py * _iy + tx);
        record.points.push_back(px * _jx + py * _jy + ty);
    }
    records.push_back(std::move(record));
}

void TRecordingDriver::DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y)
{
    TDrawRecord record = Start(TDrawKind::Pixmap);
    record.blend = 2;
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    const float fw = static_cast<float>(pixmap.width);
    const float fh = static_cast<float>(pixmap.height);
    const float xs[4] = {fx, fx + fw, fx + fw, fx};
    const float ys[4] = {fy, fy, fy + fh, fy + fh};
    std::copy(std::begin(xs), std::end(xs), record.x);
    std::copy(std::begin(ys), std::end(ys), record.y);
    records.push_back(std::move(record));
}

TPixmapPtr TRecordingDriver::GrabPixmap(int32_t, int32_t, int32_t width, int32_t height)
{
    return TPixmap::Create(std::max(width, 0), std::max(height, 0), PIXFMT_RGBA8888);
}

void TRecordingDriver::SetResolution(float width, float height)
{
    resolution_width = width;
    resolution_height = height;
}

void TRecordingDriver::Flip(bool)
{
    // Swapped rather than moved, so the next frame records into the buffer of the one before and
    // long runs do not grow a fresh buffer every frame.
    std::swap(presented, records);
    records.clear();
    ++flips;
}

void TRecordingDriver::NoteImage(const TImage* image, int32_t frame)
{
    _pending_image = image;
    _pending_frame = frame;
    _image_pending = true;
}

void TRecordingDriver::NoteText(const std::string& text, float x, float y)
{
    _text = text;
    _image_pending = false;
    TDrawRecord record = Start(TDrawKind::Text);
    record.text = text;
    std::fill(std::begin(record.x), std::end(record.x), x);
    std::fill(std::begin(record.y), std::end(record.y), y);
    records.push_back(std::move(record));
}

void TRecordingDriver::RecordFrameDraw(float x0, float y0, float x1, float y1, float tx, float ty)
{
    // A frame draw announced by NoteImage is an image; any other comes from the text being drawn.
    TDrawRecord record = Start(_image_pending ? TDrawKind::Image : TDrawKind::TextGlyph);
    if (_image_pending) {
        record.image = _pending_image;
        record.frame = _pending_frame;
        _image_pending = false;
    } else {
        record.text = _text;
    }
    Corners(record, x0, y0, x1, y1, tx, ty);
    records.push_back(std::move(record));
}
