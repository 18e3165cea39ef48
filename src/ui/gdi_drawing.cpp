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

const QString& Latin1Buffer::operator()(std::string_view text) {
    text_.resize(static_cast<qsizetype>(text.size()));
    QChar* out = text_.data();
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = QChar(static_cast<unsigned char>(text[i]));
    return text_;
}

} // namespace qlm::ui
