#pragma once

#include "capture/channel_table.h"
#include "link/sniffing.h"

#include <functional>

namespace qlm {

// Energy and active scans of the channels, filling the channel table, and the
// choice of the channel to sniff. The window is told which channel cell to
// repaint and which channel to bring into view.
class ChannelScan {
public:
    using ChannelCallback = std::function<void(int channel)>;

    ChannelScan(DeviceDialog& dialog, ChannelTable& channels, Sniffing& sniffing)
        : dialog_(dialog), channels_(channels), sniffing_(sniffing) {}

    void onChannelScanned(ChannelCallback repaintCell) { repaintCell_ = std::move(repaintCell); }
    void onBringIntoView(ChannelCallback bringIntoView) { bringIntoView_ = std::move(bringIntoView); }

    // Scans one channel and stores its entry. Fails silently at the first missing
    // or short reply, keeping what was stored before.
    void scanChannel(int channel);

    // kNoPort: no port could be opened, or it was lost during the scan.
    enum class ScanAll { kImportInstead, kNoPort, kNothingFound, kSniffing, kNotSniffing };
    // The "Scan" button: stops sniffing, scans all sixteen channels, selects the one
    // with the best beacon level (the lowest of equals) and sniffs on it. With the
    // "Import" entry chosen nothing is scanned: the caller imports instead.
    ScanAll scanAll();

    // A click on a channel cell: the selected channel stops sniffing and is
    // deselected; any other is selected, scanned and sniffed on.
    void clickChannel(int channel);

    // The channel that scanAll would choose from the table as it stands, or -1.
    static int bestChannel(const ChannelTable& channels);

private:
    struct Survey {
        int32_t beacons = 0;
        int32_t bestLevel = ChannelEntry::kNoLevel;
        void offer(int32_t level) {
            if (level > bestLevel)
                bestLevel = level;
        }
    };

    void surveyChannel(int channel);
    bool measureEnergy(int channel);
    bool collectBeacons(int channel, Survey& survey);
    bool collectSnifferBeacons(Survey& survey);
    bool collectBrindleBeacons(Survey& survey);
    void notify(const ChannelCallback& callback, int channel) {
        if (callback)
            callback(channel);
    }

    DeviceDialog& dialog_;
    ChannelTable& channels_;
    Sniffing& sniffing_;
    ChannelCallback repaintCell_;
    ChannelCallback bringIntoView_;
};

} // namespace qlm
