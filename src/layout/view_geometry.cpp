#include "layout/view_geometry.h"

#include <algorithm>

namespace qlm {

int ViewGeometry::visibleRows() const {
    return std::max(0, (height - timelineHeight - gridTop - kScrollBar) / kRowPitch);
}

int ViewGeometry::timelineRows() const {
    return std::max(0, (timelineHeight - kSplitter) / kTimelineLinePitch);
}

int ViewGeometry::visibleCells() const {
    return cellWidth() < 1 ? 0 : std::max(1, width / cellWidth());
}

int ViewGeometry::stripMaximum() const {
    return cellWidth() < 1 ? 0 : std::max(0, 16 - visibleCells());
}

int ViewGeometry::gridHorizontalMaximum(int rowWidth) const {
    return std::max(0, rowWidth - width + 26);
}

int ViewGeometry::timelineMaximum(int32_t selectedNodes) const {
    return std::max(0, selectedNodes - timelineRows());
}

ViewGeometry::Splitter ViewGeometry::splitterAt(int y) const {
    if (y >= gridTop - kSplitter && y <= gridTop - 1)
        return Splitter::kUpper;
    const int lower = height - timelineHeight;
    if (y >= lower && y <= lower + kSplitter - 1)
        return Splitter::kLower;
    return Splitter::kNone;
}

void ViewGeometry::dragUpper(int y) {
    gridTop = std::max(kMinimumBand, std::min(y, gridBottom()));
}

void ViewGeometry::dragLower(int y) {
    const int splitter = std::max(gridTop + kScrollBar, std::min(y, height - kMinimumBand));
    timelineHeight = std::max(kMinimumBand, height - splitter);
}

int64_t zoomedIn(int64_t timeScale) { return std::max<int64_t>(1, timeScale * 2 / 3); }

int64_t zoomedOut(int64_t timeScale) {
    return std::min(ViewGeometry::kSlowestTimeScale, std::max(timeScale + 1, timeScale * 3 / 2));
}

int WheelSteps::add(int delta) {
    pending_ += delta;
    const int steps = pending_ / 120;
    pending_ -= steps * 120;
    return steps;
}

} // namespace qlm
