// Record files: bounded reading, a copy of a damaged file, and saves that replace a file whole and
// never write over a file the player cannot afford to lose.
#include "framework/system/TableFile.h"

#include "framework/system/Report.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

std::string UrlDisplayName(const TUrl& url)
{
    if (url.stream) return "(stream)";
    if (url.bank) return "(bank)";
    return url.text;
}

namespace {

// The file name of an url that names a disk file, backslashes read as slashes; empty otherwise.
std::string PlainPath(const TUrl& url)
{
    if (url.stream || url.bank || url.text.empty() || url.text.find("::") != std::string::npos) return "";
    std::string path = url.text;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string Failure(const std::string& what) { return what + ": " + std::strerror(errno); }

// Closes a descriptor when it goes out of scope; -1 holds none.
class TFd {
public:
    explicit TFd(int fd = -1) : _fd(fd) {}
    ~TFd()
    {
        if (_fd >= 0) ::close(_fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return _fd; }
    void Reset(int fd)
    {
        if (_fd >= 0) ::close(_fd);
        _fd = fd;
    }
    // Closes now, so a failing close is seen.
    bool Close()
    {
        const int fd = _fd;
        _fd = -1;
        return ::close(fd) == 0;
    }

private:
    int _fd;
};

// The whole file, or null: with problem empty when there is no such file, else saying why.
TBankPtr ReadWholeFile(const std::string& path, std::string& problem)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) problem = Failure("cannot be read");
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        problem = "is a folder, not a file";
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        problem = "is not a regular file";
        return nullptr;
    }
    const std::string tooLarge = "is larger than " + std::to_string(MaxRecordFileSize / (1 << 20)) + " MiB";
    if (st.st_size > MaxRecordFileSize) {
        problem = tooLarge;
        return nullptr;
    }
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        problem = Failure("cannot be read");
        return nullptr;
    }
    // One byte more than allowed shows a file that grew since it was measured.
    std::vector<uint8_t> bytes(static_cast<size_t>(MaxRecordFileSize) + 1);
    size_t used = 0;
    while (used < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            problem = Failure("cannot be read");
            return nullptr;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    if (used > static_cast<size_t>(MaxRecordFileSize)) {
        problem = tooLarge;
        return nullptr;
    }
    auto bank = TBank::Create(static_cast<int32_t>(used));
    if (used > 0) std::memcpy(bank->Buf(), bytes.data(), used);
    return bank;
}

// A file the player made read-only: no write permission at all, or none for this process.
bool ReadOnlyFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(path.c_str(), W_OK) != 0 && errno == EACCES;
}

}  // namespace

TRecordFile::TRecordFile(const TUrl& url) : _url(url), _path(PlainPath(url)) {}

std::string TRecordFile::CopyDamaged()
{
    if (_path.empty()) return "";
    const std::string copy = _path + ".bak";
    std::string error;
    if (ReplaceFileAtomically(copy, _original.data(), _original.size(), error))
        return "; the file as it was is kept in " + copy;
    _keep = "its damaged contents could not be copied to " + copy;
    return "; it could not be copied to " + copy + " (" + error + "), so it is not saved over in this run";
}

TRecordFile LoadRecordFile(const TUrl& url)
{
    TRecordFile file(url);
    if (file._path.empty()) {
        file._bank = TBank::Load(url);
        return file;
    }
    std::string problem;
    file._bank = ReadWholeFile(file._path, problem);
    if (!problem.empty()) {
        ReportProblem(file._path + " " + problem + "; it is left as it is and not saved over in this run");
        file._keep = "it " + problem;
    } else {
        file._seen = true;
        if (file._bank) {
            file._existed = true;
            file._known.assign(file._bank->Buf(), file._bank->Buf() + file._bank->Size());
            file._original = file._known;
        }
    }
    return file;
}

