// The command-line harness around the game: options, headless runs on a virtual clock, scripted
// and recorded input, screenshots, the per-frame trace and the frame limit.
#pragma once

#include "framework/graphics/Graphics.h"
#include "framework/platform/Folders.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "framework/system/Script.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TShotRequest {
    int32_t frame = 0;
    std::string path;
};

struct THarnessOptions {
    bool window = false;
    bool fullScreen = false;
    bool headless = false;
    std::string inputPath;
    std::string recordPath;
    std::string tracePath;
    std::string dataDir;
    int32_t frames = 0;  // 0: no limit
    int32_t level = 0;   // 0: the normal start
    std::vector<TShotRequest> shots;
};

enum class THarnessAction { Run, Help, Version };

// An option as --help shows it: its name, the value it takes (empty for a flag) and its help,
// one line per line of --help.
struct THarnessOptionInfo {
    std::string_view name;
    std::string_view argument;
    std::string_view help;
};
// Every option, in the order --help lists them.
std::vector<THarnessOptionInfo> HarnessOptionTable();

// Reads the arguments after the program name; --level takes 1 to levels. False with a one-line
// error on an unknown option, a missing or bad value, or options that contradict each other.
bool ParseHarnessOptions(const std::vector<std::string>& args, int32_t levels, THarnessOptions& options,
                         THarnessAction& action, std::string& error);

// The game's clock under the harness. Readings the game takes go to the game clock (recorded, or
// replayed from a script); those taken while the graphics layer opens the display or paces a
// Flip go to the pacing clock, untouched, so that a recording made with one kind of pacing
// replays exactly under another.
class THarnessClock : public TClock {
public:
    // waitReally: sleeps of the game also wait on the pacing clock (a replay shown in a window).
    THarnessClock(std::shared_ptr<TClock> game, std::shared_ptr<TClock> pacing, bool waitReally = false)
        : _game(std::move(game)), _pacing(std::move(pacing)), _waitReally(waitReally)
    {
    }
    int32_t Millisecs() override { return (_inGraphics ? _pacing : _game)->Millisecs(); }
    void Sleep(int32_t ms) override;
    void SetInGraphics(bool inside) { _inGraphics = inside; }
    bool InGraphics() const { return _inGraphics; }
    // The time now without reading the game clock.
    int32_t PacingMillisecs() { return _pacing->Millisecs(); }

private:
    std::shared_ptr<TClock> _game;
    std::shared_ptr<TClock> _pacing;
    bool _waitReally;
    bool _inGraphics = false;
};

// Thrown after the last Flip that --frames asks for; the harness catches it.
struct TFrameLimitReached {
    int32_t frame = 0;
};

// What the run stands on. Headless: a virtual clock and no live events; otherwise the real clock
// and the window's events. The provider may be null when the game draws through a recording driver.
struct THarnessPlatform {
    std::shared_ptr<TClock> clock;
    std::shared_ptr<TVirtualClock> virtualClock;  // set when clock is virtual
    std::shared_ptr<TEventSource> liveEvents;     // null when headless
    std::shared_ptr<TGLContextProvider> provider;
    // Keeps a window alive while its input comes from a script.
    std::function<void()> discardLiveEvents;
};

class THarness {
public:
    THarness() = default;
    ~THarness();
    THarness(const THarness&) = delete;
    THarness& operator=(const THarness&) = delete;

    // Reads the input script, creates the record and trace files, and installs the clock, the event
    // source, the context provider and the flip hooks. False with a one-line error otherwise.
    bool Start(const THarnessOptions& options, const THarnessPlatform& platform, std::string& error);
    // Extra "key":value members for each trace line, supplied by the game.
    void SetTraceFields(std::function<std::string()> fields) { _traceFields = std::move(fields); }
    // Closes the files and reports screenshots that were never taken. False when one is missing.
    bool Finish();

    // The flip hooks: before the picture is presented, and after.
    void BeforeFlip();
    void AfterFlip();
    int32_t Frames() const { return _frames->Flips(); }
    THarnessClock& Clock() { return *_clock; }

private:
    struct TFileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    void WriteTrace();
    void TakeShots();

    THarnessOptions _options;
    TFrameCounterPtr _frames = std::make_shared<TFrameCounter>();
    std::shared_ptr<THarnessClock> _clock;
    std::shared_ptr<TScriptedEventSource> _script;
    TScriptRecorderPtr _recorder;
    std::unique_ptr<std::FILE, TFileCloser> _trace;
    std::string _tracePath;
    std::function<std::string()> _traceFields;
    std::vector<bool> _shotTaken;
    // The flip hooks this harness added, 0 until then; only these are removed at the end.
    int32_t _beforeFlipHook = 0;
    int32_t _afterFlipHook = 0;
};

// The whole program around the game: parses argv, sets up the platform (window or headless),
// runs game(startLevel) and shuts down. Returns the process exit code.
struct THarnessGame {
    std::function<int(int32_t)> main;
    std::function<std::string()> traceFields;
    std::string version;
    // What the desktop's sound mixer shows: the game's name and its desktop entry's icon.
    std::string title;
    std::string iconName;
    // Where an installed copy keeps its data and the name of the player's own folder.
    TFolderRules folders;
    // What the command line and --help say about the game: the highest level --level takes, the
    // line that describes the game, the paragraph on its controls (each line ending in a newline),
    // and the tables it keeps (the subject of "... are read at the start and saved ...").
    int32_t levels = 1;
    std::string about;
    std::string controls;
    std::string tables;
};
int RunHarness(int argc, char** argv, const THarnessGame& game);

// The text of --help, naming the installed data folder and the player's own folder for the tables
// (either may be empty when unknown).
std::string HarnessUsage(const THarnessGame& game, const std::string& installedData, const std::string& playerData);
