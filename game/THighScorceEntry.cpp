// The high-score table: ranking, the default table, scrambling and the "highscore.dat" file.
#include "game/THighScorceEntry.h"

#include "framework/graphics/Font.h"
#include "framework/system/TableFile.h"

#include <vector>

int32_t HighScoreKeyPosition = 1;

namespace {

// The table's file as this run last read or saved it.
TRecordFile& HighScoreTableFile()
{
    static TRecordFile file;
    return file;
}

// The scores this run entered since the table was read, in the order they went in.
std::vector<THighScorceEntry>& EnteredScores()
{
    static std::vector<THighScorceEntry> entered;
    return entered;
}

bool ApplyFinalScore(const std::string& name, int32_t score, int32_t level)
{
    if (!THighScorceEntry::NewHighScore(score)) return false;
    THighScorceEntry::AddScore(name, score, level);
    // A short table (read from a damaged or hand-made file) fills up to ten entries first.
    if (HighScoreList->Count() > THighScorceEntry::TableEntries) THighScorceEntry::RemoveLowestScore();
    return true;
}

// Replaces HighScoreList with the records of the bank; false when it holds no table at all.
bool ReadScoreTable(const TBankPtr& bank, TRecordFile& file, const std::string& key)
{
    HighScoreList = std::make_shared<TList<THighScorceEntry>>();
    if (!key.empty()) THighScorceEntry::iDecryptBank(bank, key);
    TStreamPtr stream = ReadFileStream(OpenBankStream(bank));
    if (!stream) return false;
    // Taken in file order, not sorted.
    const int32_t complete = ReadRecords(*stream, file, [&] {
        auto entry = std::make_shared<THighScorceEntry>();
        entry->Name = stream->ReadLine();
        entry->Score = stream->ReadInt();
        entry->Level = stream->ReadInt();
        HighScoreList->AddLast(entry);
    });
    stream->Close();
    // A damaged file without one whole record is no table at all: the caller builds the default.
    return complete > 0 || bank->Size() == 0;
}

// HighScoreList in the file's layout.
TBankPtr ScoreTableBytes(const std::string& key)
{
    auto bank = TBank::Create(0);
    TStreamPtr stream = WriteFileStream(OpenBankStream(bank));
    if (!stream) return nullptr;
    if (HighScoreList) {
        for (const auto& e : *HighScoreList) {
            stream->WriteLine(e->Name);
            stream->WriteInt(e->Score);
            stream->WriteInt(e->Level);
        }
    }
    stream->Close();
    if (!key.empty()) THighScorceEntry::iEncryptBank(bank, key);
    return bank;
}

TList<THighScorceEntry>& Table()
{
    if (!HighScoreList) HighScoreList = std::make_shared<TList<THighScorceEntry>>();
    return *HighScoreList;
}

// The sign of a.Score - b.Score, without overflowing on scores read from a file.
int CompareScores(const THighScorceEntry& a, const THighScorceEntry& b)
{
    return (a.Score > b.Score) - (a.Score < b.Score);
}

}  // namespace

THighScorceEntryPtr THighScorceEntry::GetLowestScore() { return HighScoreList ? HighScoreList->Last() : nullptr; }

void THighScorceEntry::RemoveLowestScore()
{
    if (auto lowest = GetLowestScore()) HighScoreList->Remove(lowest);
}

int32_t THighScorceEntry::GetScorePosition(int32_t score)
{
    if (!HighScoreList) return 0;
    int32_t position = 1;
    for (const auto& entry : *HighScoreList) {
        if (entry->Score < score) return position;
        ++position;
    }
    return 0;
}

bool THighScorceEntry::NewHighScore(int32_t score)
{
    // A table short of ten entries takes every score, so it fills up.
    auto lowest = GetLowestScore();
    return !lowest || HighScoreList->Count() < TableEntries || score >= lowest->Score;
}

