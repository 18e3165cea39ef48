#pragma once

#include <cstdint>
#include <string_view>

namespace qlm {

// The name of a ZigBee device object cluster, "Unknown ZDO cluster" for identifiers
// without one.
std::string_view zdoClusterName(uint8_t cluster);
// The same for the 16-bit cluster identifiers of ZigBee PRO.
std::string_view proZdoClusterName(uint16_t cluster);

} // namespace qlm
