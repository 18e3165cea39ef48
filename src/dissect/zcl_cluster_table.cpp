#include "dissect/zcl_cluster_table.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace qlm {
namespace {

// In ascending order of id.
constexpr ZclCluster kClusters[] = {
    {0x0000, "Basic"},
    {0x0001, "Power Configuration"},
    {0x0002, "Device Temperature Configuration"},
    {0x0003, "Identify"},
    {0x0004, "Groups"},
    {0x0005, "Scenes"},
    {0x0006, "On/Off"},
    {0x0007, "On/Off Switch Configuration"},
    {0x0008, "Level Control"},
    {0x0009, "Alarms"},
    {0x000A, "Time"},
    {0x0019, "OTA Upgrade"},
    {0x0020, "Poll Control"},
    {0x0021, "Green Power"},
    {0x0101, "Door Lock"},
    {0x0102, "Window Covering"},
    {0x0201, "Thermostat"},
    {0x0202, "Fan Control"},
    {0x0300, "Color Control"},
    {0x0400, "Illuminance Measurement"},
    {0x0402, "Temperature Measurement"},
    {0x0403, "Pressure Measurement"},
    {0x0404, "Flow Measurement"},
    {0x0405, "Relative Humidity Measurement"},
    {0x0406, "Occupancy Sensing"},
    {0x0500, "IAS Zone"},
    {0x0501, "IAS ACE"},
    {0x0502, "IAS WD"},
    {0x0702, "Metering"},
    {0x0B04, "Electrical Measurement"},
    {0x0B05, "Diagnostics"},
    {0x1000, "Touchlink Commissioning"},
    {0xEF00, "Tuya (manufacturer specific)"},
};

static_assert(std::is_sorted(std::begin(kClusters), std::end(kClusters),
                             [](const ZclCluster& a, const ZclCluster& b) { return a.id < b.id; }));

} // namespace

const ZclCluster* findZclCluster(uint16_t id) {
    const auto found = std::lower_bound(std::begin(kClusters), std::end(kClusters), id,
                                        [](const ZclCluster& c, uint16_t key) { return c.id < key; });
    return found != std::end(kClusters) && found->id == id ? &*found : nullptr;
}

} // namespace qlm