void THighScorceEntry::AddScore(const std::string& name, int32_t score, int32_t level)
{
    if (NewHighScore(score)) {
        auto entry = std::make_shared<THighScorceEntry>();
        entry->Name = name;
        entry->Score = score;
        entry->Level = level;
        Table().AddLast(entry);
    }
    // Stable: a new entry lands after the older entries of equal score.
    Table().Sort(false, CompareScores);
}

void THighScorceEntry::AddTopScore(const std::string& name, int32_t score, int32_t level, int32_t maxPosition)
{
    if (GetScorePosition(score) <= maxPosition) AddScore(name, score, level);
}

bool THighScorceEntry::EnterFinalScore(const std::string& name, int32_t score, int32_t level)
{
    if (!ApplyFinalScore(name, score, level)) return false;
    THighScorceEntry entry;
    entry.Name = name;
    entry.Score = score;
    entry.Level = level;
    EnteredScores().push_back(entry);
    return true;
}

void THighScorceEntry::FormatTopScore()
{
    // The first three are the people of the credits.
    static const char* const names[TableEntries] = {
        "Varn Dovrak",  "Tibbe Halme",  "Seyla Fenrow",  "Orla Quennet", "Brisk Tamsin",
        "Jory Vantell", "Mila Ostrand", "Pell Corrigan", "Nessa Druin",  "Hobb Laterly",
    };
    Table().Clear();
    for (int32_t i = 0; i < TableEntries; ++i) {
        auto entry = std::make_shared<THighScorceEntry>();
        entry->Name = names[i];
        entry->Score = (TableEntries - i) * 100;
        entry->Level = TableEntries - i;
        HighScoreList->AddLast(entry);
    }
}

void THighScorceEntry::PrintHighScoreTable()
{
    if (!HighScoreList) return;
    int32_t position = 1;
    for (const auto& e : *HighScoreList) {
        DrawText(std::to_string(position) + " - " + e->Name + " - " + std::to_string(e->Score) + " - " +
                     std::to_string(e->Level),
                 100.0f, static_cast<float>(100 * position));
        ++position;
    }
}

bool THighScorceEntry::LoadHighScoreTable(const TUrl& url, const std::string& key)
{
    EnteredScores().clear();
    HighScoreList = std::make_shared<TList<THighScorceEntry>>();
    TRecordFile& file = HighScoreTableFile();
    file = LoadRecordFile(url);
    return file.Bank() && ReadScoreTable(file.Bank(), file, key);
}

bool THighScorceEntry::SaveHighScoreTable(const TUrl& url, const std::string& key)
{
    TBankPtr bank = ScoreTableBytes(key);
    if (!bank) return false;
    TRecordFile& file = HighScoreTableFile();
    const bool saved = SaveRecordFile(*bank, url, file, [&](TBankPtr onDisk) {
        if (!ReadScoreTable(onDisk, file, key)) FormatTopScore();
        for (const THighScorceEntry& e : EnteredScores()) ApplyFinalScore(e.Name, e.Score, e.Level);
        return ScoreTableBytes(key);
    });
    // Saved scores are in the file: a later save must not enter them again.
    if (saved) EnteredScores().clear();
    return saved;
}

void THighScorceEntry::iEncryptBank(const TBankPtr& bank, const std::string& key)
{
    if (bank) ScrambleBank(*bank, key, HighScoreKeyPosition);
}

void THighScorceEntry::iDecryptBank(const TBankPtr& bank, const std::string& key)
{
    TBankPtr kb = iStringToBank(key);
    if (bank && kb) UnscrambleBank(*bank, *kb);
}

TBankPtr THighScorceEntry::iStringToBank(const std::string& key)
{
    if (key.empty()) return nullptr;
    auto bank = TBank::Create(static_cast<int32_t>(key.size()));
    for (size_t i = 0; i < key.size(); ++i) bank->PokeByte(static_cast<int32_t>(i), static_cast<uint8_t>(key[i]));
    return bank;
}
