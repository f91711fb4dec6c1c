// The player's settings kept between runs: the two volumes and the window as last left.
#pragma once

#include <cstdint>
#include <string>

struct TSettings {
    int32_t musicVolume = 100;    // percent
    int32_t effectsVolume = 100;  // percent
    bool fullScreen = true;
    int32_t windowWidth = 0;  // 0: the picture's own size
    int32_t windowHeight = 0;

    bool operator==(const TSettings&) const = default;
};

// The file's text, and back: false with the reason (the file is foreign, or damaged at a line).
// A file that does not end with its end line was cut short and is damaged too.
std::string FormatSettings(const TSettings& settings);
bool ParseSettings(const std::string& text, TSettings& settings, std::string& error);

// $XDG_CONFIG_HOME/appName/settings when XDG_CONFIG_HOME is absolute, else
// HOME/.config/appName/settings; empty without a home folder.
std::string ConfigSettingsPath(const std::string& xdgConfigHome, const std::string& home, const std::string& appName);

// The settings file of one run. Load reports in one line a file it cannot use and gives the
// defaults then: one it cannot read (a folder, no permission) is left alone for the run; a foreign
// or damaged one is moved aside to its name + ".bak" at the first save. Save writes only a change,
// atomically, making the folder when missing; a read-only file is not written over, and a failure
// is reported once.
class TSettingsFile {
public:
    explicit TSettingsFile(std::string path) : _path(std::move(path)) {}
    TSettings Load();
    bool Save(const TSettings& settings);
    const std::string& Path() const { return _path; }

private:
    std::string _path;
    TSettings _saved;
    bool _keep = false;
    bool _moveAside = false;
    bool _reported = false;
};
