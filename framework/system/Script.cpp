// Input scripts: parsing and writing the line format, replaying a script, recording a session.
#include "framework/system/Script.h"

#include "framework/system/Report.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <sstream>
#include <utility>

namespace {

struct TEventName {
    const char* name;
    int32_t id;
};

// Script words of the events that have one.
constexpr TEventName kEventNames[] = {
    {"keydown", EVENT_KEYDOWN},     {"keyup", EVENT_KEYUP},         {"char", EVENT_KEYCHAR},
    {"mousemove", EVENT_MOUSEMOVE}, {"mousedown", EVENT_MOUSEDOWN}, {"mouseup", EVENT_MOUSEUP},
    {"wheel", EVENT_MOUSEWHEEL},
};

bool ParseInt(const std::string& word, int64_t low, int64_t high, int32_t& out)
{
    int64_t v = 0;
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, v);
    if (ec != std::errc() || ptr != end || v < low || v > high) return false;
    out = static_cast<int32_t>(v);
    return true;
}

std::vector<std::string> SplitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

// Reads the arguments of one event line into entry; the message tells what is wrong.
bool ParseEvent(const std::vector<std::string>& words, TScriptEntry& entry, std::string& message)
{
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    const std::string& name = words[1];
    const size_t argc = words.size() - 2;
    auto expect = [&](size_t n) {
        if (argc == n) return true;
        message = "'" + name + "' takes " + std::to_string(n) + (n == 1 ? " argument" : " arguments") + ", got " +
                  std::to_string(argc);
        return false;
    };
    auto number = [&](size_t i, int64_t low, int64_t high, const char* what, int32_t& out) {
        if (ParseInt(words[2 + i], low, high, out)) return true;
        message = std::string("bad ") + what + " '" + words[2 + i] + "' (" + std::to_string(low) + " to " +
                  std::to_string(high) + ")";
        return false;
    };
    TEvent& e = entry.event;
    if (name == "clock") {
        entry.isClock = true;
        return expect(1) && number(0, kMin, kMax, "time", entry.ms);
    }
    if (name == "close") {
        e.id = EVENT_APPTERMINATE;
        return expect(0);
    }
    if (name == "focus") {
        int32_t on = 0;
        if (!expect(1) || !number(0, 0, 1, "focus flag", on)) return false;
        e.id = on ? EVENT_APPRESUME : EVENT_APPSUSPEND;
        return true;
    }
    for (const auto& n : kEventNames) {
        if (name != n.name) continue;
        e.id = n.id;
        switch (n.id) {
        case EVENT_KEYDOWN:
        case EVENT_KEYUP:
            return expect(1) && number(0, 0, 255, "key code", e.data);
        case EVENT_KEYCHAR:
            return expect(1) && number(0, 0, 255, "character code", e.data);
        case EVENT_MOUSEDOWN:
        case EVENT_MOUSEUP:
            return expect(1) && number(0, 1, 3, "button", e.data);
        case EVENT_MOUSEMOVE:
            return expect(2) && number(0, kMin, kMax, "x", e.x) && number(1, kMin, kMax, "y", e.y);
        default:  // wheel
            return expect(1) && number(0, kMin, kMax, "wheel steps", e.data);
        }
    }
    message = "unknown event '" + name + "'";
    return false;
}

}  // namespace

namespace {

// One line of a script: false with message set when it is bad; entry.frame stays -1 on a blank or
// comment line. Frames must not go below lastFrame.
bool ParseScriptLine(std::string line, int32_t lastFrame, TScriptEntry& entry, std::string& message)
{
    entry = TScriptEntry{};
    entry.frame = -1;
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return true;
    if (!ParseInt(words[0], 0, std::numeric_limits<int32_t>::max(), entry.frame)) {
        message = "expected a frame number, got '" + words[0] + "'";
        return false;
    }
    if (words.size() < 2) {
        message = "missing event after frame " + words[0];
        return false;
    }
    if (entry.frame < lastFrame) {
        message = "frame " + std::to_string(entry.frame) + " comes after frame " + std::to_string(lastFrame);
        return false;
    }
    return ParseEvent(words, entry, message);
}

}  // namespace

bool ParseInputScript(const std::string& text, std::vector<TScriptEntry>& out, std::string& error)
{
    std::vector<TScriptEntry> entries;
    std::istringstream in(text);
    std::string line;
    int32_t lineNumber = 0;
    int32_t lastFrame = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        TScriptEntry entry;
        std::string message;
        if (!ParseScriptLine(line, lastFrame, entry, message)) {
            error = "line " + std::to_string(lineNumber) + ": " + message;
            return false;
        }
        if (entry.frame < 0) continue;
        lastFrame = entry.frame;
        entries.push_back(entry);
    }
    out.insert(out.end(), entries.begin(), entries.end());
    return true;
}

bool EventIsScriptable(const TEvent& event)
{
    switch (event.id) {
    case EVENT_APPSUSPEND:
    case EVENT_APPRESUME:
    case EVENT_APPTERMINATE:
    case EVENT_KEYDOWN:
    case EVENT_KEYUP:
    case EVENT_KEYCHAR:
    case EVENT_MOUSEDOWN:
    case EVENT_MOUSEUP:
    case EVENT_MOUSEMOVE:
    case EVENT_MOUSEWHEEL:
        return true;
    default:
        return false;
    }
}

