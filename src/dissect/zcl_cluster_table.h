#pragma once

#include <cstdint>
#include <string_view>

namespace qlm {

// The clusters of the ZigBee Cluster Library this program knows, declared once:
// id and name.
struct ZclCluster {
    uint16_t id;
    std::string_view name;
};

// The cluster with the id, or null when the table does not hold it.
const ZclCluster* findZclCluster(uint16_t id);

} // namespace qlm
