#pragma once

// Decoding records into a recorder and showing the result as one line of text,
// so that a test states a whole row at once.

#include "dissect/cell_recorder.h"
#include "dissect/frame_dissector.h"

#include <string>

namespace qlm::test {

// "caption=value" per cell; cells of one group are separated by two spaces, and a
// gap shows as " | " (a gap after the last cell as a trailing " |").
inline std::string rowText(const CellRecorder& row) {
    std::string text;
    for (size_t i = 0; i < row.size(); ++i) {
        const CellRecorder::Cell cell = row[i];
        if (i > 0)
            text += row[i - 1].gapAfter ? " | " : "  ";
        text.append(cell.caption).append("=").append(cell.value);
    }
    if (!row.empty() && row[row.size() - 1].gapAfter)
        text += " |";
    return text;
}

// The cell with this caption (the first one), or null.
inline const CellRecorder::Cell* findCell(const CellRecorder& row, std::string_view caption,
                                          CellRecorder::Cell& storage) {
    for (size_t i = 0; i < row.size(); ++i)
        if (row[i].caption == caption) {
            storage = row[i];
            return &storage;
        }
    return nullptr;
}

inline std::string decodeToText(const FrameDissector& dissector, const CapturedFrame& frame,
                                const CapturedFrame* previous = nullptr, int32_t index = 0) {
    CellRecorder row;
    dissector.dissect(frame, previous, index, row);
    return rowText(row);
}

} // namespace qlm::test
