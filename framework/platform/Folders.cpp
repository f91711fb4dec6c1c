// The search for the game's data folder and the choice of the folder its tables are kept in.
#include "framework/platform/Folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsFolder(const fs::path& path)
{
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

bool HoldsData(const fs::path& dir) { return !dir.empty() && IsFolder(dir / "images"); }

}  // namespace

TFolderEnvironment CurrentFolderEnvironment()
{
    TFolderEnvironment environment;
    std::error_code ec;
    environment.workingDir = fs::current_path(ec).string();
    // The kernel's own link, so that a game started through a symbolic link or from PATH still
    // finds the data installed beside it.
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) environment.executable = executable.string();
    environment.xdgDataHome = Environment("XDG_DATA_HOME");
    environment.home = Environment("HOME");
    if (environment.home.empty()) {
        if (const passwd* account = getpwuid(getuid()); account && account->pw_dir) environment.home = account->pw_dir;
    }
    return environment;
}

std::string InstalledDataDir(const TFolderRules& rules, const TFolderEnvironment& environment)
{
    const fs::path installed(rules.installedData);
    if (installed.empty()) return "";
    if (installed.is_absolute()) return installed.lexically_normal().string();
    if (environment.executable.empty()) return "";
    return (fs::path(environment.executable).parent_path() / installed).lexically_normal().string();
}

std::string PlayerDataDir(const TFolderRules& rules, const TFolderEnvironment& environment)
{
    fs::path base;
    if (fs::path(environment.xdgDataHome).is_absolute())
        base = environment.xdgDataHome;
    else if (!environment.home.empty())
        base = fs::path(environment.home) / ".local" / "share";
    else
        return "";
    return (base / rules.appName).lexically_normal().string();
}

bool FindFolders(const std::string& dataOption, const TFolderRules& rules, const TFolderEnvironment& environment,
                 TFolders& folders, std::string& error)
{
    folders = TFolders{};
    const std::string installed = InstalledDataDir(rules, environment);
    std::string data;
    if (!dataOption.empty()) {
        const fs::path named = fs::path(environment.workingDir) / dataOption;
        if (!IsFolder(named)) {
            error = "cannot use " + dataOption + " as the data folder: it is not a folder";
            return false;
        }
        data = named.lexically_normal().string();
    } else if (HoldsData(environment.workingDir)) {
        data = environment.workingDir;
    }
    // The installed data folder, however it was reached, is never written to.
    std::error_code ec;
    const bool isInstalled = !data.empty() && !installed.empty() && fs::equivalent(data, installed, ec);
    if (!data.empty() && !isInstalled) {
        folders.dataDir = folders.tableDir = data;
        return true;
    }
    if (!HoldsData(installed)) {
        error = "no game data: looked for images/ in " + environment.workingDir +
                (installed.empty() ? std::string(" (the program's own folder is unknown)") : " and in " + installed) +
                "; start the game where its data is, or name the folder with --data DIR";
        return false;
    }
    folders.dataDir = installed;
    folders.tableDir = PlayerDataDir(rules, environment);
    if (folders.tableDir.empty()) {
        error = "no folder for the tables: neither XDG_DATA_HOME nor HOME is set";
        return false;
    }
    folders.privateTables = true;
    return true;
}
