// Images: frames backed by pixmaps, loading pictures and strips (streamed too), handles, flags, masking.
#include "framework/graphics/Image.h"

#include "framework/graphics/Draw2D.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

namespace {

struct TImageDefaults {
    int32_t flags = IMG_MASKED | IMG_FILTERED;
    int32_t mask_r = 0, mask_g = 0, mask_b = 0;
    bool midHandle = false;
};

TImageDefaults& Defaults()
{
    static TImageDefaults defaults;
    return defaults;
}

int32_t ResolveFlags(int32_t flags) { return flags == -1 ? Defaults().flags : flags; }

TImagePtr AutoHandled(TImagePtr image)
{
    if (image && Defaults().midHandle) MidHandleImage(image);
    return image;
}

// Rows of cells a streamed strip decodes ahead of the frame used.
constexpr int32_t kStreamRowsAhead = 2;

bool ValidIndex(const TImage& image, int32_t index) { return index >= 0 && index < image.FrameCount(); }

bool ValidCells(int32_t cell_width, int32_t cell_height, int32_t first, int32_t count)
{
    if (cell_width > 0 && cell_height > 0 && first >= 0 && count >= 1) return true;
    std::fprintf(stderr, "Image: bad strip cells %d x %d, first %d, count %d\n", cell_width, cell_height, first, count);
    return false;
}

bool StripHoldsCells(int32_t width, int32_t height, int32_t cell_width, int32_t cell_height, int32_t first,
                     int32_t count)
{
    return static_cast<int64_t>(width / cell_width) * (height / cell_height) >= static_cast<int64_t>(first) + count;
}

// The pixmaps of cells first .. first + count - 1 of a strip holding enough of them.
std::vector<TPixmapPtr> CutCells(const TPixmapPtr& strip, int32_t cell_width, int32_t cell_height, int32_t first,
                                 int32_t count)
{
    const int32_t perRow = strip->width / cell_width;
    const int32_t rows = strip->height / cell_height;
    // Cells never overlap, so when they make up most of the strip each frame stays a window into
    // it: copying a large strip (the boss explosion is 150 MiB) would double its memory and time.
    const bool keepStrip = static_cast<int64_t>(count) * 2 >= static_cast<int64_t>(perRow) * rows;
    std::vector<TPixmapPtr> cells;
    cells.reserve(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        const int32_t cell = first + k;
        TPixmapPtr window =
            strip->Window(cell_width * (cell % perRow), cell_height * (cell / perRow), cell_width, cell_height);
        cells.push_back(keepStrip ? window : window->Copy());
    }
    return cells;
}

// A masked image's pixels without alpha get it from the mask colour; others stay as they are.
TPixmapPtr Masked(TPixmapPtr pixmap, int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    if (pixmap && (flags & IMG_MASKED) && !FormatHasAlpha(pixmap->format)) return MaskPixmap(*pixmap, mr, mg, mb);
    return pixmap;
}

}  // namespace

// The cells of a JPEG strip, decoded one row of cells at a time from the top of the file; rows
// ahead may be decoded on another thread, one after the other, while the frames of the row before
// them are drawn. The decoder keeps its place between rows, so the strip is read through once
// however it is cut up.
class TStripStream {
public:
    TStripStream(std::string file, int32_t cell_width, int32_t cell_height, int32_t first, int32_t count,
                 int32_t strip_width, int32_t strip_height, const TImage& image)
        : _file(std::move(file)), _cellWidth(cell_width), _cellHeight(cell_height), _first(first), _count(count),
          _stripWidth(strip_width), _stripHeight(strip_height), _perRow(strip_width / cell_width), _flags(image.flags),
          _maskR(image.mask_r), _maskG(image.mask_g), _maskB(image.mask_b)
    {
    }
    ~TStripStream() { Close(); }
    TStripStream(const TStripStream&) = delete;
    TStripStream& operator=(const TStripStream&) = delete;

    const std::string& File() const { return _file; }
    // The row of cells holding frame index, and the frames of a row: RowBegin to RowEnd - 1.
    int32_t RowOf(int32_t index) const { return (_first + index) / _perRow; }
    int32_t RowBegin(int32_t row) const { return std::max(0, row * _perRow - _first); }
    int32_t RowEnd(int32_t row) const { return std::min(_count, (row + 1) * _perRow - _first); }
    int32_t LastRow() const { return RowOf(_count - 1); }

