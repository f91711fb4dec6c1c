// The player table: each player's name and the level reached, and its file "users.dat".
#pragma once

#include "framework/system/Stream.h"
#include "game/GameCommon.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class TUserEntry;
using TUserEntryPtr = std::shared_ptr<TUserEntry>;

class TUserEntry {
public:
    std::string Name;
    int32_t Level = 0;
    // 1 on the current player's entry once the table has been saved; not stored in the file.
    int32_t CurrentUser = 0;
    // The level the file held when this run read the entry; none for a player this run added.
    std::optional<int32_t> LevelRead;

    static void AddUser(const std::string& name, int32_t level);
    // Makes the player current (CurrentUserName, CurrentUserLevel), adding it at level 1 when it
    // is new. With duplicates the last entry wins; the level is kept within the game's levels.
    static void LoadUser(const std::string& name);
    // Replaces UserList with the file's records; false (and an empty table) when the file cannot be
    // read. A file that ends inside a record keeps its complete records.
    static bool LoadUserTable(const TUrl& url, const std::string& key);
    // Stores CurrentUserLevel in the current player's entry (the empty name is a player too) once
    // LoadUser has chosen one, then writes UserList; a file is replaced whole or not at all. When
    // another run saved the file since it was read, that run's table is kept and only the players
    // this run added or moved on are written into it, which becomes UserList. False when it was
    // not saved.
    static bool SaveUserTable(const TUrl& url, const std::string& key);
};

// Players in file order, new ones at the end; null until loaded or a player is added.
extern TListPtr<TUserEntry> UserList;
// Set by LoadUser. Until a player is chosen, saving leaves every level alone, so a run that never
// chose the player with the empty name does not overwrite that player's level.
extern bool CurrentUserChosen;
