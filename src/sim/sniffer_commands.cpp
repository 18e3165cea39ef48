#include "sim/sniffer_commands.h"

#include "capture/reception_status.h"
#include "sim/reply_text.h"

namespace qlm::sim {

namespace {

constexpr std::string_view kIdentity = "+INIT:IEEE 802.Quorlanmirex Sniffer V1.0";
const std::string kError = line("+ERRR");

// The channel index of "AT+XXXX=d", or -1.
int channelDigit(std::string_view command) {
    if (command.size() != 9 || command[7] != '=')
        return -1;
    const auto digit = parseHex(command.substr(8, 1));
    return digit ? static_cast<int>(*digit) : -1;
}

std::string channelText(int index) {
    return twoDigits(index + 11);
}

std::vector<std::string> sniff(int index, SimRadio& radio) {
    radio.tune(index);
    radio.setSniffing(true);
    return {line("+SNIF:" + channelText(index) + ",0")};
}

std::vector<std::string> energyScan(int index, SimRadio& radio) {
    return {line("+ESCN:" + channelText(index) + ",0," + readingText(radio.energyReading(index)))};
}

std::string beaconLine(int index, const HeardBeacon& beacon) {
    return line("+ASCN:" + channelText(index) + ",0," + hexText(beacon.panId, 4) + "," +
                hexText(beacon.shortAddress, 4) + "," + hexText(beacon.superframe, 4) +
                ",LQI=" + hexText(static_cast<uint64_t>(beacon.correlation), 2) +
                ",PS=" + readingText(signalStrengthReading(beacon.dbm)));
}

std::vector<std::string> activeScan(int index, SimRadio& radio) {
    std::vector<std::string> replies = {line("+ASCN:" + channelText(index) + ",START")};
    const std::vector<HeardBeacon> beacons = radio.activeScan(index);
    for (const HeardBeacon& beacon : beacons)
        replies.push_back(beaconLine(index, beacon));
    replies.push_back(line("+DONE:" + channelText(index) + "," + hexText(beacons.size(), 2)));
    return replies;
}

std::vector<std::string> channelCommand(std::string_view command, SimRadio& radio) {
    const int index = channelDigit(command);
    if (index < 0)
        return {kError};
    const std::string_view name = command.substr(0, 7);
    if (name == "AT+SNIF")
        return sniff(index, radio);
    if (name == "AT+ESCN")
        return energyScan(index, radio);
    if (name == "AT+ASCN")
        return activeScan(index, radio);
    return {kError};
}

} // namespace

std::vector<std::string> answerSnifferCommand(std::string_view command, SimRadio& radio) {
    radio.setSniffing(false);
    if (command.empty())
        return {line("OK")};
    if (command == "AT+INIT")
        return {line(std::string(kIdentity))};
    return channelCommand(command, radio);
}

} // namespace qlm::sim
