#pragma once

#include "layout/cell_geometry.h"

#include <QColor>
#include <QPainter>
#include <QString>

namespace qlm::ui {

// A rectangle as the grid's pixel rectangles give it (right and bottom outside):
// filled, and outlined on its outermost pixels when a pen colour is given.
void fillBox(QPainter& painter, int left, int top, int right, int bottom, const QColor& fill);
void outlinedBox(QPainter& painter, int left, int top, int right, int bottom, const QColor& fill,
                 const QColor& pen);
inline void outlinedBox(QPainter& painter, const PixelRect& r, const QColor& fill,
                        const QColor& pen) {
    outlinedBox(painter, r.left, r.top, r.right, r.bottom, fill, pen);
}

// One line of text centred in a rectangle, no prefix processing, transparent.
void centredText(QPainter& painter, int left, int top, int right, int bottom,
                 const QString& text);

} // namespace qlm::ui
