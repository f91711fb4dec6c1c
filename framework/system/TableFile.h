// Record files of the game's tables: reading records until the data ends, and saving a file so
// that it is replaced whole or not at all.
#pragma once

#include "framework/system/Bank.h"
#include "framework/system/Stream.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// How an url is named in messages: its text, or what kind of object it is.
std::string UrlDisplayName(const TUrl& url);

// The game's tables are a few hundred bytes; a table file larger than this is not read.
constexpr int32_t MaxRecordFileSize = 1 << 20;

// Reads a table file whole. A plain file name (backslashes read as slashes) that does not exist
// gives null without a word. One that exists but cannot be read (no permission, a folder, a read
// error) or is larger than MaxRecordFileSize gives null after one line on stderr, and the file is
// kept: SaveRecordFile will not write over it in this run. Other urls load as TBank::Load does.
TBankPtr LoadRecordFile(const TUrl& url);

// Calls readRecord until the stream ends. When the data ends inside a record (readRecord throws
// TStreamReadException), that record is dropped and reading stops; the file's bytes as
// LoadRecordFile read them are copied to its name + ".bak" (replacing an older copy), and one line
// on stderr names the file, what was kept and where the copy is. When no copy can be made, the
// file is kept as it is for the rest of the run. Returns the number of complete records.
int32_t ReadRecords(TStream& stream, const TUrl& url, const std::function<void()>& readRecord);

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

// Gives the bank to save in place of this run's own when another run saved the file since this
// run read it: this run's changes applied to onDisk, the file's bytes as they are now.
using TRecordMerge = std::function<TBankPtr(TBankPtr onDisk)>;

// The lock file a save takes beside the file, and how long it waits for another run of the game
// to finish saving there.
constexpr const char* TableLockName = "tables.lock";
constexpr int32_t TableLockWaitMs = 5000;

// Saves a bank to url: a plain file name is replaced atomically, other urls go through
// TBank::Save. Nothing is written over a file the player made read-only, nor over one that
// LoadRecordFile or ReadRecords decided to keep. For a plain file name with a merge, other runs of
// the game may share the file: while the save holds an advisory lock on TableLockName beside it,
// the file is read again, and when it no longer holds what LoadRecordFile read in this run, merge
// gives what is written instead of bank. A lock another run holds for longer than
// TableLockWaitMs fails the save. False, after one line naming the file on stderr, when nothing
// was saved.
bool SaveRecordFile(TBank& bank, const TUrl& url, const TRecordMerge& merge = {});
