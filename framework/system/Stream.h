// Byte streams over disk files, banks and memory, the opener chain and the stream errors.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

class TBank;
class TStream;

// Raised by a read that ends early: "Error reading from stream".
class TStreamException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class TStreamReadException : public TStreamException {
public:
    TStreamReadException() : TStreamException("Error reading from stream") {}
};
class TStreamWriteException : public TStreamException {
public:
    TStreamWriteException() : TStreamException("Error writing to stream") {}
};

// What an opener accepts: a file name or "proto::path" text, an open stream, or a bank.
struct TUrl {
    std::string text;
    std::shared_ptr<TStream> stream;
    std::shared_ptr<TBank> bank;

    TUrl() = default;
    TUrl(const char* t) : text(t ? t : "") {}
    TUrl(std::string t) : text(std::move(t)) {}
    // Any stream class: OpenBankStream(bank) passes straight to ReadFileStream.
    template <typename S>
    requires std::is_base_of_v<TStream, S> TUrl(std::shared_ptr<S> s) : stream(std::move(s)) {}
    TUrl(std::shared_ptr<TBank> b) : bank(std::move(b)) {}
};

// Root of all streams. The base is neither readable, writeable nor seekable.
class TIO {
public:
    virtual ~TIO() = default;
    virtual bool Eof();
    virtual int32_t Pos();
    virtual int32_t Size();
    virtual int32_t Seek(int32_t pos);
    virtual void Flush();
    virtual void Close();
    virtual int32_t Read(void* buf, int32_t count);
    virtual int32_t Write(const void* buf, int32_t count);
};

class TStream : public TIO {
public:
    // Whole transfers: throw TStreamReadException / TStreamWriteException when a Read or Write stalls.
    int32_t ReadBytes(void* buf, int32_t count);
    int32_t WriteBytes(const void* buf, int32_t count);
    int32_t SkipBytes(int32_t count);
    int32_t ReadByte();
    void WriteByte(int32_t value);
    int32_t ReadShort();
    void WriteShort(int32_t value);
    int32_t ReadInt();  // 4 bytes, little-endian
    void WriteInt(int32_t value);
    int64_t ReadLong();
    void WriteLong(int64_t value);
    float ReadFloat();
    void WriteFloat(float value);
    double ReadDouble();
    void WriteDouble(double value);
    // One Latin-1 line: CR skipped, stops at LF, NUL or the end. Never throws.
    std::string ReadLine();
    // Low 8 bits of each character, then CR LF. True when every byte was written. Never throws.
    bool WriteLine(const std::string& text);
    std::string ReadString(int32_t length);
    void WriteString(const std::string& text);
};

using TStreamPtr = std::shared_ptr<TStream>;

// Forwards every operation to the wrapped stream.
class TStreamWrapper : public TStream {
public:
    void SetStream(TStreamPtr stream) { _stream = std::move(stream); }
    bool Eof() override;
    int32_t Pos() override;
    int32_t Size() override;
    int32_t Seek(int32_t pos) override;
    void Flush() override;
    void Close() override;
    int32_t Read(void* buf, int32_t count) override;
    int32_t Write(const void* buf, int32_t count) override;

protected:
    TStreamPtr _stream;
};

// Wraps a stream it does not own: Close only detaches.
class TStreamStream : public TStreamWrapper {
public:
    static std::shared_ptr<TStreamStream> Create(TStreamPtr stream);
    void Close() override;
};

// A disk file. Modes: MODE_READ "rb", MODE_WRITE "wb", both "r+b". Closed when destroyed; when
// the last buffered bytes of a file open for writing cannot be written out, Close reports it on
// stderr, since nobody asks for them afterwards.
// Positions stay within int32: a file larger than that does not open (errno EFBIG), and
// transfers stop at the largest position.
class TCStream : public TStream {
public:
    static constexpr int32_t MODE_READ = 1;
    static constexpr int32_t MODE_WRITE = 2;
    static std::shared_ptr<TCStream> OpenFile(const std::string& path, bool readable, bool writeable);
    ~TCStream() override;
    int32_t Pos() override { return _pos; }
    int32_t Size() override { return _size; }
    int32_t Seek(int32_t pos) override;
    void Flush() override;
    void Close() override;
    int32_t Read(void* buf, int32_t count) override;
    int32_t Write(const void* buf, int32_t count) override;

private:
    struct TFileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    void SwitchDirection(int32_t op);
    int32_t _pos = 0;
    int32_t _size = 0;
    std::unique_ptr<std::FILE, TFileCloser> _cstream;
    std::string _path;
    int32_t _mode = 0;
    int32_t _lastOp = 0;  // MODE_READ or MODE_WRITE: the direction of the last transfer
};

// A stream over a bank; writes past the end grow the bank.
class TBankStream : public TStream {
public:
    static std::shared_ptr<TBankStream> Create(std::shared_ptr<TBank> bank);
    int32_t Pos() override { return _pos; }
    int32_t Size() override;
    int32_t Seek(int32_t pos) override;
    int32_t Read(void* buf, int32_t count) override;
    int32_t Write(const void* buf, int32_t count) override;

private:
    int32_t _pos = 0;
    std::shared_ptr<TBank> _bank;
};

// A window on fixed memory that is never grown.
class TRamStream : public TStream {
public:
    static std::shared_ptr<TRamStream> Create(const void* buf, int32_t size, bool readable, bool writeable);
    int32_t Pos() override { return _pos; }
    int32_t Size() override { return _size; }
    int32_t Seek(int32_t pos) override;
    int32_t Read(void* buf, int32_t count) override;
    int32_t Write(const void* buf, int32_t count) override;

private:
    int32_t _pos = 0;
    int32_t _size = 0;
    uint8_t* _buf = nullptr;
    bool _read = false;
    bool _write = false;
};

// Opens "proto::path" urls. A new factory is asked before the older ones.
class TStreamFactory {
public:
    virtual ~TStreamFactory() = default;
    virtual TStreamPtr CreateStream(const TUrl& url, const std::string& proto, const std::string& path, bool readable,
                                    bool writeable) = 0;
};
void RegisterStreamFactory(std::shared_ptr<TStreamFactory> factory);

TStreamPtr OpenStreamUrl(const TUrl& url, bool readable, bool writeable);
// As OpenStreamUrl; a stream that cannot seek is read whole into a bank first.
TStreamPtr OpenFileStream(const TUrl& url, bool readable, bool writeable);
TStreamPtr ReadFileStream(const TUrl& url);
TStreamPtr WriteFileStream(const TUrl& url);
std::shared_ptr<TBankStream> OpenBankStream(std::shared_ptr<TBank> bank);
// Every byte of url; throws TStreamReadException when it cannot be opened.
std::vector<uint8_t> ReadAllBytes(const TUrl& url);
