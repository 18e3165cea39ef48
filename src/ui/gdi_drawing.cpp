#include "ui/gdi_drawing.h"

namespace qlm::ui {

void fillBox(QPainter& painter, int left, int top, int right, int bottom, const QColor& fill) {
    if (right > left && bottom > top)
        painter.fillRect(left, top, right - left, bottom - top, fill);
}

void outlinedBox(QPainter& painter, int left, int top, int right, int bottom, const QColor& fill,
                 const QColor& pen) {
    if (right <= left || bottom <= top)
        return;
    painter.fillRect(left, top, right - left, bottom - top, fill);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

void centredText(QPainter& painter, int left, int top, int right, int bottom,
                 const QString& text) {
    painter.drawText(QRect(left, top, right - left, bottom - top),
                     Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
}

} // namespace qlm::ui
