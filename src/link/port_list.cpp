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

void choosePort(DeviceDialog& dialog, Sniffing& sniffing, ChannelTable& channels,
                const std::string& portName) {
    sniffing.stop();
    channels.setSelectedChannel(-1);
    channels.reset();
    dialog.setPortName(portName);
    if (portName.empty())
        dialog.link().close();
    else
        searchDevice(dialog);
}

void chooseDeviceKind(DeviceDialog& dialog, Sniffing& sniffing, bool brindle) {
    sniffing.stop();
    dialog.link().close();
    dialog.setBrindle(brindle);
}

} // namespace qlm