std::string FormatScriptEntry(const TScriptEntry& entry)
{
    const std::string f = std::to_string(entry.frame) + " ";
    if (entry.isClock) return f + "clock " + std::to_string(entry.ms);
    const TEvent& e = entry.event;
    switch (e.id) {
    case EVENT_APPSUSPEND:
        return f + "focus 0";
    case EVENT_APPRESUME:
        return f + "focus 1";
    case EVENT_APPTERMINATE:
        return f + "close";
    case EVENT_MOUSEMOVE:
        return f + "mousemove " + std::to_string(e.x) + " " + std::to_string(e.y);
    default:
        break;
    }
    for (const auto& n : kEventNames)
        if (n.id == e.id) return f + n.name + " " + std::to_string(e.data);
    // No line form: written as a comment so the script still reads back.
    return "# frame " + std::to_string(entry.frame) + ": event " + std::to_string(e.id) + " has no script form";
}

// ---- Replay

TScriptedEventSource::TScriptedEventSource(std::vector<TScriptEntry> entries)
{
    for (auto& e : entries)
        if (!e.isClock) _events.push_back(e);
}

TScriptedEventSource::TScriptedEventSource(std::unique_ptr<std::istream> stream, std::string name)
    : _stream(std::move(stream)), _streamName(std::move(name))
{
}

void TScriptedEventSource::ReadAhead()
{
    // Never past the first line of a later frame: a pipe's writer may not have decided the rest yet.
    std::string line;
    while (_stream && (_next >= _events.size() || _events.back().frame <= _flips)) {
        if (!std::getline(*_stream, line)) {
            _stream.reset();
            break;
        }
        ++_streamLines;
        TScriptEntry entry;
        std::string message;
        const int32_t lastFrame = _events.empty() ? 0 : _events.back().frame;
        if (ParseScriptLine(line, lastFrame, entry, message) && entry.isClock)
            message = "clock readings cannot come from a pipe";
        if (!message.empty()) {
            ReportProblem(_streamName + ": line " + std::to_string(_streamLines) + ": " + message +
                          "; the rest of the input is ignored");
            _stream.reset();
        } else if (entry.frame >= 0) {
            _events.push_back(entry);
        }
    }
}

void TScriptedEventSource::PollEvents()
{
    ReadAhead();
    // The pointer was warped before the script's new events happened, as with a real pointer
    // that the player moves after the game has put it back on the paddle.
    std::vector<TEvent> moves;
    moves.swap(_moves);
    for (const TEvent& m : moves) HandleInputEvent(m);
    while (_next < _events.size() && _events[_next].frame <= _flips) HandleInputEvent(_events[_next++].event);
}

void TScriptedEventSource::MoveMouse(int32_t x, int32_t y)
{
    TEvent e;
    e.id = EVENT_MOUSEMOVE;
    e.x = x;
    e.y = y;
    _moves.push_back(e);
}

int32_t TScriptedEventSource::LastFrame() const { return _events.empty() ? -1 : _events.back().frame; }

TScriptClock::TScriptClock(const std::vector<TScriptEntry>& entries, std::shared_ptr<TVirtualClock> base)
    : _base(base ? std::move(base) : std::make_shared<TVirtualClock>())
{
    for (const auto& e : entries)
        if (e.isClock) _readings.push_back(e.ms);
}

int32_t TScriptClock::Millisecs()
{
    if (_next >= _readings.size()) return _base->Millisecs();
    const int32_t reading = _readings[_next++];
    // Carry the virtual clock up to the reading so time goes on from there once the file ends.
    const auto ahead = static_cast<int32_t>(static_cast<uint32_t>(reading) - static_cast<uint32_t>(_base->Millisecs()));
    if (ahead > 0) _base->Advance(ahead);
    return reading;
}

// ---- Recording

std::shared_ptr<TScriptRecorder> TScriptRecorder::Create(const std::string& path, std::string& error)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    auto recorder = std::shared_ptr<TScriptRecorder>(new TScriptRecorder(f, path));
    std::fputs("# Krellix input recording: FRAME EVENT ARGS\n", f);
    std::fflush(f);
    return recorder;
}

TScriptRecorder::~TScriptRecorder() { std::fclose(_file); }

void TScriptRecorder::Append(const TScriptEntry& entry)
{
    if (!_ok) return;
    const std::string line = FormatScriptEntry(entry) + "\n";
    if (std::fputs(line.c_str(), _file) < 0 || std::fflush(_file) != 0) {
        _ok = false;
        ReportProblem("recording to " + _path + " stopped: " + std::strerror(errno));
    }
}

TRecordingEventSource::TRecordingEventSource(std::shared_ptr<TEventSource> inner, TScriptRecorderPtr recorder,
                                             TFrameCounterPtr frames)
    : _inner(std::move(inner)), _recorder(std::move(recorder)), _frames(std::move(frames))
{
}

void TRecordingEventSource::PollEvents()
{
    // The tap sees every event the inner source hands to the input handler during this poll;
    // an observer that was already tapping keeps seeing them.
    std::function<void(const TEvent&)> previous;
    previous = SetInputEventTap([this, &previous](const TEvent& e) {
        if (previous) previous(e);
        if (!EventIsScriptable(e)) return;
        TScriptEntry entry;
        entry.frame = _frames->Flips();
        entry.event = e;
        _recorder->Append(entry);
    });
    struct TRestore {
        std::function<void(const TEvent&)>& tap;
        ~TRestore() { SetInputEventTap(std::move(tap)); }
    } restore{previous};
    _inner->PollEvents();
}

TRecordingClock::TRecordingClock(std::shared_ptr<TClock> inner, TScriptRecorderPtr recorder, TFrameCounterPtr frames)
    : _inner(std::move(inner)), _recorder(std::move(recorder)), _frames(std::move(frames))
{
}

int32_t TRecordingClock::Millisecs()
{
    TScriptEntry entry;
    entry.frame = _frames->Flips();
    entry.isClock = true;
    entry.ms = _inner->Millisecs();
    _recorder->Append(entry);
    return entry.ms;
}
