#pragma once

#include "dissect/field_cell.h"
#include "layout/text_measure.h"

namespace qlm {

// A rectangle in client pixels; right and bottom are outside it.
struct PixelRect {
    int left, top, right, bottom;

    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const PixelRect&) const = default;
};

// Where one cell is drawn. The caption box spans top to top + 16 and the value box
// top + 15 to top + 31, both with the cell's right edge. A cell is one merged box
// (caption box top to value box bottom) unless its caption is emphasised or both
// texts are two characters long; a merged cell's value sits one pixel higher.
// The shadow runs from (left + 2, bottom) to (right, bottom) and up to (right, top + 1).
struct CellBoxes {
    PixelRect captionBox;
    PixelRect valueBox;
    PixelRect valueText;
    bool merged;
    CellFont captionFont;

    PixelRect outline() const {
        return {captionBox.left, captionBox.top, captionBox.right, valueBox.bottom};
    }
};

// Draws laid-out cells; the window implements it with real fonts and brushes.
class CellPainter {
public:
    virtual ~CellPainter() = default;
    virtual void paintCell(const FieldCell& cell, const CellBoxes& boxes) = 0;
};

} // namespace qlm
