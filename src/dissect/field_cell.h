#pragma once

#include "dissect/cell_brush.h"
#include "dissect/field_column.h"
#include "dissect/sentence.h"

#include <string_view>

namespace qlm {

// One decoded field of one frame as it is drawn: a caption over a value in the
// colour of its layer, and the sentence shown while the mouse rests on it. The
// texts are only valid during the sink call that receives the cell.
struct FieldCell {
    FieldColumn column;  // the column whose visibility let the cell through
    CellBrush brush;
    bool captionEmphasis;  // true: bold caption, caption and value in two boxes
    std::string_view caption;
    std::string_view value;
    Sentence explanation;

    Layer layer() const { return columnLayer(column); }
};

// Receives the cells of one row in drawing order, and a gap wherever a group of
// cells that drew something ends.
class CellSink {
public:
    virtual ~CellSink() = default;
    virtual void cell(const FieldCell& cell) = 0;
    virtual void gap() = 0;
};

} // namespace qlm
