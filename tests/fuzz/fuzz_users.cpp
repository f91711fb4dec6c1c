// Fuzzes the player-table loader with arbitrary file contents: no crash, no sanitizer report, and
// whatever it reads saves and reads back the same.
#include "framework/system/Bank.h"
#include "game/TUserEntry.h"

#include <cstring>
#include <iostream>

namespace {

std::string Snapshot()
{
    std::string s;
    for (const auto& u : *UserList) s += u->Name + '\n' + std::to_string(u->Level) + '\n';
    return s;
}

TBankPtr BankOf(const uint8_t* data, size_t size)
{
    auto bank = TBank::Create(static_cast<int32_t>(size));
    if (size > 0) std::memcpy(bank->Buf(), data, size);
    return bank;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The loader reports cut-off files on stderr; that is expected here and would drown the log.
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte picks a scrambling key, so the decrypting path is fuzzed too.
    const std::string key = size > 0 && (data[0] & 1) ? std::string("k\xF0y") : std::string();
    if (!TUserEntry::LoadUserTable(BankOf(data, size), key)) __builtin_trap();
    const std::string loaded = Snapshot();

    if (auto first = UserList->First()) {
        TUserEntry::LoadUser(first->Name);
        if (CurrentUserLevel < 1 || CurrentUserLevel > 33) __builtin_trap();
    }
    CurrentUserName.clear();
    CurrentUserChosen = false;

    auto saved = TBank::Create(0);
    if (!TUserEntry::SaveUserTable(saved, key)) __builtin_trap();
    if (!TUserEntry::LoadUserTable(saved, key)) __builtin_trap();
    if (Snapshot() != loaded) __builtin_trap();
    return 0;
}
