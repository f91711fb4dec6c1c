// The settings file: its text, where it lives, and reading and writing it safely.
#include "framework/platform/Settings.h"

#include "framework/system/Report.h"
#include "framework/system/TableFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* Header = "# Krellix settings";
constexpr const char* EndLine = "end";
// The file is a few dozen bytes; anything much larger is not ours.
constexpr std::streamsize MaxSettingsSize = 4096;

bool ParseNumber(const std::string& text, int32_t low, int32_t high, int32_t& value)
{
    const char* end = text.data() + text.size();
    auto [next, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && next == end && !text.empty() && value >= low && value <= high;
}

bool ParseValue(const std::string& key, const std::string& value, TSettings& settings)
{
    if (key == "music") return ParseNumber(value, 0, 100, settings.musicVolume);
    if (key == "effects") return ParseNumber(value, 0, 100, settings.effectsVolume);
    if (key == "screen") {
        if (value != "full" && value != "window") return false;
        settings.fullScreen = value == "full";
        return true;
    }
    if (key == "window") {
        const size_t x = value.find('x');
        return x != std::string::npos && ParseNumber(value.substr(0, x), 0, 65535, settings.windowWidth) &&
               ParseNumber(value.substr(x + 1), 0, 65535, settings.windowHeight);
    }
    return false;
}

}  // namespace

std::string FormatSettings(const TSettings& settings)
{
    std::ostringstream text;
    text << Header << ", written by the game when they change\n"
         << "music " << settings.musicVolume << "\n"
         << "effects " << settings.effectsVolume << "\n"
         << "screen " << (settings.fullScreen ? "full" : "window") << "\n"
         << "window " << settings.windowWidth << "x" << settings.windowHeight << "\n"
         << EndLine << "\n";
    return text.str();
}

bool ParseSettings(const std::string& text, TSettings& settings, std::string& error)
{
    if (text.rfind(Header, 0) != 0) {
        error = "is not a Krellix settings file";
        return false;
    }
    const std::string ending = std::string("\n") + EndLine + "\n";
    if (text.size() < ending.size() || text.compare(text.size() - ending.size(), ending.size(), ending) != 0) {
        error = "is cut short";
        return false;
    }
    TSettings read;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    int32_t number = 1;
    while (std::getline(lines, line)) {
        ++number;
        if (line == EndLine) break;
        const size_t space = line.find(' ');
        if (space == std::string::npos || !ParseValue(line.substr(0, space), line.substr(space + 1), read)) {
            error = "is damaged at line " + std::to_string(number);
            return false;
        }
    }
    settings = read;
    return true;
}

std::string ConfigSettingsPath(const std::string& xdgConfigHome, const std::string& home, const std::string& appName)
{
    fs::path base;
    if (fs::path(xdgConfigHome).is_absolute())
        base = xdgConfigHome;
    else if (!home.empty())
        base = fs::path(home) / ".config";
    else
        return "";
    return (base / appName / "settings").lexically_normal().string();
}

TSettings TSettingsFile::Load()
{
    _saved = TSettings{};
    auto unreadable = [&](const std::string& why) {
        ReportProblem("cannot read the settings " + _path + ": " + why + "; using the defaults");
        _keep = true;
        return _saved;
    };
    struct stat status {};
    if (::stat(_path.c_str(), &status) != 0) return errno == ENOENT ? _saved : unreadable(std::strerror(errno));
    if (S_ISDIR(status.st_mode)) return unreadable("it is a folder");
    std::ifstream in(_path, std::ios::binary);
    if (!in) return unreadable(std::strerror(errno));
    std::vector<char> bytes(MaxSettingsSize + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return unreadable("a read error");
    const std::string text(bytes.data(), static_cast<size_t>(in.gcount()));
    std::string error;
    TSettings read;
    if (in.gcount() > MaxSettingsSize || !ParseSettings(text, read, error)) {
        if (error.empty()) error = "is too large for a Krellix settings file";
        ReportProblem("the settings " + _path + " " + error + "; using the defaults (it is kept as " + _path +
                      ".bak when the settings are next saved)");
        _moveAside = true;
        return _saved;
    }
    _saved = read;
    return _saved;
}

bool TSettingsFile::Save(const TSettings& settings)
{
    if (_keep || (settings == _saved && !_moveAside)) return false;
    auto fail = [&](const std::string& why) {
        if (!_reported) ReportProblem("cannot save the settings " + _path + ": " + why);
        _reported = true;
        return false;
    };
    // Read-only as the tables count it: no write permission at all, or none for this process.
    struct stat status {};
    if (::stat(_path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
         (::access(_path.c_str(), W_OK) != 0 && errno == EACCES)))
        return fail("the file is read-only");
    std::error_code failure;
    fs::create_directories(fs::path(_path).parent_path(), failure);
    if (failure) return fail(failure.message());
    if (_moveAside) {
        if (std::rename(_path.c_str(), (_path + ".bak").c_str()) != 0 && errno != ENOENT)
            return fail(std::string("cannot keep the old file as .bak: ") + std::strerror(errno));
        _moveAside = false;
    }
    const std::string text = FormatSettings(settings);
    std::string error;
    if (!ReplaceFileAtomically(_path, text.data(), text.size(), error)) return fail(error);
    _saved = settings;
    return true;
}
