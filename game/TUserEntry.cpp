// The player table: selecting a player, and the "users.dat" file.
#include "game/TUserEntry.h"

#include "framework/system/Bank.h"
#include "framework/system/TableFile.h"
#include "game/LevelData.h"
#include "game/THighScorceEntry.h"

#include <algorithm>

TListPtr<TUserEntry> UserList;
bool CurrentUserChosen = false;

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
    TBankPtr bank = LoadRecordFile(url);
    if (!bank) return false;
    if (!key.empty()) THighScorceEntry::iDecryptBank(bank, key);
    TStreamPtr stream = ReadFileStream(OpenBankStream(bank));
    if (!stream) return false;
    ReadRecords(*stream, url, [&] {
        auto entry = std::make_shared<TUserEntry>();
        entry->Name = stream->ReadLine();
        entry->Level = stream->ReadInt();
        UserList->AddLast(entry);
    });
    stream->Close();
    return true;
}

bool TUserEntry::SaveUserTable(const TUrl& url, const std::string& key)
{
    auto bank = TBank::Create(0);
    TStreamPtr stream = WriteFileStream(OpenBankStream(bank));
    if (!stream) return false;
    if (UserList) {
        // Every entry of the current player's name takes the level, so whichever one a later
        // LoadUser picks is up to date.
        if (CurrentUserChosen) {
            for (const auto& entry : *UserList) {
                if (entry->Name != CurrentUserName) continue;
                entry->Level = CurrentUserLevel;
                entry->CurrentUser = 1;
            }
        }
        for (const auto& entry : *UserList) {
            stream->WriteLine(entry->Name);
            stream->WriteInt(entry->Level);
        }
    }
    stream->Close();
    if (!key.empty()) THighScorceEntry::iEncryptBank(bank, key);
    return SaveRecordFile(*bank, url);
}
