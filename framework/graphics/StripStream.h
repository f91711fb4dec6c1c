// A long JPEG strip's cells, decoded for a streamed image one row of cells at a time.
#pragma once

#include "framework/graphics/Image.h"
#include "framework/graphics/Pixmap.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A masked image's pixels without alpha get it from the mask colour; others stay as they are.
TPixmapPtr Masked(TPixmapPtr pixmap, int32_t flags, int32_t mr, int32_t mg, int32_t mb);

// The cells of a JPEG strip, decoded one row of cells at a time from the top of the file; rows
// ahead may be decoded on another thread, one after the other, while the frames of the row before
// them are drawn. The decoder keeps its place between rows, so the strip is read through once
// however it is cut up.
class TStripStream {
public:
    TStripStream(std::string file, int32_t cell_width, int32_t cell_height, int32_t first, int32_t count,
                 int32_t strip_width, int32_t strip_height, const TImage& image)
        : _file(std::move(file)), _cellWidth(cell_width), _cellHeight(cell_height), _first(first), _count(count),
          _stripWidth(strip_width), _stripHeight(strip_height), _perRow(strip_width / cell_width), _flags(image.flags),
          _maskR(image.mask_r), _maskG(image.mask_g), _maskB(image.mask_b)
    {
    }
    ~TStripStream() { Close(); }
    TStripStream(const TStripStream&) = delete;
    TStripStream& operator=(const TStripStream&) = delete;

    const std::string& File() const { return _file; }
    // The row of cells holding frame index, and the frames of a row: RowBegin to RowEnd - 1.
    int32_t RowOf(int32_t index) const { return (_first + index) / _perRow; }
    int32_t RowBegin(int32_t row) const { return std::max(0, row * _perRow - _first); }
    int32_t RowEnd(int32_t row) const { return std::min(_count, (row + 1) * _perRow - _first); }
    int32_t LastRow() const { return RowOf(_count - 1); }

    // Starts decoding row on another thread, unless it is decoded already or another row is
    // being decoded, or a decode ahead has failed.
    void Start(int32_t row);

    // The frames of row (RowBegin first), decoded here unless that was done or is under way;
    // rows decoded before it are let go. Empty when the file cannot be decoded that far.
    std::vector<TPixmapPtr> Take(int32_t row);

    // Waits for a decode under way and drops the decoded rows and the decoder with its place in
    // the file.
    void Close();

private:
    // Rows are read in bands of this many pixel rows, pasted into the cells as they come.
    static constexpr int32_t kBandRows = 16;

    // Keeps the frames of a decode that has ended, or, with wait, of one under way.
    void Collect(bool wait);

    // Reads on to row, from the top of the file again when row lies behind the decoder.
    std::vector<TPixmapPtr> Decode(int32_t row);

    const std::string _file;
    const int32_t _cellWidth, _cellHeight, _first, _count, _stripWidth, _stripHeight, _perRow;
    const int32_t _flags, _maskR, _maskG, _maskB;
    // Used by one decode at a time: Start and Take never let two run together.
    std::unique_ptr<TJpegRowReader> _reader;
    int32_t _nextRow = 0;
    std::future<std::vector<TPixmapPtr>> _running;
    int32_t _runningRow = -1;
    // Rows decoded ahead, not yet taken; empty frames for a row that could not be decoded.
    std::map<int32_t, std::vector<TPixmapPtr>> _decoded;
};
