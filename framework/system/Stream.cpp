// Byte streams: the stream base operations, disk, bank and RAM streams, and the opener chain.
#include "framework/system/Stream.h"

#include "framework/system/Bank.h"
#include "framework/system/Embedded.h"
#include "framework/system/Report.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {

// Bytes a stream may still write before its position passes the largest int32.
int32_t ClampToInt32Room(int32_t pos, int32_t count)
{
    const int64_t room = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) - pos;
    return static_cast<int32_t>(std::min<int64_t>(count, room));
}

}  // namespace

// ---- TIO: neither readable, writeable nor seekable

bool TIO::Eof() { return Pos() == Size(); }
int32_t TIO::Pos() { return -1; }
int32_t TIO::Size() { return 0; }
int32_t TIO::Seek(int32_t) { return -1; }
void TIO::Flush() {}
void TIO::Close() {}
int32_t TIO::Read(void*, int32_t) { throw TStreamException("Stream is not readable"); }
int32_t TIO::Write(const void*, int32_t) { throw TStreamException("Stream is not writeable"); }

// ---- TStream

int32_t TStream::ReadBytes(void* buf, int32_t count)
{
    auto* p = static_cast<uint8_t*>(buf);
    int32_t done = 0;
    while (done < count) {
        const int32_t n = Read(p + done, count - done);
        if (n <= 0) throw TStreamReadException();
        done += n;
    }
    return count;
}

int32_t TStream::WriteBytes(const void* buf, int32_t count)
{
    const auto* p = static_cast<const uint8_t*>(buf);
    int32_t done = 0;
    while (done < count) {
        const int32_t n = Write(p + done, count - done);
        if (n <= 0) throw TStreamWriteException();
        done += n;
    }
    return count;
}

int32_t TStream::SkipBytes(int32_t count)
{
    uint8_t scratch[4096];
    int32_t left = count;
    while (left > 0) {
        const int32_t n = std::min<int32_t>(left, sizeof scratch);
        ReadBytes(scratch, n);
        left -= n;
    }
    return count;
}

