// The harness of a run: the clock and input set-up, the flip hooks that count frames, take
// screenshots, write the trace and end the run, and the program frame around the game.
#include "framework/platform/Harness.h"

#include "framework/audio/Audio.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/GLDriver.h"
#include "framework/platform/Comforts.h"
#include "framework/platform/InputWrappers.h"
#include "framework/platform/Platform.h"
#include "framework/platform/Settings.h"
#include "framework/system/Memory.h"
#include "framework/system/Report.h"
#include "framework/system/TableFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <unistd.h>

namespace {

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

}  // namespace

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
    if (_beforeFlipHook != 0) RemoveFlipHook(_beforeFlipHook);
    if (_afterFlipHook != 0) RemoveFlipHook(_afterFlipHook);
}

bool THarness::Start(const THarnessOptions& options, const THarnessPlatform& platform, std::string& error)
{
    _options = options;
    _shotTaken.assign(options.shots.size(), false);

    std::vector<TScriptEntry> entries;
    std::error_code notAPipe;
    if (!options.inputPath.empty() && std::filesystem::is_fifo(options.inputPath, notAPipe)) {
        // Waits here until a writer opens the pipe; its lines are read as the frames need them.
        auto stream = std::make_unique<std::ifstream>(options.inputPath, std::ios::binary);
        if (!*stream) {
            error = "cannot read " + options.inputPath + ": " + std::strerror(errno);
            return false;
        }
        _script = std::make_shared<TScriptedEventSource>(std::move(stream), options.inputPath);
    } else if (!options.inputPath.empty()) {
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
        if (!_script) _script = std::make_shared<TScriptedEventSource>(entries);
        source = ScriptInput(_script, hasClock, platform.liveEvents,
                             platform.liveEvents ? platform.discardLiveEvents : nullptr);
        source = BatchedPerFrame(WithTerminationSignals(source), _frames);
    } else {
        source = WithTerminationSignals(platform.liveEvents);
        if (_recorder) source = BatchedPerFrame(source, _frames);
    }
    if (_recorder) source = std::make_shared<TRecordingEventSource>(source, _recorder, _frames);

    SetClock(_clock);
    SetEventSource(source);
    if (platform.provider) SetGLContextProvider(MarkDisplayOpening(platform.provider, _clock));
    // Every quad on its own and every frame whole: the same pictures, drawn the slow plain way,
    // for telling a drawing fault of the shortcuts from one of the renderer.
    if (const char* plain = std::getenv("KRELLIX_PLAIN_DRAWING"); plain && std::string(plain) == "1")
        TGLDraw2DDriver::Instance()->SetFastPaths(false);
    _beforeFlipHook = AddFlipHook([this] { BeforeFlip(); });
    _afterFlipHook = AddPostFlipHook([this] { AfterFlip(); });
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
    KeepFreedMemoryForReuse();
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
    const int32_t comfortsHook = options.headless ? 0 : AddFlipHook([] { CurrentComforts().BeforePresent(); });
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
    if (comfortsHook != 0) RemoveFlipHook(comfortsHook);
    return status;
}
