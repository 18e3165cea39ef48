// Energy and active scans of one channel or of all sixteen, for both devices.

#include "link/channel_scan.h"

#include "link/device_search.h"
#include "capture/hex_pair.h"

#include <chrono>
#include <cstdio>

namespace qlm {
namespace {

// The channel's ScanChannels bit (1 << channel number), its four bytes least
// significant first: "00080000" for channel 11.
std::string brindleChannelMask(int channel) {
    const uint32_t mask = uint32_t{1} << (channel + ChannelTable::kFirstChannelNumber);
    char text[9];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", mask & 0xFF, (mask >> 8) & 0xFF,
                  (mask >> 16) & 0xFF, mask >> 24);
    return text;
}

// A reading at a fixed position counts only when its pair stands before the CR LF.
bool holdsPairAt(std::string_view line, size_t position) {
    size_t content = line.size();
    while (content > 0 && (line[content - 1] == '\n' || line[content - 1] == '\r'))
        --content;
    return position + 2 <= content;
}

int32_t signedPairAt(std::string_view line, size_t position) {
    return static_cast<int8_t>(hexPairAt(line, position));
}

} // namespace

bool ChannelScan::measureEnergy(int channel) {
    DeviceConversation& d = conversation_;
    const bool brindle = d.brindle();
    const std::string command = brindle ? "+MSCR=0000000000000008" + brindleChannelMask(channel) + "\r"
                                        : std::string("AT+ESCN=") + snifferChannelDigit(channel) + "\r";
    const size_t position = brindle ? 30 : 11;
    if (!d.send(command) || !d.waitLine())
        return false;
    if (!holdsPairAt(d.line(), position)) {
        d.release();
        return false;
    }
    channels_[channel].energy = signedPairAt(d.line(), position);
    d.drain();
    return true;
}

bool ChannelScan::collectSnifferBeacons(Survey& survey) {
    DeviceConversation& d = conversation_;
    if (!d.waitLine())  // the first reply is not a beacon
        return false;
    d.release();
    const auto deadline = std::chrono::steady_clock::now() + d.dialogueLimit();
    while (std::chrono::steady_clock::now() < deadline) {
        if (!d.waitLine())
            return false;
        const std::string_view line = d.line();
        if (line.starts_with("+DONE")) {
            d.release();
            return true;
        }
        if (line.size() > 9 && line[9] == '0') {
            if (!holdsPairAt(line, 36)) {
                d.release();
                return false;  // too short for its reading
            }
            ++survey.beacons;
            survey.offer(signedPairAt(line, 36));
        }
        d.release();
    }
    d.noteLimitReached();
    return false;
}

bool ChannelScan::collectBrindleBeacons(Survey& survey) {
    DeviceConversation& d = conversation_;
    const auto deadline = std::chrono::steady_clock::now() + d.dialogueLimit();
    while (std::chrono::steady_clock::now() < deadline) {
        if (!d.waitLine())
            return false;
        const std::string_view line = d.line();
        const bool count = line.starts_with("+MSCC");
        const bool beacon = line.starts_with("+MBNI");
        if ((count && !holdsPairAt(line, 8)) || (beacon && !holdsPairAt(line, 58))) {
            d.release();
            return false;  // too short for its reading
        }
        if (count)
            survey.beacons = hexPairAt(line, 8);  // a count, 0 to 255
        else if (beacon)
            survey.offer(signedPairAt(line, 58));
        d.release();
        if (count)
            return true;
    }
    d.noteLimitReached();
    return false;
}

bool ChannelScan::collectBeacons(int channel, Survey& survey) {
    DeviceConversation& d = conversation_;
    if (d.brindle())
        return d.send("+MSCR=0000000000000108" + brindleChannelMask(channel) + "\r") &&
               collectBrindleBeacons(survey);
    return d.send(std::string("AT+ASCN=") + snifferChannelDigit(channel) + "\r") &&
           collectSnifferBeacons(survey);
}

ChannelScan::ChannelOutcome ChannelScan::scanChannel(int channel) {
    if (!ensureOpen(conversation_))
        return ChannelOutcome::kFailed;
    return surveyChannel(channel);
}

ChannelScan::ChannelOutcome ChannelScan::surveyChannel(int channel) {
    DeviceConversation& d = conversation_;
    d.show("Scanning " + std::to_string(ChannelTable::frequencyMHz(channel)) + "MHz channel...");
    d.drain();
    d.takeLimitReached();
    Survey survey;
    if (!measureEnergy(channel) || !collectBeacons(channel, survey)) {
        if (!d.takeLimitReached())
            return ChannelOutcome::kFailed;
        d.showForPort("Device on ", ": is not answering as expected");
        return ChannelOutcome::kNotAnswering;
    }
    channels_[channel].level = survey.bestLevel;
    channels_[channel].beacons = survey.beacons;
    notify(repaintCell_, channel);
    d.drain();
    d.show("Scan complete");
    return ChannelOutcome::kScanned;
}

int ChannelScan::bestChannel(const ChannelTable& channels) {
    int chosen = -1;
    int32_t best = ChannelEntry::kNoLevel - 1;
    for (int i = 0; i < ChannelTable::kChannelCount; ++i)
        if (channels[i].beacons != 0 && channels[i].level > best) {
            best = channels[i].level;
            chosen = i;
        }
    return chosen;
}

ChannelScan::ScanAll ChannelScan::scanAll() {
    sniffing_.stop();
    if (conversation_.portName().empty())
        return ScanAll::kImportInstead;
    channels_.setSelectedChannel(-1);
    channels_.reset();
    if (!ensureOpen(conversation_))
        return ScanAll::kNoPort;
    int answered = 0;
    for (int i = 0; i < ChannelTable::kChannelCount; ++i) {
        if (cancelled_ && cancelled_())
            return ScanAll::kCancelled;
        // The port is ensured once; when it is lost on the way, the scan ends with
        // the failure in the status line.
        if (!conversation_.link().isOpen())
            return ScanAll::kNoPort;
        notify(bringIntoView_, i);
        // A missing reply fails only its channel; a device that talks past the
        // limit would hold every channel as long, so the scan ends.
        const ChannelOutcome outcome = surveyChannel(i);
        if (outcome == ChannelOutcome::kNotAnswering)
            return ScanAll::kNotAnswering;
        answered += outcome == ChannelOutcome::kScanned;
    }
    const int chosen = bestChannel(channels_);
    if (chosen < 0)
        return answered == 0 ? ScanAll::kNoAnswer : ScanAll::kNothingFound;
    channels_.setSelectedChannel(chosen);
    notify(bringIntoView_, chosen);
    return sniffing_.start() ? ScanAll::kSniffing : ScanAll::kNotSniffing;
}

void ChannelScan::clickChannel(int channel) {
    if (channel == channels_.selectedChannel()) {
        channels_.setSelectedChannel(-1);
        sniffing_.stop();
        return;
    }
    channels_.setSelectedChannel(channel);
    notify(bringIntoView_, channel);
    sniffing_.stop();
    scanChannel(channel);
    sniffing_.start();
}

} // namespace qlm
