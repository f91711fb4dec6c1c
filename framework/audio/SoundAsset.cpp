// A sound of an asset catalogue: decoded on a loading thread, playable as soon as it is handed out.
#include "framework/audio/SoundAsset.h"

#include "framework/audio/AudioStream.h"
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
        TAudioStreamPtr samples;
        try {
            // Music is held encoded and decoded as it plays; effects are decoded whole.
            samples = (_flags & SOUND_LOOP) != 0 ? TAudioStream::Load(File())
                                                 : TAudioStream::OfSample(LoadAudioSample(File()));
        } catch (const std::exception& error) {
            ReportProblem(std::string(File()) + ": " + error.what());
        }
        Deliver(std::move(samples));
    }
    void Skip() override { Deliver(nullptr); }
    void Publish() override
    {
        // From here on only the stand-in holds the samples: played before the catalogue is
        // settled, it makes the driver's sound and lets go of them at once.
        _pending = std::make_shared<TPendingSound>(std::move(_samples), _flags, Hurry());
        _variable = _pending;
    }
    bool Settle() override
    {
        if (_pending && _variable == _pending) _variable = _pending->Resolve();
        // The decoded samples live on in the driver's sound: the stand-in lets go of them at once
        // rather than with the whole catalogue, so that they and their copies are never all held
        // at once.
        _pending = nullptr;
        return _variable != nullptr;
    }

private:
    // The promise lets go of the samples once they are handed over, so that they live only as
    // long as whoever waits for them.
    void Deliver(TAudioStreamPtr samples)
    {
        std::promise<TAudioStreamPtr> promise = std::move(_promise);
        promise.set_value(std::move(samples));
    }

    TSoundPtr& _variable;
    int32_t _flags;
    std::promise<TAudioStreamPtr> _promise;
    std::shared_future<TAudioStreamPtr> _samples;
    std::shared_ptr<TPendingSound> _pending;
};

}  // namespace

std::unique_ptr<TAssetJob> SoundAsset(TSoundPtr& variable, const char* file, int32_t flags, TAssetNeed need)
{
    return std::make_unique<TSoundJob>(variable, file, flags, need);
}
