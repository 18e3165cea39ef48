#pragma once

#include <cstdint>

namespace qlm {

// The pixel geometry of the view's three bands: the channel strip at the top,
// the decode grid in the middle and the node timeline at the bottom, separated
// by two 5-pixel splitter bars.
struct ViewGeometry {
    static constexpr int kRowPitch = 36;
    static constexpr int kTimelineLinePitch = 12;
    static constexpr int kSplitter = 5;
    static constexpr int kScrollBar = 16;
    static constexpr int kMinimumBand = 21;
    static constexpr int64_t kSlowestTimeScale = 0x3FFFFFFF;

    int gridTop = 100;
    int timelineHeight = 150;
    int width = 100;
    int height = 100;

    int cellWidth() const { return gridTop - 21; }
    int gridBottom() const { return height - timelineHeight - kScrollBar; }
    int visibleRows() const;
    int timelineTop() const { return height - timelineHeight + kSplitter; }
    int timelineRows() const;
    // The grid's band is upside down: nothing of the grid can be drawn.
    bool tooSmall() const { return gridBottom() < gridTop; }

    // Channel cells that fit across the window; 0 when a cell is under 1 pixel.
    int visibleCells() const;
    int stripMaximum() const;
    int gridHorizontalMaximum(int rowWidth) const;
    int timelineMaximum(int32_t selectedNodes) const;

    enum class Splitter { kNone, kUpper, kLower };
    Splitter splitterAt(int y) const;
    // Drags a splitter bar to the mouse's y: the grid top stays between 21 and the
    // grid bottom; the lower bar between grid top + 16 and the height less 21.
    // Both bands keep at least 21 pixels, applied last.
    void dragUpper(int y);
    void dragLower(int y);
};

// Zooming the timeline in and out: the time scale is milliseconds per pixel.
int64_t zoomedIn(int64_t timeScale);
int64_t zoomedOut(int64_t timeScale);

// Mouse wheel steps of 120 units, summed so that small touchpad steps add up;
// returns the whole steps the deltas so far make and keeps the rest.
class WheelSteps {
public:
    int add(int delta);

private:
    int pending_ = 0;
};

} // namespace qlm
