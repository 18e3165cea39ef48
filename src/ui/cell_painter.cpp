#include "ui/cell_painter.h"

#include "ui/view_palette.h"

#include <QFontMetrics>

namespace qlm::ui {
namespace {

QFont courier(int pixelSize, QFont::Weight weight, bool italic) {
    QFont font(QStringLiteral("COURIER"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setItalic(italic);
    return font;
}

AdvanceTableMeasure::Advances advancesOf(const QFont& font) {
    const QFontMetrics metrics(font);
    AdvanceTableMeasure::Advances advances{};
    for (int c = 0; c < 256; ++c)
        advances[static_cast<size_t>(c)] = metrics.horizontalAdvance(QChar(c));
    return advances;
}

} // namespace

CellFonts::CellFonts()
    : plain(courier(7, QFont::Normal, false)),
      italic(courier(7, QFont::Normal, true)),
      bold(courier(8, QFont::Bold, false)) {}

AdvanceTableMeasure CellFonts::measure() const {
    return AdvanceTableMeasure(advancesOf(plain), advancesOf(bold));
}

void QtCellPainter::paintCell(const FieldCell& cell, const CellBoxes& boxes) {
    const QColor fill = cellColour(cell.brush);
    if (boxes.merged) {
        outlinedBox(painter_, boxes.outline(), fill, kCellBoxPen);
    } else {
        outlinedBox(painter_, boxes.captionBox, fill, kCellBoxPen);
        outlinedBox(painter_, boxes.valueBox, fill, kCellBoxPen);
    }
    painter_.setPen(Qt::black);
    painter_.setFont(boxes.captionFont == CellFont::kBold ? fonts_.bold : fonts_.plain);
    const PixelRect& c = boxes.captionBox;
    centredText(painter_, c.left, c.top, c.right, c.bottom, text_(cell.caption));
    painter_.setFont(fonts_.plain);
    const PixelRect& v = boxes.valueText;
    centredText(painter_, v.left, v.top, v.right, v.bottom, text_(cell.value));

    const PixelRect outline = boxes.outline();
    painter_.setPen(kCellShadowPen);
    painter_.drawLine(outline.left + 2, outline.bottom, outline.right, outline.bottom);
    painter_.drawLine(outline.right, outline.bottom, outline.right, outline.top + 1);
}

} // namespace qlm::ui