    // Starts decoding row on another thread, unless it is decoded already or another row is
    // being decoded, or a decode ahead has failed.
    void Start(int32_t row)
    {
        Collect(false);
        if (_running.valid() || _decoded.contains(row)) return;
        for (const auto& [done, cells] : _decoded)
            if (cells.empty()) return;
        _runningRow = row;
        _running = std::async(std::launch::async, [this, row] { return Decode(row); });
    }

    // The frames of row (RowBegin first), decoded here unless that was done or is under way;
    // rows decoded before it are let go. Empty when the file cannot be decoded that far.
    std::vector<TPixmapPtr> Take(int32_t row)
    {
        if (_running.valid() && _runningRow == row) Collect(true);
        std::vector<TPixmapPtr> cells;
        if (auto done = _decoded.find(row); done != _decoded.end()) {
            cells = std::move(done->second);
        } else {
            Collect(true);
            cells = Decode(row);
        }
        _decoded.erase(_decoded.begin(), _decoded.upper_bound(row));
        return cells;
    }

    // Waits for a decode under way and drops the decoded rows and the decoder with its place in
    // the file.
    void Close()
    {
        Collect(true);
        _decoded.clear();
        _reader = nullptr;
    }

private:
    // Rows are read in bands of this many pixel rows, pasted into the cells as they come.
    static constexpr int32_t kBandRows = 16;

