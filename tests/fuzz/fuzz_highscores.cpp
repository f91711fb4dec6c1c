// Fuzzes the high-score loader with arbitrary file contents, then plays end-of-game updates on
// what it read: no crash, no sanitizer report, the table stays sorted and saves and reads back.
#include "game/THighScorceEntry.h"

#include <cstring>
#include <iostream>

namespace {

std::string Snapshot()
{
    std::string s;
    for (const auto& e : *HighScoreList)
        s += e->Name + '\n' + std::to_string(e->Score) + ' ' + std::to_string(e->Level) + '\n';
    return s;
}

bool Sorted()
{
    int64_t last = INT64_MAX;
    for (const auto& e : *HighScoreList) {
        if (e->Score > last) return false;
        last = e->Score;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string key = size > 0 && (data[0] & 1) ? std::string("\x01zq") : std::string();
    auto bank = TBank::Create(static_cast<int32_t>(size));
    if (size > 0) std::memcpy(bank->Buf(), data, size);
    // A damaged file without one whole record gives the default table, as at start-up.
    if (!THighScorceEntry::LoadHighScoreTable(bank, key)) {
        if (size == 0 || !HighScoreList->IsEmpty()) __builtin_trap();
        THighScorceEntry::FormatTopScore();
    }

    auto saved = TBank::Create(0);
    const std::string loaded = Snapshot();
    if (!THighScorceEntry::SaveHighScoreTable(saved, key)) __builtin_trap();
    if (!THighScorceEntry::LoadHighScoreTable(saved, key)) __builtin_trap();
    if (Snapshot() != loaded) __builtin_trap();

    // End-of-game updates with scores taken from the input itself: a short
    // table grows to ten entries, a longer one keeps its size.
    bool sorted = false;  // a table read from a file is taken as it stands until the first AddScore
    for (size_t i = 0; i + 4 <= size && i < 64; i += 4) {
        int32_t score;
        std::memcpy(&score, data + i, 4);
        const int32_t before = HighScoreList->Count();
        if (THighScorceEntry::EnterFinalScore("FUZZ", score, 1)) {
            sorted = true;
            const int32_t expected = before < THighScorceEntry::TableEntries ? before + 1 : before;
            if (HighScoreList->Count() != expected) __builtin_trap();
        } else if (before < THighScorceEntry::TableEntries) {
            __builtin_trap();  // a short table takes every score
        }
        if (sorted && !Sorted()) __builtin_trap();
        const int32_t position = THighScorceEntry::GetScorePosition(score);
        if (position < 0 || position > HighScoreList->Count()) __builtin_trap();
    }
    return 0;
}
