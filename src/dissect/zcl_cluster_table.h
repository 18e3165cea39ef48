#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qlm {

// An attribute or a command of a cluster: its identifier and name.
struct ZclNamed {
    uint16_t id;
    std::string_view name;
};

// The clusters of the ZigBee Cluster Library this program knows, declared once:
// id, name, the attributes, and the commands to the server and to the client.
struct ZclCluster {
    uint16_t id;
    std::string_view name;
    std::span<const ZclNamed> attributes = {};
    std::span<const ZclNamed> commandsToServer = {};
    std::span<const ZclNamed> commandsToClient = {};
};

// The cluster with the id, or null when the table does not hold it.
const ZclCluster* findZclCluster(uint16_t id);

// The name of an attribute of a cluster, empty when the tables do not know it.
std::string_view zclAttributeName(uint16_t cluster, uint16_t attribute);
// The name of a cluster-specific command, "???" when the tables do not know it.
std::string_view zclClusterCommandName(uint16_t cluster, bool toClient, uint8_t command);

} // namespace qlm