int32_t ReadRecords(TStream& stream, TRecordFile& file, const std::function<void()>& readRecord)
{
    int32_t complete = 0;
    while (!stream.Eof()) {
        const int32_t start = stream.Pos();
        try {
            readRecord();
        } catch (const TStreamReadException&) {
            const std::string copy = file.CopyDamaged();
            ReportProblem(UrlDisplayName(file._url) + " ends inside a record at byte " + std::to_string(start) +
                          ": kept " + std::to_string(complete) +
                          (complete == 1 ? " complete record" : " complete records") + ", dropped the incomplete tail" +
                          copy);
            break;
        }
        ++complete;
    }
    std::vector<uint8_t>().swap(file._original);
    return complete;
}

void ScrambleBank(TBank& bank, const std::string& key, int32_t& position)
{
    if (key.empty()) return;
    const auto length = static_cast<int32_t>(key.size());
    position = 1;
    for (int32_t i = 0; i < bank.Size(); ++i) {
        const int32_t k = static_cast<uint8_t>(key[static_cast<size_t>(position - 1)]);
        position = position == length ? 1 : position + 1;
        bank.PokeByte(i, bank.PeekByte(i) + k);
    }
}

void UnscrambleBank(TBank& bank, const TBank& key)
{
    if (key.Size() <= 0) return;
    int32_t j = 0;
    for (int32_t i = 0; i < bank.Size(); ++i) {
        bank.PokeByte(i, bank.PeekByte(i) - key.PeekByte(j));
        j = j == key.Size() - 1 ? 0 : j + 1;
    }
}

