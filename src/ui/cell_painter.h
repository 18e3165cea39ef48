#pragma once

#include "layout/advance_table_measure.h"
#include "layout/cell_geometry.h"
#include "ui/gdi_drawing.h"
#include "ui/static_text_cache.h"

#include <QBrush>
#include <QFont>
#include <QPen>

#include <array>
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

// The laid-out texts of the two cell fonts, kept by the view across paints.
struct CellTexts {
    explicit CellTexts(const CellFonts& fonts);
    StaticTextCache plain;
    StaticTextCache bold;
    // The cell brushes and the two pens, made once.
    std::array<QBrush, 9> brushes;
    QPen boxPen;
    QPen shadowPen;
    QPen textPen;
};

// Paints laid-out cells with QPainter: the boxes in the cell's brush with the
// box pen, caption and value centred, and the shadow on the bottom and right.
class QtCellPainter : public CellPainter {
public:
    QtCellPainter(QPainter& painter, CellTexts& texts) : painter_(painter), texts_(texts) {}

    void paintCell(const FieldCell& cell, const CellBoxes& boxes) override;

private:
    void useFont(const QFont& font);
    void box(const PixelRect& r, const QBrush& fill);

    QPainter& painter_;
    CellTexts& texts_;
    const QFont* font_ = nullptr;
};

} // namespace qlm::ui
