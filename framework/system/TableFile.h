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

// Calls readRecord until the stream ends. When the data ends inside a record (readRecord throws
// TStreamReadException), that record is dropped, one line naming the file goes to stderr, and
// reading stops. Returns the number of complete records.
int32_t ReadRecords(TStream& stream, const TUrl& url, const std::function<void()>& readRecord);

// Writes the bytes to path through a temporary file in the same directory that is flushed,
// synced and closed before it is renamed over path. On failure path is untouched, the temporary
// file is removed and error says why. A path that is a symbolic link replaces the link's target.
bool ReplaceFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);

// Scrambling with a non-empty key: each byte gets key character p added (modulo 256), p running
// 1, 2, ..., key length, 1, ... from the first byte; position is where p stands afterwards.
void ScrambleBank(TBank& bank, const std::string& key, int32_t& position);
// The reverse: key byte j subtracted, j running cyclically from 0.
void UnscrambleBank(TBank& bank, const TBank& key);

// Saves a bank to url: a plain file name (backslashes read as slashes) is replaced atomically,
// other urls go through TBank::Save. False, after one line naming the file on stderr, when nothing
// was saved.
bool SaveRecordFile(TBank& bank, const TUrl& url);