namespace {

// Closes a descriptor and removes the temporary file unless it was renamed into place.
class TTempFile {
public:
    TTempFile(int fd, std::string path) : _fd(fd), _path(std::move(path)) {}
    ~TTempFile()
    {
        _fd.Reset(-1);
        if (!_kept) ::unlink(_path.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    int Fd() const { return _fd.Get(); }
    const std::string& Path() const { return _path; }
    // Closes now, so a failing close is seen.
    bool Close() { return _fd.Close(); }
    void Keep() { _kept = true; }

private:
    TFd _fd;
    std::string _path;
    bool _kept = false;
};

bool WriteAll(int fd, const uint8_t* p, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Permissions for the new file: the old file's, or what a plain create would give.
mode_t NewFileMode(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Overwrites a writable file in place: written, cut to length and synced.
bool WriteInPlace(const std::string& path, const void* data, size_t size, std::string& error)
{
    TFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        error = Failure("cannot open " + path + " for writing");
        return false;
    }
    if (!WriteAll(fd.Get(), static_cast<const uint8_t*>(data), size) ||
        ::ftruncate(fd.Get(), static_cast<off_t>(size)) != 0) {
        error = Failure("cannot write " + path);
        return false;
    }
    if (::fsync(fd.Get()) != 0) {
        error = Failure("cannot sync " + path);
        return false;
    }
    if (!fd.Close()) {
        error = Failure("cannot close " + path);
        return false;
    }
    return true;
}

// An advisory lock on a file beside a table, shared by every run of the game that saves there, held
// while it lives.
class TTableLock {
public:
    // False, with error set, when another process held it for TableLockWaitMs. A lock file that
    // cannot be made (a folder that takes no new files) or locked at all leaves the save unlocked,
    // as it was before runs shared folders.
    bool Acquire(const std::string& path, std::string& error)
    {
        _fd.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
        if (_fd.Get() < 0) return true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TableLockWaitMs);
        for (;;) {
            if (::flock(_fd.Get(), LOCK_EX | LOCK_NB) == 0) return true;
            if (errno != EWOULDBLOCK && errno != EINTR) return true;
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        error = "another run of the game kept " + path + " locked for " + std::to_string(TableLockWaitMs / 1000) +
                " seconds; this run's changes to it are lost";
        return false;
    }

private:
    TFd _fd;
};

}  // namespace

bool ReplaceFileAtomically(const std::string& path, const void* data, size_t size, std::string& error)
{
    namespace fs = std::filesystem;
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    if (target.filename().empty()) {
        error = "not a file name";
        return false;
    }
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string hidden = target.filename().string();
    hidden.insert(hidden.begin(), '.');
    hidden.append(".XXXXXX");
    std::string pattern = (dir / hidden).string();
    const std::string targetName = target.string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Failure("cannot create a temporary file in " + dir.string());
        // A folder that takes no new files may still hold a file that can be written.
        struct stat st {};
        if (::stat(targetName.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(targetName.c_str(), W_OK) == 0)
            return WriteInPlace(targetName, data, size, error);
        return false;
    }
    TTempFile temp(fd, pattern);
    if (::fchmod(temp.Fd(), NewFileMode(targetName)) != 0) {
        error = Failure("cannot set the permissions of " + temp.Path());
        return false;
    }
    if (!WriteAll(temp.Fd(), static_cast<const uint8_t*>(data), size)) {
        error = Failure("cannot write " + temp.Path());
        return false;
    }
    if (::fsync(temp.Fd()) != 0) {
        error = Failure("cannot sync " + temp.Path());
        return false;
    }
    if (!temp.Close()) {
        error = Failure("cannot close " + temp.Path());
        return false;
    }
    if (::rename(temp.Path().c_str(), targetName.c_str()) != 0) {
        error = Failure("cannot rename " + temp.Path() + " to " + targetName);
        return false;
    }
    temp.Keep();
    // Make the rename itself durable; a directory that cannot be synced still holds the new file.
    const TFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0) ::fsync(dirFd.Get());
    return true;
}

bool TRecordFile::MergeLaterSaves(const TRecordMerge& merge, TBankPtr& merged, std::string& error)
{
    // A file this run never read is its own to write.
    if (!_seen) return true;
    std::string problem;
    TBankPtr now = ReadWholeFile(_path, problem);
    if (!problem.empty()) {
        error = "it " + problem + "; this run's changes to it are lost";
        return false;
    }
    // Removed since: this run's table is all there is.
    if (!now) return true;
    if (_existed && std::equal(_known.begin(), _known.end(), now->Buf(), now->Buf() + now->Size())) return true;
    _original.assign(now->Buf(), now->Buf() + now->Size());
    merged = merge(std::move(now));
    if (!_keep.empty()) {
        error = _keep + "; this run's changes to it are lost";
        return false;
    }
    return true;
}

bool TRecordFile::SaveLocked(TBank& bank, const TRecordMerge& merge, std::string& error)
{
    TTableLock lock;
    const std::filesystem::path file = _path;
    if (!lock.Acquire((file.parent_path() / TableLockName).string(), error)) return false;
    TBankPtr merged;
    if (merge && !MergeLaterSaves(merge, merged, error)) return false;
    TBank& out = merged ? *merged : bank;
    if (!ReplaceFileAtomically(_path, out.Buf(), static_cast<size_t>(out.Size()), error)) return false;
    _seen = _existed = true;
    _known.assign(out.Buf(), out.Buf() + out.Size());
    return true;
}

bool SaveRecordFile(TBank& bank, const TUrl& url, TRecordFile& file, const TRecordMerge& merge)
{
    std::string error;
    bool saved = false;
    const std::string path = PlainPath(url);
    if (!path.empty()) {
        if (file._path != path) file = TRecordFile(url);
        if (!file._keep.empty())
            error = file._keep + "; this run's changes to it are lost";
        else if (ReadOnlyFile(path))
            error = "the file is read-only; this run's changes to it are lost";
        else
            saved = file.SaveLocked(bank, merge, error);
    } else {
        try {
            saved = bank.Save(url) == 1;
            if (!saved) error = "cannot be opened for writing";
        } catch (const TStreamException& e) {
            error = e.what();
        }
    }
    if (!saved) ReportProblem(UrlDisplayName(url) + " was not saved: " + error);
    return saved;
}
