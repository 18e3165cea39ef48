#include "capture/channel_table.h"

#include <algorithm>

namespace qlm {

void ChannelTable::reset() { entries_.fill(ChannelEntry{}); }

void ChannelTable::setSelectedChannel(int index) {
    selected_ = index >= 0 && index < kChannelCount ? index : -1;
}

int stripPositionShowing(int index, int position, int visibleCells) {
    if (index < 0 || (index >= position && index < position + visibleCells))
        return position;
    if (index < position)
        return index;
    const int rightmost = std::max(ChannelTable::kChannelCount - visibleCells, 0);
    return std::max(std::min(rightmost, index - visibleCells + 1), 0);
}

} // namespace qlm