namespace {

// Little-endian transfers of fixed-size numbers.
template <typename U>
U ReadLittle(TStream& s)
{
    uint8_t b[sizeof(U)];
    s.ReadBytes(b, sizeof b);
    U v = 0;
    for (size_t i = 0; i < sizeof(U); ++i) v |= static_cast<U>(b[i]) << (8 * i);
    return v;
}

template <typename U>
void WriteLittle(TStream& s, U v)
{
    uint8_t b[sizeof(U)];
    for (size_t i = 0; i < sizeof(U); ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
    s.WriteBytes(b, sizeof b);
}

}  // namespace

int32_t TStream::ReadByte() { return ReadLittle<uint8_t>(*this); }
void TStream::WriteByte(int32_t value) { WriteLittle<uint8_t>(*this, static_cast<uint8_t>(value)); }
int32_t TStream::ReadShort() { return ReadLittle<uint16_t>(*this); }
void TStream::WriteShort(int32_t value) { WriteLittle<uint16_t>(*this, static_cast<uint16_t>(value)); }
int32_t TStream::ReadInt() { return static_cast<int32_t>(ReadLittle<uint32_t>(*this)); }
void TStream::WriteInt(int32_t value) { WriteLittle<uint32_t>(*this, static_cast<uint32_t>(value)); }
int64_t TStream::ReadLong() { return static_cast<int64_t>(ReadLittle<uint64_t>(*this)); }
void TStream::WriteLong(int64_t value) { WriteLittle<uint64_t>(*this, static_cast<uint64_t>(value)); }

float TStream::ReadFloat()
{
    const uint32_t bits = ReadLittle<uint32_t>(*this);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void TStream::WriteFloat(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteLittle<uint32_t>(*this, bits);
}

double TStream::ReadDouble()
{
    const uint64_t bits = ReadLittle<uint64_t>(*this);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void TStream::WriteDouble(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteLittle<uint64_t>(*this, bits);
}

std::string TStream::ReadLine()
{
    std::string line;
    for (;;) {
        uint8_t c = 0;
        int32_t n = 0;
        try {
            n = Read(&c, 1);
        } catch (const TStreamException&) {
            break;
        }
        if (n < 1 || c == 10 || c == 0) break;
        if (c != 13) line.push_back(static_cast<char>(c));
    }
    return line;
}

bool TStream::WriteLine(const std::string& text)
{
    std::string bytes = text;
    bytes += "\r\n";
    try {
        WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    } catch (const TStreamException&) {
        return false;
    }
    return true;
}

std::string TStream::ReadString(int32_t length)
{
    std::string s(static_cast<size_t>(std::max(length, 0)), '\0');
    if (!s.empty()) ReadBytes(s.data(), length);
    return s;
}

void TStream::WriteString(const std::string& text)
{
    if (!text.empty()) WriteBytes(text.data(), static_cast<int32_t>(text.size()));
}

// ---- TStreamWrapper: forwards; without a wrapped stream it behaves like the base

bool TStreamWrapper::Eof() { return _stream ? _stream->Eof() : TIO::Eof(); }
int32_t TStreamWrapper::Pos() { return _stream ? _stream->Pos() : TIO::Pos(); }
int32_t TStreamWrapper::Size() { return _stream ? _stream->Size() : TIO::Size(); }
int32_t TStreamWrapper::Seek(int32_t pos) { return _stream ? _stream->Seek(pos) : TIO::Seek(pos); }
void TStreamWrapper::Flush()
{
    if (_stream) _stream->Flush();
}
void TStreamWrapper::Close()
{
    if (_stream) _stream->Close();
}
int32_t TStreamWrapper::Read(void* buf, int32_t count)
{
    return _stream ? _stream->Read(buf, count) : TIO::Read(buf, count);
}
int32_t TStreamWrapper::Write(const void* buf, int32_t count)
{
    return _stream ? _stream->Write(buf, count) : TIO::Write(buf, count);
}

std::shared_ptr<TStreamStream> TStreamStream::Create(TStreamPtr stream)
{
    auto s = std::make_shared<TStreamStream>();
    s->SetStream(std::move(stream));
    return s;
}

void TStreamStream::Close() { SetStream(nullptr); }

// ---- TCStream

std::shared_ptr<TCStream> TCStream::OpenFile(const std::string& path, bool readable, bool writeable)
{
    int32_t mode = MODE_READ;
    const char* fmode = "rb";
    if (readable && writeable) {
        mode = MODE_READ | MODE_WRITE;
        fmode = "r+b";
    } else if (writeable) {
        mode = MODE_WRITE;
        fmode = "wb";
    }
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.empty()) return nullptr;
    std::unique_ptr<std::FILE, TFileCloser> f(std::fopen(p.c_str(), fmode));
    if (!f) return nullptr;
    // A directory opens for reading on this system but reads nothing: it is not a file.
    struct stat st {};
    if (fstat(fileno(f.get()), &st) != 0 || S_ISDIR(st.st_mode)) return nullptr;
    // Positions and sizes are 32-bit: a larger file is refused rather than misread.
    const off_t start = ::ftello(f.get());
    off_t end = start;
    if (::fseeko(f.get(), 0, SEEK_END) == 0) end = ::ftello(f.get());
    if (start < 0 || end < 0 || end > std::numeric_limits<int32_t>::max() || ::fseeko(f.get(), start, SEEK_SET) != 0) {
        errno = EFBIG;
        return nullptr;
    }
    auto s = std::make_shared<TCStream>();
    s->_cstream = std::move(f);
    s->_path = p;
    s->_mode = mode;
    s->_pos = static_cast<int32_t>(start);
    s->_size = static_cast<int32_t>(end);
    return s;
}

TCStream::~TCStream() { Close(); }

int32_t TCStream::Seek(int32_t pos)
{
    if (!_cstream) return -1;
    std::fseek(_cstream.get(), pos, SEEK_SET);
    _pos = static_cast<int32_t>(std::ftell(_cstream.get()));
    _lastOp = 0;
    return _pos;
}

void TCStream::Flush()
{
    if (_cstream) std::fflush(_cstream.get());
}

void TCStream::Close()
{
    if (!_cstream) return;
    // Nobody asks how a write went after the close: a failed flush (a full disk) is reported here,
    // whether fclose writing out the buffer met it or an earlier flush did.
    std::FILE* file = _cstream.release();
    const bool failedBefore = std::ferror(file) != 0;
    const int closeError = std::fclose(file) == 0 ? 0 : errno;
    if (_mode & MODE_WRITE) {
        if (closeError != 0)
            ReportProblem("writing " + _path + " failed: " + std::strerror(closeError));
        else if (failedBefore)
            ReportProblem("writing " + _path + " failed");
    }
    _pos = 0;
    _size = 0;
}

// A file open for both reading and writing needs a seek between a read and a write.
void TCStream::SwitchDirection(int32_t op)
{
    if (_lastOp != 0 && _lastOp != op) std::fseek(_cstream.get(), 0, SEEK_CUR);
    _lastOp = op;
}

int32_t TCStream::Read(void* buf, int32_t count)
{
    if (!(_mode & MODE_READ)) return TIO::Read(buf, count);
    if (!_cstream || count <= 0) return 0;
    count = ClampToInt32Room(_pos, count);
    if (count <= 0) return 0;
    SwitchDirection(MODE_READ);
    const auto n = static_cast<int32_t>(std::fread(buf, 1, static_cast<size_t>(count), _cstream.get()));
    _pos += n;
    return n;
}

int32_t TCStream::Write(const void* buf, int32_t count)
{
    if (!(_mode & MODE_WRITE)) return TIO::Write(buf, count);
    if (!_cstream || count <= 0) return 0;
    count = ClampToInt32Room(_pos, count);
    if (count <= 0) return 0;
    SwitchDirection(MODE_WRITE);
    const auto n = static_cast<int32_t>(std::fwrite(buf, 1, static_cast<size_t>(count), _cstream.get()));
    _pos += n;
    _size = std::max(_size, _pos);
    return n;
}

// ---- TBankStream

std::shared_ptr<TBankStream> TBankStream::Create(std::shared_ptr<TBank> bank)
{
    auto s = std::make_shared<TBankStream>();
    s->_bank = bank ? std::move(bank) : TBank::Create(0);
    return s;
}

int32_t TBankStream::Size() { return _bank->Size(); }

int32_t TBankStream::Seek(int32_t pos)
{
    _pos = std::clamp(pos, 0, _bank->Size());
    return _pos;
}

int32_t TBankStream::Read(void* buf, int32_t count)
{
    if (count <= 0) return 0;
    const int32_t n = std::min(count, _bank->Size() - _pos);
    if (n <= 0) return 0;
    std::memcpy(buf, _bank->Buf() + _pos, static_cast<size_t>(n));
    _pos += n;
    return n;
}

int32_t TBankStream::Write(const void* buf, int32_t count)
{
    if (count <= 0 || _pos > _bank->Size()) return 0;
    count = ClampToInt32Room(_pos, count);
    if (count <= 0) return 0;
    if (_pos + count > _bank->Size()) _bank->Resize(_pos + count);
    std::memcpy(_bank->Buf() + _pos, buf, static_cast<size_t>(count));
    _pos += count;
    return count;
}

// ---- TRamStream

std::shared_ptr<TRamStream> TRamStream::Create(const void* buf, int32_t size, bool readable, bool writeable)
{
    auto s = std::make_shared<TRamStream>();
    // Writes go through only when the stream was created writeable over writeable memory.
    s->_buf = static_cast<uint8_t*>(const_cast<void*>(buf));
    s->_size = std::max(size, 0);
    s->_read = readable;
    s->_write = writeable;
    return s;
}

int32_t TRamStream::Seek(int32_t pos)
{
    _pos = std::clamp(pos, 0, _size);
    return _pos;
}

int32_t TRamStream::Read(void* buf, int32_t count)
{
    if (!_read) return TIO::Read(buf, count);
    if (count <= 0) return 0;
    const int32_t n = std::min(count, _size - _pos);
    if (n <= 0) return 0;
    std::memcpy(buf, _buf + _pos, static_cast<size_t>(n));
    _pos += n;
    return n;
}

int32_t TRamStream::Write(const void* buf, int32_t count)
{
    if (!_write) return TIO::Write(buf, count);
    if (count <= 0) return 0;
    const int32_t n = std::min(count, _size - _pos);
    if (n <= 0) return 0;
    std::memcpy(_buf + _pos, buf, static_cast<size_t>(n));
    _pos += n;
    return n;
}

// ---- The opener chain

namespace {

// "incbin::name" opens a registered embedded file, read-only.
class TRamStreamFactory : public TStreamFactory {
public:
    TStreamPtr CreateStream(const TUrl&, const std::string& proto, const std::string& path, bool readable,
                            bool writeable) override
    {
        if (proto != "incbin" || writeable) return nullptr;
        const uint8_t* data = EmbeddedFileData(path);
        if (!data) return nullptr;
        return TRamStream::Create(data, EmbeddedFileSize(path), readable, false);
    }
};

// A bank opens as a stream over it.
class TBankStreamFactory : public TStreamFactory {
public:
    TStreamPtr CreateStream(const TUrl& url, const std::string&, const std::string&, bool, bool) override
    {
        if (!url.bank) return nullptr;
        return OpenBankStream(url.bank);
    }
};

// Newest first. The two built-in factories join on first use.
std::vector<std::shared_ptr<TStreamFactory>>& FactoryChain()
{
    static std::vector<std::shared_ptr<TStreamFactory>> chain{std::make_shared<TBankStreamFactory>(),
                                                              std::make_shared<TRamStreamFactory>()};
    return chain;
}

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

void RegisterStreamFactory(std::shared_ptr<TStreamFactory> factory)
{
    auto& chain = FactoryChain();
    chain.insert(chain.begin(), std::move(factory));
}

TStreamPtr OpenStreamUrl(const TUrl& url, bool readable, bool writeable)
{
    if (url.stream) return TStreamStream::Create(url.stream);
    std::string proto, path;
    const std::string& text = url.text;
    const size_t i = text.find("::");
    if (i != std::string::npos) {
        proto = LowerAscii(text.substr(0, i));
        path = text.substr(i + 2);
    } else if (!text.empty()) {
        return TCStream::OpenFile(text, readable, writeable);
    }
    for (const auto& factory : FactoryChain()) {
        if (TStreamPtr s = factory->CreateStream(url, proto, path, readable, writeable)) return s;
    }
    return nullptr;
}

TStreamPtr OpenFileStream(const TUrl& url, bool readable, bool writeable)
{
    TStreamPtr stream = OpenStreamUrl(url, readable, writeable);
    // Only a readable stream can be taken into a bank; a write-only one is handed out as it is.
    if (!stream || stream->Pos() != -1 || !readable) return stream;
    TBankPtr bank = TBank::Load(stream);
    stream->Close();
    if (!bank) return nullptr;
    return OpenBankStream(bank);
}

TStreamPtr ReadFileStream(const TUrl& url) { return OpenFileStream(url, true, false); }
TStreamPtr WriteFileStream(const TUrl& url) { return OpenFileStream(url, false, true); }

std::shared_ptr<TBankStream> OpenBankStream(std::shared_ptr<TBank> bank)
{
    return TBankStream::Create(std::move(bank));
}

std::vector<uint8_t> ReadAllBytes(const TUrl& url)
{
    TStreamPtr stream = OpenStreamUrl(url, true, false);
    if (!stream) throw TStreamReadException();
    std::vector<uint8_t> bytes;
    uint8_t chunk[8192];
    while (!stream->Eof()) {
        const int32_t n = stream->Read(chunk, sizeof chunk);
        if (n <= 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    stream->Close();
    return bytes;
}
