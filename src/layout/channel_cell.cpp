#include "layout/channel_cell.h"

#include "capture/reception_status.h"

#include <algorithm>

namespace qlm {
namespace {

int clampedBar(int64_t width, int barSpace) {
    return static_cast<int>(std::clamp<int64_t>(width, 0, std::max(0, barSpace)));
}

} // namespace

ChannelCellContent channelCellContent(const ChannelEntry& entry, int index, int barSpace,
                                      bool brindle) {
    ChannelCellContent content;
    const int64_t w = barSpace;
    content.title = std::to_string(ChannelTable::frequencyMHz(index)) + "MHz";

    if (entry.energyMeasured()) {
        const int64_t v = int64_t{entry.energy} - kSignalStrengthOffsetDbm;
        content.energyText = std::to_string(v) + " dBm ED";
        content.energyBar = clampedBar((v + 100) * w / 100, barSpace);
    } else {
        content.energyText = "ED N/A";
    }

    const int64_t n = entry.beacons;
    content.beaconText = std::to_string(n) + (n == 1 ? " Beacon" : " Beacons");
    // A count of -2 would divide by 0: such a count shows no bar.
    if (n + 2 != 0)
        content.beaconBar = clampedBar((n * 1000 / (n + 2)) * w / 1000, barSpace);

    content.levelShown = entry.beacons != 0;
    if (content.levelShown) {
        if (brindle) {
            const int64_t v = int64_t{entry.level} - 10;
            content.levelText = "LQI " + std::to_string(v) + "%";
            content.levelBar = clampedBar(v * w / 100, barSpace);
        } else {
            const int64_t v = int64_t{entry.level} - kSignalStrengthOffsetDbm;
            content.levelText = std::to_string(v) + " dBm PS";
            content.levelBar = clampedBar((v + 100) * w / 100, barSpace);
        }
    }
    return content;
}

ChannelCellBox channelTitleBox(int x0, int d) {
    return {x0 + d / 10, d / 10, x0 + 9 * d / 10, 3 * d / 10 + 1};
}

ChannelCellBox channelRowBox(int x0, int d, int row) {
    const int a = 3 + 2 * row;
    const int b = a + 2;
    return {x0 + d / 10, d * a / 10, x0 + 9 * d / 10, d * b / 10 + 1};
}

} // namespace qlm
