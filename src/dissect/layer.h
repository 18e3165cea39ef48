#pragma once

#include <cstdint>
#include <string_view>

namespace qlm {

// The protocol layers of the decode grid, in the order of the "Field Select" list.
enum class Layer : uint8_t { kPhy, kMac, kNwk, kApl, kAf, kZcl };
constexpr int kLayerCount = 6;

// "PHY", "MAC", "NWK", "APL", "AF" or "ZCL".
std::string_view layerName(Layer layer);
// The layer tag that ends an explanation sentence: "  (MAC)" and so on.
std::string_view layerTag(Layer layer);
// The group's entry in the "Field Select" drop-down list, "MAC (Medium Access)" etc.
std::string_view layerGroupTitle(Layer layer);

} // namespace qlm
