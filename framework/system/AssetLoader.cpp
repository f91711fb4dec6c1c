// A catalogue of asset files loaded on other threads, each kind by its own job, each when it is needed.
#include "framework/system/AssetLoader.h"

#include "framework/system/Parallel.h"
#include "framework/system/Report.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <future>
#include <mutex>
#include <string>
#include <utility>

struct TAssetLoader::TState {
    TAssetJobs jobs;
    std::atomic<bool> abandoned{false};
    std::atomic<size_t> decoded{0};
    std::promise<void> foregroundPromise;
    std::future<void> foreground;
    std::future<void> worker;
    bool published = false;
    // The rest waits for the program to go on.
    std::mutex gateLock;
    std::condition_variable gateOpened;
    bool gateOpen = false;

    void OpenGate()
    {
        {
            const std::lock_guard hold(gateLock);
            gateOpen = true;
        }
        gateOpened.notify_all();
    }
    void WaitForGate()
    {
        std::unique_lock hold(gateLock);
        gateOpened.wait(hold, [this] { return gateOpen; });
    }

    void Run(size_t index)
    {
        TAssetJob& job = *jobs[index];
        if (abandoned)
            job.Skip();
        else
            job.Decode();
        ++decoded;
    }
    // Side by side on every core, in the given order of jobs.
    void RunInOrder(const std::vector<size_t>& indices, const std::vector<size_t>& order)
    {
        RunInParallel(order.size(), [&](size_t job) { Run(indices[order[job]]); });
    }
    std::vector<size_t> Select(auto wanted) const
    {
        std::vector<size_t> indices;
        for (size_t i = 0; i < jobs.size(); ++i)
            if (wanted(jobs[i]->Need())) indices.push_back(i);
        return indices;
    }
    std::vector<const char*> Files(const std::vector<size_t>& indices) const
    {
        std::vector<const char*> files;
        for (size_t i : indices) files.push_back(jobs[i]->File());
        return files;
    }

    void Decode(TAssetNeed first)
    {
        const auto foregroundNeed = [](TAssetNeed need) {
            return need == TAssetNeed::AtOnce || need == TAssetNeed::WithItsLevel;
        };
        // The largest files first, so that no core is left with a big one at the end.
        const std::vector<size_t> now = Select(foregroundNeed);
        try {
            RunInOrder(now, LargestFilesFirst(Files(now)));
            foregroundPromise.set_value();
        } catch (...) {
            foregroundPromise.set_exception(std::current_exception());
        }
        const std::vector<size_t> soon =
            Select([&](TAssetNeed need) { return need == first && !foregroundNeed(need); });
        std::vector<size_t> identity(soon.size());
        for (size_t i = 0; i < identity.size(); ++i) identity[i] = i;
        RunInOrder(soon, identity);
        const std::vector<size_t> rest =
            Select([&](TAssetNeed need) { return !foregroundNeed(need) && need != first; });
        if (rest.empty()) return;
        WaitForGate();
        LowerThisThreadPriority();
        // Smallest first: the effects are heard long before the longest music.
        std::vector<size_t> order = LargestFilesFirst(Files(rest));
        std::reverse(order.begin(), order.end());
        for (size_t job : order) Run(rest[job]);
    }
};

TAssetLoader::~TAssetLoader() { Abandon(); }

void TAssetLoader::Start(TAssetJobs jobs, TAssetNeed first)
{
    Abandon();
    _state = std::make_shared<TState>();
    _state->jobs = std::move(jobs);
    // A stand-in waits only for its own file, never for the program to show a screen.
    const std::weak_ptr<TState> state = _state;
    for (const auto& job : _state->jobs)
        job->SetHurry([state] {
            if (const auto alive = state.lock()) alive->OpenGate();
        });
    _state->foreground = _state->foregroundPromise.get_future();
    // The state holds the worker's future, which holds this function: a shared pointer here would
    // keep the state alive for ever. Every way the state ends waits for the worker first.
    _state->worker = std::async(std::launch::async, [state = _state.get(), first] { state->Decode(first); });
}

void TAssetLoader::Load()
{
    if (!_state || _state->published) return;
    _state->foreground.get();
    for (const auto& job : _state->jobs) job->Publish();
    _state->published = true;
    const bool background = std::any_of(_state->jobs.begin(), _state->jobs.end(), [](const auto& job) {
        return job->Need() != TAssetNeed::AtOnce && job->Need() != TAssetNeed::WithItsLevel;
    });
    if (!background) Settle();
}

bool TAssetLoader::Poll()
{
    if (!_state) return true;
    if (!_state->published) return false;
    _state->OpenGate();
    if (_state->decoded < _state->jobs.size()) return false;
    Settle();
    return true;
}

void TAssetLoader::Finish()
{
    if (!_state) return;
    _state->OpenGate();
    _state->worker.wait();
    Load();
    if (_state) Settle();
}

void TAssetLoader::Abandon()
{
    if (!_state) return;
    _state->abandoned = true;
    _state->OpenGate();
    _state->worker.wait();
    _state.reset();
}

void TAssetLoader::Settle()
{
    int32_t missing = 0;
    std::string first;
    for (const auto& job : _state->jobs)
        if (!job->Settle() && missing++ == 0) first = job->File();
    const size_t total = _state->jobs.size();
    _state->worker.wait();
    _state.reset();
    if (missing > 0)
        ReportProblem(std::to_string(missing) + " of " + std::to_string(total) + " " + _what +
                      " could not be loaded (first: " + first + "); " + _without);
}
