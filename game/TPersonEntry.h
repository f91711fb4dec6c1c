// The person table: names with a level, newest first, with the file layout of the player table.
// The game keeps it but does not use it.
#pragma once

#include "framework/system/Bank.h"
#include "game/GameCommon.h"

#include <cstdint>
#include <memory>
#include <string>

class TPersonEntry;
using TPersonEntryPtr = std::shared_ptr<TPersonEntry>;

class TPersonEntry {
public:
    std::string name;
    int32_t level = 0;

    // Adds the file's records in front of the entries PersonList already holds.
    static bool LoadPersonEntires(const TUrl& url, const std::string& key);
    static bool SavePersonEntries(const TUrl& url, const std::string& key);
    // Inserts a new entry at the front.
    static void AddPerson(const std::string& name, int32_t level);
    // Sets the level of every entry with that name.
    static void UpdatePerson(const std::string& name, int32_t level);

    static void iEncryptBank(const TBankPtr& bank, const std::string& key);
    static void iDecryptBank(const TBankPtr& bank, const std::string& key);
    static TBankPtr iStringToBank(const std::string& key);
};

extern TListPtr<TPersonEntry> PersonList;
// Key position of iEncryptBank (1-based), restarted by every call.
extern int32_t PersonKeyPosition;
