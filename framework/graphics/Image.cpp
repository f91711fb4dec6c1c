// Images: frames backed by pixmaps, their back-end frames and the cache of them, pixels decoded later or streamed.
#include "framework/graphics/Image.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/StripStream.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// Rows of cells a streamed strip decodes ahead of the frame used. One: a row of the explosion's
// cells takes 7 ms of processor to decode (45 ms of wall time with the processor shared five
// ways), and each row held ahead is 7.5 MiB of pixels.
constexpr int32_t kStreamRowsAhead = 1;

bool ValidIndex(const TImage& image, int32_t index) { return index >= 0 && index < image.FrameCount(); }

}  // namespace

TPixmapPtr Masked(TPixmapPtr pixmap, int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    if (pixmap && (flags & IMG_MASKED) && !FormatHasAlpha(pixmap->format)) return MaskPixmap(*pixmap, mr, mg, mb);
    return pixmap;
}

TFrameCache::TSlot TFrameCache::Add(TImage* image, int32_t index, int64_t size)
{
    bytes += size;
    return _lru.insert(_lru.end(), TEntry{image, index, size});
}

void TFrameCache::Remove(TSlot slot)
{
    bytes -= slot->bytes;
    _lru.erase(slot);
}

void TFrameCache::Trim(TSlot keep)
{
    while (bytes > budget && !_lru.empty() && _lru.begin() != keep) {
        const TEntry oldest = _lru.front();
        oldest.image->ForgetFrame(oldest.index);
    }
}

std::shared_ptr<TFrameCache> FrameCache()
{
    static auto cache = std::make_shared<TFrameCache>();
    return cache;
}

TDeferredPixels::~TDeferredPixels()
{
    if (_running.valid()) _running.wait();
}

void TDeferredPixels::Start()
{
    if (!_running.valid()) _running = std::async(std::launch::async, _decode);
}

void TDeferredPixels::Discard()
{
    if (_running.valid()) _running.get();
}

std::vector<TPixmapPtr> TDeferredPixels::Take()
{
    if (!_running.valid()) return _decode();
    return _running.get();
}

TImage::TImage() : _cache(FrameCache()) {}

TImage::~TImage()
{
    for (TFrameCache::TSlot slot : _slots)
        if (slot != _cache->None()) _cache->Remove(slot);
}

void TImage::ForgetFrame(int32_t index)
{
    frames[index] = nullptr;
    seqs[index] = 0;
    TFrameCache::TSlot& slot = _slots[index];
    if (slot != _cache->None()) {
        _cache->Remove(slot);
        slot = _cache->None();
    }
}

void TImage::SetDeferredPixels(std::shared_ptr<TDeferredPixels> deferred)
{
    ReleasePixels();
    _stream = nullptr;
    _deferred = std::move(deferred);
    _resident = false;
    _reloadable = true;
}

void TImage::SetReloadablePixels(std::shared_ptr<TDeferredPixels> deferred)
{
    _stream = nullptr;
    _deferred = std::move(deferred);
    _resident = true;
    _reloadable = true;
}

void TImage::SetStreamedPixels(std::shared_ptr<TStripStream> stream)
{
    ReleasePixels();
    _deferred = nullptr;
    _stream = std::move(stream);
}

void TImage::PrefetchPixels()
{
    if (_stream) {
        // A strip played before, or that failed, starts again from its first frame.
        if (_streamFrom > 0 || _streamFailed) RewindStream();
        const int32_t row = _stream->RowOf(0);
        if (_streamedRow < row) _stream->Start(row);
        return;
    }
    // A picture that gave back its pixels beside a living texture needs none.
    if (_deferred && !_resident && !(FrameCount() == 1 && seqs[0] == GraphicsSeq())) _deferred->Start();
}

void TImage::RewindStream()
{
    _stream->Close();
    for (int32_t index = 0; index < FrameCount(); ++index) {
        pixmaps[index] = nullptr;
        ForgetFrame(index);
    }
    _streamFrom = 0;
    _streamedRow = -1;
    _streamFailed = false;
}

void TImage::StreamTo(int32_t index)
{
    if (!_stream || !ValidIndex(*this, index)) return;
    if (index < _streamFrom) RewindStream();
    // Played through once: the frames before this one are not wanted again.
    for (; _streamFrom < index; ++_streamFrom) {
        pixmaps[_streamFrom] = nullptr;
        ForgetFrame(_streamFrom);
    }
    if (_streamFailed) return;
    const int32_t row = _stream->RowOf(index);
    if (_streamedRow < row) {
        std::vector<TPixmapPtr> cells = _stream->Take(row);
        const int32_t begin = _stream->RowBegin(row);
        if (cells.size() != static_cast<size_t>(_stream->RowEnd(row) - begin)) {
            std::fprintf(stderr, "Image: %s could not be decoded from frame %d on; those frames stay empty\n",
                         _stream->File().c_str(), begin);
            _streamFailed = true;
            return;
        }
        // Frames set by hand meanwhile keep their pixels.
        for (int32_t k = std::max(begin, index); k < begin + static_cast<int32_t>(cells.size()); ++k) {
            if (pixmaps[k]) continue;
            pixmaps[k] = Masked(std::move(cells[static_cast<size_t>(k - begin)]), flags, mask_r, mask_g, mask_b);
            ForgetFrame(k);
        }
        _streamedRow = row;
    }
    // The next row decodes while the second half of this one is shown, in a fraction of that
    // time (the explosion's: 7 ms of processor against 83 ms): the frames shown before it are
    // given back by then, so the two rows are never held whole together.
    const int32_t begin = _stream->RowBegin(row);
    if (index < begin + (_stream->RowEnd(row) - begin) / 2) return;
    for (int32_t ahead = row + 1; ahead <= std::min(row + kStreamRowsAhead, _stream->LastRow()); ++ahead)
        _stream->Start(ahead);
}

