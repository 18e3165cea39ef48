#pragma once

#include <cstdint>
#include <string_view>

namespace qlm {

// The name of a ZigBee device object cluster, "Unknown ZDO cluster" for identifiers
// without one.
std::string_view zdoClusterName(uint8_t cluster);

} // namespace qlm
