#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qlm {

// The capture interfaces Wireshark is offered: one per serial port, where the
// kind of device is an option, and the built-in simulated sniffer and Brindle.
struct ExtcapInterface {
    std::string value;      // the name Wireshark knows it by
    std::string display;
    std::string portEntry;  // the session's port entry: a port's name or "Simulator"
    std::optional<bool> brindle;  // the simulated ones are of one kind
};

inline constexpr const char* kExtcapInterfacePrefix = "quorlanmirex-";
inline constexpr const char* kSimulatedSnifferInterface = "quorlanmirex-simulator";
inline constexpr const char* kSimulatedBrindleInterface = "quorlanmirex-simulator-brindle";
// The toolbar's channel selector.
inline constexpr int kChannelControl = 0;

std::vector<ExtcapInterface> extcapInterfaces(const std::vector<std::string>& systemPorts);
// The interface of that name among those listed for `systemPorts`: a simulated
// one or a serial port of the system. None for any other name, so nothing but a
// listed port is ever opened.
std::optional<ExtcapInterface> findExtcapInterface(const std::string& value,
                                                   const std::vector<std::string>& systemPorts);

// The answers to --extcap-interfaces, --extcap-dlts and --extcap-config.
std::string interfacesAnswer(const std::vector<ExtcapInterface>& interfaces);
std::string dltsAnswer();
std::string configAnswer(const ExtcapInterface& interface);

} // namespace qlm
