#pragma once

#include <string>
#include <vector>

namespace qlm {

// The system's serial ports by name ("ttyUSB0", "ttyACM0", "ttyS0"), sorted: the
// terminals of the kernel's tty class that sit on a device, less the UARTs the
// kernel reserves a name for but found no hardware behind (type 0). Virtual
// consoles and pseudo-terminals have no device and are not listed.
std::vector<std::string> listSystemSerialPorts(
    const std::string& ttyClassFolder = "/sys/class/tty");

} // namespace qlm
