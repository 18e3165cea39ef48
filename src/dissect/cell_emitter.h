#pragma once

#include "dissect/column_flags.h"
#include "dissect/field_cell.h"

namespace qlm {

struct CellStyle {
    CellBrush brush;
    bool captionEmphasis;
};

// Hands the decoders' cells to a sink, leaving out the cells of hidden columns,
// and turns the end of a group into a gap when the group drew a cell.
class CellEmitter {
public:
    CellEmitter(const ColumnFlags& columns, CellSink& sink) : columns_(columns), sink_(sink) {}

    bool visible(FieldColumn column) const { return columns_.visible(column); }

    void cell(FieldColumn column, CellStyle style, std::string_view caption,
              std::string_view value, const Sentence& explanation) {
        if (!visible(column))
            return;
        sink_.cell({column, style.brush, style.captionEmphasis, caption, value, explanation});
        drawnInGroup_ = true;
    }

    // Cells emitted before beginGroup do not count towards the group's gap.
    void beginGroup() { drawnInGroup_ = false; }
    // Adds the gap when the group drew a cell. Ending a group twice adds one gap.
    void endGroup() {
        if (drawnInGroup_)
            sink_.gap();
        drawnInGroup_ = false;
    }

private:
    const ColumnFlags& columns_;
    CellSink& sink_;
    bool drawnInGroup_ = false;
};

} // namespace qlm
