// Program entry: the command line, then the game's start-up, menu and shut-down.
#include "framework/platform/Harness.h"
#include "game/Krellix.h"
#include "game/LevelData.h"

#include <string>

int main(int argc, char** argv)
{
    THarnessGame game;
    game.main = KrellixMain;
    game.traceFields = GameTraceFields;
    game.version = KRELLIX_VERSION;
    game.title = "Krellix";
    game.iconName = "krellix";
    game.folders = {KRELLIX_INSTALLED_DATA, "krellix"};
    game.levels = LevelCount;
    game.about = "Krellix, a brick-breaker arcade game. Without options it runs full screen at 1024x768.";
    game.controls = "Keys: mouse or Left/Right to steer; Space, Enter or the left button to launch and fire;\n"
                    "M switches the arrow keys' paddle mode; P pauses (so does leaving the window) and Space\n"
                    "resumes; Escape held leaves the game; Alt+Enter or F11 switch between full screen and\n"
                    "a window, which can be resized. A game controller works as soon as it is plugged in:\n"
                    "stick or d-pad to steer and move in the menu, A as Space, B as Escape, Start to pause\n"
                    "and resume. F5/F6 turn the music down/up, F7/F8 the effects and spoken cues, in steps of\n"
                    "10 %; F12 saves a screenshot in the pictures folder. The game never sees these keys.\n";
    game.tables = std::string("The player table ") + UserFile + " and the high-score table " + HighScoreFile;
    return RunHarness(argc, argv, game);
}
