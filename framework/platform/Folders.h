// Where the game finds its pictures and sounds and where it keeps its tables: the --data folder,
// the working directory or an installed copy, and the player's own data folder.
#pragma once

#include <string>
#include <vector>

// What the search looks at, gathered once from the process so the search itself is testable.
struct TFolderEnvironment {
    std::string workingDir;   // absolute
    std::string executable;   // absolute path of the running program, empty when unknown
    std::string xdgDataHome;  // $XDG_DATA_HOME as set, possibly empty
    std::string home;         // $HOME, else the home folder of the user's account
};

// installedData: the data folder of an installed game relative to the folder of the executable
// ("../share/krellix"); an absolute path is taken as it is. appName names the player's own folder.
struct TFolderRules {
    std::string installedData;
    std::string appName;
};

struct TFolders {
    std::string dataDir;         // holds images/ and sounds/
    std::string tableDir;        // holds the tables
    bool privateTables = false;  // tableDir is the player's own folder, made with mode 0700 on the first save
};

TFolderEnvironment CurrentFolderEnvironment();

// The installed data folder for this executable, made absolute and tidied; empty when unknown.
std::string InstalledDataDir(const TFolderRules& rules, const TFolderEnvironment& environment);
// $XDG_DATA_HOME/appName when XDG_DATA_HOME is an absolute path (the convention ignores relative
// ones), else HOME/.local/share/appName; empty without a home folder.
std::string PlayerDataDir(const TFolderRules& rules, const TFolderEnvironment& environment);

// The data folder: dataOption when given (it must be a folder; what it holds is the game's
// affair), else the working directory when it holds images/, else the installed data folder when
// that holds images/. The tables go beside data from --data or the working directory, and to the
// player's own folder for an installed game, also when --data or the working directory is the
// installed data folder itself. False with a one-line reason otherwise: a bad
// --data, or no data anywhere (naming every folder looked in), or no home for the tables.
bool FindFolders(const std::string& dataOption, const TFolderRules& rules, const TFolderEnvironment& environment,
                 TFolders& folders, std::string& error);
