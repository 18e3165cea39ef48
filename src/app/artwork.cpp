#include "app/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace qlm::app {
namespace {

// The antenna and its radio waves, in a square of `size` at the origin.
void drawEmblem(QPainter& painter, qreal size) {
    const qreal u = size / 16.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x20, 0x40, 0x70));
    painter.drawRoundedRect(QRectF(0, 0, size, size), 2 * u, 2 * u);
    // Three frame cells in the layer colours of the grid.
    const QColor cells[] = {{0xE8, 0xE8, 0xE8}, {0x80, 0x80, 0xFF}, {0xCC, 0x66, 0xFF}};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(cells[i]);
        painter.drawRect(QRectF((1.5 + 4.5 * i) * u, 11 * u, 4 * u, 3.5 * u));
    }
    // The antenna mast and the waves it hears.
    QPen mast(QColor(0xFF, 0xFF, 0x00), 1.2 * u, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(mast);
    painter.drawLine(QPointF(8 * u, 9.5 * u), QPointF(8 * u, 4 * u));
    painter.setBrush(Qt::NoBrush);
    for (int wave = 1; wave <= 2; ++wave) {
        const qreal r = 2.2 * wave * u;
        const QRectF arc(8 * u - r, 4 * u - r, 2 * r, 2 * r);
        painter.drawArc(arc, 30 * 16, 120 * 16);
    }
}

} // namespace

QPixmap iconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawEmblem(painter, size);
    return pixmap;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(iconPixmap(size));
    return icon;
}

QPixmap splashPicture() {
    QPixmap pixmap(480, 280);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 280);
    sky.setColorAt(0, QColor(0x10, 0x20, 0x40));
    sky.setColorAt(1, QColor(0x30, 0x60, 0xA0));
    painter.fillRect(pixmap.rect(), sky);
    painter.save();
    painter.translate(32, 40);
    drawEmblem(painter, 128);
    painter.restore();
    painter.setPen(Qt::white);
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(40);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(180, 50, 290, 50), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Quorlanmirex"));
    QFont line(QStringLiteral("Arial"));
    line.setPixelSize(16);
    painter.setFont(line);
    painter.drawText(QRect(182, 100, 290, 60), Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral("IEEE 802.15.4 / ZigBee sniffer front end"));
    // A strip of decoded cells along the bottom, as the grid draws them.
    const QColor colours[] = {{0xE8, 0xE8, 0xE8}, {0xFF, 0xFF, 0xFF}, {0x80, 0x80, 0xFF},
                              {0xFF, 0xFF, 0x00}, {0xCC, 0x66, 0xFF}};
    painter.setPen(QColor(0xB0, 0xB0, 0xB0));
    for (int i = 0; i < 14; ++i) {
        painter.setBrush(colours[i % 5]);
        painter.drawRect(QRect(20 + 32 * i, 200, 30, 30));
    }
    return pixmap;
}

} // namespace qlm::app
