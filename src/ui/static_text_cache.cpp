#include "ui/static_text_cache.h"

#include <QPainter>

namespace qlm::ui {

const QStaticText& StaticTextCache::operator[](std::string_view text) {
    if (const auto found = texts_.find(text); found != texts_.end())
        return found->second;
    if (texts_.size() >= kCapacity)
        texts_.clear();
    QStaticText laidOut(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.prepare(QTransform(), font_);
    return texts_.emplace(std::string(text), std::move(laidOut)).first->second;
}

void drawCentred(QPainter& painter, const QStaticText& text, int left, int top, int right,
                 int bottom) {
    const QSizeF size = text.size();
    const qreal x = left + ((right - left) - size.width()) / 2;
    const qreal y = top + ((bottom - top) - size.height()) / 2;
    painter.drawStaticText(QPointF(x, y), text);
}

} // namespace qlm::ui
