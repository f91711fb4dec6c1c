// Images: frames backed by pixmaps and lazily made back-end frames; loading, drawing, collisions.
#pragma once

#include "framework/graphics/Driver.h"
#include "framework/graphics/Pixmap.h"

#include <cstdint>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <vector>

constexpr int32_t IMG_MASKED = 1;
constexpr int32_t IMG_FILTERED = 2;
constexpr int32_t IMG_MIPMAPPED = 4;
constexpr int32_t IMG_DYNAMIC = 8;

class TImage;
using TImagePtr = std::shared_ptr<TImage>;
class TDeferredPixels;
class TStripStream;

// The back-end frames of all images, least recently drawn last: when they hold more memory than
// the budget, the least recently drawn are dropped, to be made again from their pixmaps should
// they be drawn again. Keeps memory flat however many backgrounds and strip frames are shown.
class TFrameCache {
public:
    struct TEntry {
        TImage* image;
        int32_t index;
        int64_t bytes;
    };
    using TSlot = std::list<TEntry>::iterator;

    TSlot None() { return _lru.end(); }
    TSlot Add(TImage* image, int32_t index, int64_t bytes);
    void Touch(TSlot slot) { _lru.splice(_lru.end(), _lru, slot); }
    void Remove(TSlot slot);
    // Drops least recently drawn frames until the budget holds; never keep.
    void Trim(TSlot keep);

    int64_t budget = 48 << 20;
    int64_t bytes = 0;

private:
    std::list<TEntry> _lru;
};

// The one cache; images hold on to it, so it outlives them all.
std::shared_ptr<TFrameCache> FrameCache();

class TImage {
public:
    TImage();
    ~TImage();
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;

    static TImagePtr Create(int32_t width, int32_t height, int32_t frame_count, int32_t flags, int32_t mr, int32_t mg,
                            int32_t mb);
    static TImagePtr Load(const TUrl& url, int32_t flags, int32_t mr, int32_t mg, int32_t mb);
    static TImagePtr Load(TPixmapPtr pixmap, int32_t flags, int32_t mr, int32_t mg, int32_t mb);
    static TImagePtr LoadAnim(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first, int32_t count,
                              int32_t flags, int32_t mr, int32_t mg, int32_t mb);

    // Indices outside the frames are ignored (Lock and Frame give null).
    void SetPixmap(int32_t index, TPixmapPtr pixmap);
    // A frame without pixels gets a transparent PIXFMT_RGBA8888 pixmap of the image size.
    TPixmapPtr Lock(int32_t index, bool read, bool write);
    // The back-end frame for the current graphics, made on first use; null if it cannot be made.
    std::shared_ptr<TImageFrame> Frame(int32_t index);
    // The frame's pixels as they are (null if none), decoding deferred pixels first.
    TPixmapPtr Pixmap(int32_t index);
    int32_t FrameCount() const { return static_cast<int32_t>(pixmaps.size()); }

    // Pixels decoded only when wanted (see LoadAnimImageDeferred): PrefetchPixels starts decoding
    // them on another thread, any use of them waits for that, and ReleasePixels gives them back.
    // A streamed strip (see LoadAnimImageStreamed) prefetches its first row of cells only.
    void SetDeferredPixels(std::shared_ptr<TDeferredPixels> deferred);
    // The pixels held now are what deferred decodes: a large picture gives them back once its
    // texture is made, and decodes them again should the texture be lost or its pixels be asked
    // for. Setting or writing pixels by hand keeps them for good.
    void SetReloadablePixels(std::shared_ptr<TDeferredPixels> deferred);
    void SetStreamedPixels(std::shared_ptr<TStripStream> stream);
    void PrefetchPixels();
    void ReleasePixels();
    // For a streamed strip: whether any of its frames are held.
    bool PixelsResident() const { return _stream ? _streamedRow >= 0 : !_deferred || _resident; }

    // A single picture with at least this many bytes of pixels gives them back once its texture is
    // made, when it can decode them again (see SetReloadablePixels); smaller ones, drawn often or
    // tested for collisions, keep theirs.
    static constexpr int64_t kDropPixelsFrom = 256 << 10;

