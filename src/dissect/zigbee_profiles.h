#pragma once

#include <cstdint>
#include <string_view>

namespace qlm {

// The name of an application profile ("Home Automation"), empty for one this
// program does not know.
std::string_view zigbeeProfileName(uint16_t profile);

} // namespace qlm
