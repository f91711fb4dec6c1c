// Record files of the game's tables: reading records until the data ends, and saving a file so
// that it is replaced whole or not at all.
#pragma once

#include "framework/system/Bank.h"
#include "framework/system/Stream.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How an url is named in messages: its text, or what kind of object it is.
std::string UrlDisplayName(const TUrl& url);

// The game's tables are a few hundred bytes; a table file larger than this is not read.
constexpr int32_t MaxRecordFileSize = 1 << 20;

// Gives the bank to save in place of this run's own when another run saved the file since this
// run read it: this run's changes applied to onDisk, the file's bytes as they are now.
using TRecordMerge = std::function<TBankPtr(TBankPtr onDisk)>;

// A table file as this run last read or saved it: what reading its records and saving it again
// need to know. Only a plain file name (backslashes read as slashes) carries anything beyond the
// url and the bytes read.
class TRecordFile {
public:
    TRecordFile() = default;
    // A file this run has not read: a save writes it without looking at what is there.
    explicit TRecordFile(const TUrl& url);

    const TUrl& Url() const { return _url; }
    // The file's bytes as read, for the caller to decode in place; null when there are none.
    const TBankPtr& Bank() const { return _bank; }

private:
    friend TRecordFile LoadRecordFile(const TUrl& url);
    friend int32_t ReadRecords(TStream& stream, TRecordFile& file, const std::function<void()>& readRecord);
    friend bool SaveRecordFile(TBank& bank, const TUrl& url, TRecordFile& file, const TRecordMerge& merge);

    // Copies a damaged file's bytes as read to its name + ".bak". The end of the report line:
    // where the copy is, or why there is none.
    std::string CopyDamaged();
    // The read, merge and write of a save, under the lock.
    bool SaveLocked(TBank& bank, const TRecordMerge& merge, std::string& error);
    // When another run saved the file since this run read it, merged is what merge makes of the
    // file as it is now. False, with error set, when the file can no longer be read or must be kept.
    bool MergeLaterSaves(const TRecordMerge& merge, TBankPtr& merged, std::string& error);

    TUrl _url;
    TBankPtr _bank;
    // The file name as the loader and the saver compare it; empty for other urls.
    std::string _path;
    // Why the file must not be saved over in this run; empty when it may be.
    std::string _keep;
    // The bytes as read, until the records have been read, for the copy of a damaged file.
    std::vector<uint8_t> _original;
    // What this run last read or saved there, so a save sees whether another run saved since.
    bool _seen = false;
    bool _existed = false;
    std::vector<uint8_t> _known;
};

// Reads a table file whole. A plain file name that does not exist gives no bank without a word.
// One that exists but cannot be read (no permission, a folder, a read error) or is larger than
// MaxRecordFileSize gives no bank after one line on stderr, and the file is kept: SaveRecordFile
// will not write over it in this run. Other urls load as TBank::Load does.
TRecordFile LoadRecordFile(const TUrl& url);

// Calls readRecord until the stream ends. When the data ends inside a record (readRecord throws
// TStreamReadException), that record is dropped and reading stops; the file's bytes as
// LoadRecordFile read them are copied to its name + ".bak" (replacing an older copy), and one line
// on stderr names the file, what was kept and where the copy is. When no copy can be made, the
// file is kept as it is for the rest of the run. Returns the number of complete records.
int32_t ReadRecords(TStream& stream, TRecordFile& file, const std::function<void()>& readRecord);

// Writes the bytes to path through a temporary file in the same directory that is flushed,
// synced and closed before it is renamed over path. On failure path is untouched, the temporary
// file is removed and error says why. A path that is a symbolic link replaces the link's target.
// Where the directory allows no temporary file but path is a writable file, path is overwritten
// in place and synced instead.
bool ReplaceFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);

// Scrambling with a non-empty key: each byte gets key character p added (modulo 256), p running
// 1, 2, ..., key length, 1, ... from the first byte; position is where p stands afterwards.
void ScrambleBank(TBank& bank, const std::string& key, int32_t& position);
// The reverse: key byte j subtracted, j running cyclically from 0.
void UnscrambleBank(TBank& bank, const TBank& key);

// The lock file a save takes beside the file, and how long it waits for another run of the game
// to finish saving there.
constexpr const char* TableLockName = "tables.lock";
constexpr int32_t TableLockWaitMs = 5000;

// Saves a bank to url: a plain file name is replaced atomically, other urls go through
// TBank::Save. file is what this run read of the table; when it names another file, url counts as
// a file this run has not read, and afterwards file is url's as saved. Nothing is written over a
// file the player made read-only, nor over one that LoadRecordFile or ReadRecords decided to keep.
// For a plain file name with a merge, other runs of the game may share the file: while the save
// holds an advisory lock on TableLockName beside it, the file is read again, and when it no longer
// holds what this run read or saved there, merge gives what is written instead of bank (merge may
// read the records of file meanwhile). A lock another run holds for longer than TableLockWaitMs
// fails the save. False, after one line naming the file on stderr, when nothing was saved.
bool SaveRecordFile(TBank& bank, const TUrl& url, TRecordFile& file, const TRecordMerge& merge = {});
