#include "extcap/extcap_interfaces.h"

#include "capture/channel_table.h"
#include "extcap/extcap_request.h"
#include "session/capture_session.h"

#include <algorithm>
#include <cctype>

namespace qlm {
namespace {

ExtcapInterface serialPortInterface(const std::string& port) {
    return {kExtcapInterfacePrefix + port, "Quorlanmirex sniffer on " + port, port, std::nullopt};
}

// A port's name as the interface carries it: no path, nothing Wireshark would
// have to quote in the fifo's file name.
bool plainPortName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '_' || c == '-' || c == '.';
           });
}

// The channels as selector values of an argument or a control: "15 (2425 MHz)".
void appendChannelValues(std::string& out, const std::string& owner) {
    for (int index = 0; index < ChannelTable::kChannelCount; ++index) {
        const int channel = index + ChannelTable::kFirstChannelNumber;
        out += "value {" + owner + "}{value=" + std::to_string(channel) + "}{display=" +
               std::to_string(channel) + " (" +
               std::to_string(ChannelTable::frequencyMHz(index)) + " MHz)}{default=" +
               (channel == kDefaultExtcapChannel ? "true" : "false") + "}\n";
    }
}

} // namespace

std::vector<ExtcapInterface> extcapInterfaces(const std::vector<std::string>& systemPorts) {
    std::vector<ExtcapInterface> interfaces;
    for (const std::string& port : systemPorts)
        if (plainPortName(port))
            interfaces.push_back(serialPortInterface(port));
    interfaces.push_back({kSimulatedSnifferInterface, "Quorlanmirex simulated sniffer",
                          CaptureSession::kSimulatorEntry, false});
    interfaces.push_back({kSimulatedBrindleInterface, "Quorlanmirex simulated Brindle",
                          CaptureSession::kSimulatorEntry, true});
    return interfaces;
}

std::optional<ExtcapInterface> findExtcapInterface(const std::string& value,
                                                   const std::vector<std::string>& systemPorts) {
    for (const ExtcapInterface& listed : extcapInterfaces(systemPorts))
        if (listed.value == value)
            return listed;
    return std::nullopt;
}

std::string interfacesAnswer(const std::vector<ExtcapInterface>& interfaces) {
    std::string out = "extcap {version=1.0}{display=Quorlanmirex IEEE 802.15.4 sniffer}\n";
    for (const ExtcapInterface& interface : interfaces)
        out += "interface {value=" + interface.value + "}{display=" + interface.display + "}\n";
    const std::string control = "control=" + std::to_string(kChannelControl);
    out += "control {number=" + std::to_string(kChannelControl) +
           "}{type=selector}{display=Channel}{tooltip=The channel the device sniffs}\n";
    appendChannelValues(out, control);
    return out;
}

std::string dltsAnswer() {
    return "dlt {number=283}{name=IEEE802_15_4_TAP}{display=IEEE 802.15.4 with TAP header}\n";
}

std::string configAnswer(const ExtcapInterface& interface) {
    std::string out;
    int number = 0;
    if (!interface.brindle) {
        out += "arg {number=0}{call=--device}{display=Device}{type=selector}"
               "{tooltip=The kind of device on the port}\n"
               "value {arg=0}{value=sniffer}{display=Sniffer}{default=true}\n"
               "value {arg=0}{value=brindle}{display=Brindle}{default=false}\n";
        ++number;
    }
    const std::string channelArg = std::to_string(number);
    out += "arg {number=" + channelArg +
           "}{call=--channel}{display=Channel}{type=selector}"
           "{tooltip=The channel to sniff, unless the scan chooses}\n";
    appendChannelValues(out, "arg=" + channelArg);
    out += "arg {number=" + std::to_string(number + 1) +
           "}{call=--scan}{display=Scan first}{type=boolflag}{default=false}"
           "{tooltip=Survey the sixteen channels and sniff the one with the best beacons}\n";
    return out;
}

} // namespace qlm
