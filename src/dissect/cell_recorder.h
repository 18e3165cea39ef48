#pragma once

#include "dissect/field_cell.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// A sink that keeps the cells of a row, explanations written out, and the gaps
// between groups, for the tests and for qlntool. clear() keeps the memory, so
// recording row after row allocates nothing once the largest row was seen.
class CellRecorder : public CellSink {
public:
    struct Cell {
        FieldColumn column;
        CellBrush brush;
        bool captionEmphasis;
        bool gapAfter;  // a group ends after this cell
        std::string_view caption;
        std::string_view value;
        std::string_view explanation;

        Layer layer() const { return columnLayer(column); }
    };

    void cell(const FieldCell& cell) override;
    void gap() override;
    void clear();

    size_t size() const { return cells_.size(); }
    bool empty() const { return cells_.empty(); }
    Cell operator[](size_t index) const;
    // Gaps before the first cell (a sink may be handed one before any cell).
    int leadingGaps() const { return leadingGaps_; }

private:
    struct Stored {
        FieldColumn column;
        CellBrush brush;
        bool captionEmphasis;
        bool gapAfter;
        uint32_t captionStart, valueStart, explanationStart, end;
    };

    std::vector<Stored> cells_;
    std::string text_;  // captions, values and explanations, one after the other
    int leadingGaps_ = 0;
};

} // namespace qlm
