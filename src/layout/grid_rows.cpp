#include "layout/grid_rows.h"

#include <algorithm>

namespace qlm {

int32_t currentFrame(const FrameStore& frames, int32_t scrollPosition) {
    if (frames.empty())
        return -1;
    return std::clamp(scrollPosition, 0, frames.frameCount() - 1);
}

void gridRows(const FrameStore& frames, const FrameClassFilter& filter, int32_t current,
              int visibleRows, std::vector<int32_t>& rows) {
    rows.assign(static_cast<size_t>(std::max(0, visibleRows)), -1);
    int row = visibleRows - 1;
    for (int32_t index = std::min(current, frames.frameCount() - 1); index >= 0 && row >= 0;
         --index)
        if (filter.passes(frames, index))
            rows[static_cast<size_t>(row--)] = index;
}

int32_t nextShownFrame(const FrameStore& frames, const FrameClassFilter& filter,
                       int32_t position, int direction) {
    for (int32_t index = position + direction; frames.contains(index); index += direction)
        if (filter.passes(frames, index))
            return index;
    return position;
}

int32_t pageShownFrame(const FrameStore& frames, const FrameClassFilter& filter,
                       int32_t position, int direction, int visibleRows) {
    for (int step = 0; step < std::max(1, visibleRows); ++step)
        position = nextShownFrame(frames, filter, position, direction);
    return position;
}

} // namespace qlm
