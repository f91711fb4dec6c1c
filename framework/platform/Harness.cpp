// The command-line harness: option parsing, the clock and input set-up of a run, the flip hooks
// that count frames, take screenshots, write the trace and end the run, and the program frame.
#include "framework/platform/Harness.h"

#include "framework/audio/Audio.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/GLDriver.h"
#include "framework/platform/Comforts.h"
#include "framework/platform/Platform.h"
#include "framework/platform/Settings.h"
#include "framework/system/Report.h"
#include "framework/system/TableFolder.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <tuple>

#include <unistd.h>

namespace {

bool ParseWholeNumber(const std::string& text, int32_t low, int32_t high, int32_t& value)
{
    const char* end = text.data() + text.size();
    auto [next, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && next == end && !text.empty() && value >= low && value <= high;
}

// The options that take a value, and whether they do.
bool TakesValue(const std::string& name)
{
    return name == "--input" || name == "--record" || name == "--frames" || name == "--shot" || name == "--trace" ||
           name == "--data" || name == "--level";
}

bool IsFlag(const std::string& name)
{
    return name == "--window" || name == "--fullscreen" || name == "--headless" || name == "--help" || name == "-h" ||
           name == "--version";
}

bool ApplyValue(const std::string& name, const std::string& value, int32_t levels, THarnessOptions& options,
                std::string& error)
{
    if (value.empty()) {
        error = name + " needs a value";
        return false;
    }
    if (name == "--frames") {
        if (!ParseWholeNumber(value, 1, INT32_MAX, options.frames)) {
            error = "--frames needs a whole number of at least 1, not '" + value + "'";
            return false;
        }
    } else if (name == "--level") {
        if (!ParseWholeNumber(value, 1, levels, options.level)) {
            error = "--level needs a level from 1 to " + std::to_string(levels) + ", not '" + value + "'";
            return false;
        }
    } else if (name == "--shot") {
        const size_t colon = value.find(':');
        TShotRequest shot;
        if (colon == std::string::npos || colon + 1 == value.size() ||
            !ParseWholeNumber(value.substr(0, colon), 1, INT32_MAX, shot.frame)) {
            error = "--shot needs FRAME:FILE.png with a frame of at least 1, not '" + value + "'";
            return false;
        }
        shot.path = value.substr(colon + 1);
        options.shots.push_back(shot);
    } else if (name == "--input") {
        options.inputPath = value;
    } else if (name == "--record") {
        options.recordPath = value;
    } else if (name == "--trace") {
        options.tracePath = value;
    } else if (name == "--data") {
        options.dataDir = value;
    }
    return true;
}

std::string Absolute(const std::string& path)
{
    if (path.empty()) return path;
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.string();
}

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    text = buffer.str();
    return true;
}

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

bool ParseHarnessOptions(const std::vector<std::string>& args, int32_t levels, THarnessOptions& options,
                         THarnessAction& action, std::string& error)
{
    options = THarnessOptions{};
    action = THarnessAction::Run;
    bool help = false;
    bool version = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (name.rfind("--", 0) == 0) {
            if (const size_t equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
                inlineValue = true;
            }
        }
        if (TakesValue(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = name + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            if (!ApplyValue(name, value, levels, options, error)) return false;
        } else if (IsFlag(name) && !inlineValue) {
            if (name == "--window")
                options.window = true;
            else if (name == "--fullscreen")
                options.fullScreen = true;
            else if (name == "--headless")
                options.headless = true;
            else if (name == "--version")
                version = true;
            else
                help = true;
        } else if (IsFlag(name)) {
            error = name + " takes no value";
            return false;
        } else if (name.rfind("-", 0) == 0) {
            error = "unknown option '" + args[i] + "' (see --help)";
            return false;
        } else {
            error = "unexpected argument '" + name + "' (see --help)";
            return false;
        }
    }
    for (const auto& [set, a, b] : {std::tuple(options.window && options.headless, "--window", "--headless"),
                                    std::tuple(options.fullScreen && options.headless, "--fullscreen", "--headless"),
                                    std::tuple(options.window && options.fullScreen, "--window", "--fullscreen")}) {
        if (!set) continue;
        error = std::string(a) + " and " + b + " cannot be used together";
        return false;
    }
    if (!options.inputPath.empty() && options.inputPath == options.recordPath) {
        error = "--input and --record name the same file";
        return false;
    }
    if (help)
        action = THarnessAction::Help;
    else if (version)
        action = THarnessAction::Version;
    return true;
}

std::string HarnessUsage(const THarnessGame& game, const std::string& installedData, const std::string& playerData)
{
    const std::string installed = installedData.empty() ? "the installed share/krellix" : installedData;
    const std::string player = playerData.empty() ? "~/.local/share/krellix" : playerData;
    std::string usage = "Usage: krellix [OPTION]...\n" + game.about +
                        "\n"
                        "\n"
                        "  --window           play in a window instead of the full screen\n"
                        "  --fullscreen       play on the full screen, whatever the last run was left in\n"
                        "  --headless         no window and no sound device: draw offscreen on a virtual clock\n"
                        "                     that starts at 0 and moves only with the frames (16 or 17 ms each,\n"
                        "                     1000 ms per 60 frames) and with the game's own waits\n"
                        "  --input FILE       take the input from FILE instead of the keyboard and mouse; one\n"
                        "                     event per line, 'FRAME EVENT ARGS', '#' starts a comment:\n"
                        "                       keydown K, keyup K, char C, mousemove X Y, mousedown B,\n"
                        "                       mouseup B, wheel D, focus 0|1, close, clock MS\n"
                        "                     an event of frame F is seen after the F-th frame (0: from the\n"
                        "                     start); 'clock' lines are the readings of the millisecond clock,\n"
                        "                     and a file holding them replays a recording exactly\n"
                        "  --record FILE      write every input event and clock reading of the run to FILE in\n"
                        "                     the --input format\n"
                        "  --frames N         end the program right after the N-th frame (tables not saved)\n"
                        "  --shot N:FILE.png  save the picture of the N-th frame as a PNG (repeatable)\n"
                        "  --trace FILE       write one JSON object per frame to FILE (\"frame\", \"ms\",\n"
                        "                     \"screen\", and the menu's and the game's state)\n"
                        "  --data DIR         the folder holding images/ and sounds/, where the tables are kept\n"
                        "                     too (default: see Files below)\n"
                        "  --level N          skip the intro and the menu: play one game from level N\n"
                        "                     (1 to " +
                        std::to_string(game.levels) +
                        "), then save and end\n"
                        "  --help             show this help and end\n"
                        "  --version          show the version and end\n"
                        "\n" +
                        game.controls +
                        "\n"
                        "Frames count the game's presented pictures: the first is the blank start-up frame, the\n"
                        "second shows \"Loading...\". With --headless, --input or --record the input is taken\n"
                        "once per frame, so that runs repeat exactly.\n"
                        "Closing the window, SIGINT and SIGTERM end the game as Quit does: the tables are saved.\n"
                        "\n"
                        "Files: the pictures and sounds are read from images/ and sounds/ in the folder given\n"
                        "with --data, else in the current folder when it holds images/, else in\n";
    usage += "  " + installed + "\n";
    usage += game.tables + " are read at the start\n"
                           "and saved when the game ends normally: beside the pictures when they came from --data or\n"
                           "the current folder, else in the player's own folder ($XDG_DATA_HOME/krellix when\n"
                           "XDG_DATA_HOME is set, else ~/.local/share/krellix), made on the first save:\n";
    usage += "  " + player + "\n";
    usage += "The volumes and the window as last left are kept in the settings file\n"
             "$XDG_CONFIG_HOME/krellix/settings (else ~/.config/krellix/settings), or beside the tables\n"
             "of a --data folder; runs with --headless, --input or --record leave it alone. F12 saves\n"
             "screenshots in the pictures folder (xdg-user-dir PICTURES, else ~/Pictures) under Krellix/.\n";
    usage += "\n"
             "Exit status: 0 on success, 1 when no display is available or no game data is found, or\n"
             "when the display is lost (the tables are saved first, as for a closed window), 2 on a\n"
             "bad command line or unusable file, 255 when the game stops on an error.\n";
    return usage;
}

void THarnessClock::Sleep(int32_t ms)
{
    if (_inGraphics) {
        _pacing->Sleep(ms);
        return;
    }
    _game->Sleep(ms);
    if (_waitReally) _pacing->Sleep(ms);
}

THarness::~THarness()
{
    if (_hooksInstalled) ClearFlipHooks();
}

bool THarness::Start(const THarnessOptions& options, const THarnessPlatform& platform, std::string& error)
{
    _options = options;
    _shotTaken.assign(options.shots.size(), false);

    std::vector<TScriptEntry> entries;
    if (!options.inputPath.empty()) {
        std::string text;
        if (!ReadWholeFile(options.inputPath, text, error)) return false;
        std::string parseError;
        if (!ParseInputScript(text, entries, parseError)) {
            error = options.inputPath + ": " + parseError;
            return false;
        }
    }
    bool hasClock = false;
    for (const TScriptEntry& entry : entries) hasClock = hasClock || entry.isClock;

    if (!options.recordPath.empty()) {
        _recorder = TScriptRecorder::Create(options.recordPath, error);
        if (!_recorder) return false;
    }
    if (!options.tracePath.empty()) {
        _trace.reset(std::fopen(options.tracePath.c_str(), "wb"));
        if (!_trace) {
            error = "cannot create " + options.tracePath + ": " + std::strerror(errno);
            return false;
        }
        _tracePath = options.tracePath;
    }

    // The clock: replayed readings, or the platform's clock, recorded when asked.
    std::shared_ptr<TClock> pacing = platform.clock;
    std::shared_ptr<TClock> game = platform.clock;
    bool waitReally = false;
    if (hasClock) {
        auto base = platform.virtualClock ? platform.virtualClock : std::make_shared<TVirtualClock>(0);
        game = std::make_shared<TScriptClock>(entries, base);
        if (platform.virtualClock)
            pacing = base;
        else
            waitReally = true;
    }
    if (_recorder) game = std::make_shared<TRecordingClock>(game, _recorder, _frames);
    _clock = std::make_shared<THarnessClock>(game, pacing, waitReally);

    // The input: the script, else the window's events; a headless run without a script gets an
    // empty one, which still answers pointer moves. Scripted and recorded input is taken once per
    // frame; live play without a recording sees every event at the next query, as designed.
    std::shared_ptr<TEventSource> source;
    if (!options.inputPath.empty() || !platform.liveEvents) {
        _script = std::make_shared<TScriptedEventSource>(entries);
        source = std::make_shared<TScriptInput>(_script, hasClock, platform.liveEvents,
                                                platform.liveEvents ? platform.discardLiveEvents : nullptr);
        source = std::make_shared<TFrameBatchedEvents>(std::make_shared<TSignalledEvents>(source), _frames);
    } else {
        source = std::make_shared<TSignalledEvents>(platform.liveEvents);
        if (_recorder) source = std::make_shared<TFrameBatchedEvents>(source, _frames);
    }
    if (_recorder) source = std::make_shared<TRecordingEventSource>(source, _recorder, _frames);

    SetClock(_clock);
    SetEventSource(source);
    if (platform.provider) SetGLContextProvider(std::make_shared<TMarkingProvider>(platform.provider, _clock));
    // Every quad on its own and every frame whole: the same pictures, drawn the slow plain way,
    // for telling a drawing fault of the shortcuts from one of the renderer.
    if (const char* plain = std::getenv("KRELLIX_PLAIN_DRAWING"); plain && std::string(plain) == "1")
        TGLDraw2DDriver::Instance()->SetFastPaths(false);
    AddFlipHook([this] { BeforeFlip(); });
    AddPostFlipHook([this] { AfterFlip(); });
    _hooksInstalled = true;
    return true;
}

void THarness::BeforeFlip()
{
    _clock->SetInGraphics(true);
    TakeShots();
}

void THarness::AfterFlip()
{
    _clock->SetInGraphics(false);
    // The picture just presented is frame n; events of frame n are seen from now on.
    const int32_t frame = _frames->Flips() + 1;
    _frames->Set(frame);
    if (_script) _script->SetFrame(frame);
    WriteTrace();
    if (_options.frames > 0 && frame >= _options.frames) throw TFrameLimitReached{frame};
}

void THarness::TakeShots()
{
    const int32_t frame = _frames->Flips() + 1;
    TPixmapPtr picture;
    for (size_t i = 0; i < _options.shots.size(); ++i) {
        if (_options.shots[i].frame != frame) continue;
        if (!picture) picture = GrabPixmap(0, 0, GraphicsWidth(), GraphicsHeight());
        std::string error;
        if (!picture) {
            ReportProblem("no picture to save as " + _options.shots[i].path);
        } else if (!SavePixmapPng(*picture, _options.shots[i].path, error)) {
            ReportProblem(error);
        } else {
            _shotTaken[i] = true;
        }
    }
}

void THarness::WriteTrace()
{
    if (!_trace) return;
    std::string line =
        "{\"frame\":" + std::to_string(_frames->Flips()) + ",\"ms\":" + std::to_string(_clock->PacingMillisecs());
    if (_traceFields) {
        const std::string fields = _traceFields();
        if (!fields.empty()) line += "," + fields;
    }
    line += "}\n";
    if (std::fputs(line.c_str(), _trace.get()) < 0 || std::fflush(_trace.get()) != 0) {
        ReportProblem("trace to " + _tracePath + " stopped: " + std::strerror(errno));
        _trace.reset();
    }
}

bool THarness::Finish()
{
    _trace.reset();
    _recorder.reset();
    bool complete = true;
    for (size_t i = 0; i < _options.shots.size(); ++i) {
        if (_shotTaken[i]) continue;
        if (_options.shots[i].frame > _frames->Flips())
            ReportProblem("the run ended after frame " + std::to_string(_frames->Flips()) + "; " +
                          _options.shots[i].path + " (frame " + std::to_string(_options.shots[i].frame) +
                          ") was not written");
        complete = false;
    }
    return complete;
}

int RunHarness(int argc, char** argv, const THarnessGame& game)
{
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    THarnessOptions options;
    THarnessAction action = THarnessAction::Run;
    std::string error;
    if (!ParseHarnessOptions(args, game.levels, options, action, error)) {
        ReportProblem(error);
        return 2;
    }
    const TFolderEnvironment environment = CurrentFolderEnvironment();
    if (action == THarnessAction::Help) {
        std::cout << HarnessUsage(game, InstalledDataDir(game.folders, environment),
                                  PlayerDataDir(game.folders, environment));
        return 0;
    }
    if (action == THarnessAction::Version) {
        std::cout << "krellix " << game.version << "\n";
        return 0;
    }

    // Files named on the command line are relative to where the program was started, not to --data.
    options.inputPath = Absolute(options.inputPath);
    options.recordPath = Absolute(options.recordPath);
    options.tracePath = Absolute(options.tracePath);
    for (TShotRequest& shot : options.shots) shot.path = Absolute(shot.path);
    TFolders folders;
    if (!FindFolders(options.dataDir, game.folders, environment, folders, error)) {
        ReportProblem(error);
        return options.dataDir.empty() ? 1 : 2;
    }
    // The game loads its pictures and sounds by names relative to the data folder.
    if (chdir(folders.dataDir.c_str()) != 0) {
        ReportProblem("cannot use " + folders.dataDir + " as the data folder: " + std::strerror(errno));
        return 2;
    }
    // Tables beside the data keep their plain names, as they always had.
    SetTableFolder(folders.privateTables ? folders.tableDir : "", folders.privateTables);

    // Ctrl+C or a polite kill ends the game as closing its window does, with the tables saved.
    InstallTerminationSignals();
    // Runs that must repeat exactly neither read nor write the player's settings.
    std::unique_ptr<TSettingsFile> settingsFile;
    TSettings settings;
    if (!options.headless && options.inputPath.empty() && options.recordPath.empty()) {
        const char* xdgConfig = std::getenv("XDG_CONFIG_HOME");
        const std::string path = !options.dataDir.empty() && !folders.privateTables
                                     ? (std::filesystem::path(folders.tableDir) / "settings").string()
                                     : ConfigSettingsPath(xdgConfig ? xdgConfig : "", environment.home, "krellix");
        if (!path.empty()) {
            settingsFile = std::make_unique<TSettingsFile>(path);
            settings = settingsFile->Load();
        }
    }
    SetGroupVolume(TSoundGroup::Music, settings.musicVolume);
    SetGroupVolume(TSoundGroup::Effects, settings.effectsVolume);
    RememberedWindowState() = {settings.fullScreen, settings.windowWidth, settings.windowHeight};
    TComforts& comforts = CurrentComforts();
    comforts.SetPicturesFolder(PicturesFolder(CurrentPicturesEnvironment(), "Krellix"));
    auto saveSettings = [&] {
        if (!settingsFile) return;
        settings.musicVolume = GroupVolume(TSoundGroup::Music);
        settings.effectsVolume = GroupVolume(TSoundGroup::Effects);
        settings.fullScreen = RememberedWindowState().fullScreen;
        settings.windowWidth = RememberedWindowState().width;
        settings.windowHeight = RememberedWindowState().height;
        settingsFile->Save(settings);
    };
    comforts.SetOnVolumeChange(saveSettings);

    THarnessPlatform platform;
    if (options.headless) {
        platform.virtualClock = std::make_shared<TVirtualClock>(0);
        platform.clock = platform.virtualClock;
        platform.provider = CreateSdlGLContextProvider(true);
    } else {
        std::string why;
        if (!DisplayAvailable(why)) {
            ReportProblem("no display available (" + why + "); use --headless");
            return 1;
        }
        platform.clock = CreateRealClock();
        platform.liveEvents = CreateSdlEventSource();
        platform.discardLiveEvents = DiscardSdlEvents;
        const bool window = options.window || (!options.fullScreen && !settings.fullScreen);
        RememberedWindowState().fullScreen = !window;
        platform.provider = CreateSdlGLContextProvider(false, window);
    }

    THarness harness;
    if (!harness.Start(options, platform, error)) {
        ReportProblem(error);
        return 2;
    }
    harness.SetTraceFields(game.traceFields);
    // A screenshot asked for with F12 is the game's picture of the frame about to be shown.
    if (!options.headless) AddFlipHook([] { CurrentComforts().BeforePresent(); });
    if (options.headless)
        SetAudioDriver("Null");
    else
        SetAudioIdentity(game.title, game.iconName);

    int status = 0;
    try {
        status = game.main(options.level);
    } catch (const TFrameLimitReached&) {
        status = 0;
    } catch (const std::exception& failure) {
        // An error the game does not handle ends it, as designed, but the display is restored first.
        std::cerr << failure.what() << "\n";
        status = 255;
    }
    // A screenshot that was asked for and not written fails the run.
    if (!harness.Finish() && status == 0) status = 2;
    // Saved as for a closed window, but the player did not choose to end.
    if (DisplayLost() && status == 0) status = 1;
    EndGraphics();
    ShutdownAudio();
    saveSettings();
    comforts.SetOnVolumeChange(nullptr);
    return status;
}
