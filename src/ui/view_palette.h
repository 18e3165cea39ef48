#pragma once

#include "capture/captured_frame.h"
#include "dissect/cell_brush.h"

#include <QColor>

namespace qlm::ui {

// The colours of the view's bands and marks (red, green, blue).
inline const QColor kGridFill{0xCC, 0xFF, 0x99};
inline const QColor kHighlight{0xE8, 0xE8, 0xE8};
inline const QColor kStockGrey{0x80, 0x80, 0x80};       // the splitter bars
inline const QColor kStockLightGrey{0xC0, 0xC0, 0xC0};  // odd timeline lines, the selected channel
inline const QColor kMacArrow{0x30, 0x30, 0x30};
inline const QColor kNwkArrow{0xB0, 0xB0, 0xB0};
inline const QColor kCellBoxPen{0xB0, 0xB0, 0xB0};
inline const QColor kCellShadowPen{0x30, 0x30, 0x30};
inline const QColor kStripTitle{0xFF, 0xFF, 0xB7};
inline const QColor kStripRow{0xE0, 0xE0, 0xE0};
inline const QColor kEnergyBar{0xCC, 0xFF, 0x33};
inline const QColor kBeaconBar{0x66, 0x99, 0xFF};
inline const QColor kLevelBar{0xFF, 0x33, 0x00};

inline QColor toQColor(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }
inline QColor cellColour(CellBrush brush) { return toQColor(brushColour(brush)); }

// The fill of a timeline mark by frame class; anything else as "PHY Errors".
inline QColor markColour(int32_t frameClass) {
    switch (frameClass) {
    case kClassMacBeacon: return {0xFF, 0xFF, 0x00};
    case kClassMacCommand: return {0xFF, 0x40, 0x40};
    case kClassMacAck: return {0x99, 0xFF, 0x33};
    case kClassNwk: return {0x80, 0x80, 0xFF};
    case kClassApl: return {0xFF, 0xFF, 0x00};
    default: return {0xFF, 0x00, 0x00};
    }
}

} // namespace qlm::ui
