// The comfort keys: volume steps, screenshots into the pictures folder, and their notes.
#include "framework/platform/Comforts.h"

#include "framework/audio/Audio.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/Platform.h"
#include "framework/system/Report.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr int32_t VolumeStep = 10;
constexpr auto NoteTime = std::chrono::milliseconds(1200);
constexpr int32_t NotePadding = 4;

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The value of XDG_PICTURES_DIR="..." in user-dirs.dirs, with $HOME expanded; empty when absent.
std::string PicturesFromUserDirs(const std::string& text, const std::string& home)
{
    std::istringstream lines(text);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        const std::string key = "XDG_PICTURES_DIR=\"";
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        const size_t end = line.rfind('"');
        if (end <= start + key.size() - 1) continue;
        std::string value = line.substr(start + key.size(), end - start - key.size());
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        // Only absolute paths count; the last line wins, as in the desktop's own reader.
        if (!value.empty() && value[0] == '/') found = value;
    }
    return found;
}

}  // namespace

TPicturesEnvironment CurrentPicturesEnvironment()
{
    TPicturesEnvironment environment;
    environment.picturesDir = EnvironmentText("XDG_PICTURES_DIR");
    environment.home = EnvironmentText("HOME");
    std::string config = EnvironmentText("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') config = environment.home.empty() ? "" : environment.home + "/.config";
    if (!config.empty()) {
        std::ifstream in(config + "/user-dirs.dirs");
        std::ostringstream text;
        if (in) text << in.rdbuf();
        environment.userDirsText = text.str();
    }
    return environment;
}

std::string PicturesFolder(const TPicturesEnvironment& environment, const std::string& appName)
{
    std::string base = environment.picturesDir;
    if (base.empty() || base[0] != '/') base = PicturesFromUserDirs(environment.userDirsText, environment.home);
    if (base.empty() && !environment.home.empty()) base = environment.home + "/Pictures";
    if (base.empty()) return "";
    return (fs::path(base) / appName).lexically_normal().string();
}

bool SaveScreenshot(const TPixmap& picture, const std::string& folder, const std::tm& time, std::string& path,
                    std::string& error)
{
    std::error_code failure;
    fs::create_directories(folder, failure);
    if (failure || !fs::is_directory(folder)) {
        error = "cannot save the screenshot in " + folder + ": " +
                (failure ? failure.message() : std::string("not a folder"));
        return false;
    }
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &time);
    for (int32_t attempt = 1; attempt < 1000; ++attempt) {
        // Built by append: GCC 12 warns wrongly about "literal" + std::string at -O3.
        std::string name = std::string("krellix-").append(stamp);
        if (attempt > 1) name.append("-").append(std::to_string(attempt));
        name.append(".png");
        const std::string candidate = (fs::path(folder) / name).string();
        struct stat existing {};
        if (lstat(candidate.c_str(), &existing) == 0) continue;
        if (!SavePixmapPng(picture, candidate, error)) return false;
        path = candidate;
        return true;
    }
    error = "cannot save the screenshot in " + folder + ": too many taken this second";
    return false;
}

bool TComforts::Press(int32_t virtualKey)
{
    switch (virtualKey) {
    case 116:  // F5
        StepVolume(true, -VolumeStep);
        return true;
    case 117:  // F6
        StepVolume(true, VolumeStep);
        return true;
    case 118:  // F7
        StepVolume(false, -VolumeStep);
        return true;
    case 119:  // F8
        StepVolume(false, VolumeStep);
        return true;
    case 123:  // F12
        _shotRequested = true;
        return true;
    default:
        return false;
    }
}

void TComforts::StepVolume(bool music, int32_t step)
{
    const TSoundGroup group = music ? TSoundGroup::Music : TSoundGroup::Effects;
    const int32_t before = GroupVolume(group);
    SetGroupVolume(group, before + step);
    ShowNote(std::string(music ? "Music " : "Effects ") + std::to_string(GroupVolume(group)) + " %");
    if (GroupVolume(group) != before && _onVolumeChange) _onVolumeChange();
}

void TComforts::BeforePresent()
{
    if (!_shotRequested) return;
    _shotRequested = false;
    if (_picturesFolder.empty()) {
        ReportProblem("cannot save the screenshot: no pictures folder (HOME is not set)");
        ShowNote("Screenshot failed");
        return;
    }
    const TPixmapPtr picture = GrabPixmap(0, 0, GraphicsWidth(), GraphicsHeight());
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::string path;
    std::string error;
    if (!picture) {
        ReportProblem("cannot save the screenshot: no picture to save");
        ShowNote("Screenshot failed");
    } else if (!SaveScreenshot(*picture, _picturesFolder, local, path, error)) {
        ReportProblem(error);
        ShowNote("Screenshot failed");
    } else {
        // Short enough to read at a glance: the home folder as ~.
        const std::string home = EnvironmentText("HOME");
        if (!home.empty() && home != "/" && path.rfind(home + "/", 0) == 0)
            path = std::string("~").append(path, home.size());
        ShowNote(std::string("Saved ").append(path));
    }
}

void TComforts::ShowNote(const std::string& text)
{
    if (text != _noteText) _notePicture.reset();
    _noteText = text;
    _noteUntil = _now() + NoteTime;
}

TPixmapPtr TComforts::Note()
{
    if (_noteText.empty() || _now() >= _noteUntil) return nullptr;
    if (_notePicture) return _notePicture;
    const TImageFontPtr font = BuiltinImageFont();
    const int32_t advance = 8;
    const int32_t height = 16;
    const auto count = static_cast<int32_t>(_noteText.size());
    _notePicture = TPixmap::Create(count * advance + 2 * NotePadding, height + 2 * NotePadding, PIXFMT_RGBA8888);
    _notePicture->ClearPixels(0xB0000000u);
    for (int32_t i = 0; i < count; ++i) {
        const auto code = static_cast<uint8_t>(_noteText[static_cast<size_t>(i)]);
        const int32_t index = font->CharToGlyph(code >= 32 && code < 128 ? code : '?');
        const TImageGlyph& glyph = font->LoadGlyph(index);
        if (!glyph._image) continue;
        const TPixmapPtr pixels = glyph._image->Pixmap(0);
        for (int32_t y = 0; pixels && y < pixels->height; ++y)
            for (int32_t x = 0; x < pixels->width; ++x)
                if (pixels->ReadPixel(x, y) >> 24)
                    _notePicture->WritePixel(NotePadding + i * advance + x, NotePadding + y, 0xFFFFFFFFu);
    }
    return _notePicture;
}

TComforts& CurrentComforts()
{
    static TComforts comforts;
    return comforts;
}
