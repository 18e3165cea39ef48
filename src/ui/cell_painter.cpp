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

CellTexts::CellTexts(const CellFonts& fonts)
    : plain(fonts.plain), bold(fonts.bold), boxPen(kCellBoxPen), shadowPen(kCellShadowPen),
      textPen(Qt::black) {
    for (size_t brush = 0; brush < brushes.size(); ++brush)
        brushes[brush] = QBrush(cellColour(static_cast<CellBrush>(brush)));
}

void QtCellPainter::box(const PixelRect& r, const QBrush& fill) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return;
    painter_.fillRect(r.left, r.top, width, height, fill);
    painter_.drawRect(r.left, r.top, width - 1, height - 1);
}

void QtCellPainter::useFont(const QFont& font) {
    if (font_ != &font) {
        painter_.setFont(font);
        font_ = &font;
    }
}

void QtCellPainter::paintCell(const FieldCell& cell, const CellBoxes& boxes) {
    const QBrush& fill = texts_.brushes[static_cast<size_t>(cell.brush)];
    painter_.setPen(texts_.boxPen);
    painter_.setBrush(Qt::NoBrush);
    if (boxes.merged) {
        box(boxes.outline(), fill);
    } else {
        box(boxes.captionBox, fill);
        box(boxes.valueBox, fill);
    }
    painter_.setPen(texts_.textPen);
    StaticTextCache& captions = boxes.captionFont == CellFont::kBold ? texts_.bold : texts_.plain;
    useFont(captions.font());
    const PixelRect& c = boxes.captionBox;
    drawCentred(painter_, captions[cell.caption], c.left, c.top, c.right, c.bottom);
    useFont(texts_.plain.font());
    const PixelRect& v = boxes.valueText;
    drawCentred(painter_, texts_.plain[cell.value], v.left, v.top, v.right, v.bottom);

    const PixelRect outline = boxes.outline();
    painter_.setPen(texts_.shadowPen);
    painter_.drawLine(outline.left + 2, outline.bottom, outline.right, outline.bottom);
    painter_.drawLine(outline.right, outline.bottom, outline.right, outline.top + 1);
}

} // namespace qlm::ui
