#pragma once

#include "capture/frame_class_filter.h"
#include "capture/frame_store.h"

#include <cstdint>
#include <vector>

namespace qlm {

// The frame shown in the grid's bottom row: the vertical scroll position, at most
// the last frame; -1 when the store is empty.
int32_t currentFrame(const FrameStore& frames, int32_t scrollPosition);

// The records drawn in the grid's rows, top to bottom: the bottom row is the
// last frame that passes the class filter at or before `current`, the rows above
// it the passing frames before it; rows with no frame left are -1. Walks back
// only as far as the rows need.
void gridRows(const FrameStore& frames, const FrameClassFilter& filter, int32_t current,
              int visibleRows, std::vector<int32_t>& rows);

// The vertical scroll bar's line step: the next (or previous) frame that passes
// the filter from `position`, staying put at either end of the store.
int32_t nextShownFrame(const FrameStore& frames, const FrameClassFilter& filter,
                       int32_t position, int direction);
// A page: the line step repeated once per visible row, at least once.
int32_t pageShownFrame(const FrameStore& frames, const FrameClassFilter& filter,
                       int32_t position, int direction, int visibleRows);

} // namespace qlm
