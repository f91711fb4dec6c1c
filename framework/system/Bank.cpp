// Growable byte banks: creation, growth, peeks and pokes, whole-stream load and save.
#include "framework/system/Bank.h"

#include <algorithm>
#include <cstring>
#include <limits>

std::shared_ptr<TBank> TBank::Create(int32_t size)
{
    auto bank = std::shared_ptr<TBank>(new TBank());
    size = std::max(size, 0);
    bank->_storage = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
    bank->_buf = bank->_storage.get();
    bank->_size = size;
    bank->_capacity = size;
    return bank;
}

std::shared_ptr<TBank> TBank::CreateStatic(uint8_t* buf, int32_t size)
{
    auto bank = std::shared_ptr<TBank>(new TBank());
    bank->_buf = buf;
    bank->_size = std::max(size, 0);
    bank->_capacity = -1;
    return bank;
}

TBank::~TBank() = default;

void TBank::Resize(int32_t size)
{
    size = std::max(size, 0);
    if (size > _capacity) {
        const int64_t grown = static_cast<int64_t>(_capacity) * 3 / 2;
        const auto capacity = static_cast<int32_t>(
            std::min<int64_t>(std::max<int64_t>(grown, size), std::numeric_limits<int32_t>::max()));
        auto storage = std::make_unique<uint8_t[]>(static_cast<size_t>(capacity));
        if (_size > 0) std::memcpy(storage.get(), _buf, static_cast<size_t>(_size));
        // A bank over foreign memory owns its buffer from its first growth on.
        _storage = std::move(storage);
        _buf = _storage.get();
        _capacity = capacity;
    }
    _size = size;
}

namespace {

// The part of [offset, offset + count) that lies inside a bank of size bytes.
int32_t ClampSpan(int32_t size, int32_t offset, int32_t count)
{
    if (offset < 0 || offset > size || count <= 0) return 0;
    return std::min(count, size - offset);
}

}  // namespace

int32_t TBank::Read(TStream& stream, int32_t offset, int32_t count)
{
    const int32_t n = ClampSpan(_size, offset, count);
    return n > 0 ? stream.Read(_buf + offset, n) : 0;
}

int32_t TBank::Write(TStream& stream, int32_t offset, int32_t count)
{
    const int32_t n = ClampSpan(_size, offset, count);
    return n > 0 ? stream.Write(_buf + offset, n) : 0;
}

int32_t TBank::PeekInt(int32_t offset) const
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(_buf[offset + i]) << (8 * i);
    return static_cast<int32_t>(v);
}

void TBank::PokeInt(int32_t offset, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) _buf[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::shared_ptr<TBank> TBank::Load(const TUrl& url)
{
    TStreamPtr stream = OpenStreamUrl(url, true, false);
    if (!stream) return nullptr;
    std::vector<uint8_t> buf(1024);
    size_t used = 0;
    constexpr size_t largest = std::numeric_limits<int32_t>::max();
    while (!stream->Eof()) {
        // A bank's size is 32-bit: a stream with more bytes than that is refused.
        if (used == largest) {
            stream->Close();
            return nullptr;
        }
        if (used == buf.size()) buf.resize(std::min(buf.size() * 3 / 2, largest));
        const int32_t n = stream->Read(buf.data() + used, static_cast<int32_t>(buf.size() - used));
        if (n <= 0) break;
        used += static_cast<size_t>(n);
    }
    stream->Close();
    auto bank = Create(static_cast<int32_t>(used));
    if (used > 0) std::memcpy(bank->Buf(), buf.data(), used);
    return bank;
}

int32_t TBank::Save(const TUrl& url)
{
    TStreamPtr stream = OpenStreamUrl(url, false, true);
    if (!stream) return 0;
    stream->WriteBytes(_buf, _size);
    stream->Close();
    return 1;
}
