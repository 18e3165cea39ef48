#pragma once

#include "capture/channel_table.h"

#include <string>

namespace qlm {

// What one channel cell of the strip shows: the title and the three rows'
// texts and bar widths for rows whose inner width is `barSpace` pixels. Bars
// are clamped to 0 ... barSpace.
struct ChannelCellContent {
    std::string title;       // "2405MHz"
    std::string energyText;  // "-45 dBm ED" or "ED N/A"
    int energyBar = 0;
    std::string beaconText;  // "1 Beacon", "2 Beacons"
    int beaconBar = 0;
    bool levelShown = false;  // only when beacons were found
    std::string levelText;    // "10 dBm PS" (sniffer) or "LQI 50%" (Brindle)
    int levelBar = 0;
};

// `brindle` is the device kind expected now, not the one that measured.
ChannelCellContent channelCellContent(const ChannelEntry& entry, int index, int barSpace,
                                      bool brindle);

// The cell pitch and the cells of the strip.
struct ChannelCellBox {
    int left, top, right, bottom;
};
// The title band and the three rows of a cell whose left edge is x0, width d.
ChannelCellBox channelTitleBox(int x0, int d);
ChannelCellBox channelRowBox(int x0, int d, int row);  // row 0 to 2

} // namespace qlm
