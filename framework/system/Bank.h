// Growable byte banks, loaded from and saved to any stream url.
#pragma once

#include "framework/system/Stream.h"

#include <cstdint>
#include <memory>

class TBank {
public:
    static std::shared_ptr<TBank> Create(int32_t size);
    // A bank over memory it does not own (capacity -1).
    static std::shared_ptr<TBank> CreateStatic(uint8_t* buf, int32_t size);
    // Null when url cannot be opened for reading or holds more bytes than an int32 counts.
    static std::shared_ptr<TBank> Load(const TUrl& url);
    ~TBank();
    TBank(const TBank&) = delete;
    TBank& operator=(const TBank&) = delete;

    uint8_t* Buf() { return _buf; }
    int32_t Size() const { return _size; }
    int32_t Capacity() const { return _capacity; }
    // Growth: new capacity is max(capacity * 3 / 2, size); shrinking keeps the capacity.
    void Resize(int32_t size);
    int32_t Read(TStream& stream, int32_t offset, int32_t count);
    int32_t Write(TStream& stream, int32_t offset, int32_t count);
    int32_t PeekByte(int32_t offset) const { return _buf[offset]; }
    void PokeByte(int32_t offset, int32_t value) { _buf[offset] = static_cast<uint8_t>(value); }
    int32_t PeekInt(int32_t offset) const;
    void PokeInt(int32_t offset, int32_t value);
    // 1 when every byte was written to url, 0 when it could not be opened.
    int32_t Save(const TUrl& url);

private:
    TBank() = default;
    std::unique_ptr<uint8_t[]> _storage;  // empty for a bank over memory it does not own
    uint8_t* _buf = nullptr;
    int32_t _size = 0;
    int32_t _capacity = 0;
};

using TBankPtr = std::shared_ptr<TBank>;
