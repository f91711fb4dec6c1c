// The wrappers the harness puts around the display and the input.
#include "framework/platform/InputWrappers.h"

#include "framework/platform/Platform.h"

namespace {

// Notes when the display is being opened, so that the clock reading taken for the pacing is the
// pacing clock's (see THarnessClock).
class TMarkingProvider : public TGLContextProvider {
public:
    TMarkingProvider(std::shared_ptr<TGLContextProvider> inner, std::shared_ptr<THarnessClock> clock)
        : _inner(std::move(inner)), _clock(std::move(clock))
    {
    }
    bool Open(int32_t width, int32_t height, int32_t depth, int32_t hertz, int32_t flags) override
    {
        // Stays set until the first Flip is over: the display opens right before it.
        _clock->SetInGraphics(true);
        return _inner->Open(width, height, depth, hertz, flags);
    }
    void Close() override { _inner->Close(); }
    bool CanHardSync(int32_t hertz) override { return _inner->CanHardSync(hertz); }
    bool TakePacingChange() override { return _inner->TakePacingChange(); }
    void SetSwapInterval(int32_t interval) override { _inner->SetSwapInterval(interval); }
    void SwapBuffers() override { _inner->SwapBuffers(); }
    void SwapChanged(const std::vector<TPixelRect>& changed) override { _inner->SwapChanged(changed); }
    bool TakesPieces() override { return _inner->TakesPieces(); }
    bool SwapPieces(const std::vector<TPicturePiece>& pieces, bool drawn) override
    {
        return _inner->SwapPieces(pieces, drawn);
    }
    bool KeepsPicture() override { return _inner->KeepsPicture(); }
    bool ShowsLastPicture() override { return _inner->ShowsLastPicture(); }

private:
    std::shared_ptr<TGLContextProvider> _inner;
    std::shared_ptr<THarnessClock> _clock;
};

// Input from a script. A replay of a recording already holds the pointer moves that warping
// caused, so it must not add its own; a hand-written script gets them like a real pointer.
class TScriptInput : public TEventSource {
public:
    TScriptInput(std::shared_ptr<TScriptedEventSource> script, bool replay, std::shared_ptr<TEventSource> live,
                 std::function<void()> discardLive)
        : _script(std::move(script)), _replay(replay), _live(std::move(live)), _discardLive(std::move(discardLive))
    {
    }
    void PollEvents() override
    {
        if (_discardLive) _discardLive();
        _script->PollEvents();
    }
    void MoveMouse(int32_t x, int32_t y) override
    {
        if (!_replay) _script->MoveMouse(x, y);
    }
    void HideMouse() override
    {
        if (_live) _live->HideMouse();
    }
    void ShowMouse() override
    {
        if (_live) _live->ShowMouse();
    }
    void ConfineMouse(bool on) override
    {
        if (_live) _live->ConfineMouse(on);
    }

private:
    std::shared_ptr<TScriptedEventSource> _script;
    bool _replay;
    std::shared_ptr<TEventSource> _live;
    std::function<void()> _discardLive;
};

// Adds a termination signal to the input as the window's close request, at the poll that notices it.
class TSignalledEvents : public TEventSource {
public:
    explicit TSignalledEvents(std::shared_ptr<TEventSource> inner) : _inner(std::move(inner)) {}
    void PollEvents() override
    {
        _inner->PollEvents();
        // A lost display ends the game once, as its closed window would.
        const bool lost = !_lostSeen && DisplayLost();
        _lostSeen = _lostSeen || lost;
        if (TakeTerminationSignal() || lost) {
            TEvent close;
            close.id = EVENT_APPTERMINATE;
            HandleInputEvent(close);
        }
    }
    void MoveMouse(int32_t x, int32_t y) override { _inner->MoveMouse(x, y); }
    void HideMouse() override { _inner->HideMouse(); }
    void ShowMouse() override { _inner->ShowMouse(); }
    void ConfineMouse(bool on) override { _inner->ConfineMouse(on); }

private:
    std::shared_ptr<TEventSource> _inner;
    bool _lostSeen = false;
};

// Takes the input once per frame, at the first query after each Flip; whatever arrives later in
// the frame waits for the next one. A script line holds only the frame, so this is what lets a
// recorded run replay exactly: every event is seen at the same query in both runs.
class TFrameBatchedEvents : public TEventSource {
public:
    TFrameBatchedEvents(std::shared_ptr<TEventSource> inner, TFrameCounterPtr frames)
        : _inner(std::move(inner)), _frames(std::move(frames))
    {
    }
    void PollEvents() override
    {
        if (_polledFrame == _frames->Flips()) return;
        _polledFrame = _frames->Flips();
        _inner->PollEvents();
    }
    void MoveMouse(int32_t x, int32_t y) override { _inner->MoveMouse(x, y); }
    void HideMouse() override { _inner->HideMouse(); }
    void ShowMouse() override { _inner->ShowMouse(); }
    void ConfineMouse(bool on) override { _inner->ConfineMouse(on); }

private:
    std::shared_ptr<TEventSource> _inner;
    TFrameCounterPtr _frames;
    int32_t _polledFrame = -1;
};

}  // namespace

std::shared_ptr<TGLContextProvider> MarkDisplayOpening(std::shared_ptr<TGLContextProvider> inner,
                                                       std::shared_ptr<THarnessClock> clock)
{
    return std::make_shared<TMarkingProvider>(std::move(inner), std::move(clock));
}

std::shared_ptr<TEventSource> ScriptInput(std::shared_ptr<TScriptedEventSource> script, bool replay,
                                          std::shared_ptr<TEventSource> live, std::function<void()> discardLive)
{
    return std::make_shared<TScriptInput>(std::move(script), replay, std::move(live), std::move(discardLive));
}

std::shared_ptr<TEventSource> WithTerminationSignals(std::shared_ptr<TEventSource> inner)
{
    return std::make_shared<TSignalledEvents>(std::move(inner));
}

std::shared_ptr<TEventSource> BatchedPerFrame(std::shared_ptr<TEventSource> inner, TFrameCounterPtr frames)
{
    return std::make_shared<TFrameBatchedEvents>(std::move(inner), std::move(frames));
}
