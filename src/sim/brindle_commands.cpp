#include "sim/brindle_commands.h"

#include "capture/reception_status.h"
#include "sim/reply_text.h"

#include <algorithm>

namespace qlm::sim {

namespace {

constexpr std::string_view kSetup = "+DSMR=0015C8384100FFFF";
const std::string kError = line("+ERRR");

std::vector<std::string> attributeReply(std::string_view status, uint32_t attribute) {
    return {line("+MSTC=" + std::string(status) + hexText(attribute, 2))};
}

std::vector<std::string> setAttribute(std::string_view argument, SimRadio& radio) {
    const auto value = parseHex(argument);
    if (argument.size() != 4 || !value)
        return {kError};
    const uint32_t attribute = *value >> 8;
    const uint32_t setting = *value & 0xFF;
    if (attribute == 0x00 && setting >= 11 && setting <= 26) {
        radio.tune(static_cast<int>(setting) - 11);
        return attributeReply("00", attribute);
    }
    if (attribute == 0x51 && setting <= 1) {
        radio.setSniffing(setting == 1);
        return attributeReply("00", attribute);
    }
    return attributeReply(attribute == 0x00 || attribute == 0x51 ? "E8" : "F4", attribute);
}

// The channel index of a mask with exactly one bit of 11..26 set, or -1.
int maskChannel(uint32_t mask) {
    for (int channel = 11; channel <= 26; ++channel)
        if (mask == 1u << channel)
            return channel - 11;
    return -1;
}

// The mask text carries the mask's bytes least significant first.
uint32_t maskFromText(uint32_t text) {
    return (text >> 24) | (text >> 8 & 0xFF00) | (text << 8 & 0xFF0000) | (text << 24);
}

std::string scanConfirm(int count, int scanType, std::string_view mask) {
    return "+MSCC=00" + hexText(static_cast<uint64_t>(count), 2) + hexText(scanType, 2) +
           std::string(mask) + "00000000";
}

std::vector<std::string> energyScan(int index, std::string_view mask, SimRadio& radio) {
    return {line(scanConfirm(1, 0, mask) + hexText(index + 11, 2) +
                 readingText(radio.energyReading(index)))};
}

int linkQualityPercent(int dbm) {
    return std::clamp(2 * (dbm + 100), 0, 100);
}

// A PAN descriptor of the beacon: sequence, address mode, PAN, coordinator
// address, channel, superframe spec, GTS permit, time stamp, security
// use, ACL entry, security failure, pending-address spec, payload
// length, signal strength, then the link quality at characters 58-59.
std::string beaconNotify(int index, const HeardBeacon& beacon, int64_t nowUs) {
    return line("+MBNI=" + hexText(beacon.sequence, 2) + "02" + hexText(beacon.panId, 4) +
                hexText(beacon.shortAddress, 16) + hexText(index + 11, 2) +
                hexText(beacon.superframe, 4) + (beacon.gtsPermit ? "01" : "00") +
                hexText(static_cast<uint64_t>(nowUs / 16) & 0xFFFFFF, 8) + "000800" + "00" +
                hexText(static_cast<uint64_t>(beacon.payloadLength), 2) +
                readingText(signalStrengthReading(beacon.dbm)) +
                hexText(static_cast<uint64_t>(linkQualityPercent(beacon.dbm) + 10), 2));
}

std::vector<std::string> activeScan(int index, std::string_view mask, SimRadio& radio) {
    std::vector<std::string> replies;
    const std::vector<HeardBeacon> beacons = radio.activeScan(index);
    for (const HeardBeacon& beacon : beacons)
        replies.push_back(beaconNotify(index, beacon, radio.nowUs()));
    replies.push_back(line(scanConfirm(static_cast<int>(beacons.size()), 1, mask)));
    return replies;
}

// Six zero bytes, the scan type, the duration 08 and the channel mask.
std::vector<std::string> scan(std::string_view argument, SimRadio& radio) {
    if (argument.size() != 24 || !parseHex(argument.substr(0, 8)) ||
        !parseHex(argument.substr(8, 8)))
        return {kError};
    const auto maskText = parseHex(argument.substr(16, 8));
    if (!maskText)
        return {kError};
    const uint32_t scanType = *parseHex(argument.substr(12, 2));
    const int index = maskChannel(maskFromText(*maskText));
    const std::string_view mask = argument.substr(16, 8);
    if (index >= 0 && scanType == 0)
        return energyScan(index, mask, radio);
    if (index >= 0 && scanType == 1)
        return activeScan(index, mask, radio);
    return {line("+MSCC=E800")};
}

} // namespace

std::vector<std::string> BrindleCommands::answer(std::string_view command, SimRadio& radio) {
    if (command.empty())
        return {};
    if (command == "+DVRR")
        return versionRequest();
    if (command.starts_with("+DSMR="))
        return setup(command);
    if (command.starts_with("+MSTR="))
        return setAttribute(command.substr(6), radio);
    if (command.starts_with("+MSCR="))
        return scan(command.substr(6), radio);
    return {kError};
}

std::vector<std::string> BrindleCommands::versionRequest() const {
    return {line(needsSetup_ ? "+DERI=04" : "+DVRC=0B400111")};
}

std::vector<std::string> BrindleCommands::setup(std::string_view command) {
    if (command != kSetup)
        return {line("+DSMC=E8")};
    needsSetup_ = false;
    return {line("+DSMC=00")};
}

} // namespace qlm::sim
