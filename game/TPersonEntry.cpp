// The person table, newest first, and its file (the layout of "users.dat").
#include "game/TPersonEntry.h"

#include "framework/system/TableFile.h"

TListPtr<TPersonEntry> PersonList;
int32_t PersonKeyPosition = 1;

namespace {

// The table's file as this run last read or saved it.
TRecordFile& PersonTableFile()
{
    static TRecordFile file;
    return file;
}

TList<TPersonEntry>& People()
{
    if (!PersonList) PersonList = std::make_shared<TList<TPersonEntry>>();
    return *PersonList;
}

}  // namespace

bool TPersonEntry::LoadPersonEntires(const TUrl& url, const std::string& key)
{
    People();
    TRecordFile& file = PersonTableFile();
    file = LoadRecordFile(url);
    const TBankPtr& bank = file.Bank();
    if (!bank) return false;
    if (!key.empty()) iDecryptBank(bank, key);
    TStreamPtr stream = ReadFileStream(OpenBankStream(bank));
    if (!stream) return false;
    ReadRecords(*stream, file, [&] {
        auto entry = std::make_shared<TPersonEntry>();
        entry->name = stream->ReadLine();
        entry->level = stream->ReadInt();
        PersonList->AddFirst(entry);
    });
    stream->Close();
    return true;
}

bool TPersonEntry::SavePersonEntries(const TUrl& url, const std::string& key)
{
    auto bank = TBank::Create(0);
    TStreamPtr stream = WriteFileStream(OpenBankStream(bank));
    if (!stream) return false;
    for (const auto& entry : People()) {
        stream->WriteLine(entry->name);
        stream->WriteInt(entry->level);
    }
    stream->Close();
    if (!key.empty()) iEncryptBank(bank, key);
    return SaveRecordFile(*bank, url, PersonTableFile());
}

void TPersonEntry::AddPerson(const std::string& name, int32_t level)
{
    auto entry = std::make_shared<TPersonEntry>();
    entry->name = name;
    entry->level = level;
    People().AddFirst(entry);
}

void TPersonEntry::UpdatePerson(const std::string& name, int32_t level)
{
    for (const auto& entry : People())
        if (entry->name == name) entry->level = level;
}

void TPersonEntry::iEncryptBank(const TBankPtr& bank, const std::string& key)
{
    if (bank) ScrambleBank(*bank, key, PersonKeyPosition);
}

void TPersonEntry::iDecryptBank(const TBankPtr& bank, const std::string& key)
{
    TBankPtr kb = iStringToBank(key);
    if (bank && kb) UnscrambleBank(*bank, *kb);
}

TBankPtr TPersonEntry::iStringToBank(const std::string& key)
{
    if (key.empty()) return nullptr;
    auto bank = TBank::Create(static_cast<int32_t>(key.size()));
    for (size_t i = 0; i < key.size(); ++i) bank->PokeByte(static_cast<int32_t>(i), static_cast<uint8_t>(key[i]));
    return bank;
}
