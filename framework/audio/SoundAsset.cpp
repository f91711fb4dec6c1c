// A sound of an asset catalogue: decoded on a loading thread, playable as soon as it is handed out.
#include "framework/audio/SoundAsset.h"

#include "framework/audio/Sample.h"
#include "framework/audio/Sound.h"
#include "framework/system/Report.h"

#include <exception>
#include <future>
#include <string>
#include <utility>

namespace {

class TSoundJob final : public TAssetJob {
public:
    TSoundJob(TSoundPtr& variable, const char* file, int32_t flags, TAssetNeed need)
        : TAssetJob(file, need), _variable(variable), _flags(flags), _samples(_promise.get_future().share())
    {
    }

    void Decode() override
    {
        TAudioSamplePtr samples;
        try {
            samples = LoadAudioSample(File());
        } catch (const std::exception& error) {
            ReportProblem(std::string(File()) + ": " + error.what());
        }
        _promise.set_value(std::move(samples));
    }
    void Skip() override { _promise.set_value(nullptr); }
    void Publish() override
    {
        _pending = std::make_shared<TPendingSound>(_samples, _flags, Hurry());
        _variable = _pending;
    }
    bool Settle() override
    {
        if (_pending && _variable == _pending) _variable = _pending->Resolve();
        // The decoded samples live on in the driver's sound, and Decode or Skip has returned by now:
        // the job lets go of them at once rather
        // than with the whole catalogue, so that they and their copies are never all held at once.
        _samples = {};
        _promise = {};
        _pending = nullptr;
        return _variable != nullptr;
    }

private:
    TSoundPtr& _variable;
    int32_t _flags;
    std::promise<TAudioSamplePtr> _promise;
    std::shared_future<TAudioSamplePtr> _samples;
    std::shared_ptr<TPendingSound> _pending;
};

}  // namespace

std::unique_ptr<TAssetJob> SoundAsset(TSoundPtr& variable, const char* file, int32_t flags, TAssetNeed need)
{
    return std::make_unique<TSoundJob>(variable, file, flags, need);
}
