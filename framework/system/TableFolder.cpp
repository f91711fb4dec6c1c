// The table folder: paths of the table files, and making the player's own folder on the first save.
#include "framework/system/TableFolder.h"

#include "framework/system/Report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

// Set once before the game starts; read by the game's loads and saves on the same thread.
struct TTableFolderSetting {
    std::string dir;
    bool createOnSave = false;
};

TTableFolderSetting& Setting()
{
    static TTableFolderSetting setting;
    return setting;
}

}  // namespace

void SetTableFolder(const std::string& dir, bool createOnSave) { Setting() = {dir, createOnSave}; }

std::string TablePath(const std::string& name)
{
    const std::string& dir = Setting().dir;
    return dir.empty() ? name : (std::filesystem::path(dir) / name).string();
}

bool PrepareTableFolder()
{
    const TTableFolderSetting& setting = Setting();
    if (setting.dir.empty() || !setting.createOnSave) return true;
    // Each missing level is made with mode 0700, as the XDG convention asks for the player's data;
    // folders that already exist keep their modes.
    std::filesystem::path made;
    for (const auto& part : std::filesystem::path(setting.dir)) {
        made /= part;
        struct stat info {};
        if (::stat(made.c_str(), &info) == 0) continue;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            ReportProblem("cannot create the folder " + made.string() + " for the tables: " + std::strerror(errno));
            return false;
        }
    }
    struct stat info {};
    if (::stat(setting.dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        ReportProblem(setting.dir + " is not a folder; the tables cannot be saved there");
        return false;
    }
    return true;
}
