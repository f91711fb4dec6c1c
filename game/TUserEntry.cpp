// The player table: selecting a player, and the "users.dat" file.
#include "game/TUserEntry.h"

#include "framework/system/Bank.h"
#include "framework/system/TableFile.h"
#include "game/LevelData.h"
#include "game/THighScorceEntry.h"

#include <algorithm>
#include <vector>

TListPtr<TUserEntry> UserList;
bool CurrentUserChosen = false;

namespace {

// The table's file as this run last read or saved it.
TRecordFile& UserTableFile()
{
    static TRecordFile file;
    return file;
}

// Replaces UserList with the records of the bank.
bool ReadTable(const TBankPtr& bank, TRecordFile& file, const std::string& key)
{
    UserList = std::make_shared<TList<TUserEntry>>();
    if (!key.empty()) THighScorceEntry::iDecryptBank(bank, key);
    TStreamPtr stream = ReadFileStream(OpenBankStream(bank));
    if (!stream) return false;
    ReadRecords(*stream, file, [&] {
        auto entry = std::make_shared<TUserEntry>();
        entry->Name = stream->ReadLine();
        entry->Level = stream->ReadInt();
        entry->LevelRead = entry->Level;
        UserList->AddLast(entry);
    });
    stream->Close();
    return true;
}

// UserList in the file's layout.
TBankPtr TableBytes(const std::string& key)
{
    auto bank = TBank::Create(0);
    TStreamPtr stream = WriteFileStream(OpenBankStream(bank));
    if (!stream) return nullptr;
    if (UserList) {
        for (const auto& entry : *UserList) {
            stream->WriteLine(entry->Name);
            stream->WriteInt(entry->Level);
        }
    }
    stream->Close();
    if (!key.empty()) THighScorceEntry::iEncryptBank(bank, key);
    return bank;
}

// What this run did to a player: added it, or moved it to another level.
struct TUserChange {
    std::string name;
    int32_t level;
    bool moved;
};

std::vector<TUserChange> ChangesOfThisRun()
{
    std::vector<TUserChange> changes;
    if (!UserList) return changes;
    for (const auto& entry : *UserList) {
        // A player this run added starts at level 1.
        const bool moved = entry->Level != entry->LevelRead.value_or(1);
        if (moved || !entry->LevelRead) changes.push_back({entry->Name, entry->Level, moved});
    }
    return changes;
}

// This run's changes applied to the table another run saved: a player moved on takes its level in
// every record of its name, a player added is appended when that run did not add it too.
void ApplyChanges(const std::vector<TUserChange>& changes)
{
    for (const TUserChange& change : changes) {
        bool found = false;
        for (const auto& entry : *UserList) {
            if (entry->Name != change.name) continue;
            found = true;
            if (change.moved) entry->Level = change.level;
        }
        if (!found) TUserEntry::AddUser(change.name, change.level);
    }
}

}  // namespace

void TUserEntry::AddUser(const std::string& name, int32_t level)
{
    if (!UserList) UserList = std::make_shared<TList<TUserEntry>>();
    auto entry = std::make_shared<TUserEntry>();
    entry->Name = name;
    entry->Level = level;
    UserList->AddLast(entry);
}

void TUserEntry::LoadUser(const std::string& name)
{
    bool found = false;
    if (UserList) {
        // No early stop: with duplicate names the last entry wins.
        for (const auto& entry : *UserList) {
            if (entry->Name != name) continue;
            // A level from the file outside the game's levels would index past the level data.
            CurrentUserLevel = std::clamp(entry->Level, 1, LevelCount);
            CurrentUserName = entry->Name;
            found = true;
        }
    }
    if (!found) {
        AddUser(name, 1);
        CurrentUserLevel = 1;
        CurrentUserName = name;
    }
    CurrentUserChosen = true;
}

bool TUserEntry::LoadUserTable(const TUrl& url, const std::string& key)
{
    UserList = std::make_shared<TList<TUserEntry>>();
    TRecordFile& file = UserTableFile();
    file = LoadRecordFile(url);
    return file.Bank() && ReadTable(file.Bank(), file, key);
}

bool TUserEntry::SaveUserTable(const TUrl& url, const std::string& key)
{
    // Every entry of the current player's name takes the level, so whichever one a later LoadUser
    // picks is up to date.
    if (UserList && CurrentUserChosen) {
        for (const auto& entry : *UserList) {
            if (entry->Name != CurrentUserName) continue;
            entry->Level = CurrentUserLevel;
            entry->CurrentUser = 1;
        }
    }
    TBankPtr bank = TableBytes(key);
    if (!bank) return false;
    TRecordFile& file = UserTableFile();
    const bool saved = SaveRecordFile(*bank, url, file, [&](TBankPtr onDisk) {
        const std::vector<TUserChange> changes = ChangesOfThisRun();
        ReadTable(onDisk, file, key);
        ApplyChanges(changes);
        return TableBytes(key);
    });
    // What was saved is what the file holds: a later save writes only what changes after it.
    if (saved && UserList)
        for (const auto& entry : *UserList) entry->LevelRead = entry->Level;
    return saved;
}
