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

    ChannelScan(DeviceConversation& conversation, ChannelTable& channels, Sniffing& sniffing)
        : conversation_(conversation), channels_(channels), sniffing_(sniffing) {}

    void onChannelScanned(ChannelCallback repaintCell) { repaintCell_ = std::move(repaintCell); }
    void onBringIntoView(ChannelCallback bringIntoView) { bringIntoView_ = std::move(bringIntoView); }
    // Asked before each channel of a full scan; true ends the scan there.
    void setCancelCheck(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

    enum class ChannelOutcome {
        kScanned,
        kFailed,        // a reply was missing or too short: the entry keeps what it had
        kNotAnswering,  // the device kept talking past the dialogue limit
    };
    // Scans one channel and stores its entry. Fails silently at the first missing
    // or short reply, keeping what was stored before. A device that keeps talking
    // without the replies the scan waits for is reported with "Device on <port>:
    // is not answering as expected".
    ChannelOutcome scanChannel(int channel);

    enum class ScanAll {
        kImportInstead,
        kNoPort,         // no port could be opened, or it was lost during the scan
        kNotAnswering,   // a channel's replies ran into the dialogue limit: scan ended there
        kNoAnswer,       // not one channel's scan was answered
        kCancelled,      // the cancel check said so
        kNothingFound,
        kSniffing,
        kNotSniffing,    // the device did not start sniffing on the channel chosen
    };
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

    ChannelOutcome surveyChannel(int channel);
    bool measureEnergy(int channel);
    bool collectBeacons(int channel, Survey& survey);
    bool collectSnifferBeacons(Survey& survey);
    bool collectBrindleBeacons(Survey& survey);
    void notify(const ChannelCallback& callback, int channel) {
        if (callback)
            callback(channel);
    }

    DeviceConversation& conversation_;
    ChannelTable& channels_;
    Sniffing& sniffing_;
    ChannelCallback repaintCell_;
    ChannelCallback bringIntoView_;
    std::function<bool()> cancelled_;
};

} // namespace qlm
