#include "capture/channel_table.h"

namespace qlm {

void ChannelTable::reset() { entries_.fill(ChannelEntry{}); }

void ChannelTable::setSelectedChannel(int index) {
    selected_ = index >= 0 && index < kChannelCount ? index : -1;
}

} // namespace qlm
