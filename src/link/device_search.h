#pragma once

#include "link/device_conversation.h"

namespace qlm {

enum class Identification { kIdentified, kRejected, kSilent };

// Opens the chosen port and identifies the device of the expected kind, leaving a
// detected device idle. A device that answers wrongly is reported and its port
// closed (kRejected, as when the port cannot be opened); one that stays silent
// leaves the port open (kSilent).
Identification searchDevice(DeviceConversation& conversation);

// True when a port is open, after a device search if none was and a port is chosen.
bool ensureOpen(DeviceConversation& conversation);

// The sniffer's identification ("\r", then "AT+INIT\r"), also used to stop it
// sniffing. A wrong answer shows "Couldn't find sniffer on <port>:" and closes
// the port; the right one is followed by a drain.
Identification identifySniffer(DeviceConversation& conversation);

} // namespace qlm
