// The heap reserve: blocks whose pages are written one by one, then given back to a heap told to keep them.
#include "framework/graphics/HeapReserve.h"

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Below the size the heap serves from mappings of their own, which go back to the system when freed.
constexpr size_t kBlockBytes = 64 * 1024;
constexpr size_t kPageBytes = 4096;

}  // namespace

THeapReserve::THeapReserve(size_t total, size_t step) : _total(total), _step(std::max(step, kBlockBytes)) {}

void THeapReserve::Step()
{
    if (_done) return;
    for (size_t grown = 0; grown < _step && _grown < _total; grown += kBlockBytes, _grown += kBlockBytes) {
        auto block = std::make_unique_for_overwrite<char[]>(kBlockBytes);
        // A write to every page, not a hand-over in bulk: pages handed over so still cost their first
        // writer about 6 us each here.
        for (size_t at = 0; at < kBlockBytes; at += kPageBytes) static_cast<volatile char*>(block.get())[at] = 0;
        _blocks.push_back(std::move(block));
    }
    if (_grown < _total) return;
#ifdef __GLIBC__
    // Otherwise the heap would hand most of it back to the system as soon as it is freed.
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(std::min<size_t>(2 * _total, 1u << 30)));
#endif
    _blocks.clear();
    _blocks.shrink_to_fit();
    _done = true;
}
