// Program entry: the command line, then the game's start-up, menu and shut-down.
#include "framework/platform/Harness.h"
#include "game/Krellix.h"

int main(int argc, char** argv) {
    THarnessGame game;
    game.main = KrellixMain;
    game.traceFields = GameTraceFields;
    game.version = KRELLIX_VERSION;
    game.folders = {KRELLIX_INSTALLED_DATA, "krellix"};
    return RunHarness(argc, argv, game);
}
