#pragma once

#include "capture/frame_class_filter.h"
#include "capture/frame_store.h"
#include "layout/cell_geometry.h"

#include <cstdint>
#include <vector>

namespace qlm {

// Milliseconds from the first stored frame to this one, by their local times of
// arrival; a capture may cross midnight once.
int64_t captureTime(const FrameStore& frames, int32_t index);

struct TimelineFrame {
    int32_t index;
    int x;  // left edge of the frame's marks
};

// The frames the timeline draws, oldest first: those that pass the filter and
// lie right of the name boxes (x above 74) and not beyond the width, with the
// current frame's marks at width - 43. Walks outward from the current frame,
// back until a frame lies at 74 or less and on until one lies beyond the width,
// so the cost follows what is drawn, not the store.
void walkTimeline(const FrameStore& frames, const FrameClassFilter& filter, int32_t current,
                  int width, int64_t timeScale, std::vector<TimelineFrame>& out);

// Leaves out every frame whose marks a later frame at the same x covers
// exactly: one with the same node references (and so the same lines and arrows).
// The picture stays the same, and so does a click on a mark, which finds the
// last one registered; a busy second drawn at a coarse scale costs what is seen.
void dropCoveredFrames(const FrameStore& frames, std::vector<TimelineFrame>& drawn);

// The marks drawn in one paint and the frames they stand for: a fixed table of
// 5000 entries, the last one overwritten once it is full.
class TimelineMarks {
public:
    static constexpr int kCapacity = 5000;

    TimelineMarks() : marks_(kCapacity) {}
    void clear() { count_ = 0; }
    int size() const { return count_; }
    void add(const PixelRect& area, int32_t frame);
    // The frame of the last registered mark containing the point, -1 for none.
    int32_t frameAt(int x, int y) const;
    int32_t frame(int index) const { return marks_[static_cast<size_t>(index)].frame; }

private:
    struct Mark {
        PixelRect area;
        int32_t frame;
    };
    std::vector<Mark> marks_;
    int count_ = 0;
};

} // namespace qlm
