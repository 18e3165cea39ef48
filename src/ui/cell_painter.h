#pragma once

#include "layout/advance_table_measure.h"
#include "layout/cell_geometry.h"
#include "ui/gdi_drawing.h"

#include <QFont>
#include <QPainter>

namespace qlm::ui {

// The cell fonts: "COURIER" of 7 pixels (plain and italic) and of 8 pixels bold.
struct CellFonts {
    QFont plain;
    QFont italic;
    QFont bold;

    CellFonts();
    // The grid's text measure, from these fonts' character advances.
    AdvanceTableMeasure measure() const;
};

// Paints laid-out cells with QPainter: the boxes in the cell's brush with the
// box pen, caption and value centred, and the shadow on the bottom and right.
class QtCellPainter : public CellPainter {
public:
    QtCellPainter(QPainter& painter, const CellFonts& fonts) : painter_(painter), fonts_(fonts) {}

    void paintCell(const FieldCell& cell, const CellBoxes& boxes) override;

private:
    QPainter& painter_;
    const CellFonts& fonts_;
    Latin1Buffer text_;
};

} // namespace qlm::ui