    // Keeps the frames of a decode that has ended, or, with wait, of one under way.
    void Collect(bool wait)
    {
        if (!_running.valid()) return;
        if (!wait && _running.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
        _decoded[_runningRow] = _running.get();
    }

    // Reads on to row, from the top of the file again when row lies behind the decoder.
    std::vector<TPixmapPtr> Decode(int32_t row)
    {
        if (!_reader || _nextRow > row) {
            _reader = TJpegRowReader::Open(_file);
            _nextRow = 0;
            // A file changed since its header was read fits the strip no more.
            if (_reader && (_reader->width != _stripWidth || _reader->height != _stripHeight)) _reader = nullptr;
            if (!_reader) return {};
        }
        TPixmapPtr band = TPixmap::Create(_stripWidth, std::min(kBandRows, _cellHeight), _reader->format);
        if (!band) return {};
        std::vector<TPixmapPtr> cells;
        for (; _nextRow <= row; ++_nextRow) {
            // The rows before the one wanted are read and let go.
            const bool wanted = _nextRow == row;
            for (int32_t k = RowBegin(row); wanted && k < RowEnd(row); ++k) {
                cells.push_back(TPixmap::Create(_cellWidth, _cellHeight, _reader->format));
                if (!cells.back()) return {};
            }
            for (int32_t top = 0; top < _cellHeight; top += band->height) {
                const int32_t rows = std::min(band->height, _cellHeight - top);
                const TPixmapPtr into = rows == band->height ? band : band->Window(0, 0, _stripWidth, rows);
                if (!_reader->Read(*into)) {
                    _reader = nullptr;
                    return {};
                }
                for (size_t k = 0; k < cells.size(); ++k) {
                    const int32_t column = (_first + RowBegin(row) + static_cast<int32_t>(k)) % _perRow;
                    cells[k]->Paste(*into->Window(_cellWidth * column, 0, _cellWidth, rows), 0, top);
                }
            }
        }
        for (TPixmapPtr& cell : cells) cell = Masked(std::move(cell), _flags, _maskR, _maskG, _maskB);
        return cells;
    }

    const std::string _file;
    const int32_t _cellWidth, _cellHeight, _first, _count, _stripWidth, _stripHeight, _perRow;
    const int32_t _flags, _maskR, _maskG, _maskB;
    // Used by one decode at a time: Start and Take never let two run together.
    std::unique_ptr<TJpegRowReader> _reader;
    int32_t _nextRow = 0;
    std::future<std::vector<TPixmapPtr>> _running;
    int32_t _runningRow = -1;
    // Rows decoded ahead, not yet taken; empty frames for a row that could not be decoded.
    std::map<int32_t, std::vector<TPixmapPtr>> _decoded;
};

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
    if (_deferred && !_resident) _deferred->Start();
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
    // Two rows ahead: a row decodes in a fraction of the time its frames are shown, with room
    // to spare for a busy processor.
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
        SetPixmap(static_cast<int32_t>(index), std::move(decoded[index]));
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

TImagePtr TImage::Load(const TUrl& url, int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    return Load(LoadPixmap(url), flags, mr, mg, mb);
}

TImagePtr TImage::Load(TPixmapPtr pixmap, int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    if (!pixmap) return nullptr;
    TImagePtr image = Create(pixmap->width, pixmap->height, 1, flags, mr, mg, mb);
    image->SetPixmap(0, std::move(pixmap));
    return image;
}

TImagePtr TImage::LoadAnim(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first, int32_t count,
                           int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    if (!ValidCells(cell_width, cell_height, first, count)) return nullptr;
    TPixmapPtr strip = LoadPixmap(url);
    if (!strip || !StripHoldsCells(strip->width, strip->height, cell_width, cell_height, first, count)) return nullptr;
    TImagePtr image = Create(cell_width, cell_height, count, flags, mr, mg, mb);
    std::vector<TPixmapPtr> cells = CutCells(strip, cell_width, cell_height, first, count);
    for (int32_t k = 0; k < count; ++k) image->SetPixmap(k, std::move(cells[static_cast<size_t>(k)]));
    return image;
}

void TImage::SetPixmap(int32_t index, TPixmapPtr pixmap)
{
    if (!ValidIndex(*this, index)) return;
    ResolvePixels();
    pixmaps[index] = Masked(std::move(pixmap), flags, mask_r, mask_g, mask_b);
    ForgetFrame(index);
}

TPixmapPtr TImage::Lock(int32_t index, bool /*read*/, bool write)
{
    if (!ValidIndex(*this, index)) return nullptr;
    ResolvePixels();
    StreamTo(index);
    if (!pixmaps[index]) pixmaps[index] = TPixmap::Create(width, height, PIXFMT_RGBA8888);
    if (write) ForgetFrame(index);
    return pixmaps[index];
}

TPixmapPtr TImage::Pixmap(int32_t index)
{
    if (!ValidIndex(*this, index)) return nullptr;
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
    TPixmapPtr pixmap = Lock(index, true, false);
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
    return frames[index];
}

TImagePtr LoadImage(const TUrl& url, int32_t flags)
{
    const TImageDefaults& d = Defaults();
    return AutoHandled(TImage::Load(url, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b));
}

TImagePtr LoadAnimImage(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                        int32_t cell_count, int32_t flags)
{
    const TImageDefaults& d = Defaults();
    return AutoHandled(TImage::LoadAnim(url, cell_width, cell_height, first_cell, cell_count, ResolveFlags(flags),
                                        d.mask_r, d.mask_g, d.mask_b));
}

TImagePtr LoadAnimImageDeferred(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                int32_t cell_count, int32_t flags)
{
    // Only a named file can be read again later.
    if (url.text.empty()) return LoadAnimImage(url, cell_width, cell_height, first_cell, cell_count, flags);
    if (!ValidCells(cell_width, cell_height, first_cell, cell_count)) return nullptr;
    int32_t strip_width = 0;
    int32_t strip_height = 0;
    if (!ProbePixmap(url, strip_width, strip_height) ||
        !StripHoldsCells(strip_width, strip_height, cell_width, cell_height, first_cell, cell_count))
        return nullptr;
    const TImageDefaults& d = Defaults();
    TImagePtr image =
        TImage::Create(cell_width, cell_height, cell_count, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    image->SetDeferredPixels(std::make_shared<TDeferredPixels>([file = url.text, cell_width, cell_height, first_cell,
                                                                cell_count]() -> std::vector<TPixmapPtr> {
        TPixmapPtr strip = LoadPixmap(file);
        if (!strip || !StripHoldsCells(strip->width, strip->height, cell_width, cell_height, first_cell, cell_count))
            return {};
        return CutCells(strip, cell_width, cell_height, first_cell, cell_count);
    }));
    return AutoHandled(image);
}

TImagePtr LoadAnimImageStreamed(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                int32_t cell_count, int32_t flags)
{
    if (url.text.empty() || !ValidCells(cell_width, cell_height, first_cell, cell_count))
        return LoadAnimImageDeferred(url, cell_width, cell_height, first_cell, cell_count, flags);
    const std::unique_ptr<TJpegRowReader> reader = TJpegRowReader::Open(url);
    if (!reader) return LoadAnimImageDeferred(url, cell_width, cell_height, first_cell, cell_count, flags);
    if (!StripHoldsCells(reader->width, reader->height, cell_width, cell_height, first_cell, cell_count))
        return nullptr;
    const TImageDefaults& d = Defaults();
    TImagePtr image =
        TImage::Create(cell_width, cell_height, cell_count, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    image->SetStreamedPixels(std::make_shared<TStripStream>(url.text, cell_width, cell_height, first_cell, cell_count,
                                                            reader->width, reader->height, *image));
    return AutoHandled(image);
}

TImagePtr LoadImageDeferred(const TUrl& url, int32_t flags)
{
    if (url.text.empty()) return LoadImage(url, flags);
    int32_t width = 0;
    int32_t height = 0;
    if (!ProbePixmap(url, width, height)) return nullptr;
    const TImageDefaults& d = Defaults();
    TImagePtr image = TImage::Create(width, height, 1, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    image->SetDeferredPixels(
        std::make_shared<TDeferredPixels>([file = url.text, width, height]() -> std::vector<TPixmapPtr> {
            TPixmapPtr pixmap = LoadPixmap(file);
            // A file changed since its header was read fits the image no more.
            if (!pixmap || pixmap->width != width || pixmap->height != height) return {};
            return {pixmap};
        }));
    return AutoHandled(image);
}

TImagePtr CreateImage(int32_t width, int32_t height, int32_t frame_count, int32_t flags)
{
    const TImageDefaults& d = Defaults();
    return AutoHandled(
        TImage::Create(width, height, frame_count, ResolveFlags(flags) | IMG_DYNAMIC, d.mask_r, d.mask_g, d.mask_b));
}

void GrabImage(const TImagePtr& image, int32_t x, int32_t y, int32_t frame)
{
    if (!image || frame < 0 || frame >= image->FrameCount()) return;
    TPixmapPtr grabbed = GrabPixmap(x - static_cast<int32_t>(image->handle_x),
                                    y - static_cast<int32_t>(image->handle_y), image->width, image->height);
    if (!grabbed) return;
    // The grab has alpha, so SetPixmap alone would not mask it.
    if (image->flags & IMG_MASKED) grabbed = MaskPixmap(*grabbed, image->mask_r, image->mask_g, image->mask_b);
    image->SetPixmap(frame, std::move(grabbed));
}

void MidHandleImage(const TImagePtr& image)
{
    if (!image) return;
    image->handle_x = static_cast<float>(image->width) * 0.5f;
    image->handle_y = static_cast<float>(image->height) * 0.5f;
}

void SetImageHandle(const TImagePtr& image, float x, float y)
{
    if (!image) return;
    image->handle_x = x;
    image->handle_y = y;
}

int32_t ImageWidth(const TImagePtr& image) { return image ? image->width : 0; }
int32_t ImageHeight(const TImagePtr& image) { return image ? image->height : 0; }

void SetAutoImageFlags(int32_t flags)
{
    if (flags != -1) Defaults().flags = flags;
}

int32_t GetAutoImageFlags() { return Defaults().flags; }

void SetAutoMidHandle(bool enable) { Defaults().midHandle = enable; }

void SetMaskColor(int32_t red, int32_t green, int32_t blue)
{
    TImageDefaults& d = Defaults();
    d.mask_r = red;
    d.mask_g = green;
    d.mask_b = blue;
}

void GetMaskColor(int32_t& red, int32_t& green, int32_t& blue)
{
    const TImageDefaults& d = Defaults();
    red = d.mask_r;
    green = d.mask_g;
    blue = d.mask_b;
}
