#pragma once

#include "capture/channel_table.h"
#include "link/device_conversation.h"
#include "link/device_search.h"
#include "link/sniffing.h"

#include <string>
#include <vector>

namespace qlm {

// The entries of the port drop-down list: "Import" first, then the system's serial
// ports by name, and the selected entry.
struct PortList {
    static constexpr const char* kImportEntry = "Import";

    std::vector<std::string> entries;
    int selected = 0;
};

// Builds the list from the system's ports (in the order the system gives them)
// and selects the remembered port ("" for "Import"). A remembered port that the
// system does not list, such as a pseudo-terminal's path, gets an entry of its own.
PortList makePortList(const std::vector<std::string>& systemPorts, const std::string& remembered);

// The port behind an entry: "" for "Import", else the entry's name.
std::string portOfEntry(const std::string& entry);

// The user chose a port: sniffing stops on the old port, the channel survey is
// forgotten, and the device is searched on the new port; "Import" closes the port
// and gives kRejected.
Identification choosePort(DeviceConversation& conversation, Sniffing& sniffing,
                          ChannelTable& channels,
                const std::string& portName);

// The user switched the kind of device expected: sniffing stops with the old kind
// and the port is closed, so the next dialogue searches the new kind.
void chooseDeviceKind(DeviceConversation& conversation, Sniffing& sniffing, bool brindle);

} // namespace qlm