    int32_t width = 0;
    int32_t height = 0;
    int32_t flags = 0;
    int32_t mask_r = 0, mask_g = 0, mask_b = 0;
    float handle_x = 0, handle_y = 0;
    std::vector<TPixmapPtr> pixmaps;
    std::vector<std::shared_ptr<TImageFrame>> frames;
    std::vector<int32_t> seqs;

private:
    friend class TFrameCache;
    // Drops the back-end frame, so the next draw makes it again.
    void ForgetFrame(int32_t index);
    void ResolvePixels();
    // Stores pixels that match the image's source, masked as the flags ask.
    void StorePixmap(int32_t index, TPixmapPtr pixmap);
    // The frame's pixels for making its texture: decoded or streamed as needed, never pinned.
    TPixmapPtr PixelsForTexture(int32_t index);
    // A large reloadable picture whose texture is made lets go of its pixels.
    void DropPixelsBesideTexture();
    // A streamed strip's frame index made ready: the frames before it are given back, its row of
    // cells is waited for (or decoded here), and the rows ahead start decoding on another thread.
    void StreamTo(int32_t index);
    // Gives back every frame of a streamed strip; the next use decodes from the top again.
    void RewindStream();

    std::shared_ptr<TFrameCache> _cache;
    std::vector<TFrameCache::TSlot> _slots;
    std::shared_ptr<TDeferredPixels> _deferred;
    bool _resident = false;
    // The pixels held are what _deferred decodes, and may be given back while the texture lives.
    bool _reloadable = false;
    std::shared_ptr<TStripStream> _stream;
    int32_t _streamFrom = 0;    // the frames before it have been given back
    int32_t _streamedRow = -1;  // the last row of cells whose frames were handed in
    bool _streamFailed = false;
};

// Decodes pixels on demand, once at a time; Start runs the decode on another thread.
class TDeferredPixels {
public:
    using TDecode = std::function<std::vector<TPixmapPtr>()>;
    explicit TDeferredPixels(TDecode decode) : _decode(std::move(decode)) {}
    ~TDeferredPixels();
    TDeferredPixels(const TDeferredPixels&) = delete;
    TDeferredPixels& operator=(const TDeferredPixels&) = delete;

    void Start();
    // Drops the pixels of a decode under way, once it has ended.
    void Discard();
    // The decoded pixels: waits for a decode under way, or decodes here if none was started.
    std::vector<TPixmapPtr> Take();

private:
    TDecode _decode;
    std::future<std::vector<TPixmapPtr>> _running;
};

// flags -1: the automatic image flags. Null when the file cannot be opened or decoded.
TImagePtr LoadImage(const TUrl& url, int32_t flags = -1);
TImagePtr LoadAnimImage(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                        int32_t cell_count, int32_t flags = -1);
// As LoadAnimImage, but only the strip's size is read now; its pixels are decoded when first
// used or when PrefetchPixels asks for them ahead. Null when the file cannot be opened, its
// header not read, or it holds too few cells.
TImagePtr LoadAnimImageDeferred(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                int32_t cell_count, int32_t flags = -1);
// As LoadAnimImageDeferred, for a long JPEG strip played through once from its first frame, as an
// explosion: never all of it is decoded at once. Each row of cells is decoded before one of its
// frames is first used, the next row on another thread once half of a row's frames were used, and
// using a frame gives back the frames before it, pixels and back-end frames. A use always gets the
// whole frame: it waits for its row should that still be on its way, and a frame used again after
// a later one is decoded anew from the top of the file. A file that is not a JPEG is loaded as
// LoadAnimImageDeferred loads it.
TImagePtr LoadAnimImageStreamed(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                int32_t cell_count, int32_t flags = -1);
// As LoadImage, with the pixels decoded when first used or prefetched, as LoadAnimImageDeferred.
TImagePtr LoadImageDeferred(const TUrl& url, int32_t flags = -1);
TImagePtr CreateImage(int32_t width, int32_t height, int32_t frame_count = 1, int32_t flags = -1);
// Copies the screen rectangle under the image drawn at (x, y) into the frame, masked when the
// image is IMG_MASKED.
void GrabImage(const TImagePtr& image, int32_t x, int32_t y, int32_t frame = 0);
void MidHandleImage(const TImagePtr& image);
void SetImageHandle(const TImagePtr& image, float x, float y);
int32_t ImageWidth(const TImagePtr& image);
int32_t ImageHeight(const TImagePtr& image);
void SetAutoImageFlags(int32_t flags);
int32_t GetAutoImageFlags();
void SetAutoMidHandle(bool enable);
void SetMaskColor(int32_t red, int32_t green, int32_t blue);
void GetMaskColor(int32_t& red, int32_t& green, int32_t& blue);

// Drawing or colliding a null image does nothing (false).
void DrawImage(const TImagePtr& image, float x, float y, int32_t frame = 0);
void DrawImageRect(const TImagePtr& image, float x, float y, float w, float h, int32_t frame = 0);
bool ImagesCollide(const TImagePtr& image1, int32_t x1, int32_t y1, int32_t frame1, const TImagePtr& image2, int32_t x2,
                   int32_t y2, int32_t frame2);
