// A picture of an asset catalogue: decoded on a loading thread, handed to its variable when loaded.
#include "framework/graphics/ImageAsset.h"

#include <chrono>
#include <future>
#include <string>
#include <utility>
#include <vector>

namespace {

class TImageJob final : public TAssetJob {
public:
    TImageJob(TImagePtr& variable, const char* file, int32_t cellWidth, int32_t cellHeight, int32_t frames,
              int32_t flags, TAssetNeed need)
        : TAssetJob(file, need), _variable(variable), _cellWidth(cellWidth), _cellHeight(cellHeight), _frames(frames),
          _flags(flags), _image(_promise.get_future()), _cells(_cellsPromise.get_future().share())
    {
    }

    void Decode() override
    {
        if (Behind())
            _cellsPromise.set_value(DecodeImageCells(File(), _cellWidth, _cellHeight, 0, _frames));
        else
            _promise.set_value(Open());
    }
    void Skip() override
    {
        if (Behind())
            _cellsPromise.set_value({});
        else
            _promise.set_value(nullptr);
    }
    // A picture wanted at once cannot be drawn before it is there: one still decoding is waited
    // for. One decoded behind the program is handed out at its size at once, and its first use
    // waits for its pixels.
    void Publish() override
    {
        if (!Behind()) {
            _variable = _image.get();
            return;
        }
        _variable =
            LoadAnimImageFrom(File(), _cellWidth, _cellHeight, 0, _frames, _flags,
                              [cells = _cells, hurry = Hurry(), file = std::string(File()), cellWidth = _cellWidth,
                               cellHeight = _cellHeight, frames = _frames]() mutable -> std::vector<TPixmapPtr> {
                                  // Given back and wanted again: decoded anew, as any deferred picture is.
                                  if (!cells.valid()) return DecodeImageCells(file, cellWidth, cellHeight, 0, frames);
                                  if (hurry && cells.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                                      hurry();
                                  std::vector<TPixmapPtr> pixels = cells.get();
                                  // The image holds them from now on, and alone.
                                  cells = {};
                                  return pixels;
                              });
    }
    // A picture decoded behind the program that turned out undecodable is null, as it would have
    // been had it been wanted at once.
    bool Settle() override
    {
        if (Behind()) {
            if (_cells.get().size() != static_cast<size_t>(_frames)) _variable = nullptr;
            _cells = {};
        }
        return _variable != nullptr;
    }

private:
    bool Behind() const { return Need() != TAssetNeed::AtOnce && Need() != TAssetNeed::WithItsLevel; }
    TImagePtr Open() const
    {
        const bool withItsLevel = Need() == TAssetNeed::WithItsLevel;
        if (_frames == 1) return withItsLevel ? LoadImageDeferred(File(), _flags) : LoadImage(File(), _flags);
        if (withItsLevel) return LoadAnimImageStreamed(File(), _cellWidth, _cellHeight, 0, _frames, _flags);
        return LoadAnimImage(File(), _cellWidth, _cellHeight, 0, _frames, _flags);
    }

    TImagePtr& _variable;
    int32_t _cellWidth, _cellHeight, _frames, _flags;
    std::promise<TImagePtr> _promise;
    std::future<TImagePtr> _image;
    std::promise<std::vector<TPixmapPtr>> _cellsPromise;
    std::shared_future<std::vector<TPixmapPtr>> _cells;
};

}  // namespace

std::unique_ptr<TAssetJob> ImageAsset(TImagePtr& variable, const char* file, int32_t cellWidth, int32_t cellHeight,
                                      int32_t frames, int32_t flags, TAssetNeed need)
{
    return std::make_unique<TImageJob>(variable, file, cellWidth, cellHeight, frames, flags, need);
}