void TImage::ReleasePixels()
{
    if (_stream) {
        RewindStream();
        return;
    }
    if (!_deferred) return;
    // A decode under way finishes first; its pixels are simply not kept.
    if (!_resident) _deferred->Discard();
    for (int32_t index = 0; index < FrameCount(); ++index) {
        pixmaps[index] = nullptr;
        ForgetFrame(index);
    }
    _resident = false;
}

void TImage::ResolvePixels()
{
    if (!_deferred || _resident) return;
    _resident = true;
    std::vector<TPixmapPtr> decoded = _deferred->Take();
    if (decoded.size() != pixmaps.size())
        std::fprintf(stderr, "Image: deferred pixels could not be decoded; the frames stay empty\n");
    for (size_t index = 0; index < decoded.size() && index < pixmaps.size(); ++index)
        StorePixmap(static_cast<int32_t>(index), std::move(decoded[index]));
}

void TImage::StorePixmap(int32_t index, TPixmapPtr pixmap)
{
    pixmaps[index] = Masked(std::move(pixmap), flags, mask_r, mask_g, mask_b);
    ForgetFrame(index);
}

void TImage::DropPixelsBesideTexture()
{
    if (!_reloadable || !_deferred || !_resident || _stream || FrameCount() != 1 || !frames[0] || !pixmaps[0]) return;
    const TPixmap& pixmap = *pixmaps[0];
    if (static_cast<int64_t>(pixmap.pitch) * pixmap.height < kDropPixelsFrom) return;
    pixmaps[0] = nullptr;
    _resident = false;
}

TImagePtr TImage::Create(int32_t width, int32_t height, int32_t frame_count, int32_t flags, int32_t mr, int32_t mg,
                         int32_t mb)
{
    if (width < 0 || height < 0 || frame_count < 0) {
        std::fprintf(stderr, "Image: bad size %d x %d with %d frames\n", width, height, frame_count);
        return nullptr;
    }
    auto image = std::make_shared<TImage>();
    image->width = width;
    image->height = height;
    image->flags = flags;
    image->mask_r = mr;
    image->mask_g = mg;
    image->mask_b = mb;
    image->pixmaps.resize(frame_count);
    image->frames.resize(frame_count);
    image->seqs.assign(frame_count, 0);
    image->_slots.assign(frame_count, image->_cache->None());
    return image;
}

void TImage::SetPixmap(int32_t index, TPixmapPtr pixmap)
{
    if (!ValidIndex(*this, index)) return;
    ResolvePixels();
    // Pixels set by hand are not in the file.
    _reloadable = false;
    StorePixmap(index, std::move(pixmap));
}

TPixmapPtr TImage::PixelsForTexture(int32_t index)
{
    ResolvePixels();
    StreamTo(index);
    if (!pixmaps[index]) pixmaps[index] = TPixmap::Create(width, height, PIXFMT_RGBA8888);
    return pixmaps[index];
}

TPixmapPtr TImage::Lock(int32_t index, bool /*read*/, bool write)
{
    if (!ValidIndex(*this, index)) return nullptr;
    // Pixels handed out are kept: whoever holds them may read or change them again.
    _reloadable = false;
    TPixmapPtr pixmap = PixelsForTexture(index);
    if (write) ForgetFrame(index);
    return pixmap;
}

TPixmapPtr TImage::Pixmap(int32_t index)
{
    if (!ValidIndex(*this, index)) return nullptr;
    _reloadable = false;
    ResolvePixels();
    StreamTo(index);
    return pixmaps[index];
}

std::shared_ptr<TImageFrame> TImage::Frame(int32_t index)
{
    if (!ValidIndex(*this, index)) return nullptr;
    StreamTo(index);
    const int32_t seq = GraphicsSeq();
    if (seqs[index] == seq) {
        if (_slots[index] != _cache->None()) _cache->Touch(_slots[index]);
        return frames[index];
    }
    TDraw2DDriver* driver = CurrentDraw2DDriver();
    TPixmapPtr pixmap = PixelsForTexture(index);
    if (!driver || !pixmap) return nullptr;
    // The old frame's memory goes before the new frame's is counted.
    ForgetFrame(index);
    frames[index] = driver->CreateFrameFromPixmap(*pixmap, flags);
    if (!frames[index]) return nullptr;
    seqs[index] = seq;
    if (const int64_t bytes = frames[index]->Bytes(); bytes > 0) {
        _slots[index] = _cache->Add(this, index, bytes);
        _cache->Trim(_slots[index]);
    }
    DropPixelsBesideTexture();
    return frames[index];
}
