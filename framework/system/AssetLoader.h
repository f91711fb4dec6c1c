// A catalogue of asset files loaded on other threads, each kind by its own job, each when it is needed.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// When an asset of a catalogue must be there.
enum class TAssetNeed {
    // Before Load returns: decoded side by side, the largest files first.
    AtOnce,
    // Opened before Load returns like AtOnce, its pixels decoded only when its level is built.
    WithItsLevel,
    // Decoded first, ahead of the background, when the run opens with the menu.
    BeforeMenu,
    // Decoded first, ahead of the background, when the run opens straight into play.
    BeforePlay,
    // Decoded one file after another behind everything else the program does, once it shows its
    // first screen, the smallest first; using one before it is there waits for it.
    InBackground,
};

// One file of a catalogue in the kind it is (a picture, a sound): how it is decoded and how its
// variable gets it.
class TAssetJob {
public:
    TAssetJob(const char* file, TAssetNeed need) : _file(file), _need(need) {}
    virtual ~TAssetJob() = default;
    TAssetJob(const TAssetJob&) = delete;
    TAssetJob& operator=(const TAssetJob&) = delete;

    const char* File() const { return _file; }
    TAssetNeed Need() const { return _need; }
    // On a loading thread: reads and decodes the file.
    virtual void Decode() = 0;
    // Instead of Decode, when the loading was abandoned before it got to this file.
    virtual void Skip() = 0;
    // On the loader's thread, once, in catalogue order: hands the variable the asset, or a stand-in
    // that waits for it should it still be decoding.
    virtual void Publish() = 0;
    // Once every file is decoded: makes the variable's asset final; false when it could not be
    // loaded.
    virtual bool Settle() = 0;
    // Given by the loader before Publish: lets the files in the background be decoded from now on,
    // for a stand-in about to wait for one of them.
    void SetHurry(std::function<void()> hurry) { _hurry = std::move(hurry); }

protected:
    const std::function<void()>& Hurry() const { return _hurry; }

private:
    const char* _file;
    TAssetNeed _need;
    std::function<void()> _hurry;
};

using TAssetJobs = std::vector<std::unique_ptr<TAssetJob>>;

// Loads one catalogue. The files that could not be loaded are reported in one line once the
// catalogue is settled: "N of TOTAL <what> could not be loaded (first: FILE); <without>".
class TAssetLoader {
public:
    TAssetLoader(const char* what, const char* without) : _what(what), _without(without) {}
    ~TAssetLoader();
    TAssetLoader(const TAssetLoader&) = delete;
    TAssetLoader& operator=(const TAssetLoader&) = delete;

    // Starts decoding the catalogue on other threads: first what is needed at once or with its
    // level, then what is needed first (BeforeMenu or BeforePlay, whichever the run opens with),
    // then the rest in the background, from the first Poll on (or once something waits for it):
    // until the program shows its first screen, the processor is its.
    void Start(TAssetJobs jobs, TAssetNeed first = TAssetNeed::BeforeMenu);
    // Started and neither settled nor abandoned yet.
    bool Busy() const { return _state != nullptr; }
    // Waits for the files needed at once or with their level, then hands every variable its
    // asset; a catalogue with nothing in the background is settled here too.
    void Load();
    // After Load, lets the rest be decoded; settles the catalogue when every file is decoded; true
    // once it is settled (or was never started).
    bool Poll();
    // Waits for every file, then settles the catalogue.
    void Finish();
    // Decodes no further file; waits only for those being decoded. Stand-ins already handed out
    // then stand for nothing.
    void Abandon();

private:
    struct TState;
    void Settle();

    const char* _what;
    const char* _without;
    std::shared_ptr<TState> _state;
};
