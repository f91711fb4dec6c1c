// The all-time high-score table: its entries, the ranking rules, the default table, its file.
#pragma once

#include "framework/system/Bank.h"
#include "game/GameCommon.h"

#include <cstdint>
#include <memory>
#include <string>

class THighScorceEntry;
using THighScorceEntryPtr = std::shared_ptr<THighScorceEntry>;

// HighScoreList (GameCommon.h) holds these, highest score first; of equal scores the older first.
class THighScorceEntry {
public:
    std::string Name;
    int32_t Score = 0;
    int32_t Level = 0;

    // Entries of a full table: the default table's, and what the end of a game keeps.
    static constexpr int32_t TableEntries = 10;

    // Removes the entry GetLowestScore returns.
    static void RemoveLowestScore();
    // The last entry (the lowest score); null when the table is empty.
    static THighScorceEntryPtr GetLowestScore();
    // 1-based position of the first entry scoring lower than score; 0 when none is lower.
    static int32_t GetScorePosition(int32_t score);
    // True when score reaches the lowest entry's score, or the table holds fewer than ten entries.
    static bool NewHighScore(int32_t score);
    // Appends the entry when it qualifies, then sorts the table (stable, descending).
    static void AddScore(const std::string& name, int32_t score, int32_t level);
    static void AddTopScore(const std::string& name, int32_t score, int32_t level, int32_t maxPosition);
    // The end of a game: a qualifying score goes in and a table then longer than ten drops its
    // last entry. True when the score went in. Should another run save the table before this one
    // does, the scores entered so go into that run's table when this one saves.
    static bool EnterFinalScore(const std::string& name, int32_t score, int32_t level);
    // The default table: ten entries scoring 1000 down to 100.
    static void FormatTopScore();
    // Draws "position - name - score - level" for each entry at x 100, y 100, 200, ...
    static void PrintHighScoreTable();

    // Replaces HighScoreList with the file's records; false (and an empty table) when the file
    // cannot be read or is damaged before its first complete record. A file that ends inside a
    // record keeps its complete records. An empty file is an empty table.
    static bool LoadHighScoreTable(const TUrl& url, const std::string& key);
    // Writes HighScoreList; a file is replaced whole or not at all. When another run saved the file
    // since it was read, the scores this run entered are entered into that run's table instead,
    // which becomes HighScoreList. False when it was not saved.
    static bool SaveHighScoreTable(const TUrl& url, const std::string& key);

    // Reversible scrambling with a non-empty key; the empty key leaves the bytes alone.
    static void iEncryptBank(const TBankPtr& bank, const std::string& key);
    static void iDecryptBank(const TBankPtr& bank, const std::string& key);
    // One byte per key character; null for the empty key.
    static TBankPtr iStringToBank(const std::string& key);
};

// Key position of iEncryptBank (1-based), restarted by every call.
extern int32_t HighScoreKeyPosition;
