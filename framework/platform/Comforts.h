// Keys the game never sees: F5/F6 the music's volume, F7/F8 the effects', F12 a screenshot; and
// the one-line note each leaves on screen for a moment.
#pragma once

#include "framework/graphics/Pixmap.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

// Where screenshots go, gathered once from the process so that the choice is testable.
struct TPicturesEnvironment {
    std::string picturesDir;   // $XDG_PICTURES_DIR as set, possibly empty
    std::string userDirsText;  // the text of $XDG_CONFIG_HOME/user-dirs.dirs (or ~/.config's), possibly empty
    std::string home;
};
TPicturesEnvironment CurrentPicturesEnvironment();

// The player's pictures folder as the desktop names it: $XDG_PICTURES_DIR, else the
// XDG_PICTURES_DIR line of user-dirs.dirs, else HOME/Pictures; with appName appended.
std::string PicturesFolder(const TPicturesEnvironment& environment, const std::string& appName);

// Saves the picture as a PNG in folder (made with its parents when missing), named after the time
// ("krellix-2026-12-10-014503.png", then "-2", "-3", ... when taken); never replaces a file.
// False with a one-line error otherwise.
bool SaveScreenshot(const TPixmap& picture, const std::string& folder, const std::tm& time, std::string& path,
                    std::string& error);

// The comfort keys of one process. Volumes step by 10 % and apply at once to the audio layer.
class TComforts {
public:
    using TClockNow = std::function<std::chrono::steady_clock::time_point()>;
    explicit TComforts(TClockNow now = std::chrono::steady_clock::now) : _now(std::move(now)) {}

    // A key pressed (a TEvent virtual key): true when it is one of ours, which it then performs.
    bool Press(int32_t virtualKey);
    // Before a live frame is presented: saves the screenshot asked for (the game's picture alone).
    void BeforePresent();
    // The note to draw over the picture now: white text on a dark box, or null when none shows.
    TPixmapPtr Note();
    void ShowNote(const std::string& text);
    // The window shows the note that is due (or none when none is): nothing to present for it.
    bool NoteUpToDate() { return Note() == _noteOnScreen; }
    void SetNoteOnScreen(TPixmapPtr note) { _noteOnScreen = std::move(note); }

    // Where screenshots go; empty: they are refused with a note.
    void SetPicturesFolder(std::string folder) { _picturesFolder = std::move(folder); }
    // Called after a volume changed, to remember it.
    void SetOnVolumeChange(std::function<void()> changed) { _onVolumeChange = std::move(changed); }

private:
    void StepVolume(bool music, int32_t step);

    TClockNow _now;
    std::string _picturesFolder;
    std::function<void()> _onVolumeChange;
    bool _shotRequested = false;
    std::string _noteText;
    std::chrono::steady_clock::time_point _noteUntil{};
    TPixmapPtr _notePicture;
    TPixmapPtr _noteOnScreen;
};

// The process's comfort keys, used by the live window's events and presents.
TComforts& CurrentComforts();

// Draws the process's note, if one is due, over the picture where it lies in the window's
// drawable (a letterbox box in a drawable drawableHeight pixels high): in the picture's bottom
// right corner, beside the play-field, enlarged with the picture. Leaves the GL state as it was.
struct TLetterbox;
void DrawNoteOverlay(const TLetterbox& picture, int32_t pictureHeight, int32_t drawableHeight);
