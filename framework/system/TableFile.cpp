// Record files: bounded reading with a report of a cut-off tail, and atomic replacement on save.
#include "framework/system/TableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

std::string UrlDisplayName(const TUrl& url)
{
    if (url.stream) return "(stream)";
    if (url.bank) return "(bank)";
    return url.text;
}

int32_t ReadRecords(TStream& stream, const TUrl& url, const std::function<void()>& readRecord)
{
    int32_t complete = 0;
    while (!stream.Eof()) {
        const int32_t start = stream.Pos();
        try {
            readRecord();
        } catch (const TStreamReadException&) {
            std::cerr << "krellix: " << UrlDisplayName(url) << " ends inside a record at byte " << start << ": kept "
                      << complete << (complete == 1 ? " complete record" : " complete records")
                      << ", dropped the incomplete tail\n";
            break;
        }
        ++complete;
    }
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
        if (_fd >= 0) ::close(_fd);
        if (!_kept) ::unlink(_path.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    int Fd() const { return _fd; }
    const std::string& Path() const { return _path; }
    // Closes now, so a failing close is seen.
    bool Close()
    {
        const int fd = _fd;
        _fd = -1;
        return ::close(fd) == 0;
    }
    void Keep() { _kept = true; }

private:
    int _fd;
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

std::string Failure(const std::string& what) { return what + ": " + std::strerror(errno); }

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
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Failure("cannot create a temporary file in " + dir.string());
        return false;
    }
    TTempFile temp(fd, pattern);
    const std::string targetName = target.string();
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
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool SaveRecordFile(TBank& bank, const TUrl& url)
{
    std::string error;
    bool saved = false;
    if (!url.stream && !url.bank && !url.text.empty() && url.text.find("::") == std::string::npos) {
        std::string path = url.text;
        std::replace(path.begin(), path.end(), '\\', '/');
        saved = ReplaceFileAtomically(path, bank.Buf(), static_cast<size_t>(bank.Size()), error);
    } else {
        try {
            saved = bank.Save(url) == 1;
            if (!saved) error = "cannot be opened for writing";
        } catch (const TStreamException& e) {
            error = e.what();
        }
    }
    if (!saved) std::cerr << "krellix: " << UrlDisplayName(url) << " was not saved: " << error << "\n";
    return saved;
}
