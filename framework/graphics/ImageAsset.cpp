// A picture of an asset catalogue: decoded on a loading thread, handed to its variable when loaded.
#include "framework/graphics/ImageAsset.h"

#include <future>
#include <utility>

namespace {

class TImageJob final : public TAssetJob {
public:
    TImageJob(TImagePtr& variable, const char* file, int32_t cellWidth, int32_t cellHeight, int32_t frames,
              int32_t flags, TAssetNeed need)
        : TAssetJob(file, need), _variable(variable), _cellWidth(cellWidth), _cellHeight(cellHeight), _frames(frames),
          _flags(flags), _image(_promise.get_future())
    {
    }

    void Decode() override { _promise.set_value(Open()); }
    void Skip() override { _promise.set_value(nullptr); }
    // A picture cannot be drawn before it is there: one still decoding is waited for.
    void Publish() override { _variable = _image.get(); }
    bool Settle() override { return _variable != nullptr; }

private:
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
};

}  // namespace

std::unique_ptr<TAssetJob> ImageAsset(TImagePtr& variable, const char* file, int32_t cellWidth, int32_t cellHeight,
                                      int32_t frames, int32_t flags, TAssetNeed need)
{
    return std::make_unique<TImageJob>(variable, file, cellWidth, cellHeight, frames, flags, need);
}
