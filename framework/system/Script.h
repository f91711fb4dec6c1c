// Input scripts: the text format of recorded sessions, a scripted event source and clock for
// replays, and the recorders that write a live session down line by line.
#pragma once

#include "framework/system/Clock.h"
#include "framework/system/Input.h"

#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <string>
#include <vector>

// One line of a script: "FRAME EVENT ARGS". The events are
//   keydown K, keyup K, char C, mousemove X Y, mousedown B, mouseup B, wheel D,
//   focus 0|1, close, clock MS
// with K a virtual-key code, C a Latin-1 character code and B a button 1 to 3. An event of frame F
// is seen by every query made after the F-th Flip (frame 0: from start-up). "clock MS" is one
// reading of the millisecond clock. "#" starts a comment; blank lines are allowed.
struct TScriptEntry {
    int32_t frame = 0;
    bool isClock = false;
    int32_t ms = 0;
    TEvent event;
};

// Appends the entries of text to out. False with error set (e.g. "line 7: unknown event 'jump'")
// on the first bad line; frames must not decrease.
bool ParseInputScript(const std::string& text, std::vector<TScriptEntry>& out, std::string& error);
// One line without the newline; it reads back through ParseInputScript as the same entry.
std::string FormatScriptEntry(const TScriptEntry& entry);
// True when the event has a line form (the handler ignores the others: repeats, enter, leave).
bool EventIsScriptable(const TEvent& event);

// The number of Flips so far, shared by the platform (which counts) and the recorders (which stamp).
class TFrameCounter {
public:
    int32_t Flips() const { return _flips; }
    void Set(int32_t flips) { _flips = flips; }
    void Increment() { ++_flips; }

private:
    int32_t _flips = 0;
};
using TFrameCounterPtr = std::shared_ptr<TFrameCounter>;

// Replays the events of a script; clock entries are ignored here (see TScriptClock).
class TScriptedEventSource : public TEventSource {
public:
    explicit TScriptedEventSource(std::vector<TScriptEntry> entries);
    // A script read as it is written, e.g. from a named pipe that another program fills a frame
    // ahead of the game: each poll reads only up to the first line of a later frame, so the
    // writer can choose a frame's input after seeing the frames before it. A bad line or a clock
    // reading is reported on stderr with the name and ends the input there.
    TScriptedEventSource(std::unique_ptr<std::istream> stream, std::string name);
    // How many Flips have happened; events of later frames stay queued.
    void SetFrame(int32_t flips) { _flips = flips; }
    // Hands the pointer moves asked for by MoveMouse since the last poll to HandleInputEvent,
    // then every undelivered event whose frame <= flips, in file order.
    void PollEvents() override;
    void MoveMouse(int32_t x, int32_t y) override;
    // True when every event of the script has been delivered (a stream's only after its end).
    bool Finished() const { return _next >= _events.size() && !_stream; }
    // Frame of the last event of the script, -1 when it has none.
    int32_t LastFrame() const;

private:
    void ReadAhead();

    std::vector<TScriptEntry> _events;
    std::unique_ptr<std::istream> _stream;
    std::string _streamName;
    int32_t _streamLines = 0;
    size_t _next = 0;
    int32_t _flips = 0;
    std::vector<TEvent> _moves;
};

// Returns the script's clock readings in order while they last, then the virtual clock's time.
// The virtual clock follows the readings, so time goes on from the last one; Sleep advances it.
class TScriptClock : public TClock {
public:
    TScriptClock(const std::vector<TScriptEntry>& entries, std::shared_ptr<TVirtualClock> base);
    int32_t Millisecs() override;
    void Sleep(int32_t ms) override { _base->Sleep(ms); }
    // Readings not yet returned.
    size_t ReadingsLeft() const { return _readings.size() - _next; }

private:
    std::vector<int32_t> _readings;
    size_t _next = 0;
    std::shared_ptr<TVirtualClock> _base;
};

// Writes entries to a script file as they come, one flushed line each, so a crash keeps what was
// played. The file starts with a comment line.
class TScriptRecorder {
public:
    // Null, with error set, when the file cannot be created.
    static std::shared_ptr<TScriptRecorder> Create(const std::string& path, std::string& error);
    ~TScriptRecorder();
    TScriptRecorder(const TScriptRecorder&) = delete;
    TScriptRecorder& operator=(const TScriptRecorder&) = delete;

    void Append(const TScriptEntry& entry);
    // False once a write has failed (reported once on stderr).
    bool Ok() const { return _ok; }

private:
    TScriptRecorder(std::FILE* file, std::string path) : _file(file), _path(std::move(path)) {}
    std::FILE* _file;
    std::string _path;
    bool _ok = true;
};
using TScriptRecorderPtr = std::shared_ptr<TScriptRecorder>;

// Passes the events of another source on and records each one with the current flip count.
class TRecordingEventSource : public TEventSource {
public:
    TRecordingEventSource(std::shared_ptr<TEventSource> inner, TScriptRecorderPtr recorder, TFrameCounterPtr frames);
    void PollEvents() override;
    void MoveMouse(int32_t x, int32_t y) override { _inner->MoveMouse(x, y); }
    void HideMouse() override { _inner->HideMouse(); }
    void ShowMouse() override { _inner->ShowMouse(); }
    void ConfineMouse(bool on) override { _inner->ConfineMouse(on); }

private:
    std::shared_ptr<TEventSource> _inner;
    TScriptRecorderPtr _recorder;
    TFrameCounterPtr _frames;
};

// Passes another clock's readings on and records each one with the current flip count.
class TRecordingClock : public TClock {
public:
    TRecordingClock(std::shared_ptr<TClock> inner, TScriptRecorderPtr recorder, TFrameCounterPtr frames);
    int32_t Millisecs() override;
    void Sleep(int32_t ms) override { _inner->Sleep(ms); }

private:
    std::shared_ptr<TClock> _inner;
    TScriptRecorderPtr _recorder;
    TFrameCounterPtr _frames;
};
