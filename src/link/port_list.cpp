#include "link/port_list.h"

#include "link/device_search.h"

#include <algorithm>

namespace qlm {

PortList makePortList(const std::vector<std::string>& systemPorts, const std::string& remembered) {
    PortList list;
    list.entries.push_back(PortList::kImportEntry);
    list.entries.insert(list.entries.end(), systemPorts.begin(), systemPorts.end());
    if (remembered.empty())
        return list;
    const auto found = std::find(list.entries.begin() + 1, list.entries.end(), remembered);
    if (found == list.entries.end())
        list.entries.push_back(remembered);
    list.selected = static_cast<int>(
        std::find(list.entries.begin() + 1, list.entries.end(), remembered) - list.entries.begin());
    return list;
}

std::string portOfEntry(const std::string& entry) {
    return entry == PortList::kImportEntry ? std::string() : entry;
}

Identification choosePort(DeviceConversation& conversation, Sniffing& sniffing,
                          ChannelTable& channels,
                const std::string& portName) {
    sniffing.stop();
    channels.setSelectedChannel(-1);
    channels.reset();
    conversation.setPortName(portName);
    if (!portName.empty())
        return searchDevice(conversation);
    conversation.link().close();
    return Identification::kRejected;
}

void chooseDeviceKind(DeviceConversation& conversation, Sniffing& sniffing, bool brindle) {
    sniffing.stop();
    conversation.link().close();
    conversation.setBrindle(brindle);
}

} // namespace qlm
