// A long JPEG strip's cells decoded a row at a time, the rows ahead on another thread.
#include "framework/graphics/StripStream.h"

#include <chrono>

void TStripStream::Start(int32_t row)
{
    Collect(false);
    if (_running.valid() || _decoded.contains(row)) return;
    for (const auto& [done, cells] : _decoded)
        if (cells.empty()) return;
    _runningRow = row;
    _running = std::async(std::launch::async, [this, row] { return Decode(row); });
}

std::vector<TPixmapPtr> TStripStream::Take(int32_t row)
{
    if (_running.valid() && _runningRow == row) Collect(true);
    std::vector<TPixmapPtr> cells;
    if (auto done = _decoded.find(row); done != _decoded.end()) {
        cells = std::move(done->second);
    } else {
        Collect(true);
        cells = Decode(row);
    }
    _decoded.erase(_decoded.begin(), _decoded.upper_bound(row));
    return cells;
}

void TStripStream::Close()
{
    Collect(true);
    _decoded.clear();
    _reader = nullptr;
}

void TStripStream::Collect(bool wait)
{
    if (!_running.valid()) return;
    if (!wait && _running.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    _decoded[_runningRow] = _running.get();
}

std::vector<TPixmapPtr> TStripStream::Decode(int32_t row)
{
    if (!_reader || _nextRow > row) {
        _reader = TJpegRowReader::Open(_file);
        _nextRow = 0;
        // A file changed since its header was read fits the strip no more.
        if (_reader && (_reader->width != _stripWidth || _reader->height != _stripHeight)) _reader = nullptr;
        if (!_reader) return {};
    }
    TPixmapPtr band = TPixmap::Create(_stripWidth, std::min(kBandRows, _cellHeight), _reader->format);
    if (!band) return {};
    std::vector<TPixmapPtr> cells;
    for (; _nextRow <= row; ++_nextRow) {
        // The rows before the one wanted are read and let go.
        const bool wanted = _nextRow == row;
        for (int32_t k = RowBegin(row); wanted && k < RowEnd(row); ++k) {
            cells.push_back(TPixmap::Create(_cellWidth, _cellHeight, _reader->format));
            if (!cells.back()) return {};
        }
        for (int32_t top = 0; top < _cellHeight; top += band->height) {
            const int32_t rows = std::min(band->height, _cellHeight - top);
            const TPixmapPtr into = rows == band->height ? band : band->Window(0, 0, _stripWidth, rows);
            if (!_reader->Read(*into)) {
                _reader = nullptr;
                return {};
            }
            for (size_t k = 0; k < cells.size(); ++k) {
                const int32_t column = (_first + RowBegin(row) + static_cast<int32_t>(k)) % _perRow;
                cells[k]->Paste(*into->Window(_cellWidth * column, 0, _cellWidth, rows), 0, top);
            }
        }
    }
    for (TPixmapPtr& cell : cells) cell = Masked(std::move(cell), _flags, _maskR, _maskG, _maskB);
    return cells;
}
